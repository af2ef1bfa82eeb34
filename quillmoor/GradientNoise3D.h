#pragma once
#include <cstdint>

namespace qm {

// Three-dimensional gradient noise over a 128-entry table of unit gradients
// drawn uniformly from the ball by hash32 (seed counter 171717) and a
// hash-shuffled permutation. Deterministic: every instance holds the same tables.
class GradientNoise3D {
public:
    GradientNoise3D();

    // Noise at (x, y, z); 0 at every integer lattice point; period 128.
    float noise(float x, float y, float z) const;

    float gradients[128][3];
    int32_t permutation[128];
};

}  // namespace qm
