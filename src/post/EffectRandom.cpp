#include "post/EffectRandom.h"

#include <cstring>

namespace ember {

float EffectRandom::nextRaw() {
    state *= 16807u;
    const uint32_t bits = (state >> 9) | 0x40000000u;
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

}  // namespace ember
