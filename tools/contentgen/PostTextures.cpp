// The final composite's look-up textures.
//
// "color_map" (textures/color_map.png): the colour grade as a 16 x 16 x 16 look-up, 256 x 16 RGB,
// blue selecting one of sixteen 16 x 16 slices laid side by side; within a slice red runs along x
// and green along the rows, green 0 in the bottom row (images reach the GL bottom row first). The
// grade is the production's look: a gentle S-curve, blacks lifted towards the near-black blue,
// shadows cooled towards teal, highlights warmed towards amber, mid-tones slightly desaturated, and a
// print white just below 1 (the grade never clips a channel).
//
// "noise" (textures/noise.png): 256 x 256 RGBA, tiling. Red and green are smooth periodic noise
// (two octaves) for the distortion; blue and alpha are independent white noise for the film grain.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "Canvas.h"
#include "Generator.h"
#include "ImageWriter.h"

namespace qmgen {
namespace {

constexpr int kLutSize = 16;
constexpr int kNoiseSize = 256;

float clamp01(float v) {
    return std::min(1.0f, std::max(0.0f, v));
}

uint8_t toByte(float v) {
    return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f));
}

// The engine's 16807 generator, so the noise is reproducible from its seed.
struct Lcg {
    uint32_t state;
    float next01() {
        state *= 16807u;
        return static_cast<float>(state >> 8) / 16777216.0f;
    }
};

Rgb grade(const Rgb& display) {
    // S-curve in display space around a slightly low pivot, keeping 0 and 1.
    auto curve = [](float v) {
        const float s = v * v * (3.0f - 2.0f * v);
        return v + (s - v) * 0.35f;
    };
    Rgb c(curve(display.r), curve(display.g), curve(display.b));
    Rgb lin(srgbToLinear(c.r), srgbToLinear(c.g), srgbToLinear(c.b));
    const float luma = 0.2126f * lin.r + 0.7152f * lin.g + 0.0722f * lin.b;

    // Mid-tones lose a little saturation; shadows and highlights keep theirs.
    const float mid = 1.0f - std::fabs(linearToSrgb(luma) * 2.0f - 1.0f);
    lin = mix(lin, Rgb(luma, luma, luma), 0.18f * mid);

    // Split toning by brightness: teal below, amber above, each fading out towards the other end.
    const Rgb teal = hexColor(0x1a7f8c);
    const Rgb amber = hexColor(0xffb347);
    const float l = linearToSrgb(luma);
    const float shadow = (1.0f - smoothstep(0.0f, 0.55f, l)) * 0.22f;
    const float highlight = smoothstep(0.45f, 1.0f, l) * 0.16f;
    auto tint = [&](const Rgb& base, const Rgb& tone, float amount) {
        // Tone scaled to the pixel's own brightness, so tinting shifts hue, not level.
        const float tl = 0.2126f * tone.r + 0.7152f * tone.g + 0.0722f * tone.b;
        const float bl = 0.2126f * base.r + 0.7152f * base.g + 0.0722f * base.b;
        const Rgb toned = tone * (bl / std::max(tl, 1e-4f));
        return mix(base, toned, amount);
    };
    lin = tint(lin, teal, shadow);
    lin = tint(lin, amber, highlight);

    // Tinting may push a channel past white; scale the colour back instead of clipping it, and end
    // on a print white just short of 1 so highlights keep their last steps of gradation.
    const float peak = std::max({lin.r, lin.g, lin.b});
    if (peak > 1.0f) lin = lin * (1.0f / peak);
    lin = lin * 0.965f;

    // Blacks sit on the production's near-black blue instead of pure zero.
    const Rgb floor = hexColor(0x07090d);
    lin = lin + floor * (1.0f - smoothstep(0.0f, 0.2f, l)) * 0.6f;
    return Rgb(linearToSrgb(clamp01(lin.r)), linearToSrgb(clamp01(lin.g)), linearToSrgb(clamp01(lin.b)));
}

bool generateColorMap(const std::string& dataDir) {
    Image8 image;
    image.width = kLutSize * kLutSize;
    image.height = kLutSize;
    image.channels = 3;
    image.pixels.resize(static_cast<size_t>(image.width) * image.height * 3);
    for (int b = 0; b < kLutSize; ++b) {
        for (int g = 0; g < kLutSize; ++g) {
            for (int r = 0; r < kLutSize; ++r) {
                const float scale = 1.0f / (kLutSize - 1);
                const Rgb out = grade(Rgb(r * scale, g * scale, b * scale));
                const int x = b * kLutSize + r;
                const int row = kLutSize - 1 - g;
                uint8_t* p = &image.pixels[(static_cast<size_t>(row) * image.width + x) * 3];
                p[0] = toByte(out.r);
                p[1] = toByte(out.g);
                p[2] = toByte(out.b);
            }
        }
    }
    return writePNG(dataDir + "/textures/color_map.png", image);
}

// Periodic value noise on a lattice of `cells` per side, smoothly interpolated.
struct PeriodicNoise {
    int cells;
    std::vector<float> lattice;
    PeriodicNoise(int cells_, Lcg& random) : cells(cells_), lattice(static_cast<size_t>(cells_) * cells_) {
        for (float& v : lattice) v = random.next01();
    }
    float at(float x, float y) const {
        const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
        const float fx = x - x0, fy = y - y0;
        auto value = [&](int i, int j) {
            i = ((i % cells) + cells) % cells;
            j = ((j % cells) + cells) % cells;
            return lattice[static_cast<size_t>(j) * cells + i];
        };
        const float sx = fx * fx * (3.0f - 2.0f * fx), sy = fy * fy * (3.0f - 2.0f * fy);
        const float a = value(x0, y0) + (value(x0 + 1, y0) - value(x0, y0)) * sx;
        const float b = value(x0, y0 + 1) + (value(x0 + 1, y0 + 1) - value(x0, y0 + 1)) * sx;
        return a + (b - a) * sy;
    }
};

bool generateNoise(const std::string& dataDir) {
    Lcg random{0x2545f491u};
    const PeriodicNoise coarseR(8, random), fineR(32, random), coarseG(8, random), fineG(32, random);
    Image8 image;
    image.width = image.height = kNoiseSize;
    image.channels = 4;
    image.pixels.resize(static_cast<size_t>(kNoiseSize) * kNoiseSize * 4);
    for (int y = 0; y < kNoiseSize; ++y) {
        for (int x = 0; x < kNoiseSize; ++x) {
            const float u = static_cast<float>(x) / kNoiseSize, v = static_cast<float>(y) / kNoiseSize;
            const float r = coarseR.at(u * 8, v * 8) * 0.7f + fineR.at(u * 32, v * 32) * 0.3f;
            const float g = coarseG.at(u * 8, v * 8) * 0.7f + fineG.at(u * 32, v * 32) * 0.3f;
            uint8_t* p = &image.pixels[(static_cast<size_t>(y) * kNoiseSize + x) * 4];
            p[0] = toByte(r);
            p[1] = toByte(g);
            p[2] = toByte(random.next01());
            p[3] = toByte(random.next01());
        }
    }
    return writePNG(dataDir + "/textures/noise.png", image);
}

bool generatePostTextures(const std::string& dataDir) {
    return generateColorMap(dataDir) && generateNoise(dataDir);
}

QM_CONTENT_GENERATOR("post_textures", generatePostTextures);

}  // namespace
}  // namespace qmgen
