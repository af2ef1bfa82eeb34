#include "scene/IntegerUniformState.h"

#include <GL/glew.h>

#include "rend/DeviceError.h"
#include "rend/Program.h"

namespace ember {

IntegerUniformState::IntegerUniformState(int32_t location, const int32_t* value)
    : UniformState(location), value_(value) {}

IntegerUniformState::~IntegerUniformState() = default;

void IntegerUniformState::apply(Program& program) {
    glUniform1i(location(), *value_);
    checkGLError(__LINE__, "Program::setUniform1i", "src/scene/IntegerUniformState", program.name().c_str());
}

}  // namespace ember
