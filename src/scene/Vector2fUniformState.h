#pragma once
#include <cstdint>

#include "scene/UniformState.h"

namespace ember {

// One vec2 (two floats) read through values, sent with glUniform2fv.
class Vector2fUniformState : public UniformState {
public:
    Vector2fUniformState(int32_t location, const float* values);
    ~Vector2fUniformState() override;

    void apply(Program& program) override;

    int32_t count() const { return count_; }
    const float* values() const { return values_; }

private:
    int32_t count_ = 1;
    const float* values_;
};

}  // namespace ember
