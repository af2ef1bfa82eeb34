#include "GradientNoise3D.h"

#include <cmath>
#include <utility>

#include "Hash32.h"
#include "LatticeIndex.h"

namespace qm {

namespace {
inline float fade(float t) {
    return t * t * t * (10.0f - t * (15.0f - 6.0f * t));
}

// Maps a hash to [-1, 1] in single precision: 2 * h / 2^32 - 1.
inline float unitRange(uint32_t h) {
    return 2.0f * static_cast<float>(h) / 4294967296.0f - 1.0f;
}

inline float dot(const float* g, float x, float y, float z) {
    return g[0] * x + g[1] * y + g[2] * z;
}
}  // namespace

GradientNoise3D::GradientNoise3D() {
    uint32_t c = 171717u;
    for (int k = 0; k < 128; ++k) {
        float x, y, z, lengthSquared;
        do {
            x = unitRange(hash32(c));
            y = unitRange(hash32(c + 1u));
            z = unitRange(hash32(c + 2u));
            c += 3u;
            lengthSquared = x * x + y * y + z * z;
        } while (!(lengthSquared > 0.0f && lengthSquared <= 1.0f));
        const float length = std::sqrt(lengthSquared);
        gradients[k][0] = x / length;
        gradients[k][1] = y / length;
        gradients[k][2] = z / length;
        permutation[k] = k;
    }
    for (uint32_t k = 1; k < 128; ++k) {
        const uint32_t j = hash32(c) % (k + 1u);
        c += 1u;
        std::swap(permutation[k], permutation[j]);
    }
}

float GradientNoise3D::noise(float x, float y, float z) const {
    const float flx = std::floor(x), fly = std::floor(y), flz = std::floor(z);
    const int32_t ix = latticeIndex(flx), iy = latticeIndex(fly), iz = latticeIndex(flz);
    const float fx = x - flx, fy = y - fly, fz = z - flz;
    const int32_t* P = permutation;

    const int32_t A = P[ix & 127] + iy;
    const int32_t AA = P[A & 127] + iz;
    const int32_t AB = P[(A + 1) & 127] + iz;
    const int32_t B = P[(ix + 1) & 127] + iy;
    const int32_t BA = P[B & 127] + iz;
    const int32_t BB = P[(B + 1) & 127] + iz;

    const float c000 = dot(gradients[P[AA & 127]], fx, fy, fz);
    const float c100 = dot(gradients[P[BA & 127]], fx - 1.0f, fy, fz);
    const float c010 = dot(gradients[P[AB & 127]], fx, fy - 1.0f, fz);
    const float c110 = dot(gradients[P[BB & 127]], fx - 1.0f, fy - 1.0f, fz);
    const float c001 = dot(gradients[P[(AA + 1) & 127]], fx, fy, fz - 1.0f);
    const float c101 = dot(gradients[P[(BA + 1) & 127]], fx - 1.0f, fy, fz - 1.0f);
    const float c011 = dot(gradients[P[(AB + 1) & 127]], fx, fy - 1.0f, fz - 1.0f);
    const float c111 = dot(gradients[P[(BB + 1) & 127]], fx - 1.0f, fy - 1.0f, fz - 1.0f);

    const float u = fade(fx), v = fade(fy), w = fade(fz);
    return (1.0f - w) * (v * (u * c110 + (1.0f - u) * c010) + (1.0f - v) * (u * c100 + (1.0f - u) * c000)) +
           w * (v * (u * c111 + (1.0f - u) * c011) + (1.0f - v) * (u * c101 + (1.0f - u) * c001));
}

}  // namespace qm
