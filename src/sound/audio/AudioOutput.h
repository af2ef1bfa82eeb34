#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sound/audio/AudioFormat.h"

namespace ember::audio {

class AudioStream;

// An audio output and the streams that play on it. Three kinds:
//
// - Device: SDL2 audio on the default output device, 44,100 Hz 16-bit stereo.
//   SDL calls the mixer on its own audio thread whenever the device needs data.
// - Offline: no device at all. Time stands still until the caller asks for N
//   frames with mixOffline(); the mixed PCM is handed back.
// - Silent: no device either, but a thread of its own runs the mixer in real
//   time while the output is started and drops what it mixes, so positions,
//   loops and syncs advance exactly as on a device nobody hears.
// The same mixer runs for all kinds, so an offline output produces exactly the
// samples a device would have played, loops and syncs included.
//
// Byte positions are those of 16-bit stereo PCM (4 bytes per frame, see
// AudioFormat.h). A stream's position is what the mixer has consumed: with a
// device output the sound reaches the speakers latencyMilliseconds() later.
//
// Threads: create, free, start, stop and the stream setters are meant for one
// controlling thread. setPosition, position, isPlaying and the conversions are
// also safe from a sync callback on the audio thread. The mixer never blocks,
// allocates or logs: streams and syncs are published through atomics, and the
// few operations that must not overlap a mixing pass (freeing a stream,
// removing a sync) wait for the pass in progress on the controlling thread.
//
// Failures return false / 0 / kInvalid and set lastError() (controlling-thread
// operations only; calls from the audio thread just return the failure).
class AudioOutput {
public:
    static constexpr int kMaxStreams = 64;
    // Returned by length/position/secondsToBytes for an unknown handle.
    static constexpr uint64_t kInvalid = UINT64_MAX;

    enum class Kind { Device, Offline, Silent };

    // Opens the default output device through SDL (stopped: nothing plays until
    // start()). Returns null and sets *error when SDL's audio cannot be
    // initialised or the device cannot be opened.
    static std::unique_ptr<AudioOutput> openDevice(std::string* error);
    // An output without a device; never fails. Its latency is 0.
    static std::unique_ptr<AudioOutput> openOffline();
    // An output without a device whose mixer runs in real time on its own
    // thread from start() to stop(); never fails. Its latency is 0.
    static std::unique_ptr<AudioOutput> openSilent();

    // Stops the output, frees every stream and closes the device.
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    Kind kind() const { return kind_; }
    // Delay in milliseconds between the mixer consuming a sample and the
    // device playing it: the device buffers that SDL really obtained (the one
    // being played plus the one mixed ahead). 0 for an offline output.
    uint32_t latencyMilliseconds() const { return latency_; }
    // Frames per mixing pass of the device (0 for an offline output).
    uint32_t bufferFrames() const { return bufferFrames_; }

    // Starts / stops mixing. A stopped output plays silence and its streams do
    // not advance. An output is stopped after opening. Once stop() returns no
    // mixing pass runs (device and silent output alike).
    bool start();
    bool stop();
    bool isStarted() const { return started_.load(std::memory_order_acquire); }

    // Housekeeping once per frame. The device pulls its data by itself, so
    // there is nothing to do for either kind; kept so that callers have one
    // place to hook it. Always true.
    bool update();

    // Offline output only: mixes the next `frames` frames and appends them to
    // *pcm (interleaved stereo) when pcm is not null. Positions advance by
    // exactly `frames` (unless a stream ends or a sync moves it); a stopped
    // output appends silence. Returns false on a device output.
    bool mixOffline(uint32_t frames, std::vector<int16_t>* pcm);

