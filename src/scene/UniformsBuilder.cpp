#include "scene/UniformsBuilder.h"

#include "rend/Program.h"
#include "scene/FloatArrayUniformState.h"
#include "scene/FloatUniformState.h"
#include "scene/IntegerUniformState.h"
#include "scene/Vector2fUniformState.h"
#include "scene/Vector4fUniformState.h"

namespace ember {

UniformsBuilder::UniformsBuilder() = default;

UniformsBuilder::~UniformsBuilder() = default;

void UniformsBuilder::setProgram(Program* program) {
    program_ = program;
}

void UniformsBuilder::begin() {
    result_ = new Uniforms(program_.get());
}

int32_t UniformsBuilder::location(const std::string& name) const {
    if (!program_ || !result_) return -1;
    const UniformInfo* info = program_->findUniform(name);
    return info ? info->location : -1;
}

bool UniformsBuilder::addInteger(const std::string& name, const int32_t* value) {
    int32_t loc = location(name);
    if (loc < 0 || !value) return false;
    result_->add(new IntegerUniformState(loc, value));
    return true;
}

bool UniformsBuilder::addFloat(const std::string& name, int32_t count, const float* values) {
    int32_t loc = location(name);
    if (loc < 0 || !values) return false;
    if (count < 2)
        result_->add(new FloatUniformState(loc, values));
    else
        result_->add(new FloatArrayUniformState(loc, count, values));
    return true;
}

bool UniformsBuilder::addVector2f(const std::string& name, const float* values) {
    int32_t loc = location(name);
    if (loc < 0 || !values) return false;
    result_->add(new Vector2fUniformState(loc, values));
    return true;
}

bool UniformsBuilder::addVector4f(const std::string& name, const float* values) {
    int32_t loc = location(name);
    if (loc < 0 || !values) return false;
    result_->add(new Vector4fUniformState(loc, values));
    return true;
}

}  // namespace ember
