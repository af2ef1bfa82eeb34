#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "sound/audio/AudioFormat.h"

namespace ember::audio {

// One fully decoded stream (44,100 Hz 16-bit stereo PCM) with its play state and
// position syncs. Used through AudioOutput, which owns every stream.
//
// Threads: the PCM and the length never change after decoding. The position,
// the playing flag, the flags and the syncs are atomics shared between the
// thread that controls the stream and the mixer; mix() only reads and writes
// those atomics and calls sync callbacks, it never blocks or allocates.
class AudioStream {
public:
    static constexpr int kMaxSyncs = 8;

    // Decodes a whole file (WAV, FLAC, OGG Vorbis and whatever else libsndfile
    // reads) and converts it to 44,100 Hz stereo. Returns null and sets error
    // when the file is missing, unreadable, corrupt, empty or longer than the
    // limit (kMaxSeconds).
    static AudioStream* decodeFile(const std::string& path, std::string* error);
    // Wraps PCM that is already in the output format (interleaved stereo frames).
    // Returns null when pcm is empty or holds an odd number of samples.
    static AudioStream* fromPcm(std::vector<int16_t> pcm);

    // Longest song accepted: bounds the memory a (possibly bogus) file can claim.
    static constexpr uint32_t kMaxSeconds = 20 * 60;

    uint64_t lengthFrames() const { return lengthFrames_; }
    const std::vector<int16_t>& pcm() const { return pcm_; }

    // Handle under which the owning output knows this stream (set once, before
    // the stream is published to the mixer).
    StreamHandle handle = 0;

    // Position in frames; always <= lengthFrames().
    std::atomic<uint64_t> position{0};
    std::atomic<bool> playing{false};
    std::atomic<uint32_t> flags{0};

    struct Sync {
        // 0 when the slot is free. Written last when a sync is set (release),
        // so the mixer sees a complete sync or none.
        std::atomic<SyncHandle> id{0};
        std::atomic<uint64_t> frame{0};
        std::atomic<SyncProc> proc{nullptr};
        std::atomic<void*> user{nullptr};
    };
    Sync syncs[kMaxSyncs];

    // Adds this stream's next frames to acc (interleaved stereo, 32-bit sums),
    // advancing the position, firing position syncs at the exact frame they are
    // reached, wrapping at the end when kSampleLoop is set and stopping at the
    // end otherwise. Frames after the end of a stopped stream add nothing.
    void mix(int32_t* acc, uint32_t frames);

private:
    explicit AudioStream(std::vector<int16_t> pcm);
    void fireSyncs(uint64_t frame);

    std::vector<int16_t> pcm_;
    uint64_t lengthFrames_ = 0;
};

}  // namespace ember::audio
