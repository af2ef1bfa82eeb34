#pragma once
// The composition of "marrowgate": every note of the track on the song's
// beat grid (140 BPM, 4/4), plus the mix automation that follows the parts.
#include <vector>

#include "SynthVoices.h"

namespace qmgen {

constexpr double kSongBpm = 140.0;
// 44100 * 60 / 140: the beat grid falls on whole samples.
constexpr long kFramesPerBeat = 18900;
// Music ends by beat 490; a short silent tail follows.
constexpr double kSongBeats = 497.0;

// Part boundaries in beats.
constexpr double kFlowBeat = 96.0;
constexpr double kPinHeadBeat = 224.0;
constexpr double kHouseBeat = 288.0;
constexpr double kTunnelBeat = 356.0;
constexpr double kBreakdownBeat = 436.0;
constexpr double kLastStatementBeat = 448.0;
constexpr double kFadeStartBeat = 470.0;
constexpr double kFadeEndBeat = 485.0;

// Returns every note of the song, sorted by start beat. Deterministic.
std::vector<NoteEvent> composeSong();

// How deeply the kick ducks the melodic bus at `beat` (0 = not at all).
float sidechainDepth(double beat);

// Master gain automation at `beat`: 1 until the fade, 0 after it.
float masterFade(double beat);

} // namespace qmgen
