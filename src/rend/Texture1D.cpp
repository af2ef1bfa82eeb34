#include "rend/Texture1D.h"

#include "rend/DeviceError.h"

namespace ember {

namespace {
const char* const kSource = "src/rend/Texture1D";
}

bool Texture1D::create(int32_t width, TextureFormat format) {
    width_ = width;
    setFormat(format);
    generate("Texture1D::create");
    TextureState state = state_;
    state.minFilter = TextureFilter::Linear;
    setTextureState(state);
    if (isUncompressedFormat(format)) uploadData(nullptr);
    unbind();
    return true;
}

void Texture1D::uploadData(const void* pixels) {
    const TextureFormatInfo& info = textureFormatInfo(format_);
    glTexImage1D(GL_TEXTURE_1D, 0, static_cast<GLint>(info.internalFormat), width_, 0, info.pixelFormat,
                 info.pixelType, pixels);
    checkGLError(__LINE__, "Texture1D::uploadData", kSource);
}

}  // namespace ember
