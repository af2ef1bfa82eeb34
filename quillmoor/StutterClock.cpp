#include "StutterClock.h"

#include <cmath>

namespace qm {

namespace {
float smooth(float u) {
    return u * u * (3.0f - 2.0f * u);
}
}  // namespace

float StutterClock::pulse(float a, float b, float x) {
    float u = (x - a) / (b - a);
    u = u < 0.0f ? 0.0f : (u > 1.0f ? 1.0f : u);
    return (x <= a ? 1.0f : 0.0f) - smooth(u);
}

float StutterClock::stutter(float a, float b, float x, float d) {
    if (!(a <= x && x < b)) return 0.0f;
    const float f = std::fmod(x - a + d, 16.0f);
    float sum = pulse(0.0f, 0.25f, f);
    sum += pulse(2.0f, 2.25f, f);
    sum += pulse(4.0f, 4.25f, f);
    sum += pulse(8.0f, 8.25f, f);
    sum += pulse(10.0f, 10.25f, f);
    sum += pulse(12.0f, 12.25f, f);
    return -sum;
}

float StutterClock::warpedTime(float beat) {
    if (beat <= 4.0f) return beat - (0.25f * pulse(0.0f, 0.25f, beat) + 2.0f);
    float t = 0.25f * stutter(0.0f, 16.0f, beat, -4.0f) - 2.0f * (beat < 16.0f ? 1.0f : 0.0f);
    t = t + beat;
    t = t + 0.25f * stutter(16.0f, 32.0f, beat, -4.0f);
    t = t + 0.5f * stutter(32.0f, 64.0f, beat, -4.0f);
    return t;
}

}  // namespace qm
