// The images the light programs sample.
//
// "pointlight" (textures/pointlight.png): 256 x 256 RGBA, the projective lights' slide and the light
// particles' sprite. A soft round glow, white-hot in the centre and warming to amber towards its rim,
// reaching zero at the inscribed circle so neither a projector nor a sprite shows the square's
// edge. Projectors see the central half (their image is mapped at a quarter scale), where the glow is
// still bright but already shaped.
//
// "cubemaps/viruslight" (textures/cubemaps/viruslight_c00.png .. _c05.png): 128 x 128 RGB faces in
// GL's order (+X, -X, +Y, -Y, +Z, -Z), the cube lights' pattern. Cells scattered over the sphere of
// directions: glowing cyan membranes where two cells meet, amber nuclei in their centres, darkness
// in between, so a cube light throws an organic pattern of light and shade around itself.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Generator.h"
#include "ImageWriter.h"

namespace qmgen {
namespace {

constexpr int kGlowSize = 256;
constexpr int kFaceSize = 128;
constexpr int kCellCount = 40;

float clamp01(float v) {
    return std::min(1.0f, std::max(0.0f, v));
}

uint8_t toByte(float v) {
    return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f));
}

float smooth(float e0, float e1, float x) {
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}

struct Lcg {
    uint32_t state;
    float next01() {
        state *= 16807u;
        return static_cast<float>(state >> 8) / 16777216.0f;
    }
};

struct Dir {
    float x, y, z;
};

Dir normalize(Dir d) {
    const float l = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    return l > 0.0f ? Dir{d.x / l, d.y / l, d.z / l} : Dir{0.0f, 0.0f, 1.0f};
}

bool generatePointLight(const std::string& dataDir) {
    Image8 image;
    image.width = image.height = kGlowSize;
    image.channels = 4;
    image.pixels.resize(static_cast<size_t>(kGlowSize) * kGlowSize * 4);
    for (int y = 0; y < kGlowSize; ++y) {
        for (int x = 0; x < kGlowSize; ++x) {
            const float u = (x + 0.5f) / kGlowSize - 0.5f, v = (y + 0.5f) / kGlowSize - 0.5f;
            const float r = std::sqrt(u * u + v * v) * 2.0f;  // 1 at the inscribed circle
            const float window = clamp01(1.0f - r * r);
            const float halo = window * window;
            const float core = std::exp(-r * r * 18.0f);
            const float glow = clamp01(0.75f * halo + 0.25f * core + 0.35f * core * core);
            // White in the core, amber (#ffb347) at the rim.
            const float warm = smooth(0.1f, 0.8f, r);
            uint8_t* p = &image.pixels[(static_cast<size_t>(y) * kGlowSize + x) * 4];
            p[0] = toByte(1.0f);
            p[1] = toByte(1.0f + (0.702f - 1.0f) * warm);
            p[2] = toByte(1.0f + (0.278f - 1.0f) * warm);
            p[3] = toByte(glow);
        }
    }
    return writePNG(dataDir + "/textures/pointlight.png", image);
}

// Direction through texel (s, t) of a cube face, in GL's face conventions.
Dir faceDirection(int face, float s, float t) {
    const float a = 2.0f * s - 1.0f, b = 2.0f * t - 1.0f;
    switch (face) {
        case 0:
            return normalize({1.0f, -b, -a});
        case 1:
            return normalize({-1.0f, -b, a});
        case 2:
            return normalize({a, 1.0f, b});
        case 3:
            return normalize({a, -1.0f, -b});
        case 4:
            return normalize({a, -b, 1.0f});
        default:
            return normalize({-a, -b, -1.0f});
    }
}

bool generateVirusLight(const std::string& dataDir) {
    Lcg random{0x51f15eedu};
    std::vector<Dir> cells;
    for (int i = 0; i < kCellCount; ++i) {
        Dir d{random.next01() * 2.0f - 1.0f, random.next01() * 2.0f - 1.0f, random.next01() * 2.0f - 1.0f};
        cells.push_back(normalize(d));
    }
    for (int face = 0; face < 6; ++face) {
        Image8 image;
        image.width = image.height = kFaceSize;
        image.channels = 3;
        image.pixels.resize(static_cast<size_t>(kFaceSize) * kFaceSize * 3);
        for (int y = 0; y < kFaceSize; ++y) {
            for (int x = 0; x < kFaceSize; ++x) {
                const Dir d = faceDirection(face, (x + 0.5f) / kFaceSize, (y + 0.5f) / kFaceSize);
                // Angular distances to the nearest and second nearest cell centre.
                float f1 = 10.0f, f2 = 10.0f;
                for (const Dir& c : cells) {
                    const float dot = std::max(-1.0f, std::min(1.0f, d.x * c.x + d.y * c.y + d.z * c.z));
                    const float angle = std::acos(dot);
                    if (angle < f1) {
                        f2 = f1;
                        f1 = angle;
                    } else if (angle < f2) {
                        f2 = angle;
                    }
                }
                const float membrane = 1.0f - smooth(0.0f, 0.06f, f2 - f1);
                const float nucleus = 1.0f - smooth(0.04f, 0.12f, f1);
                const float body = 0.08f * (1.0f - smooth(0.0f, 0.3f, f1));
                // Cyan (#3fd7e6) membranes, amber (#ffb347) nuclei, a dim teal body.
                const float r = membrane * 0.247f + nucleus * 1.0f + body * 0.1f;
                const float g = membrane * 0.843f + nucleus * 0.702f + body * 0.5f;
                const float b = membrane * 0.902f + nucleus * 0.278f + body * 0.55f;
                uint8_t* p = &image.pixels[(static_cast<size_t>(y) * kFaceSize + x) * 3];
                p[0] = toByte(r);
                p[1] = toByte(g);
                p[2] = toByte(b);
            }
        }
        char suffix[16];
        std::snprintf(suffix, sizeof(suffix), "_c%02d.png", face);
        if (!writePNG(dataDir + "/textures/cubemaps/viruslight" + suffix, image)) return false;
    }
    return true;
}

bool generateLightTextures(const std::string& dataDir) {
    return generatePointLight(dataDir) && generateVirusLight(dataDir);
}

QM_CONTENT_GENERATOR("light_textures", generateLightTextures);

}  // namespace
}  // namespace qmgen
