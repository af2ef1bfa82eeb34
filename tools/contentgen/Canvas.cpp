#include "Canvas.h"

#include <algorithm>
#include <cmath>

namespace qmgen {

Rgb mix(const Rgb& a, const Rgb& b, float t) {
    return a + (b - a) * t;
}

float srgbToLinear(float v) {
    return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

float linearToSrgb(float v) {
    v = std::clamp(v, 0.0f, 1.0f);
    return v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1.0f / 2.4f) - 0.055f;
}

Rgb hexColor(uint32_t rgb) {
    return {srgbToLinear(((rgb >> 16) & 0xff) / 255.0f), srgbToLinear(((rgb >> 8) & 0xff) / 255.0f),
            srgbToLinear((rgb & 0xff) / 255.0f)};
}

float smoothstep(float e0, float e1, float x) {
    float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float hash01(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return (h >> 8) * (1.0f / 16777216.0f);
}

Mask::Mask(int w, int h) : width(w), height(h), values(static_cast<size_t>(w) * h, 0.0f) {}

namespace {

// One running-sum box pass of radius r over n samples spaced `step` apart.
void boxPass(float* data, int n, size_t step, int r, std::vector<float>& scratch) {
    scratch.assign(n, 0.0f);
    const float scale = 1.0f / (2 * r + 1);
    double sum = 0.0;
    for (int i = 0; i < std::min(r, n); ++i) sum += data[i * step];
    for (int i = 0; i < n; ++i) {
        if (i + r < n) sum += data[(i + r) * step];
        if (i - r - 1 >= 0) sum -= data[(i - r - 1) * step];
        scratch[i] = static_cast<float>(sum) * scale;
    }
    for (int i = 0; i < n; ++i) data[i * step] = scratch[i];
}

}  // namespace

void Mask::blur(float sigma) {
    if (sigma <= 0.0f || values.empty()) return;
    // Three boxes of width w have variance 3 (w^2 - 1) / 12.
    int r =
        std::max(1, static_cast<int>(std::lround((std::sqrt(4.0f * sigma * sigma + 1.0f) - 1.0f) * 0.5f)));
    std::vector<float> scratch;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < height; ++y)
            boxPass(&values[static_cast<size_t>(y) * width], width, 1, r, scratch);
        for (int x = 0; x < width; ++x) boxPass(&values[x], height, width, r, scratch);
    }
}

Canvas::Canvas(int width, int height, const Rgb& fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

void Canvas::paint(const Mask& mask, const Rgb& color, float opacity) {
    const int w = std::min(width_, mask.width), h = std::min(height_, mask.height);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float a = std::clamp(mask.at(x, y) * opacity, 0.0f, 1.0f);
            if (a > 0.0f) at(x, y) = mix(at(x, y), color, a);
        }
}

void Canvas::addLight(const Mask& mask, const Rgb& color) {
    const int w = std::min(width_, mask.width), h = std::min(height_, mask.height);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float a = mask.at(x, y);
            if (a != 0.0f) at(x, y) = at(x, y) + color * a;
        }
}

Image8 Canvas::toImage8(float ditherAmplitude) const {
    Image8 out;
    out.width = width_;
    out.height = height_;
    out.channels = 3;
    out.pixels.resize(static_cast<size_t>(width_) * height_ * 3);
    size_t i = 0;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            const Rgb& p = at(x, y);
            const float c[3] = {p.r, p.g, p.b};
            for (int k = 0; k < 3; ++k) {
                float d = (hash01(x, y, 2 * k + 1) + hash01(x, y, 2 * k + 2) - 1.0f) * ditherAmplitude;
                float v = linearToSrgb(c[k]) * 255.0f + d;
                out.pixels[i++] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
            }
        }
    return out;
}

void drawHorizontalBar(Mask& mask, float x0, float x1, float y, float thickness, float endFade) {
    const float top = y - thickness * 0.5f, bottom = y + thickness * 0.5f;
    const int ya = std::max(0, static_cast<int>(std::floor(top)));
    const int yb = std::min(mask.height - 1, static_cast<int>(std::ceil(bottom)));
    const int xa = std::max(0, static_cast<int>(std::floor(x0)));
    const int xb = std::min(mask.width - 1, static_cast<int>(std::ceil(x1)));
    for (int py = ya; py <= yb; ++py) {
        // Exact vertical coverage of the pixel row by the bar.
        float cy = std::max(0.0f, std::min(bottom, py + 1.0f) - std::max(top, static_cast<float>(py)));
        if (cy <= 0.0f) continue;
        for (int px = xa; px <= xb; ++px) {
            float cx = std::max(0.0f, std::min(x1, px + 1.0f) - std::max(x0, static_cast<float>(px)));
            float centre = px + 0.5f;
            float fade = endFade > 0.0f
                             ? smoothstep(x0, x0 + endFade, centre) * smoothstep(x1, x1 - endFade, centre)
                             : 1.0f;
            float v = cx * cy * fade;
            float& m = mask.at(px, py);
            m = std::max(m, v);
        }
    }
}

}  // namespace qmgen
