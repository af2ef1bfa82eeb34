#include "scene/Vector2fUniformState.h"

#include <GL/glew.h>

#include "rend/DeviceError.h"
#include "rend/Program.h"

namespace ember {

Vector2fUniformState::Vector2fUniformState(int32_t location, const float* values)
    : UniformState(location), values_(values) {}

Vector2fUniformState::~Vector2fUniformState() = default;

void Vector2fUniformState::apply(Program& program) {
    glUniform2fv(location(), count_, values_);
    checkGLError(__LINE__, "Program::setUniform2fv", "src/scene/Vector2fUniformState",
                 program.name().c_str());
}

}  // namespace ember
