#include "SongArrangement.h"

#include <algorithm>
#include <cmath>

namespace qmgen {

namespace {

// A chord: bass root and the pad voicing, as MIDI notes.
struct Chord {
    int root;
    int tones[4];
};

// Collects notes; each note gets its own noise seed from a running counter
// so percussion never repeats sample for sample.
class Composer {
public:
    void add(Voice voice, double beat, double length, float pitch, float velocity, float param = 0.5f,
             float pan = 0.0f) {
        uint32_t seed = 0x2545f491u * (++counter_) + 0x9e3779b9u;
        notes_.push_back({voice, beat, length, pitch, std::clamp(velocity, 0.0f, 1.0f), param, pan, seed});
    }
    void chordPad(double beat, double length, const Chord& c, float velocity, float brightness) {
        for (int i = 0; i < 4; ++i)
            add(Voice::Pad, beat, length, float(c.tones[i]), velocity, brightness, i % 2 ? 0.6f : -0.6f);
    }
    void chordStab(double beat, double length, const Chord& c, float velocity, float brightness) {
        for (int i = 0; i < 4; ++i)
            add(Voice::Stab, beat, length, float(c.tones[i] + 12), velocity * 0.6f, brightness,
                0.25f * float(i) - 0.375f);
    }
    // Sixteenth-note arpeggio over the chord; `pattern` indexes the voicing
    // (0..3) plus 4 for an octave up.
    void arpeggio(double beat, double length, const Chord& c, const int* pattern, int patternLength,
                  float velocity, float brightness, int octave) {
        int steps = int(length * 4.0);
        for (int s = 0; s < steps; ++s) {
            int p = pattern[s % patternLength];
            int note = c.tones[p % 4] + 12 * (p / 4 + octave);
            float accent = (s % 4 == 0) ? 1.0f : (s % 2 ? 0.7f : 0.85f);
            add(Voice::Arp, beat + 0.25 * s, 0.2, float(note), velocity * accent, brightness,
                s % 2 ? 0.35f : -0.35f);
        }
    }
    // A snare roll that doubles its rate and swells into `beat + length`.
    void snareRoll(double beat, double length, float velocity) {
        double t = 0.0;
        while (t < length - 1e-9) {
            double x = t / length;
            double step = x < 0.5 ? 0.5 : (x < 0.75 ? 0.25 : 0.125);
            add(Voice::Snare, beat + t, 0.1, 50.0f, velocity * float(0.35 + 0.65 * x), 0.6f,
                float(0.3 * std::sin(t * 3.0)));
            t += step;
        }
    }
    std::vector<NoteEvent> take() {
        std::stable_sort(notes_.begin(), notes_.end(),
                         [](const NoteEvent& a, const NoteEvent& b) { return a.beat < b.beat; });
        return std::move(notes_);
    }

private:
    std::vector<NoteEvent> notes_;
    uint32_t counter_ = 0;
};

// --- D minor: the home key of the intro and the tunnel -------------------
const Chord kDm{38, {50, 53, 57, 62}};
const Chord kBb{34, {50, 53, 58, 62}};
const Chord kGm{31, {50, 55, 58, 62}};
const Chord kA{33, {49, 52, 57, 61}};
const Chord kF{41, {48, 53, 57, 60}};
const Chord kC{36, {48, 52, 55, 60}};

void intro(Composer& c) {
    // The stutter hits the visuals lock to: beats 0, 2, 4, 8, 10, 12 of every phrase.
    static const int hits[6] = {0, 2, 4, 8, 10, 12};
    static const float clangPitch[6] = {50, 57, 53, 50, 62, 45};
    const Chord groove[4] = {kDm, kBb, kGm, kA};
    for (int phrase = 0; phrase < 6; ++phrase) {
        const double p = 16.0 * phrase;
        const bool full = p >= 64.0;
        for (int h = 0; h < 6; ++h) {
            const double b = p + hits[h];
            if (!full) c.add(Voice::Kick, b, 0.5, 33.0f, 1.0f, 0.35f);
            c.add(Voice::Metal, b, 0.5, clangPitch[h] + (phrase % 2 ? 12.0f : 0.0f), full ? 0.55f : 0.8f, 0.45f,
                  h % 2 ? 0.45f : -0.45f);
            if (p >= 32.0) c.add(Voice::Anvil, b, 0.2, 62.0f, full ? 0.3f : 0.45f, 0.3f, h % 2 ? -0.2f : 0.2f);
            if (p >= 32.0 && !full) c.add(Voice::Bass, b, 0.45, 38.0f, 0.85f, 0.45f);
        }
        if (phrase < 4) {
            c.add(Voice::Boom, p, 1.0, 26.0f, 0.8f);
            c.add(Voice::Boom, p + 8.0, 1.0, 26.0f, 0.6f);
        }
        c.add(Voice::Crash, p, 1.0, 60.0f, phrase == 0 || full ? 0.7f : 0.45f, 0.6f);
        // Layer two (from beat 16): ticking hats and rim shots in the gaps.
        if (p >= 16.0 && !full) {
            for (int s = 0; s < 32; ++s) {
                double b = p + 0.5 * s;
                c.add(Voice::ClosedHat, b, 0.1, 60.0f, s % 2 ? 0.5f : 0.3f, 0.2f, 0.25f);
            }
            static const double ticks[5] = {3.25, 6.5, 7.25, 11.75, 14.5};
            for (double t : ticks) c.add(Voice::Rim, p + t, 0.1, 78.0f, 0.55f, 0.5f, -0.3f);
        }
        // Layer three (from beat 32): snares on the 4 and 12 hits, a dark pad.
        if (p >= 32.0 && !full) {
            c.add(Voice::Snare, p + 4.0, 0.2, 50.0f, 0.7f, 0.3f);
            c.add(Voice::Snare, p + 12.0, 0.2, 50.0f, 0.7f, 0.3f);
            c.add(Voice::Anvil, p + 6.75, 0.2, 57.0f, 0.35f, 0.2f, 0.5f);
            c.add(Voice::Anvil, p + 14.5, 0.2, 55.0f, 0.35f, 0.2f, -0.5f);
            c.chordPad(p, 16.0, phrase == 2 ? kDm : kBb, 0.5f, 0.15f + 0.1f * float(phrase - 2));
        }
        // Full groove from beat 64: four on the floor, driving bass, arpeggio.
        if (full) {
            for (int beat = 0; beat < 16; ++beat) {
                double b = p + beat;
                const Chord& ch = groove[beat / 4];
                c.add(Voice::Kick, b, 0.5, 33.0f, 1.0f, 0.35f);
                if (beat % 2 == 1) c.add(Voice::Clap, b, 0.2, 60.0f, 0.85f);
                c.add(Voice::OpenHat, b + 0.5, 0.2, 60.0f, 0.4f, 0.5f, 0.2f);
                c.add(Voice::ClosedHat, b + 0.25, 0.1, 60.0f, 0.35f, 0.3f, -0.2f);
                c.add(Voice::ClosedHat, b + 0.75, 0.1, 60.0f, 0.3f, 0.3f, -0.2f);
                c.add(Voice::Bass, b + 0.25, 0.2, float(ch.root + 12), 0.8f, 0.55f);
                c.add(Voice::Bass, b + 0.5, 0.2, float(ch.root + 24), 0.65f, 0.6f);
                c.add(Voice::Bass, b + 0.75, 0.2, float(ch.root + 12), 0.75f, 0.55f);
            }
            for (int bar = 0; bar < 4; ++bar) c.chordPad(p + 4.0 * bar, 4.0, groove[bar], 0.45f, 0.35f);
            if (phrase == 5) {
                static const int pat[8] = {0, 1, 2, 3, 4, 3, 2, 1};
                for (int bar = 0; bar < 4; ++bar) c.arpeggio(p + 4.0 * bar, 4.0, groove[bar], pat, 8, 0.6f, 0.5f, 0);
            }
        }
    }
    // Drones under the whole intro once the second layer arrives.
    c.add(Voice::Drone, 16.0, 80.0, 38.0f, 0.5f);
    c.add(Voice::Riser, 56.0, 8.0, 60.0f, 0.8f, 0.8f);
    c.snareRoll(60.0, 4.0, 0.75f);
    c.add(Voice::Riser, 92.0, 4.0, 60.0f, 0.5f, 0.5f);
}

// --- F major: the flowing middle, one phrase per text ---------------------
void flow(Composer& c) {
    const Chord seq[16] = {
        {41, {53, 57, 60, 64}}, {45, {52, 55, 57, 60}},  // Fmaj7, Am7
        {46, {53, 57, 58, 62}}, {48, {52, 55, 57, 60}},  // Bbmaj7, C6
        {38, {53, 57, 60, 64}}, {46, {53, 57, 58, 62}},  // Dm9, Bbmaj7
        {43, {50, 53, 55, 58}}, {48, {53, 55, 58, 60}},  // Gm7, C7sus4
        {38, {50, 53, 57, 60}}, {45, {52, 55, 57, 60}},  // Dm7, Am7
        {46, {53, 57, 58, 62}}, {45, {53, 57, 60, 64}},  // Bbmaj7, Fmaj7/A
        {43, {50, 53, 57, 58}}, {46, {53, 57, 58, 62}},  // Gm9, Bbmaj7
        {48, {53, 55, 58, 60}}, {48, {52, 55, 60, 64}},  // C7sus4, C
    };
    static const int patterns[4][8] = {
        {0, 1, 2, 3, 4, 3, 2, 1}, {0, 2, 4, 2, 1, 3, 5, 3}, {4, 3, 2, 1, 0, 1, 2, 3}, {0, 4, 1, 5, 2, 6, 3, 7}};
    // A bell line over the second half, one figure per phrase (scale degrees in F).
    static const int bellLine[4][6] = {
        {72, 69, 65, 67, 69, 72}, {74, 72, 70, 69, 65, 67}, {72, 74, 77, 76, 72, 69}, {70, 69, 67, 65, 67, 72}};
    for (int phrase = 0; phrase < 8; ++phrase) {
        const double p = kFlowBeat + 16.0 * phrase;
        const Chord& a = seq[2 * phrase];
        const Chord& b = seq[2 * phrase + 1];
        const float bright = 0.3f + 0.06f * float(phrase);
        c.chordPad(p, 8.0, a, 0.55f, bright);
        c.chordPad(p + 8.0, 8.0, b, 0.55f, bright);
        c.add(Voice::Crash, p, 1.0, 60.0f, 0.35f, 0.9f);
        c.add(Voice::Bell, p, 2.0, float(a.tones[3] + 12), 0.5f, 0.5f, 0.3f);
        const int octave = phrase % 2;
        c.arpeggio(p, 8.0, a, patterns[phrase % 4], 8, 0.5f, 0.25f + 0.05f * float(phrase), octave);
        c.arpeggio(p + 8.0, 8.0, b, patterns[phrase % 4], 8, 0.5f, 0.25f + 0.05f * float(phrase), octave);
        for (int beat = 0; beat < 16; ++beat) {
            const double t = p + beat;
            const Chord& ch = beat < 8 ? a : b;
            // Softer drums: kick on every beat, lighter on the off-beats of the bar.
            c.add(Voice::Kick, t, 0.5, 33.0f, beat % 2 ? 0.65f : 0.8f, 0.05f);
            c.add(Voice::Shaker, t + 0.5, 0.1, 60.0f, 0.55f, 0.5f, 0.3f);
            if (phrase >= 2) c.add(Voice::Shaker, t + 0.25, 0.1, 60.0f, 0.3f, 0.5f, -0.3f);
            if (beat % 2 == 1 && phrase >= 1) c.add(Voice::Rim, t, 0.1, 74.0f, 0.6f, 0.5f, -0.2f);
            if (phrase >= 4 && beat % 4 == 3) c.add(Voice::Snare, t + 0.5, 0.1, 50.0f, 0.25f, 0.8f, 0.3f);
            // Round bass on the beat and the off-beat.
            c.add(Voice::Bass, t, 0.45, float(ch.root), 0.7f, 0.15f);
            if (beat % 2 == 1) c.add(Voice::Bass, t + 0.5, 0.3, float(ch.root + 12), 0.45f, 0.15f);
        }
        if (phrase >= 4) {
            const int* line = bellLine[phrase - 4];
            static const double at[6] = {2.0, 3.5, 6.0, 10.0, 11.5, 14.0};
            for (int i = 0; i < 6; ++i)
                c.add(Voice::Lead, p + at[i], i % 3 == 2 ? 2.5 : 1.25, float(line[i]), 0.5f, 0.2f);
        }
        if (phrase == 7) c.add(Voice::Riser, p + 8.0, 8.0, 60.0f, 0.6f, 0.3f);
    }
}

// --- D phrygian: the dark, metallic heart ---------------------------------
void pinHead(Composer& c) {
    const Chord seq[8] = {
        {38, {50, 53, 57, 62}}, {39, {51, 55, 58, 63}},  // Dm, Eb
        {38, {50, 53, 57, 62}}, {34, {49, 53, 58, 61}},  // Dm, Bbm
        {43, {50, 55, 58, 62}}, {39, {51, 55, 58, 63}},  // Gm, Eb
        {44, {51, 56, 60, 63}}, {38, {50, 54, 57, 60}},  // Ab, D7 (leads into G)
    };
    Rng rng(0x51f15eedu);
    static const float clang[4] = {50.0f, 56.0f, 51.0f, 62.0f};
    c.add(Voice::Boom, kPinHeadBeat, 1.0, 26.0f, 1.0f);
    c.add(Voice::Drone, kPinHeadBeat, 64.0, 38.0f, 0.75f);
    c.add(Voice::Drone, kPinHeadBeat + 32.0, 32.0, 44.0f, 0.4f);
    for (int phrase = 0; phrase < 4; ++phrase) {
        const double p = kPinHeadBeat + 16.0 * phrase;
        c.add(Voice::Crash, p, 1.0, 60.0f, 0.5f, 0.3f);
        c.add(Voice::Metal, p, 1.0, 38.0f, 0.9f, 1.0f);
        c.chordPad(p, 8.0, seq[2 * phrase], 0.4f, 0.05f);
        c.chordPad(p + 8.0, 8.0, seq[2 * phrase + 1], 0.4f, 0.05f);
        for (int beat = 0; beat < 16; ++beat) {
            const double t = p + beat;
            const Chord& ch = seq[2 * phrase + beat / 8];
            c.add(Voice::Kick, t, 0.5, 31.0f, 0.65f, 0.9f);
            if (beat % 4 == 1 || beat % 4 == 3) c.add(Voice::Kick, t + 0.75, 0.3, 31.0f, 0.35f, 0.9f);
            if (phrase >= 1 && beat % 2 == 1) {
                c.add(Voice::Snare, t, 0.2, 50.0f, 0.85f, 0.1f);
                c.add(Voice::Anvil, t, 0.2, 57.0f, 0.7f, 0.6f, beat % 4 == 1 ? -0.3f : 0.3f);
            }
            // Industrial sixteenths: clangs scattered on the grid.
            for (int s = 1; s < 4; ++s) {
                if (rng.unit() < (phrase >= 2 ? 0.45f : 0.25f))
                    c.add(Voice::Metal, t + 0.25 * s, 0.2, clang[rng.nextU32() % 4],
                          0.3f + 0.35f * rng.unit(), 0.15f + 0.3f * rng.unit(), rng.bipolar() * 0.7f);
            }
            if (phrase >= 2) c.add(Voice::ClosedHat, t + 0.5, 0.1, 60.0f, 0.35f, 0.9f, -0.4f);
            // Distorted sixteenth bass with a hole on the beat for the kick.
            for (int s = 1; s < 4; ++s)
                c.add(Voice::Bass, t + 0.25 * s, 0.18, float(ch.root + (s == 2 ? 12 : 0)), 0.75f, 0.85f);
        }
    }
    c.snareRoll(kHouseBeat - 4.0, 4.0, 0.8f);
}

// --- F major / G dorian: the warm house -----------------------------------
void house(Composer& c) {
    const Chord seq[4] = {
        {43, {53, 57, 58, 62}},  // Gm9
        {48, {52, 55, 58, 62}},  // C9
        {41, {52, 55, 57, 60}},  // Fmaj9
        {38, {52, 53, 57, 60}},  // Dm9
    };
    for (int bar = 0; bar < 17; ++bar) {
        const double b0 = kHouseBeat + 4.0 * bar;
        const Chord& ch = seq[bar % 4];
        const bool fill = bar == 16;
        if (bar % 4 == 0) c.add(Voice::Crash, b0, 1.0, 60.0f, 0.5f, 0.5f);
        c.chordPad(b0, 4.0, ch, 0.45f, 0.35f);
        // Organ stabs on the off-beats, the last one pushed.
        static const double stabs[4] = {0.5, 1.5, 2.75, 3.5};
        for (double s : stabs) c.chordStab(b0 + s, 0.3, ch, 0.95f, 0.55f);
        for (int beat = 0; beat < 4; ++beat) {
            const double t = b0 + beat;
            if (!fill || beat < 2) c.add(Voice::Kick, t, 0.5, 33.0f, 1.0f, 0.15f);
            if (beat % 2 == 1) c.add(Voice::Clap, t, 0.2, 60.0f, 0.8f);
            c.add(Voice::OpenHat, t + 0.5, 0.2, 60.0f, 0.75f, 0.4f, 0.25f);
            c.add(Voice::ClosedHat, t + 0.25, 0.1, 60.0f, 0.3f, 0.2f, -0.3f);
            c.add(Voice::ClosedHat, t + 0.75, 0.1, 60.0f, 0.35f, 0.2f, -0.3f);
            c.add(Voice::Shaker, t, 0.1, 60.0f, 0.35f, 0.5f, 0.5f);
            // Off-beat bass, the house bounce.
            c.add(Voice::Bass, t + 0.5, 0.35, float(ch.root + (beat == 3 ? 12 : 0)), 0.9f, 0.35f);
        }
    }
    c.add(Voice::Riser, kTunnelBeat - 4.0, 4.0, 60.0f, 0.7f, 0.9f);
    c.snareRoll(kTunnelBeat - 2.0, 2.0, 0.7f);
}

// --- D minor again: the tunnel, the climax and the end --------------------
void tunnel(Composer& c) {
    const Chord seq[4] = {kDm, kBb, kF, kC};
    // The lead motif, four bars (beat offset, length, note).
    struct MelodyNote {
        double at, len;
        int note;
    };
    static const MelodyNote motifA[] = {{0, 1.5, 74}, {1.5, 0.5, 72}, {2, 1, 69},    {3, 1, 65},
                                        {4, 1.5, 70}, {5.5, 0.5, 69}, {6, 1, 65},    {7, 1, 62},
                                        {8, 1.5, 69}, {9.5, 0.5, 72}, {10, 1.5, 77}, {11.5, 0.5, 76},
                                        {12, 1, 74},  {13, 1, 72},    {14, 2, 76}};
    static const MelodyNote motifB[] = {{0, 1.5, 77}, {1.5, 0.5, 76}, {2, 1, 74},    {3, 1, 69},
                                        {4, 1.5, 74}, {5.5, 0.5, 72}, {6, 1, 70},    {7, 1, 69},
                                        {8, 1.5, 72}, {9.5, 0.5, 74}, {10, 1.5, 77}, {11.5, 0.5, 79},
                                        {12, 1, 76},  {13, 1, 72},    {14, 2, 74}};
    static const int arpPattern[8] = {0, 4, 2, 4, 1, 4, 3, 5};
    auto groove = [&](double from, double to, bool withLead, float intensity) {
        for (double b0 = from; b0 < to - 1e-9; b0 += 4.0) {
            const int bar = int((b0 - kTunnelBeat) / 4.0);
            const Chord& ch = seq[bar % 4];
            const double len = std::min(4.0, to - b0);
            c.chordPad(b0, len, ch, 0.45f, 0.45f + 0.2f * intensity);
            if (withLead) c.arpeggio(b0, len, ch, arpPattern, 8, 0.45f, 0.6f, 1);
            for (int beat = 0; beat < int(len + 1e-9); ++beat) {
                const double t = b0 + beat;
                c.add(Voice::Kick, t, 0.5, 33.0f, 1.0f, 0.5f);
                if (beat % 2 == 1 && withLead) c.add(Voice::Clap, t, 0.2, 60.0f, 0.8f);
                if (beat % 2 == 1 && withLead) c.add(Voice::Snare, t, 0.2, 50.0f, 0.5f, 0.7f);
                for (int s = 1; s < 4; ++s) c.add(Voice::ClosedHat, t + 0.25 * s, 0.1, 60.0f, s == 2 ? 0.45f : 0.3f, 0.5f, 0.2f);
                if (withLead) c.add(Voice::OpenHat, t + 0.5, 0.2, 60.0f, 0.35f, 0.6f, -0.25f);
                // Rolling sixteenth bass.
                for (int s = 1; s < 4; ++s)
                    c.add(Voice::Bass, t + 0.25 * s, 0.2, float(ch.root + (s == 2 ? 12 : 0)), 0.8f, 0.5f + 0.2f * intensity);
            }
            if (bar % 4 == 0) {
                c.add(Voice::Crash, b0, 1.0, 60.0f, 0.6f, 0.8f);
                c.add(Voice::Metal, b0, 1.0, 50.0f, 0.5f, 0.8f, 0.4f);
            }
        }
        if (withLead) {
            for (double p = from; p < to - 1e-9; p += 16.0) {
                const bool second = int((p - kTunnelBeat) / 16.0) % 2 == 1;
                const MelodyNote* m = second ? motifB : motifA;
                for (int i = 0; i < 15; ++i)
                    if (p + m[i].at < to - 1e-9)
                        c.add(Voice::Lead, p + m[i].at, m[i].len * 0.95, float(m[i].note), 0.75f, 0.35f + 0.3f * intensity);
            }
        }
    };
    c.add(Voice::Boom, kTunnelBeat, 1.0, 26.0f, 1.0f);
    groove(kTunnelBeat, kTunnelBeat + 16.0, false, 0.0f);
    c.add(Voice::Riser, kTunnelBeat + 8.0, 8.0, 60.0f, 0.6f, 0.7f);
    groove(kTunnelBeat + 16.0, kBreakdownBeat, true, 0.5f);

    // Breakdown under the light cones: drums out, pads and bells, a riser.
    c.add(Voice::Boom, kBreakdownBeat, 1.0, 26.0f, 0.9f);
    c.add(Voice::Crash, kBreakdownBeat, 1.0, 60.0f, 0.6f, 1.0f);
    c.chordPad(kBreakdownBeat, 6.0, kBb, 0.6f, 0.6f);
    c.chordPad(kBreakdownBeat + 6.0, 6.0, kC, 0.6f, 0.7f);
    c.add(Voice::Drone, kBreakdownBeat, 12.0, 50.0f, 0.5f);
    static const int bells[6] = {74, 77, 81, 79, 76, 72};
    for (int i = 0; i < 6; ++i) c.add(Voice::Bell, kBreakdownBeat + 2.0 * i, 2.0, float(bells[i]), 0.6f, 0.5f, i % 2 ? 0.4f : -0.4f);
    c.add(Voice::Riser, kBreakdownBeat + 4.0, 8.0, 60.0f, 0.8f, 1.0f);
    c.snareRoll(kLastStatementBeat - 4.0, 4.0, 0.7f);

    // The last statement, playing on into the fade.
    c.add(Voice::Boom, kLastStatementBeat, 1.0, 26.0f, 1.0f);
    groove(kLastStatementBeat, 486.0, true, 1.0f);
    c.add(Voice::Drone, kLastStatementBeat, 38.0, 38.0f, 0.4f);
}

} // namespace

std::vector<NoteEvent> composeSong() {
    Composer c;
    intro(c);
    flow(c);
    pinHead(c);
    house(c);
    tunnel(c);
    return c.take();
}

float sidechainDepth(double beat) {
    if (beat < 64.0) return 0.0f;
    if (beat < kFlowBeat) return 0.35f;
    if (beat < kPinHeadBeat) return 0.2f;
    if (beat < kHouseBeat) return 0.45f;
    if (beat < kTunnelBeat) return 0.5f;
    if (beat >= kBreakdownBeat && beat < kLastStatementBeat) return 0.0f;
    return 0.45f;
}

float masterFade(double beat) {
    if (beat <= kFadeStartBeat) return 1.0f;
    if (beat >= kFadeEndBeat) return 0.0f;
    double x = (beat - kFadeStartBeat) / (kFadeEndBeat - kFadeStartBeat);
    return float(std::cos(x * M_PI * 0.5) * (1.0 - x));
}

} // namespace qmgen