    // Decodes a whole file (WAV, FLAC, OGG Vorbis, ...) into a new stream,
    // converted to 44,100 Hz stereo, stopped at position 0. flags: 0 or
    // kStreamPrescan (decoding is always complete up front) and kSampleLoop.
    // Returns 0 and sets lastError() when the file is missing or not decodable,
    // or when kMaxStreams streams exist.
    StreamHandle createStreamFromFile(const std::string& path, uint32_t flags);
    // Same, from PCM already in the output format (interleaved stereo).
    StreamHandle createStreamFromPcm(std::vector<int16_t> pcm, uint32_t flags);
    // Frees a stream and its syncs. Not from a sync callback. False for an
    // unknown handle.
    bool freeStream(StreamHandle stream);

    // Starts playing; restart moves the position to 0 first.
    bool play(StreamHandle stream, bool restart);
    // Stops playing, keeping the position.
    bool pause(StreamHandle stream);
    // False when stopped, ended or unknown.
    bool isPlaying(StreamHandle stream) const;

    // Length in bytes, or kInvalid.
    uint64_t length(StreamHandle stream) const;
    // What the mixer has consumed, in bytes; kInvalid for an unknown handle.
    uint64_t position(StreamHandle stream) const;
    // Moves the position (rounded down to a whole frame). Fails for an unknown
    // handle and for a position at or beyond the end (nothing is left to play
    // there). Safe from a sync callback: the mixer continues from the new
    // position at the next sample.
    bool setPosition(StreamHandle stream, uint64_t bytes);

    // Conversions for a stream's format. secondsToBytes returns kInvalid and
    // bytesToSeconds a negative value for an unknown handle.
    uint64_t secondsToBytes(StreamHandle stream, double seconds) const;
    double bytesToSeconds(StreamHandle stream, uint64_t bytes) const;

    // Sets the bits of `mask` to those of `flags` (only kSampleLoop exists).
    bool setFlags(StreamHandle stream, uint32_t flags, uint32_t mask);
    // The stream's flags, 0 for an unknown handle.
    uint32_t flags(StreamHandle stream) const;

    // Installs a sync: type must be kSyncPos | kSyncMixTime, param the byte
    // position (a whole frame is used). The callback fires when the mixer,
    // playing forward, reaches that position (not when the position is set
    // there). Returns 0 for an unknown handle, another type, a null proc or
    // when the stream has AudioStream::kMaxSyncs syncs already.
    SyncHandle setSync(StreamHandle stream, uint32_t type, uint64_t param, SyncProc proc, void* user);
    // Removes a sync; once this returns its callback will not run again
    // (safe from a sync callback too). False when unknown.
    bool removeSync(StreamHandle stream, SyncHandle sync);
    // Number of syncs installed on a stream (0 for an unknown handle).
    int syncCount(StreamHandle stream) const;

    // Reason of the last failure on the controlling thread.
    const std::string& lastError() const { return lastError_; }

private:
    explicit AudioOutput(Kind kind);
    static void sdlCallback(void* self, uint8_t* out, int bytes);
    // The silent output's thread: mixes as many frames as real time since
    // start() asks for, then sleeps a little, until stop().
    void runSilentClock();

    // The shared mixer: fills `frames` frames of interleaved stereo with the sum
    // of the playing streams, saturated to 16 bits.
    void mix(int16_t* out, uint32_t frames);
    AudioStream* find(StreamHandle stream) const;
    StreamHandle publish(AudioStream* stream);
    // Returns once no mixing pass that started before the call is running.
    void waitForMixPass() const;
    // Records the reason (not from inside the mixer, where nothing may allocate).
    bool fail(const char* reason);

    Kind kind_;
    uint32_t device_ = 0;  // SDL_AudioDeviceID
    bool sdlAudioInitialised_ = false;
    uint32_t latency_ = 0;
    uint32_t bufferFrames_ = 0;
    std::atomic<bool> started_{false};
    std::atomic<bool> clockRunning_{false};
    std::thread clock_;  // the silent output's mixing thread while started
    // Odd while a mixing pass runs.
    std::atomic<uint64_t> mixSequence_{0};
    std::atomic<AudioStream*> streams_[kMaxStreams] = {};
    uint32_t generation_[kMaxStreams] = {};
    SyncHandle nextSync_ = 1;
    std::string lastError_;
};

}  // namespace ember::audio
