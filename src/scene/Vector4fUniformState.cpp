#include "scene/Vector4fUniformState.h"

#include <GL/glew.h>

#include "rend/DeviceError.h"
#include "rend/Program.h"

namespace ember {

Vector4fUniformState::Vector4fUniformState(int32_t location, const float* values)
    : UniformState(location), values_(values) {}

Vector4fUniformState::~Vector4fUniformState() = default;

void Vector4fUniformState::apply(Program& program) {
    glUniform4fv(location(), count_, values_);
    checkGLError(__LINE__, "Program::setUniform4fv", "src/scene/Vector4fUniformState",
                 program.name().c_str());
}

}  // namespace ember
