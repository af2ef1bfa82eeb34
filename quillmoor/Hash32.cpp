#include "Hash32.h"

namespace qm {

uint32_t hash32(uint32_t n) {
    const uint32_t golden = 2654435769u;
    uint32_t t = (n ^ 12345391u) * golden;
    t = (t ^ ((t << 6) | (t >> 26))) * golden;
    return t + ((t >> 12) ^ (t << 5));
}

}  // namespace qm
