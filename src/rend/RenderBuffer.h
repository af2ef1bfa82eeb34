#pragma once
#include "rend/Texture.h"

namespace ember {

// A render buffer: attachable to a framebuffer, never sampled. No multisampling.
class RenderBuffer : public Texture {
public:
    RenderBuffer() : Texture(TextureType::RenderBuffer) {}

    // Generates the render buffer and allocates width x height of format's
    // internal format; leaves it unbound. Always returns true.
    bool create(int32_t width, int32_t height, TextureFormat format);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
};

}  // namespace ember
