// The production's colour ramp "qm_gradient": 256 RGB entries from black through deep blue and teal
// to amber and white. The parts tint their final picture through it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Canvas.h"
#include "Generator.h"

namespace qmgen {
namespace {

struct Lab {
    float l, a, b;
};

// OKLab keeps the blends between stops even in brightness and free of muddy midpoints.
Lab toOklab(const Rgb& c) {
    float l = 0.4122214708f * c.r + 0.5363325363f * c.g + 0.0514459929f * c.b;
    float m = 0.2119034982f * c.r + 0.6806995451f * c.g + 0.1073969566f * c.b;
    float s = 0.0883024619f * c.r + 0.2817188376f * c.g + 0.6299787005f * c.b;
    l = std::cbrt(l);
    m = std::cbrt(m);
    s = std::cbrt(s);
    return {0.2104542553f * l + 0.7936177850f * m - 0.0040720468f * s,
            1.9779984951f * l - 2.4285922050f * m + 0.4505937099f * s,
            0.0259040371f * l + 0.7827717662f * m - 0.8086757660f * s};
}

Rgb fromOklab(const Lab& c) {
    float l = c.l + 0.3963377774f * c.a + 0.2158037573f * c.b;
    float m = c.l - 0.1055613458f * c.a - 0.0638541728f * c.b;
    float s = c.l - 0.0894841775f * c.a - 1.2914855480f * c.b;
    l = l * l * l;
    m = m * m * m;
    s = s * s * s;
    return {4.0767416621f * l - 3.3077115913f * m + 0.2309699292f * s,
            -1.2684380046f * l + 2.6097574011f * m - 0.3413193965f * s,
            -0.0041960863f * l - 0.7034186147f * m + 1.7076147010f * s};
}

struct Stop {
    float position;
    uint32_t color;
};

// black -> deep blue -> teal -> amber -> white, with two tones each of teal and amber.
// Lightness rises monotonically along the ramp, so tinting by brightness never inverts a picture.
const Stop kStops[] = {
    {0.00f, 0x000000}, {0.20f, 0x0a1838}, {0.42f, 0x1a7f8c}, {0.56f, 0x2fb0bf},
    {0.66f, 0xff7a1a}, {0.82f, 0xffb347}, {1.00f, 0xffffff},
};

Rgb sampleRamp(float t) {
    const size_t n = sizeof(kStops) / sizeof(kStops[0]);
    size_t k = 0;
    while (k + 2 < n && t > kStops[k + 1].position) ++k;
    const Stop& a = kStops[k];
    const Stop& b = kStops[k + 1];
    float f = std::clamp((t - a.position) / (b.position - a.position), 0.0f, 1.0f);
    Lab la = toOklab(hexColor(a.color)), lb = toOklab(hexColor(b.color));
    return fromOklab({la.l + (lb.l - la.l) * f, la.a + (lb.a - la.a) * f, la.b + (lb.b - la.b) * f});
}

bool generateGradient(const std::string& dataDir) {
    std::vector<unsigned char> bytes;
    bytes.reserve(768);
    for (int i = 0; i < 256; ++i) {
        Rgb c = sampleRamp(i / 255.0f);
        for (float v : {c.r, c.g, c.b}) {
            bytes.push_back(static_cast<unsigned char>(std::lround(linearToSrgb(v) * 255.0f)));
        }
    }
    const std::string path = dataDir + "/qm_gradient.grad";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) std::fprintf(stderr, "error while writing %s\n", path.c_str());
    return ok;
}

QM_CONTENT_GENERATOR("gradient", generateGradient);

}  // namespace
}  // namespace qmgen
