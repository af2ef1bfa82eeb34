#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "SongArrangement.h"
#include "Synth.h"
#include "SynthVoices.h"

using namespace qmgen;

namespace {

StereoBuffer sine(float hz, float leftAmp, float rightAmp, float seconds) {
    StereoBuffer b(size_t(seconds * kSampleRate));
    for (size_t n = 0; n < b.frames(); ++n) {
        float v = float(std::sin(2.0 * M_PI * hz * double(n) / kSampleRate));
        b.left[n] = v * leftAmp;
        b.right[n] = v * rightAmp;
    }
    return b;
}

// Level in dB of the component at `hz` (Goertzel), relative to a full-scale sine.
double componentDb(const std::vector<float>& x, double hz) {
    const double w = 2.0 * M_PI * hz / kSampleRate, c = 2.0 * std::cos(w);
    double s1 = 0.0, s2 = 0.0;
    for (float v : x) {
        double s = v + c * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    double power = s1 * s1 + s2 * s2 - c * s1 * s2;
    return 20.0 * std::log10(std::sqrt(std::max(power, 1e-30)) * 2.0 / double(x.size()));
}

double rms(const std::vector<float>& x, size_t from, size_t to) {
    double s = 0.0;
    for (size_t i = from; i < to; ++i) s += double(x[i]) * x[i];
    return std::sqrt(s / double(to - from));
}

} // namespace

TEST(Loudness, MatchesReferenceSineLevels) {
    // BS.1770: a 0 dBFS 1 kHz sine in one channel reads -3.01 LUFS.
    struct Case {
        float left, right;
        double lufs;
    } cases[] = {{1.0f, 0.0f, -3.01}, {1.0f, 1.0f, 0.0}, {0.1f, 0.1f, -20.0}, {0.0f, 0.0f, -120.0}};
    for (const Case& c : cases) {
        double got = integratedLoudness(sine(997.0f, c.left, c.right, 3.0f));
        if (c.lufs <= -70.0)
            EXPECT_LE(got, -70.0);
        else
            EXPECT_NEAR(got, c.lufs, 0.1) << "amplitudes " << c.left << ", " << c.right;
    }
}

TEST(Loudness, GatesOutSilence) {
    // Half tone, half silence: the absolute gate keeps the silence out.
    StereoBuffer b = sine(997.0f, 0.1f, 0.1f, 6.0f);
    std::fill(b.left.begin() + long(b.frames() / 2), b.left.end(), 0.0f);
    std::fill(b.right.begin() + long(b.frames() / 2), b.right.end(), 0.0f);
    EXPECT_NEAR(integratedLoudness(b), -20.0, 0.3);
}

TEST(Limiter, KeepsEverySampleUnderTheCeilingAndLeavesQuietPartsAlone) {
    StereoBuffer b(static_cast<size_t>(kSampleRate));
    Rng rng(7);
    for (size_t n = 0; n < b.frames(); ++n) {
        // Quiet noise with loud bursts in the middle third.
        float amp = (n > b.frames() / 3 && n < 2 * b.frames() / 3) ? 3.0f : 0.1f;
        b.left[n] = rng.bipolar() * amp;
        b.right[n] = rng.bipolar() * amp;
    }
    const StereoBuffer original = b;
    processLimiter(b, -1.0f, 0.005f, 0.05f);
    EXPECT_LE(peakLevel(b), dbToGain(-1.0f));
    // Well before the bursts (beyond the look-ahead) nothing changes.
    for (size_t n = 0; n < b.frames() / 4; ++n) ASSERT_EQ(b.left[n], original.left[n]) << n;
    // Long after them the gain has recovered.
    size_t tail = b.frames() - 1000;
    EXPECT_NEAR(b.left[tail] / original.left[tail], 1.0f, 0.01f);
}

TEST(Oscillator, PolyBlepSawAliasesLessThanANaiveSaw) {
    const float hz = 2793.0f;
    Oscillator osc;
    osc.setFrequency(hz);
    std::vector<float> blep(kSampleRate), naive(kSampleRate);
    double phase = 0.0;
    for (size_t n = 0; n < blep.size(); ++n) {
        blep[n] = osc.saw();
        naive[n] = float(2.0 * phase - 1.0);
        phase += hz / kSampleRate;
        phase -= std::floor(phase);
    }
    // Harmonic 9 folds back to 44100 - 9 * 2793 = 18963 Hz.
    const double alias = kSampleRate - 9.0 * hz;
    EXPECT_LT(componentDb(blep, alias), componentDb(naive, alias) - 10.0);
    // The fundamental is intact (a saw's first harmonic is 2/pi of full scale).
    EXPECT_NEAR(componentDb(blep, hz), 20.0 * std::log10(2.0 / M_PI), 0.5);
}

TEST(Svf, LowPassPassesTheBandAndCutsAbove) {
    struct Case {
        float hz;
        double minDb, maxDb;
    } cases[] = {{100.0f, -1.0, 0.5}, {8000.0f, -60.0, -30.0}};
    for (const Case& c : cases) {
        Svf f;
        f.set(1000.0f, 0.707f);
        std::vector<float> out(kSampleRate);
        for (size_t n = 0; n < out.size(); ++n) {
            f.process(float(std::sin(2.0 * M_PI * c.hz * double(n) / kSampleRate)));
            out[n] = f.low;
        }
        double db = 20.0 * std::log10(rms(out, out.size() / 2, out.size()) * std::sqrt(2.0));
        EXPECT_GE(db, c.minDb) << c.hz;
        EXPECT_LE(db, c.maxDb) << c.hz;
    }
}

TEST(Adsr, AttacksDecaysToSustainAndReleasesToSilence) {
    const int gate = kSampleRate / 2;
    Adsr env(0.01f, 0.05f, 0.6f, 0.1f, gate);
    float peak = 0.0f, atGate = 0.0f;
    int n = 0;
    for (; n < gate; ++n) {
        float v = env.next();
        peak = std::max(peak, v);
        atGate = v;
    }
    EXPECT_FLOAT_EQ(peak, 1.0f);
    EXPECT_NEAR(atGate, 0.6f, 0.01f);
    while (!env.finished() && n < gate + kSampleRate) {
        env.next();
        ++n;
    }
    EXPECT_TRUE(env.finished());
    // The release falls 60 dB in its time; from 0.6 to the finish threshold is about 76 dB.
    EXPECT_LT(n - gate, int(0.14f * kSampleRate));
    EXPECT_GT(n - gate, int(0.1f * kSampleRate));
}

TEST(Voices, EveryVoiceSoundsBoundedAndRepeatsExactly) {
    for (int v = 0; v <= int(Voice::Drone); ++v) {
        NoteEvent note{Voice(v), 0.0, 1.0, 50.0f, 1.0f, 0.5f, 0.0f, 1234u};
        StereoBuffer a, b;
        renderVoice(note, kFramesPerBeat, a);
        renderVoice(note, kFramesPerBeat, b);
        ASSERT_GT(a.frames(), 0u) << v;
        float peak = peakLevel(a);
        EXPECT_GT(peak, 0.01f) << "voice " << v << " is silent";
        EXPECT_LT(peak, 4.0f) << "voice " << v << " runs away";
        for (size_t n = 0; n < a.frames(); ++n) {
            ASSERT_TRUE(std::isfinite(a.left[n]) && std::isfinite(a.right[n])) << v;
            ASSERT_EQ(a.left[n], b.left[n]) << v;
        }
        // The note dies away inside its buffer: no click when it is cut.
        size_t tail = a.frames() - std::min<size_t>(a.frames(), 64);
        EXPECT_LT(rms(a.left, tail, a.frames()), 0.02 * std::max(peak, 0.05f)) << "voice " << v;
    }
}

TEST(Arrangement, IntroHitsLandOnTheStutterBeats) {
    const auto notes = composeSong();
    std::set<double> kicks;
    for (const auto& n : notes)
        if (n.voice == Voice::Kick && n.beat < 16.0) kicks.insert(n.beat);
    EXPECT_EQ(kicks, (std::set<double>{0, 2, 4, 8, 10, 12}));
}

TEST(Arrangement, GroovesKeepTheKickOnEveryBeat) {
    const auto notes = composeSong();
    std::set<double> kicks;
    for (const auto& n : notes)
        if (n.voice == Voice::Kick) kicks.insert(n.beat);
    struct Span {
        double from, to;
    } grooves[] = {{64, 96}, {kFlowBeat, kPinHeadBeat}, {kPinHeadBeat, kHouseBeat}, {kHouseBeat, 352},
                   {kTunnelBeat, kBreakdownBeat}, {kLastStatementBeat, kFadeEndBeat}};
    for (const Span& s : grooves)
        for (double b = s.from; b < s.to; b += 1.0) EXPECT_TRUE(kicks.count(b)) << "no kick on beat " << b;
    // The breakdown has none.
    for (double b : kicks) EXPECT_FALSE(b >= kBreakdownBeat && b < kLastStatementBeat) << b;
}

TEST(Arrangement, NotesAreSortedAndEndWithTheFade) {
    const auto notes = composeSong();
    ASSERT_FALSE(notes.empty());
    EXPECT_TRUE(std::is_sorted(notes.begin(), notes.end(),
                               [](const NoteEvent& a, const NoteEvent& b) { return a.beat < b.beat; }));
    for (const auto& n : notes) {
        EXPECT_GE(n.beat, 0.0);
        EXPECT_LE(n.beat + n.length, 486.0 + 1e-9);
        EXPECT_GE(n.velocity, 0.0f);
        EXPECT_LE(n.velocity, 1.0f);
    }
    EXPECT_EQ(masterFade(0.0), 1.0f);
    EXPECT_EQ(masterFade(kFadeStartBeat), 1.0f);
    EXPECT_GT(masterFade(477.0), 0.0f);
    EXPECT_LT(masterFade(477.0), 1.0f);
    EXPECT_EQ(masterFade(kFadeEndBeat), 0.0f);
    EXPECT_EQ(masterFade(kSongBeats), 0.0f);
}
