#pragma once
#include <cstdint>
#include <vector>

#include "core/Object.h"
#include "rend/Framebuffer.h"
#include "rend/RenderBuffer.h"
#include "rend/Texture2D.h"

namespace ember {

// A frame rendered somewhere other than the window: an RGBA colour texture and
// a depth-stencil buffer of any size the driver allows, standing in for the
// window's back buffer while it is active. The capture tool reads it back; a
// full-screen window whose display mode could not be changed shows it scaled.
// Needs a current GL context for everything but construction. Single-sampled.
class OffscreenSurface : public Object {
public:
    // Where a frame lands in a destination when it is scaled to fit with its
    // aspect kept: GL coordinates (origin bottom left), centred, the rest is bars.
    struct Placement {
        int32_t x = 0;
        int32_t y = 0;
        int32_t width = 0;
        int32_t height = 0;
        bool operator==(const Placement& o) const {
            return x == o.x && y == o.y && width == o.width && height == o.height;
        }
    };

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

    // The largest frame of frameWidth x frameHeight's aspect that fits into
    // width x height, centred (odd leftovers put the extra pixel right / top).
    // All zero when any size is 0 or below.
    static Placement fit(int32_t frameWidth, int32_t frameHeight, int32_t width, int32_t height);
    // Blits the colour buffer, linearly filtered, into target (null: the
    // window's own back buffer, whatever stands in for it) of width x height
    // at fit(), and clears the bars around it to black. Every GL state it
    // touches (framebuffer bindings, draw and read buffers, scissor test,
    // colour mask, clear colour) is as before when it returns, so the device's
    // cache stays true. False without a surface or for an empty destination.
    bool blitScaled(Framebuffer* target, int32_t width, int32_t height);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

private:
    Ref<Framebuffer> framebuffer_;
    Ref<Texture2D> color_;
    Ref<RenderBuffer> depth_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<uint8_t> rows_;
};

}  // namespace ember
