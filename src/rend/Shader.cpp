#include "rend/Shader.h"

#include "rend/DeviceError.h"

namespace ember {

namespace {
const char* const kSource = "src/rend/Shader";
const char* const kCompile = "Shader::compile";
}  // namespace

GLenum shaderStageToGL(ShaderStage stage) {
    static const GLenum table[] = {GL_VERTEX_SHADER,       GL_FRAGMENT_SHADER,        GL_GEOMETRY_SHADER,
                                   GL_TESS_CONTROL_SHADER, GL_TESS_EVALUATION_SHADER, GL_COMPUTE_SHADER};
    auto i = static_cast<uint32_t>(stage);
    return i < 6 ? table[i] : GL_VERTEX_SHADER;
}

Shader::Shader(ShaderStage stage, const std::string& name) : name_(name), stage_(stage) {}

Shader::~Shader() {
    destroy();
}

bool Shader::compile() {
    // Compiling again replaces the previous GL shader (programs that still hold
    // it keep it alive until they let go).
    destroy();
    glName_ = glCreateShader(shaderStageToGL(stage_));
    checkGLError(__LINE__, kCompile, kSource);
    const char* text = source_.c_str();
    glShaderSource(glName_, 1, &text, nullptr);
    checkGLError(__LINE__, kCompile, kSource);
    glCompileShader(glName_);
    checkGLError(__LINE__, kCompile, kSource);

    GLint status = GL_FALSE;
    glGetShaderiv(glName_, GL_COMPILE_STATUS, &status);
    checkGLError(__LINE__, kCompile, kSource);
    if (status != GL_TRUE) {
        CheckShaderError(glName_, 53, name_.c_str());
        destroy();
        return false;
    }
    CheckShaderError(glName_, 59, name_.c_str());
    return true;
}

void Shader::destroy() {
    if (glName_ == 0) return;
    glDeleteShader(glName_);
    checkGLError(__LINE__, "Shader::destroy", kSource);
    glName_ = 0;
}

}  // namespace ember
