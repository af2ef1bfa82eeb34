#include "rend/DeviceError.h"

#include <cstring>
#include <vector>

#include "application/Logger.h"

namespace ember {

namespace {

uint64_t gCheckCount = 0;

// Reads one pending error; the caller has counted the check.
inline GLenum nextError() {
    return glGetError();
}

void writeError(GLenum error, const std::string& location, const char* extra) {
    Logger& log = Logger::instance();
    log.writeLine(location + glErrorText(error));
    if (extra) log.writeLine(extra);
}

}  // namespace

std::string glErrorLocation(const char* source, const char* function, int32_t line) {
    std::string text(source ? source : "");
    text += ' ';
    text += function ? function : "";
    text += "  +";
    text += std::to_string(line);
    return text;
}

const char* glErrorText(GLenum error) {
    switch (error) {
        case GL_INVALID_ENUM:
            return " : GL_INVALID_ENUM";
        case GL_INVALID_VALUE:
            return " : GL_INVALID_VALUE";
        case GL_INVALID_OPERATION:
            return " : GL_INVALID_OPERATION";
        case GL_STACK_OVERFLOW:
            return " : GL_STACK_OVERFLOW";
        case GL_STACK_UNDERFLOW:
            return " : GL_STACK_UNDERFLOW";
        case GL_OUT_OF_MEMORY:
            return " : GL_OUT_OF_MEMORY";
        case GL_INVALID_FRAMEBUFFER_OPERATION:
            return " : GL_INVALID_FRAMEBUFFER_OPERATION";
        default:
            return " : UNKNOWN GL ERROR\n";
    }
}

const char* framebufferStatusText(GLenum status) {
    switch (status) {
        case GL_FRAMEBUFFER_COMPLETE:
            return "";
        case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT:
            return " : GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT";
        case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT:
            return " : GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT";
        case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER:
            return " : GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER";
        case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER:
            return " : GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER";
        case GL_FRAMEBUFFER_UNSUPPORTED:
            return " : GL_FRAMEBUFFER_UNSUPPORTED";
        default:
            return " : UNKNOWN FRAMEBUFFER ERROR";
    }
}

void checkGLError(int32_t line, const char* function, const char* source, const char* extra) {
    ++gCheckCount;
    GLenum error = nextError();
    if (error == GL_NO_ERROR) return;
    writeError(error, glErrorLocation(source, function, line), extra);
}

void checkGLErrorAt(int32_t line, const char* prettyFunction, const char* file, const char* extra) {
    ++gCheckCount;
    GLenum error = nextError();
    if (error == GL_NO_ERROR) return;
    std::string source = glSourcePath(file);
    std::string function = glFunctionName(prettyFunction);
    writeError(error, glErrorLocation(source.c_str(), function.c_str(), line), extra);
}

void checkFramebufferStatus(GLenum status) {
    if (status == GL_FRAMEBUFFER_COMPLETE) return;
    Logger::instance().writeLine(glErrorLocation("src/rend/Framebuffer", "Framebuffer::create", 199) +
                                 framebufferStatusText(status));
}

void CheckObjectError(GLuint program, int32_t line, const char* name) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    checkGLError(__LINE__, "CheckObjectError", "src/rend/DeviceError");
    if (length <= 1) return;
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    glGetProgramInfoLog(program, length, nullptr, text.data());
    checkGLError(__LINE__, "CheckObjectError", "src/rend/DeviceError");
    Logger::instance().writeLine(glErrorLocation("src/rend/Program", "Program::compile", line) + " : " +
                                 (name ? name : "") + " " + text.data());
}

void CheckShaderError(GLuint shader, int32_t line, const char* name) {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    if (length <= 1) return;
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    glGetShaderInfoLog(shader, length, nullptr, text.data());
    checkGLError(__LINE__, "CheckShaderError", "src/rend/DeviceError");
    Logger::instance().writeLine(glErrorLocation("src/rend/Shader", "Shader::compile", line) + " : " +
                                 (name ? name : "") + " " + text.data());
}

uint64_t glCheckCount() {
    return gCheckCount;
}
void resetGLCheckCount() {
    gCheckCount = 0;
}

std::string glSourcePath(const char* file) {
    if (!file) return std::string();
    std::string path(file);
    // Keep the path below the project root: from the last top-level folder on.
    static const char* const roots[] = {"/src/", "/quillmoor/", "/tools/", "/tests/"};
    size_t start = std::string::npos;
    for (const char* root : roots) {
        size_t at = path.rfind(root);
        if (at != std::string::npos && (start == std::string::npos || at > start)) start = at + 1;
    }
    if (start != std::string::npos) path.erase(0, start);
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.erase(dot);
    return path;
}

std::string glFunctionName(const char* prettyFunction) {
    if (!prettyFunction) return std::string();
    std::string text(prettyFunction);
    // "void ember::Device::setBlendState(const ember::BlendState&)" -> "Device::setBlendState":
    // cut the parameter list at the first '(' outside template brackets, the return type at
    // the last space before it, then keep the last two scope components.
    int angle = 0;
    size_t open = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '<')
            ++angle;
        else if (c == '>')
            --angle;
        else if (c == '(' && angle <= 0) {
            // "operator()" keeps its own parentheses.
            if (i >= 8 && text.compare(i - 8, 8, "operator") == 0) continue;
            open = i;
            break;
        }
    }
    if (open != std::string::npos) text.erase(open);
    angle = 0;
    for (size_t i = text.size(); i-- > 0;) {
        char c = text[i];
        if (c == '>')
            ++angle;
        else if (c == '<')
            --angle;
        else if (c == ' ' && angle <= 0) {
            text.erase(0, i + 1);
            break;
        }
    }
    while (!text.empty() && (text[0] == '*' || text[0] == '&')) text.erase(0, 1);
    // Keep "Class::method" (or a plain function name); scopes inside template
    // arguments do not count.
    int found = 0;
    angle = 0;
    for (size_t i = text.size(); i-- > 1;) {
        char c = text[i];
        if (c == '>')
            ++angle;
        else if (c == '<')
            --angle;
        else if (c == ':' && text[i - 1] == ':' && angle == 0) {
            if (++found == 2) {
                text.erase(0, i + 1);
                break;
            }
            --i;
        }
    }
    return text;
}

}  // namespace ember
