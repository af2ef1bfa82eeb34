#include "rend/Texture3D.h"

#include "rend/DeviceError.h"

namespace ember {

namespace {
const char* const kSource = "src/rend/Texture3D";
}

bool Texture3D::create(int32_t width, int32_t height, int32_t depth, TextureFormat format) {
    width_ = width;
    height_ = height;
    depth_ = depth;
    setFormat(format);
    generate("Texture3D::create");
    TextureState state = state_;
    state.magFilter = TextureFilter::Nearest;
    state.minFilter = TextureFilter::Nearest;
    setTextureState(state);
    if (isUncompressedFormat(format)) uploadData(nullptr);
    unbind();
    return true;
}

void Texture3D::uploadData(const void* voxels) {
    const TextureFormatInfo& info = textureFormatInfo(format_);
    glTexImage3D(GL_TEXTURE_3D, 0, static_cast<GLint>(info.internalFormat), width_, height_, depth_, 0,
                 info.pixelFormat, info.pixelType, voxels);
    checkGLError(__LINE__, "Texture3D::uploadData", kSource);
}

}  // namespace ember
