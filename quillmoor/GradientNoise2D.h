#pragma once
#include <cstdint>

namespace qm {

// Two-dimensional gradient noise over a 128-entry table of unit gradients
// evenly spaced around the circle, shuffled by hash32. Deterministic: every
// instance holds the same tables. noise() is 0 at every integer lattice point.
class GradientNoise2D {
public:
    GradientNoise2D();

    // Noise at (x, y), roughly in [-1, 1]; lattice period 128 in both axes.
    float noise(float x, float y) const;

    float gradients[128][2];
    int32_t permutation[128];
};

}  // namespace qm
