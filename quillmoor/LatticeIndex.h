#pragma once
#include <cmath>
#include <cstdint>

namespace qm {

// Integer lattice coordinate of a noise input. The tables only ever use the
// low seven bits, so inputs beyond the int range (or not finite) are folded
// into it instead of overflowing the conversion.
inline int32_t latticeIndex(float floored) {
    if (std::fabs(floored) < 1073741824.0f) return static_cast<int32_t>(floored);
    if (!std::isfinite(floored)) return 0;
    return static_cast<int32_t>(std::fmod(floored, 128.0f));
}

}  // namespace qm
