#include "rend/TextureBuffer.h"

#include "rend/DeviceError.h"

namespace ember {

namespace {
const char* const kSource = "src/rend/TextureBuffer";
const char* const kCreate = "TextureBuffer::create";
}  // namespace

TextureBuffer::~TextureBuffer() = default;

bool TextureBuffer::setBuffer(BufferObject* buffer) {
    buffer_ = buffer;
    setFormat(TextureFormat::RGBA32F);
    generate(kCreate);
    glTexBuffer(GL_TEXTURE_BUFFER, GL_RGBA32F, buffer ? buffer->glName() : 0);
    checkGLError(__LINE__, kCreate, kSource);
    unbind();
    return true;
}

}  // namespace ember
