#pragma once
#include <cstdint>

#include "scene/UniformState.h"

namespace ember {

// One float read through value, sent with glUniform1f.
class FloatUniformState : public UniformState {
public:
    FloatUniformState(int32_t location, const float* value);
    ~FloatUniformState() override;

    void apply(Program& program) override;

    const float* value() const { return value_; }

private:
    const float* value_;
};

}  // namespace ember
