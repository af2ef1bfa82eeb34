#include "Random.h"

#include <cmath>
#include <cstring>

namespace qm {

float Random::next() {
    state *= 16807u;
    const uint32_t bits = (state >> 9) | 0x40000000u;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value - 3.0f;
}

float Random::gaussian(float deviation) {
    float a, b, s;
    do {
        a = next();
        b = next();
        s = a * a + b * b;
    } while (s > 1.0f || s == 0.0f);
    return std::sqrt(-2.0f * std::log(s) / s) * a * deviation;
}

}  // namespace qm
