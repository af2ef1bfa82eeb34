#pragma once
#include "rend/Texture.h"

namespace ember {

class Texture3D : public Texture {
public:
    Texture3D() : Texture(TextureType::Texture3D) {}

    // Creates the texture with nearest filtering and storage of
    // width x height x depth; leaves it unbound. Always returns true.
    bool create(int32_t width, int32_t height, int32_t depth, TextureFormat format);
    // Replaces the voxels; the caller binds the texture.
    void uploadData(const void* voxels);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int32_t depth() const { return depth_; }

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t depth_ = 0;
};

}  // namespace ember
