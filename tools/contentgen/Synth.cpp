#include "Synth.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qmgen {

namespace {

constexpr int kSineTableSize = 4096;

const std::array<float, kSineTableSize + 1>& sineTable() {
    static const std::array<float, kSineTableSize + 1> table = [] {
        std::array<float, kSineTableSize + 1> t{};
        for (int i = 0; i <= kSineTableSize; ++i) t[size_t(i)] = float(std::sin(2.0 * M_PI * i / kSineTableSize));
        return t;
    }();
    return table;
}

// Residual that removes the aliasing step of a discontinuity at phase 0.
inline float polyBlep(float t, float dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

// Direct-form biquad in double precision for the loudness meter.
struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0.0, z2 = 0.0;
    double process(double x) {
        double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

// The two K-weighting stages (head shelf and RLB high-pass), derived for
// the given rate from the analogue prototypes of the 48 kHz reference
// coefficients, so the meter reads the same at 44.1 kHz.
void kWeighting(double fs, Biquad& shelf, Biquad& highpass) {
    {
        const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
        const double k = std::tan(M_PI * f0 / fs);
        const double vh = std::pow(10.0, gainDb / 20.0);
        const double vb = std::pow(vh, 0.4996667741545416);
        const double a0 = 1.0 + k / q + k * k;
        shelf.b0 = (vh + vb * k / q + k * k) / a0;
        shelf.b1 = 2.0 * (k * k - vh) / a0;
        shelf.b2 = (vh - vb * k / q + k * k) / a0;
        shelf.a1 = 2.0 * (k * k - 1.0) / a0;
        shelf.a2 = (1.0 - k / q + k * k) / a0;
    }
    {
        const double f0 = 38.13547087602444, q = 0.5003270373238773;
        const double k = std::tan(M_PI * f0 / fs);
        const double a0 = 1.0 + k / q + k * k;
        highpass.b0 = 1.0;
        highpass.b1 = -2.0;
        highpass.b2 = 1.0;
        highpass.a1 = 2.0 * (k * k - 1.0) / a0;
        highpass.a2 = (1.0 - k / q + k * k) / a0;
    }
}

} // namespace

float midiToHz(float note) { return 440.0f * std::exp2((note - 69.0f) / 12.0f); }

float dbToGain(float db) { return std::pow(10.0f, db / 20.0f); }

float decayCoefficient(float seconds) {
    if (seconds <= 0.0f) return 0.0f;
    return std::exp(std::log(0.001f) / (seconds * float(kSampleRate)));
}

float tableSin(float phase) {
    const auto& t = sineTable();
    float p = phase - std::floor(phase);
    float x = p * float(kSineTableSize);
    int i = int(x);
    if (i >= kSineTableSize) i = kSineTableSize - 1;
    float f = x - float(i);
    return t[size_t(i)] + (t[size_t(i) + 1] - t[size_t(i)]) * f;
}

float softClip(float x) {
    // Rational tanh approximation, clamped where it would turn over.
    if (x > 3.0f) return 1.0f;
    if (x < -3.0f) return -1.0f;
    const float x2 = x * x;
    return x * (27.0f + x2) / (27.0f + 9.0f * x2);
}

uint32_t Rng::nextU32() {
    uint32_t x = state_;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    state_ = x;
    return x;
}

float Rng::bipolar() { return float(nextU32() >> 8) * (2.0f / 16777216.0f) - 1.0f; }

float Rng::unit() { return float(nextU32() >> 8) * (1.0f / 16777216.0f); }

float Oscillator::advance() {
    float p = phase_;
    phase_ += inc_;
    phase_ -= std::floor(phase_);
    return p;
}

float Oscillator::saw() {
    float dt = std::min(inc_, 0.5f);
    float p = advance();
    return 2.0f * p - 1.0f - polyBlep(p, dt);
}

float Oscillator::pulse(float width) {
    float dt = std::min(inc_, 0.5f);
    float p = advance();
    float v = p < width ? 1.0f : -1.0f;
    v += polyBlep(p, dt);
    float q = p + 1.0f - width;
    q -= std::floor(q);
    v -= polyBlep(q, dt);
    return v;
}

float Oscillator::sine() { return tableSin(advance()); }

Adsr::Adsr(float attackS, float decayS, float sustain, float releaseS, int gateSamples)
    : attackInc_(attackS > 0.0f ? 1.0f / (attackS * float(kSampleRate)) : 1.0f),
      decayMul_(decayCoefficient(decayS)),
      sustain_(sustain),
      releaseMul_(decayCoefficient(releaseS)),
      gate_(gateSamples) {}

float Adsr::next() {
    if (n_ == gate_) stage_ = 3;
    ++n_;
    switch (stage_) {
    case 0:
        level_ += attackInc_;
        if (level_ >= 1.0f) {
            level_ = 1.0f;
            stage_ = 1;
        }
        break;
    case 1:
        level_ = sustain_ + (level_ - sustain_) * decayMul_;
        break;
    default:
        level_ *= releaseMul_;
        if (level_ < 1e-4f) {
            level_ = 0.0f;
            done_ = true;
        }
        break;
    }
    return level_;
}

void Svf::set(float cutoffHz, float q) {
    float fc = std::clamp(cutoffHz, 10.0f, 0.45f * float(kSampleRate));
    g_ = std::tan(kPi * fc / float(kSampleRate));
    k_ = 1.0f / std::max(q, 0.5f);
    a1_ = 1.0f / (1.0f + g_ * (g_ + k_));
    a2_ = g_ * a1_;
    a3_ = g_ * a2_;
}

void Svf::process(float x) {
    float v3 = x - ic2_;
    float v1 = a1_ * ic1_ + a2_ * v3;
    float v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
    ic1_ = 2.0f * v1 - ic1_;
    ic2_ = 2.0f * v2 - ic2_;
    low = v2;
    band = v1;
    high = x - k_ * v1 - v2;
}

PanGains panGains(float pan) {
    float a = (std::clamp(pan, -1.0f, 1.0f) + 1.0f) * 0.25f * kPi;
    return {std::cos(a), std::sin(a)};
}

void processPingPongDelay(StereoBuffer& buffer, int delaySamples, float feedback, float lowpassHz,
                          float highpassHz) {
    if (delaySamples <= 0) return;
    std::vector<float> lineL(size_t(delaySamples), 0.0f), lineR(size_t(delaySamples), 0.0f);
    const float lp = 1.0f - std::exp(-kTwoPi * lowpassHz / float(kSampleRate));
    const float hp = 1.0f - std::exp(-kTwoPi * highpassHz / float(kSampleRate));
    float lpL = 0, lpR = 0, hpL = 0, hpR = 0;
    size_t pos = 0;
    for (size_t n = 0; n < buffer.frames(); ++n) {
        float outL = lineL[pos], outR = lineR[pos];
        // Band-limit the recirculating signal so repeats darken and thin out.
        lpL += (outL - lpL) * lp;
        lpR += (outR - lpR) * lp;
        hpL += (lpL - hpL) * hp;
        hpR += (lpR - hpR) * hp;
        float fbL = lpL - hpL, fbR = lpR - hpR;
        float in = 0.5f * (buffer.left[n] + buffer.right[n]);
        lineL[pos] = in + feedback * fbR;
        lineR[pos] = feedback * fbL;
        buffer.left[n] = outL;
        buffer.right[n] = outR;
        if (++pos == size_t(delaySamples)) pos = 0;
    }
}

void processReverb(StereoBuffer& buffer, float roomSize, float damping, float preDelaySeconds) {
    static const int kCombs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    static const int kAllpasses[4] = {556, 441, 341, 225};
    const int spread = 23;
    struct Comb {
        std::vector<float> line;
        size_t pos = 0;
        float store = 0.0f;
    };
    struct Allpass {
        std::vector<float> line;
        size_t pos = 0;
    };
    Comb combs[2][8];
    Allpass allpasses[2][4];
    for (int ch = 0; ch < 2; ++ch) {
        for (int i = 0; i < 8; ++i) combs[ch][i].line.assign(size_t(kCombs[i] + ch * spread), 0.0f);
        for (int i = 0; i < 4; ++i) allpasses[ch][i].line.assign(size_t(kAllpasses[i] + ch * spread), 0.0f);
    }
    const size_t preDelay = size_t(std::max(1.0f, preDelaySeconds * float(kSampleRate)));
    std::vector<float> pre(preDelay, 0.0f);
    size_t prePos = 0;
    const float feedback = std::clamp(roomSize, 0.0f, 0.98f);
    const float damp = std::clamp(damping, 0.0f, 0.99f);
    const float inputGain = 0.03f;
    for (size_t n = 0; n < buffer.frames(); ++n) {
        float in = pre[prePos];
        pre[prePos] = (buffer.left[n] + buffer.right[n]) * inputGain;
        if (++prePos == preDelay) prePos = 0;
        float out[2];
        for (int ch = 0; ch < 2; ++ch) {
            float acc = 0.0f;
            for (auto& c : combs[ch]) {
                float y = c.line[c.pos];
                c.store = y * (1.0f - damp) + c.store * damp;
                c.line[c.pos] = in + c.store * feedback;
                if (++c.pos == c.line.size()) c.pos = 0;
                acc += y;
            }
            for (auto& a : allpasses[ch]) {
                float b = a.line[a.pos];
                a.line[a.pos] = acc + b * 0.5f;
                acc = b - acc;
                if (++a.pos == a.line.size()) a.pos = 0;
            }
            out[ch] = acc;
        }
        buffer.left[n] = out[0];
        buffer.right[n] = out[1];
    }
}

void processLimiter(StereoBuffer& buffer, float ceilingDb, float lookaheadSeconds, float releaseSeconds) {
    const size_t count = buffer.frames();
    if (count == 0) return;
    // A hair under the ceiling so rounding in the averaged gain cannot poke over.
    const float ceiling = dbToGain(ceilingDb) * 0.999f;
    const size_t window = std::max<size_t>(1, size_t(lookaheadSeconds * float(kSampleRate)));
    std::vector<float> required(count);
    for (size_t n = 0; n < count; ++n) {
        float peak = std::max(std::fabs(buffer.left[n]), std::fabs(buffer.right[n]));
        required[n] = peak > ceiling ? ceiling / peak : 1.0f;
    }
    // Minimum of the required gain over the next `window` samples (monotonic
    // queue, scanning backwards), so the gain is already down when a peak arrives.
    std::vector<float> ahead(count);
    std::vector<size_t> queue(count);
    size_t head = 0, tail = 0;
    for (size_t i = count; i-- > 0;) {
        while (tail > head && required[queue[tail - 1]] >= required[i]) --tail;
        queue[tail++] = i;
        while (queue[head] >= i + window) ++head;
        ahead[i] = required[queue[head]];
    }
    // Release: the gain may rise only gradually, never above what is required.
    const float rel = 1.0f - std::exp(-1.0f / (releaseSeconds * float(kSampleRate)));
    float g = 1.0f;
    for (size_t i = 0; i < count; ++i) {
        g = std::min(ahead[i], g + (1.0f - g) * rel);
        ahead[i] = g;
    }
    // Averaging over the look-ahead window smooths the attack; every term of
    // the average already satisfies the sample it lands on.
    double sum = 0.0;
    for (size_t i = 0; i < count; ++i) {
        sum += ahead[i];
        if (i >= window) sum -= ahead[i - window];
        size_t len = std::min(i + 1, window);
        // Before the window fills, pad with unity gain (earlier samples are silent).
        float gain = float((sum + double(window - len)) / double(window));
        gain = std::min(gain, required[i]);
        buffer.left[i] *= gain;
        buffer.right[i] *= gain;
    }
}

double integratedLoudness(const StereoBuffer& buffer) {
    const size_t count = buffer.frames();
    const size_t block = size_t(0.4 * kSampleRate), step = block / 4;
    if (count < block) return -120.0;
    // Prefix sums of the K-weighted power, summed over both channels.
    std::vector<double> prefix(count + 1, 0.0);
    Biquad shelf[2], highpass[2];
    for (int ch = 0; ch < 2; ++ch) kWeighting(double(kSampleRate), shelf[ch], highpass[ch]);
    for (size_t n = 0; n < count; ++n) {
        double l = highpass[0].process(shelf[0].process(buffer.left[n]));
        double r = highpass[1].process(shelf[1].process(buffer.right[n]));
        prefix[n + 1] = prefix[n] + l * l + r * r;
    }
    std::vector<double> powers;
    for (size_t start = 0; start + block <= count; start += step)
        powers.push_back((prefix[start + block] - prefix[start]) / double(block));
    auto loudness = [](double power) { return -0.691 + 10.0 * std::log10(std::max(power, 1e-30)); };
    double sum = 0.0;
    size_t kept = 0;
    for (double p : powers)
        if (loudness(p) > -70.0) sum += p, ++kept;
    if (kept == 0) return -120.0;
    const double relativeGate = loudness(sum / double(kept)) - 10.0;
    sum = 0.0;
    kept = 0;
    for (double p : powers)
        if (loudness(p) > -70.0 && loudness(p) > relativeGate) sum += p, ++kept;
    return kept ? loudness(sum / double(kept)) : -120.0;
}

float peakLevel(const StereoBuffer& buffer) {
    float peak = 0.0f;
    for (size_t n = 0; n < buffer.frames(); ++n)
        peak = std::max(peak, std::max(std::fabs(buffer.left[n]), std::fabs(buffer.right[n])));
    return peak;
}

} // namespace qmgen
