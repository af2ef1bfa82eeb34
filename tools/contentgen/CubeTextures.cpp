// The Intro cubes' material: brushed steel. "cube-diff" is the albedo (cool
// grey with brushing streaks and darker, worn edges), "cube-spec" the
// specular strength (the streaks catch the light, the edges less), and
// "cube-dot3" the tangent-space normal map of the brushing and of a fine
// groove that frames each face. One face fills the whole square; the texture
// tiles along the brushing so the chamfers continue it seamlessly.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "Canvas.h"
#include "Generator.h"
#include "ImageWriter.h"

namespace qmgen {
namespace {

constexpr int kSize = 512;

// Smooth periodic 1D value noise over `period` cells.
float periodicNoise(float x, int period, uint32_t seed, uint32_t row) {
    const float cell = std::floor(x);
    const int i0 = int(cell) % period, i1 = (i0 + 1) % period;
    const float f = x - cell, s = f * f * (3.0f - 2.0f * f);
    return hash01(uint32_t(i0), row, seed) * (1.0f - s) + hash01(uint32_t(i1), row, seed) * s;
}

// Height of the brushed surface at pixel (x, y): streaks along x, made of
// several octaves of noise that vary from row to row, plus the face groove.
float height(int x, int y) {
    const float u = float(x) / kSize;
    float streak = 0.0f, amp = 0.5f;
    for (int octave = 0; octave < 4; ++octave) {
        const int period = 4 << octave;
        // Rows are blended with their neighbours so the streaks have width.
        const float row = float(y) / float(1 << (3 - octave) | 1);
        const uint32_t r0 = uint32_t(std::floor(row));
        const float fr = row - std::floor(row);
        const float a = periodicNoise(u * period, period, 11u + octave, r0);
        const float b = periodicNoise(u * period, period, 11u + octave, r0 + 1);
        streak += amp * (a * (1.0f - fr) + b * fr);
        amp *= 0.5f;
    }
    streak += 0.35f * hash01(uint32_t(x / 3), uint32_t(y), 77u);  // fine scratches
    // A shallow groove 9 % in from every border frames the face.
    const float v = float(y) / kSize;
    const float d = std::min(std::min(u, 1.0f - u), std::min(v, 1.0f - v));
    const float groove = std::exp(-std::pow((d - 0.09f) / 0.008f, 2.0f));
    return 0.08f * streak - 0.6f * groove;
}

// How worn the metal is near the face borders (1 at the border).
float edgeWear(int x, int y) {
    const float u = (x + 0.5f) / kSize, v = (y + 0.5f) / kSize;
    const float d = std::min(std::min(u, 1.0f - u), std::min(v, 1.0f - v));
    return 1.0f - smoothstep(0.0f, 0.08f, d);
}

bool writeCubeTextures(const std::string& dataDir) {
    std::vector<float> h(size_t(kSize) * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) h[size_t(y) * kSize + x] = height(x, y);
    auto H = [&](int x, int y) {
        x = (x + kSize) % kSize;
        y = std::clamp(y, 0, kSize - 1);
        return h[size_t(y) * kSize + x];
    };

    Image8 diff{kSize, kSize, 3, std::vector<uint8_t>(size_t(kSize) * kSize * 3)};
    Image8 spec{kSize, kSize, 3, std::vector<uint8_t>(size_t(kSize) * kSize * 3)};
    Image8 dot3{kSize, kSize, 3, std::vector<uint8_t>(size_t(kSize) * kSize * 3)};
    const Rgb steel = hexColor(0x8a9099), dark = hexColor(0x3a3f47);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const size_t p = (size_t(y) * kSize + x) * 3;
            const float streak = H(x, y);
            const float wear = edgeWear(x, y);
            // Large, soft blotches keep the faces from looking printed.
            const float by = float(y) / 64.0f, fy = by - std::floor(by), sy = fy * fy * (3.0f - 2.0f * fy);
            const float blotch = (periodicNoise(float(x) / 64.0f, 8, 5u, uint32_t(by)) * (1.0f - sy) +
                                  periodicNoise(float(x) / 64.0f, 8, 5u, uint32_t(by) + 1) * sy) *
                                 0.12f;
            Rgb c = mix(steel, dark, std::clamp(0.5f * wear + blotch, 0.0f, 1.0f)) *
                    (0.85f + 2.5f * std::clamp(streak, -0.1f, 0.1f));
            diff.pixels[p] = uint8_t(std::lround(255.0f * linearToSrgb(std::clamp(c.r, 0.0f, 1.0f))));
            diff.pixels[p + 1] = uint8_t(std::lround(255.0f * linearToSrgb(std::clamp(c.g, 0.0f, 1.0f))));
            diff.pixels[p + 2] = uint8_t(std::lround(255.0f * linearToSrgb(std::clamp(c.b, 0.0f, 1.0f))));

            const float s = std::clamp(0.55f + 3.0f * streak - 0.35f * wear, 0.05f, 1.0f);
            const uint8_t sv = uint8_t(std::lround(255.0f * s));
            spec.pixels[p] = spec.pixels[p + 1] = spec.pixels[p + 2] = sv;

            // Central differences; the scale sets how deep the brushing reads.
            const float dx = (H(x + 1, y) - H(x - 1, y)) * 6.0f;
            const float dy = (H(x, y + 1) - H(x, y - 1)) * 6.0f;
            float nx = -dx, ny = dy, nz = 1.0f;
            const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
            nx /= len, ny /= len, nz /= len;
            dot3.pixels[p] = uint8_t(std::lround(127.5f + 127.0f * nx));
            dot3.pixels[p + 1] = uint8_t(std::lround(127.5f + 127.0f * ny));
            dot3.pixels[p + 2] = uint8_t(std::lround(127.5f + 127.0f * nz));
        }
    const std::string dir = dataDir + "/textures/";
    return writePNG(dir + "cube-diff.png", diff) && writePNG(dir + "cube-spec.png", spec) &&
           writePNG(dir + "cube-dot3.png", dot3);
}

}  // namespace

QM_CONTENT_GENERATOR("cube-textures", writeCubeTextures);

}  // namespace qmgen
