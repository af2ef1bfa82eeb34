#pragma once
#include <vector>

#include "core/Object.h"
#include "scene/UniformState.h"

namespace ember {

class Program;

// The bound uniform variables of one material, for one program.
class Uniforms : public Object {
public:
    explicit Uniforms(Program* program);
    ~Uniforms() override;

    // Appends state (null is ignored).
    void add(UniformState* state);
    // Applies every state in insertion order to the program; the program must
    // be bound. Does nothing without a program.
    void apply();

    Program* program() const { return program_.get(); }
    const std::vector<Ref<UniformState>>& states() const { return states_; }

private:
    Ref<Program> program_;
    std::vector<Ref<UniformState>> states_;
};

}  // namespace ember
