#include "scene/FloatUniformState.h"

#include <GL/glew.h>

#include "rend/DeviceError.h"
#include "rend/Program.h"

namespace ember {

FloatUniformState::FloatUniformState(int32_t location, const float* value)
    : UniformState(location), value_(value) {}

FloatUniformState::~FloatUniformState() = default;

void FloatUniformState::apply(Program& program) {
    glUniform1f(location(), *value_);
    checkGLError(__LINE__, "Program::setUniform1f", "src/scene/FloatUniformState", program.name().c_str());
}

}  // namespace ember
