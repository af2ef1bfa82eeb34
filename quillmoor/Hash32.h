#pragma once
#include <cstdint>

namespace qm {

// Integer hash used to seed the noise tables; all arithmetic is modulo 2^32:
// t = (n ^ 12345391) * 2654435769; t = (t ^ rotl(t, 6)) * 2654435769;
// result = t + ((t >> 12) ^ (t << 5)).
uint32_t hash32(uint32_t n);

}  // namespace qm
