#include "application/Logger.h"

#include <GL/glew.h>
#include <GL/glxew.h>
#include <EGL/egl.h>

#include <cstdio>
#include <sstream>

namespace ember {

Logger* Logger::instance_ = nullptr;

Logger& Logger::instance() {
    if (!instance_) instance_ = new Logger();
    return *instance_;
}

void Logger::destroy() {
    if (!instance_) return;
    instance_->close();
    delete instance_;
    instance_ = nullptr;
}

bool Logger::open(const std::string& path) {
    close();
    file_.open(path, std::ios::out | std::ios::trunc);
    return file_.is_open();
}

void Logger::close() {
    if (file_.is_open()) file_.close();
}

void Logger::emit(const std::string& text) {
    if (!file_.is_open()) return;
    for (int i = 0; i < depth_; ++i) file_.put('\t');
    file_ << text << '\n';
    file_.flush();
}

void Logger::writeLine(const std::string& text) { emit(text); }

void Logger::writeFormattedV(const char* format, va_list args) {
    char buffer[2048];
    int n = std::vsnprintf(buffer, sizeof(buffer), format, args);
    if (n < 0) buffer[0] = '\0';
    emit(buffer);
}

void Logger::writeFormatted(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeFormattedV(format, args);
    va_end(args);
}

void Logger::beginSection(const std::string& name) {
    emit("[" + name + "]");
    ++depth_;
}

void Logger::endSection(const std::string& name) {
    --depth_;
    emit("[" + name + "]");
}

void Logger::writeLocated(const char* file, const char* function, int line, const std::string& text) {
    emit(std::string(file) + " : " + function + " +" + std::to_string(line));
    ++depth_;
    emit(text);
    --depth_;
}

namespace {

const char* glString(GLenum name) {
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : "";
}

// One line per space-separated name.
void writeNames(Logger& log, const char* names) {
    std::istringstream stream(names);
    std::string name;
    while (stream >> name) log.writeLine(name);
}

} // namespace

int Logger::checkExtensions(int glVersion) {
    beginSection("driver");
    writeLine(std::string("GL_VENDOR: ") + glString(GL_VENDOR));
    writeLine(std::string("GL_RENDERER: ") + glString(GL_RENDERER));
    writeLine(std::string("GL_VERSION: ") + glString(GL_VERSION));
    writeLine(std::string("GL_SHADING_LANGUAGE_VERSION: ") + glString(GL_SHADING_LANGUAGE_VERSION));
    endSection("driver");

    beginSection("limits");
    static const char* const kLimitGroups[] = {"buffers",  "elements",           "vertex",
                                               "geometry", "fragment",           "uniforms",
                                               "transform feedback", "texture", "misc"};
    for (const char* group : kLimitGroups) {
        beginSection(group);
        endSection(group);
    }
    endSection("limits");

    beginSection("extensions");
    if (const GLubyte* all = glGetString(GL_EXTENSIONS)) {
        writeNames(*this, reinterpret_cast<const char*>(all));
    } else {
        // A core context has no single extension string (the query above just
        // raised GL_INVALID_ENUM, which the caller discards); read the list by index.
        GLint count = 0;
        glGetIntegerv(GL_NUM_EXTENSIONS, &count);
        for (GLint i = 0; i < count; ++i) {
            const GLubyte* name = glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i));
            if (name) writeLine(reinterpret_cast<const char*>(name));
        }
    }

    bool missing = false;
    const char* versionName = nullptr;
    bool present = false;
    switch (glVersion) {
        case 0: versionName = "GLEW_VERSION_3_3"; present = GLEW_VERSION_3_3; break;
        case 1: versionName = "GLEW_VERSION_4_0"; present = GLEW_VERSION_4_0; break;
        case 2: versionName = "GLEW_VERSION_4_1"; present = GLEW_VERSION_4_1; break;
        case 3: versionName = "GLEW_VERSION_4_2"; present = GLEW_VERSION_4_2; break;
        case 4: versionName = "GLEW_VERSION_4_3"; present = GLEW_VERSION_4_3; break;
        default: break;  // any other index checks nothing
    }
    if (versionName) {
        if (present) {
            writeLine(versionName);
        } else {
            writeLine(std::string("Missing ") + versionName);
            missing = true;
        }
    }
    endSection("extensions");

    // The window system's own extension list: whichever of GLX or EGL owns the
    // current context.
    if (glXGetCurrentContext()) {
        Display* display = glXGetCurrentDisplay();
        const char* names = display ? glXQueryExtensionsString(display, DefaultScreen(display)) : nullptr;
        if (names) {
            beginSection("glx");
            writeNames(*this, names);
            endSection("glx");
        }
    } else if (eglGetCurrentContext() != EGL_NO_CONTEXT) {
        EGLDisplay display = eglGetCurrentDisplay();
        const char* names = display != EGL_NO_DISPLAY ? eglQueryString(display, EGL_EXTENSIONS) : nullptr;
        if (names) {
            beginSection("egl");
            writeNames(*this, names);
            endSection("egl");
        }
    }

    return missing ? 1 : 0;
}

} // namespace ember
