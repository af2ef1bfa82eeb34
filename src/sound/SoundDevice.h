#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Object.h"

namespace ember {

namespace audio {
class AudioOutput;
}

// The open audio output. Constructed uninitialised; the demo initialises it
// once (initiate, on the default device) before opening its song, starts it
// after loading, and releases it after the song. A capture run initialises it
// offline instead and drives time itself with advance().
class SoundDevice : public Object {
public:
    SoundDevice();
    // Stops and frees the output when initialised.
    ~SoundDevice() override;

    // Opens the default audio output (44,100 Hz, 16-bit stereo) through SDL.
    // windowHandle is accepted for the caller's convenience and not needed.
    // On success stores the output latency in milliseconds, marks the device
    // initialised and returns true; the output stays silent until start().
    // On failure returns false without a log line (the caller reports it),
    // with SDL's reason in *reason when reason is not null; calling it on an
    // initialised device returns false and changes nothing.
    bool initiate(void* windowHandle, std::string* reason = nullptr);
    // Same, but on an offline output: no device, latency 0, and time advances
    // only through advance().
    bool initiateOffline();
    // Same, but on a silent output: no device, latency 0, and once started
    // time advances in real time as if the songs were heard. For a system
    // without a usable audio output.
    bool initiateSilent();

    // Starts the output. Does nothing unless initialised.
    void start();

    // Offline output only: mixes the next `frames` frames (1/44,100 s each),
    // advancing every playing song by exactly that much (loops included) and
    // appending the mixed interleaved stereo PCM to *pcm when not null.
    // Returns false when the device is not initialised offline.
    bool advance(uint32_t frames, std::vector<int16_t>* pcm = nullptr);

    // Output latency in milliseconds (0 before initialisation and offline).
    uint32_t latency() const { return latency_; }
    bool isInitialised() const { return initialised_; }
    bool isOffline() const;
    bool isSilent() const;
    // The output streams are created on; null until initialised.
    audio::AudioOutput* output() const { return output_.get(); }

private:
    uint32_t latency_ = 0;
    bool initialised_ = false;
    std::unique_ptr<audio::AudioOutput> output_;
};

}  // namespace ember
