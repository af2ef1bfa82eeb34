#pragma once
#include "rend/Texture.h"

namespace ember {

class Texture2D : public Texture {
public:
    Texture2D() : Texture(TextureType::Texture2D) {}

    // Creates the texture with linear filtering (no mipmaps needed); the
    // fixed-point depth formats (Depth16, Depth24, Depth32, Depth24Stencil8) are
    // set up for shadow comparison with GL_LESS. Allocates storage unless the
    // format is compressed or None. Leaves it unbound; always returns true.
    bool create(int32_t width, int32_t height, TextureFormat format);
    // Replaces the pixels (width x height in the format's pixel format and
    // type); the caller binds the texture.
    void uploadData(const void* pixels);
    // Binds, generates the mipmap chain, unbinds.
    void generateMipMaps();

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
};

}  // namespace ember
