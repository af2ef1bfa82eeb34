#include "rend/RenderBuffer.h"

#include "rend/DeviceError.h"

namespace ember {

namespace {
const char* const kSource = "src/rend/RenderBuffer";
const char* const kCreate = "RenderBuffer::create";
}  // namespace

bool RenderBuffer::create(int32_t width, int32_t height, TextureFormat format) {
    width_ = width;
    height_ = height;
    setFormat(format);
    destroy();
    glGenRenderbuffers(1, &glName_);
    checkGLError(__LINE__, kCreate, kSource);
    glBindRenderbuffer(GL_RENDERBUFFER, glName_);
    checkGLError(__LINE__, kCreate, kSource);
    glRenderbufferStorage(GL_RENDERBUFFER, textureFormatInfo(format).internalFormat, width, height);
    checkGLError(__LINE__, kCreate, kSource);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    checkGLError(__LINE__, kCreate, kSource);
    return true;
}

}  // namespace ember
