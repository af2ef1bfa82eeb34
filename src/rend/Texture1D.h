#pragma once
#include "rend/Texture.h"

namespace ember {

class Texture1D : public Texture {
public:
    Texture1D() : Texture(TextureType::Texture1D) {}

    // Creates the texture with linear filtering and storage for width texels of
    // format; leaves it unbound. Always returns true (GL errors are logged).
    bool create(int32_t width, TextureFormat format);
    // Replaces the texels (width of them, in the format's pixel format and type);
    // the caller binds the texture.
    void uploadData(const void* pixels);

    int32_t width() const { return width_; }

private:
    int32_t width_ = 0;
};

}  // namespace ember
