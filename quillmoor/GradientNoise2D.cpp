#include "GradientNoise2D.h"

#include <cmath>
#include <utility>

#include "Hash32.h"
#include "LatticeIndex.h"

namespace qm {

namespace {
inline float fade(float t) {
    return t * t * t * (10.0f - t * (15.0f - 6.0f * t));
}
}  // namespace

GradientNoise2D::GradientNoise2D() {
    for (int k = 0; k < 128; ++k) {
        const float theta = static_cast<float>(k) * 2.0f * 3.1415927f * 0.0078125f;
        gradients[k][0] = std::cos(theta);
        gradients[k][1] = std::sin(theta);
        permutation[k] = k;
    }
    for (uint32_t k = 1; k < 128; ++k) {
        const uint32_t j = hash32(171717u + k - 1u) % (k + 1u);
        std::swap(permutation[k], permutation[j]);
    }
}

float GradientNoise2D::noise(float x, float y) const {
    const float flx = std::floor(x), fly = std::floor(y);
    const int32_t ix = latticeIndex(flx), iy = latticeIndex(fly);
    const float fx = x - flx, fy = y - fly;
    const int32_t* P = permutation;

    const int32_t a = iy + P[ix & 127];
    const int32_t b = iy + P[(ix + 1) & 127];
    const float* g00 = gradients[P[a & 127]];
    const float* g10 = gradients[P[b & 127]];
    const float* g01 = gradients[P[(a + 1) & 127]];
    const float* g11 = gradients[P[(b + 1) & 127]];
    const float c00 = g00[0] * fx + g00[1] * fy;
    const float c10 = g10[0] * (fx - 1.0f) + g10[1] * fy;
    const float c01 = g01[0] * fx + g01[1] * (fy - 1.0f);
    const float c11 = g11[0] * (fx - 1.0f) + g11[1] * (fy - 1.0f);

    const float u = fade(fx), v = fade(fy);
    return (u * c10 + (1.0f - u) * c00) * (1.0f - v) + v * ((1.0f - u) * c01 + u * c11);
}

}  // namespace qm
