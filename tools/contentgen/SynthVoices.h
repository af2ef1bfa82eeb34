#pragma once
// The instruments of the song: each voice renders one note into a scratch
// stereo buffer that starts at the note's first sample.
#include <cstdint>

#include "Synth.h"

namespace qmgen {

enum class Voice {
    Kick,      // sine body with a pitch sweep and a click; param = weight/distortion
    Snare,     // tuned body plus band-passed noise; param = brightness
    Clap,      // three noise bursts and a tail
    ClosedHat, // metallic square cluster plus noise, short
    OpenHat,   // the same, long
    Shaker,    // soft high noise
    Rim,       // short wooden click
    Crash,     // long bright wash
    Metal,     // inharmonic FM clang; param = decay length
    Anvil,     // hard, distorted metallic hit
    Boom,      // sub drop with a noise burst
    Riser,     // swept noise; param = end brightness
    Bass,      // saw plus sub, resonant low-pass; param = drive/brightness
    Pad,       // detuned saws, slow filter; param = brightness
    Arp,       // plucked pulse; param = brightness
    Lead,      // detuned saw stack with vibrato; param = brightness
    Stab,      // organ chord stab; param = brightness
    Bell,      // FM bell
    Drone,     // evolving metallic texture
};

struct NoteEvent {
    Voice voice;
    double beat;     // start, in song beats
    double length;   // gate, in beats
    float pitch;     // MIDI note number (also tunes percussion)
    float velocity;  // 0..1
    float param;     // voice-specific colour, 0..1
    float pan;       // -1..1
    uint32_t seed;   // noise sequence for this note
};

// Renders `note` into `out`, which the call resizes to the note's full
// length including its release; `gateFrames` is the gate in samples.
void renderVoice(const NoteEvent& note, long gateFrames, StereoBuffer& out);

} // namespace qmgen
