#pragma once
#include <cstdint>

#include "core/Object.h"

namespace ember {

class Program;

// Binds one caller-owned variable to one uniform location. apply re-reads the
// variable every time, so animating a shader parameter is a plain store into
// the variable; it acts on the currently bound program (which must be program)
// and runs the GL error check with the program's name. The variable must
// outlive the state.
class UniformState : public Object {
public:
    explicit UniformState(int32_t location) : location_(location) {}
    ~UniformState() override = default;

    virtual void apply(Program& program) = 0;

    int32_t location() const { return location_; }

private:
    int32_t location_;
};

}  // namespace ember
