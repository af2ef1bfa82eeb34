#pragma once
#include <cmath>
#include <cstdint>

// The audio layer: a small, self-contained back end over SDL2 audio and
// libsndfile. It knows nothing of the engine (no Object, no Logger), so it can
// be used and tested on its own.
namespace ember::audio {

// Every stream and every output uses one PCM format: 44,100 Hz, 16-bit signed,
// interleaved stereo. Songs in other formats are converted when they are loaded,
// so a byte position always means the same instant for every stream.
constexpr uint32_t kSampleRate = 44100;
constexpr uint32_t kChannels = 2;
constexpr uint32_t kBytesPerSample = 2;
constexpr uint32_t kBytesPerFrame = kChannels * kBytesPerSample;

// Handles are never 0; 0 means "none" or "failed".
using StreamHandle = uint32_t;
using SyncHandle = uint32_t;

// Stream creation flag: decode the whole file up front. Streams are always fully
// decoded when created, so the flag is accepted and changes nothing.
constexpr uint32_t kStreamPrescan = 0x20000;
// Stream flag: when the stream reaches its end it continues from its beginning.
constexpr uint32_t kSampleLoop = 4;

// Sync types. kSyncPos fires when the stream's position reaches a byte
// position; it must be combined with kSyncMixTime: the callback runs inside the
// mixer, at the exact sample where the position is reached (on the audio
// thread for a device output, inside mixOffline for an offline output).
constexpr uint32_t kSyncPos = 0;
constexpr uint32_t kSyncMixTime = 0x40000000;

// A sync callback: the sync's handle, the stream, a data word (always 0 for
// position syncs) and the user pointer given when the sync was set. It runs
// inside the mixer: it must not block, allocate or log. It may reposition the
// stream (AudioOutput::setPosition), and the mixer continues from the new
// position at the very next sample.
using SyncProc = void (*)(SyncHandle sync, StreamHandle stream, uint32_t data, void* user);

// Seconds to a byte position: the nearest whole frame, never negative.
// (Nearest rather than rounded down, so that a duration that went through a
// float converts back to the frame it came from.)
inline uint64_t secondsToBytes(double seconds) {
    if (!(seconds > 0.0)) return 0;  // also catches NaN
    const double frames = std::floor(seconds * kSampleRate + 0.5);
    if (frames >= 4.0e18 / kBytesPerFrame) return UINT64_MAX - (UINT64_MAX % kBytesPerFrame);
    return static_cast<uint64_t>(frames) * kBytesPerFrame;
}

// A byte position to seconds (partial frames count as the frame they are in).
inline double bytesToSeconds(uint64_t bytes) {
    return static_cast<double>(bytes / kBytesPerFrame) / kSampleRate;
}

}  // namespace ember::audio
