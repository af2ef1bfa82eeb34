#include "scene/FloatArrayUniformState.h"

#include <GL/glew.h>

#include "rend/DeviceError.h"
#include "rend/Program.h"

namespace ember {

FloatArrayUniformState::FloatArrayUniformState(int32_t location, int32_t count, const float* values)
    : UniformState(location), count_(count), values_(values) {}

FloatArrayUniformState::~FloatArrayUniformState() = default;

void FloatArrayUniformState::apply(Program& program) {
    glUniform1fv(location(), count_, values_);
    checkGLError(__LINE__, "Program::setUniform1fv", "src/scene/FloatArrayUniformState",
                 program.name().c_str());
}

}  // namespace ember
