#pragma once
#include <cstdint>

#include "scene/UniformState.h"

namespace ember {

// One vec4 (four floats) read through values, sent with glUniform4fv.
class Vector4fUniformState : public UniformState {
public:
    Vector4fUniformState(int32_t location, const float* values);
    ~Vector4fUniformState() override;

    void apply(Program& program) override;

    int32_t count() const { return count_; }
    const float* values() const { return values_; }

private:
    int32_t count_ = 1;
    const float* values_;
};

}  // namespace ember
