#pragma once
#include <cstdint>

namespace ember {

// The engine's 32-bit multiplicative generator (state * 16807 mod 2^32), the
// same sequence the demo's own generator draws, so the composite's grain and
// the SSAO kernel are reproducible bit for bit from their seeds. The engine
// keeps its own copy because it must not depend on the demo.
class EffectRandom {
public:
    explicit EffectRandom(uint32_t seed = 1) : state(seed) {}

    // Advances the state once and returns the upper 23 bits of the new state
    // as the mantissa of a float in [2, 4).
    float nextRaw();
    // nextRaw() - 3: uniform in [-1, 1), never exactly 1.
    float next() { return nextRaw() - 3.0f; }

    uint32_t state;
};

}  // namespace ember
