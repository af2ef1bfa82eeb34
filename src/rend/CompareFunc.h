#pragma once
#include <GL/glew.h>

#include <cstdint>

namespace ember {

// Comparison functions shared by the depth and stencil tests, samplers and the
// content manifest; the member order is fixed.
enum class CompareFunc : int32_t { Always, Less, LessEqual, Equal, NotEqual, GreaterEqual, Greater, Never };

// GL constant of a compare function; GL_ALWAYS for values outside the enumeration.
inline GLenum compareFuncToGL(CompareFunc f) {
    static const GLenum table[] = {GL_ALWAYS,   GL_LESS,   GL_LEQUAL,  GL_EQUAL,
                                   GL_NOTEQUAL, GL_GEQUAL, GL_GREATER, GL_NEVER};
    auto i = static_cast<uint32_t>(f);
    return i < 8 ? table[i] : GL_ALWAYS;
}

}  // namespace ember
