#pragma once
#include <cstdint>

#include "scene/UniformState.h"

namespace ember {

// count floats read through values, sent with glUniform1fv.
class FloatArrayUniformState : public UniformState {
public:
    FloatArrayUniformState(int32_t location, int32_t count, const float* values);
    ~FloatArrayUniformState() override;

    void apply(Program& program) override;

    int32_t count() const { return count_; }
    const float* values() const { return values_; }

private:
    int32_t count_;
    const float* values_;
};

}  // namespace ember
