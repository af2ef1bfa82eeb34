#include "rend/Texture2D.h"

#include "rend/DeviceError.h"

namespace ember {

namespace {
const char* const kSource = "src/rend/Texture2D";
}

bool Texture2D::create(int32_t width, int32_t height, TextureFormat format) {
    width_ = width;
    height_ = height;
    setFormat(format);
    generate("Texture2D::create");
    TextureState state = state_;
    state.minFilter = TextureFilter::Linear;
    // Fixed-point depth targets are shadow maps: ready for comparison sampling.
    state.compare = format == TextureFormat::Depth16 || format == TextureFormat::Depth24 ||
                    format == TextureFormat::Depth32 || format == TextureFormat::Depth24Stencil8;
    setTextureState(state);
    if (isUncompressedFormat(format)) uploadData(nullptr);
    unbind();
    return true;
}

void Texture2D::uploadData(const void* pixels) {
    const TextureFormatInfo& info = textureFormatInfo(format_);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(info.internalFormat), width_, height_, 0,
                 info.pixelFormat, info.pixelType, pixels);
    checkGLError(__LINE__, "Texture2D::uploadData", kSource);
}

void Texture2D::generateMipMaps() {
    bind();
    glGenerateMipmap(GL_TEXTURE_2D);
    checkGLError(__LINE__, "Texture2D::generateMipMaps", kSource);
    unbind();
}

}  // namespace ember
