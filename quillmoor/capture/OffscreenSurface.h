#pragma once
#include <cstdint>
#include <vector>

#include "core/Object.h"
#include "rend/Framebuffer.h"
#include "rend/RenderBuffer.h"
#include "rend/Texture2D.h"

namespace qm {

// The frame a capture run renders into instead of the window: an RGBA colour
// texture and a depth-stencil buffer of any size the driver allows, standing
// in for the window's back buffer while it is active. Needs a current GL
// context for everything but construction.
class OffscreenSurface : public ember::Object {
public:
    OffscreenSurface() = default;
    ~OffscreenSurface() override;

    // Creates the targets. False (logged) when the size exceeds the driver's
    // limits or the framebuffer is incomplete.
    bool create(int32_t width, int32_t height);
    // Makes the surface the window's stand-in and binds it with a full-size
    // viewport; deactivate restores the window.
    void activate();
    void deactivate();
    // Releases the GL objects (deactivating first).
    void destroy();

    // Reads the colour buffer as tightly packed RGB rows, top row first.
    // False (logged) without a surface or on a GL error.
    bool readRGB(std::vector<uint8_t>* rgb);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

private:
    ember::Ref<ember::Framebuffer> framebuffer_;
    ember::Ref<ember::Texture2D> color_;
    ember::Ref<ember::RenderBuffer> depth_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<uint8_t> rows_;
};

}  // namespace qm
