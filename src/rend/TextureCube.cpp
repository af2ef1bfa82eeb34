#include "rend/TextureCube.h"

#include "rend/DeviceError.h"

namespace ember {

namespace {
const char* const kSource = "src/rend/TextureCube";
}

bool TextureCube::create(int32_t width, int32_t height, TextureFormat format) {
    width_ = width;
    height_ = height;
    setFormat(format);
    generate("TextureCube::create");
    TextureState state = state_;
    state.minFilter = TextureFilter::Linear;
    state.wrapS = TextureWrap::ClampToEdge;
    state.wrapT = TextureWrap::ClampToEdge;
    state.wrapR = TextureWrap::ClampToEdge;
    setTextureState(state);
    if (isUncompressedFormat(format)) {
        for (int32_t face = 0; face < 6; ++face) uploadData(nullptr, static_cast<CubeFace>(face));
    }
    unbind();
    return true;
}

void TextureCube::uploadData(const void* pixels, CubeFace face) {
    const TextureFormatInfo& info = textureFormatInfo(format_);
    glTexImage2D(cubeFaceToGL(face), 0, static_cast<GLint>(info.internalFormat), width_, height_, 0,
                 info.pixelFormat, info.pixelType, pixels);
    checkGLError(__LINE__, "TextureCube::uploadData", kSource);
}

}  // namespace ember
