#include "scene/Uniforms.h"

#include "rend/Program.h"

namespace ember {

Uniforms::Uniforms(Program* program) : program_(program) {}

Uniforms::~Uniforms() = default;

void Uniforms::add(UniformState* state) {
    if (state) states_.emplace_back(state);
}

void Uniforms::apply() {
    if (!program_) return;
    for (const Ref<UniformState>& s : states_) s->apply(*program_);
}

}  // namespace ember
