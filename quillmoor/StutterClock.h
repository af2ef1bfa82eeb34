#pragma once

namespace qm {

// The Intro's beat-locked clock: time runs with the song but jerks back a
// quarter beat on the drum hits at 0, 2, 4, 8, 10 and 12 of every 16-beat
// phrase, and the three programs animate on it instead of on the beat.
// Everything is computed in single precision, sum by sum, so the motion is
// the same on every machine.
class StutterClock {
public:
    // (1 if x <= a, else 0) - smoothstep(clamp((x - a) / (b - a), 0, 1)).
    static float pulse(float a, float b, float x);
    // 0 unless a <= x < b; otherwise minus the sum of the six hit pulses at
    // f = fmod(x - a + d, 16) (the sign of the dividend kept).
    static float stutter(float a, float b, float x, float d);
    // The warped time at beat.
    static float warpedTime(float beat);
};

}  // namespace qm
