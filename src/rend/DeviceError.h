#pragma once
#include <GL/glew.h>

#include <cstdint>
#include <string>

namespace ember {

// GL error diagnostics. Every GL call the engine makes is followed by one
// checkGLError; the checks only write to the log and never change the flow.
// All of them run on the thread that owns the GL context.

// Reads glGetError once. On a pending error writes one log line
//   "<source> <function>  +<line> : GL_INVALID_ENUM"
// and, when extra is not null, extra as a second line. Nothing is written (not
// even extra) when no error is pending. The message is built only on error.
void checkGLError(int32_t line, const char* function, const char* source, const char* extra = nullptr);

// Writes one line located at src/rend/Framebuffer Framebuffer::create +199 for
// any status other than GL_FRAMEBUFFER_COMPLETE.
void checkFramebufferStatus(GLenum status);

// Writes the program's info log, located at src/rend/Program Program::compile
// +line, as "... : <name> <log>" when the log is longer than one character.
void CheckObjectError(GLuint program, int32_t line, const char* name);
// Same for a shader, located at src/rend/Shader Shader::compile +line.
void CheckShaderError(GLuint shader, int32_t line, const char* name);

// "<source> <function>  +<line>": the start of every error message.
std::string glErrorLocation(const char* source, const char* function, int32_t line);
// " : GL_INVALID_ENUM" and friends; " : UNKNOWN GL ERROR\n" for codes outside the table.
const char* glErrorText(GLenum error);
// " : GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT" and friends; "" for GL_FRAMEBUFFER_COMPLETE,
// " : UNKNOWN FRAMEBUFFER ERROR" for codes outside the table.
const char* framebufferStatusText(GLenum status);

// Number of checkGLError calls since start (or the last reset). Each GL call
// is followed by exactly one check, so this counts the GL calls the engine
// made; tests use it to prove a cached state change issued no GL call.
uint64_t glCheckCount();
void resetGLCheckCount();

// Location helpers for call sites: __FILE__ reduced to its path below the
// project root without extension ("src/rend/Device") and __PRETTY_FUNCTION__
// reduced to "Class::method". Used only when an error is pending.
std::string glSourcePath(const char* file);
std::string glFunctionName(const char* prettyFunction);

// checkGLError with the location taken from the call site; the names are
// reduced only when an error is pending.
void checkGLErrorAt(int32_t line, const char* prettyFunction, const char* file, const char* extra);

}  // namespace ember

// Check after a GL call, located at the call site.
#define EMBER_GL_CHECK() ::ember::checkGLErrorAt(__LINE__, __PRETTY_FUNCTION__, __FILE__, nullptr)
// Same, with an extra line (for example the program's name) written after the error.
#define EMBER_GL_CHECK_EXTRA(extra) ::ember::checkGLErrorAt(__LINE__, __PRETTY_FUNCTION__, __FILE__, (extra))
