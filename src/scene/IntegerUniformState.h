#pragma once
#include <cstdint>

#include "scene/UniformState.h"

namespace ember {

// One int read through value, sent with glUniform1i.
class IntegerUniformState : public UniformState {
public:
    IntegerUniformState(int32_t location, const int32_t* value);
    ~IntegerUniformState() override;

    void apply(Program& program) override;

    const int32_t* value() const { return value_; }

private:
    const int32_t* value_;
};

}  // namespace ember
