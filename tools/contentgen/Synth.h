#pragma once
// Small deterministic DSP toolkit for the song: oscillators, envelopes,
// filters, effects and the master chain. Everything runs offline on float
// buffers at one fixed sample rate; no state depends on time or addresses,
// so the same build renders the same samples every run.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qmgen {

constexpr int kSampleRate = 44100;
constexpr float kPi = 3.14159265358979f;
constexpr float kTwoPi = 6.28318530717959f;

// MIDI note number to frequency in Hz (A4 = 69 = 440 Hz).
float midiToHz(float note);
// Decibels to linear gain.
float dbToGain(float db);

// Per-sample multiplier that makes an exponential decay fall by 60 dB in
// `seconds`; seconds <= 0 gives an immediate fall.
float decayCoefficient(float seconds);

// Fast sine from a precomputed table; `phase` is in cycles (any value).
float tableSin(float phase);
// Soft saturation with unity slope at zero; bounded to (-1, 1).
float softClip(float x);

// Deterministic noise source (xorshift32); the seed picks the sequence.
class Rng {
public:
    explicit Rng(uint32_t seed) : state_(seed ? seed : 0x9e3779b9u) {}
    uint32_t nextU32();
    // Uniform in [-1, 1).
    float bipolar();
    // Uniform in [0, 1).
    float unit();

private:
    uint32_t state_;
};

// Band-limited oscillator: saw, pulse and triangle with polyBLEP
// corrections, plus a plain sine. Phase is kept in cycles.
class Oscillator {
public:
    void setFrequency(float hz) { inc_ = hz / float(kSampleRate); }
    void setPhase(float phase) { phase_ = phase; }
    float saw();
    // `width` is the duty cycle in (0, 1).
    float pulse(float width = 0.5f);
    float sine();

private:
    float advance();
    float phase_ = 0.0f;
    float inc_ = 0.0f;
};

// Attack/decay/sustain/release envelope driven sample by sample. The gate
// closes at `gateSamples`; the release then falls exponentially.
class Adsr {
public:
    Adsr(float attackS, float decayS, float sustain, float releaseS, int gateSamples);
    float next();
    // True once the release has fallen below audibility.
    bool finished() const { return done_; }

private:
    float attackInc_;
    float decayMul_;
    float sustain_;
    float releaseMul_;
    int gate_;
    int n_ = 0;
    float level_ = 0.0f;
    int stage_ = 0;
    bool done_ = false;
};

// Topology-preserving state-variable filter (two integrators, trapezoidal);
// stays stable under fast cutoff modulation. Gives low/band/high outputs.
class Svf {
public:
    // cutoff in Hz (clamped below Nyquist), resonance as Q (>= 0.5).
    void set(float cutoffHz, float q);
    void process(float x);
    float low = 0.0f, band = 0.0f, high = 0.0f;

private:
    float g_ = 0.1f, k_ = 1.4f, a1_ = 0.0f, a2_ = 0.0f, a3_ = 0.0f;
    float ic1_ = 0.0f, ic2_ = 0.0f;
};

// Equal-power pan gains for a position in [-1 (left), 1 (right)].
struct PanGains {
    float left, right;
};
PanGains panGains(float pan);

// Two planar channels of float samples.
struct StereoBuffer {
    std::vector<float> left, right;
    explicit StereoBuffer(size_t frames = 0) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t frames() const { return left.size(); }
    // Adds a mono sample at `frame` scaled by the pan gains; frames outside
    // the buffer are ignored.
    void add(long frame, float value, PanGains pan) {
        if (frame < 0 || size_t(frame) >= left.size()) return;
        left[size_t(frame)] += value * pan.left;
        right[size_t(frame)] += value * pan.right;
    }
};

// Ping-pong delay with a filtered feedback path, processed in place: the
// input buffer holds the send and receives the wet signal.
void processPingPongDelay(StereoBuffer& buffer, int delaySamples, float feedback, float lowpassHz,
                          float highpassHz);

// Schroeder/Moorer style plate: parallel damped combs into series
// all-passes, decorrelated per channel. Processes the send in place into
// the wet signal.
void processReverb(StereoBuffer& buffer, float roomSize, float damping, float preDelaySeconds);

// Look-ahead peak limiter computed offline: every output sample stays at or
// below `ceilingDb`; gain falls smoothly ahead of peaks and recovers with
// `releaseSeconds`.
void processLimiter(StereoBuffer& buffer, float ceilingDb, float lookaheadSeconds, float releaseSeconds);

// Integrated loudness in LUFS (ITU-R BS.1770-4: K-weighting, 400 ms blocks
// with 75 % overlap, absolute and relative gates). Returns -70 or lower for
// silence.
double integratedLoudness(const StereoBuffer& buffer);

// Largest absolute sample of both channels.
float peakLevel(const StereoBuffer& buffer);

} // namespace qmgen
