#pragma once
#include <cstdint>

namespace qm {

// The demo's 32-bit multiplicative generator (state * 16807 mod 2^32). Every
// procedural texture, part and composite noise seeds one directly, so the
// sequences are reproducible bit for bit from their seeds.
class Random {
public:
    Random() = default;
    explicit Random(uint32_t seed) : state(seed) {}

    // Advances the state once and returns a float in [-1, 1): the upper 23 bits
    // of the state become the mantissa of a float in [2, 4), then 3 is subtracted.
    // Never returns exactly 1.
    float next();

    // Normal distribution with the given deviation (polar method). Draws pairs of
    // uniforms as next() does until the pair lies inside the unit circle
    // (excluding its centre); the state advances twice per attempt.
    float gaussian(float deviation);

    uint32_t state = 0;
};

}  // namespace qm
