#pragma once
#include <cstdint>
#include <vector>

#include "ImageWriter.h"

namespace qmgen {

// A colour in linear light.
struct Rgb {
    float r = 0, g = 0, b = 0;
    Rgb() = default;
    Rgb(float r_, float g_, float b_) : r(r_), g(g_), b(b_) {}
    Rgb operator+(const Rgb& o) const { return {r + o.r, g + o.g, b + o.b}; }
    Rgb operator-(const Rgb& o) const { return {r - o.r, g - o.g, b - o.b}; }
    Rgb operator*(float s) const { return {r * s, g * s, b * s}; }
    Rgb operator*(const Rgb& o) const { return {r * o.r, g * o.g, b * o.b}; }
};

// Linear interpolation a + (b - a) * t.
Rgb mix(const Rgb& a, const Rgb& b, float t);

// sRGB transfer functions for one channel in [0, 1].
float srgbToLinear(float v);
float linearToSrgb(float v);

// A linear colour from a 0xRRGGBB sRGB value, as designers write them.
Rgb hexColor(uint32_t rgb);

// Hermite smoothstep of x between e0 and e1.
float smoothstep(float e0, float e1, float x);

// A coverage or intensity map: one float per pixel, rows top first.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<float> values;

    Mask() = default;
    Mask(int w, int h);
    float& at(int x, int y) { return values[static_cast<size_t>(y) * width + x]; }
    float at(int x, int y) const { return values[static_cast<size_t>(y) * width + x]; }

    // Approximates a Gaussian of standard deviation `sigma` pixels by three box passes per axis;
    // edges are treated as zero so light does not pile up along the border.
    void blur(float sigma);
};

// A floating-point picture in linear light; everything is composed here and quantised once.
class Canvas {
public:
    Canvas(int width, int height, const Rgb& fill);

    int width() const { return width_; }
    int height() const { return height_; }
    Rgb& at(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    const Rgb& at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

    // Paints `color` over the canvas with the mask as coverage, scaled by `opacity`.
    void paint(const Mask& mask, const Rgb& color, float opacity = 1.0f);
    // Adds `color` weighted by the mask: light, not paint.
    void addLight(const Mask& mask, const Rgb& color);

    // Quantises to 8-bit sRGB with a deterministic triangular dither of `ditherAmplitude` steps,
    // which hides banding in the dark gradients.
    Image8 toImage8(float ditherAmplitude) const;

private:
    int width_;
    int height_;
    std::vector<Rgb> pixels_;
};

// Draws an anti-aliased horizontal bar from x0 to x1 (fractional pixels), centred on y with the given
// thickness, into `mask` (coverage combined by maximum). `endFade` pixels at each end fade out.
void drawHorizontalBar(Mask& mask, float x0, float x1, float y, float thickness, float endFade);

// A deterministic hash of two integers to [0, 1).
float hash01(uint32_t x, uint32_t y, uint32_t seed);

}  // namespace qmgen
