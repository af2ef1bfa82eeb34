#pragma once
#include "rend/Texture.h"

namespace ember {

class TextureCube : public Texture {
public:
    TextureCube() : Texture(TextureType::TextureCube) {}

    // Creates the cube with linear filtering, edge-clamped wraps and, unless the
    // format is compressed or None, storage for all six faces of width x height.
    // Leaves it unbound; always returns true.
    bool create(int32_t width, int32_t height, TextureFormat format);
    // Replaces one face's pixels; the caller binds the texture.
    void uploadData(const void* pixels, CubeFace face);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
};

}  // namespace ember
