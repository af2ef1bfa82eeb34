#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "core/Object.h"
#include "sound/Sound.h"
#include "sound/SoundDevice.h"

namespace ember {

// One music stream with its tempo and an optional loop range: the demo's
// master clock. Byte positions are those of the output's PCM (16-bit stereo,
// 4 bytes per frame); bytes and seconds convert through the output.
//
// Opened stopped at position 0. The loop-end callback is the only code that
// runs on the audio thread: it reads loopStart and repositions the stream.
// Everything else is main-thread only.
class Song : public Sound {
public:
    // Decodes the whole file (OGG Vorbis, FLAC, WAV) on the device's output.
    // Returns null when the device is not initialised or the file is missing
    // or cannot be decoded; the reason is logged and the caller reports
    // "Unable to load song". The song copies the device's latency and keeps the
    // device alive while it exists.
    static Ref<Song> open(const std::string& path, SoundDevice* device);
    // Frees the stream.
    ~Song() override;

    // Plays from the beginning.
    void play();
    // Moves the playback position to a beat: seconds = beat / (beatsPerMillisecond
    // × 1000), converted to bytes by the output. True when the position was set
    // (false beyond the end, or without a tempo).
    bool seekToBeat(float beat);

    // Loop over the beat range [startBeat, endBeat]: a start before 0 becomes
    // 0, an end beyond the stream becomes its end; then setLoopInBytes.
    void setLoop(float startBeat, float endBeat);
    // Loop over the byte range [start, end]: a start beyond the stream becomes
    // 0, an end beyond it becomes its length. Replaces any previous loop (one
    // sync at most), jumps to start at once and sets the stream's loop flag.
    // Whenever playback reaches end it continues at start, sample-exact; if
    // that jump fails it continues at 0.
    void setLoopInBytes(uint64_t start, uint64_t end);

    // Lets the output do its housekeeping; call once per frame.
    void update();

    // What the mixer has consumed, in bytes (0 without a stream).
    uint64_t positionInBytes() const;
    // Stream length in bytes (0 without a stream).
    uint64_t lengthInBytes() const;
    // Conversions by the output for this song's stream.
    double bytesToSeconds(uint64_t bytes) const;
    uint64_t secondsToBytes(double seconds) const;
    // positionInBytes in seconds.
    double positionInSeconds() const;
    // The frame clock: t = positionInSeconds − latency × 0.001 (as a float),
    // beat = t × 1000 × beatsPerMillisecond. Slightly negative at the start of
    // playback (by the latency).
    float positionInBeats() const;

    // Tempo. The manifest sets both: bpm from its attribute and
    // beatsPerMillisecond = bpm × (1/60) × 0.001; setTempo does exactly that.
    void setBpm(int32_t bpm) { bpm_ = bpm; }
    void setBeatsPerMillisecond(float value) { beatsPerMillisecond_ = value; }
    void setTempo(int32_t bpm);
    int32_t bpm() const { return bpm_; }
    float beatsPerMillisecond() const { return beatsPerMillisecond_; }

    uint32_t stream() const { return stream_; }
    uint32_t syncHandle() const { return syncHandle_; }
    uint64_t loopStart() const { return loopStart_.load(std::memory_order_acquire); }
    uint64_t loopEnd() const { return loopEnd_; }
    // Output latency in milliseconds, copied from the device when opened.
    uint32_t latency() const { return latency_; }
    SoundDevice* device() const { return device_.get(); }

private:
    Song() = default;
    // Runs on the mixer when playback reaches loopEnd.
    static void loopEndCallback(uint32_t sync, uint32_t channel, uint32_t data, void* user);
    audio::AudioOutput* output() const;

    uint32_t stream_ = 0;
    uint32_t syncHandle_ = 0;
    // Read by the loop-end callback on the audio thread.
    std::atomic<uint64_t> loopStart_{0};
    uint64_t loopEnd_ = 0;
    uint32_t latency_ = 0;
    int32_t bpm_ = 60;
    float beatsPerMillisecond_ = 0.0f;
    // The output the stream lives on; held so it outlives the stream.
    Ref<SoundDevice> device_;
};

}  // namespace ember
