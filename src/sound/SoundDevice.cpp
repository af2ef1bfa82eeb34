#include "sound/SoundDevice.h"

#include "sound/audio/AudioOutput.h"

namespace ember {

SoundDevice::SoundDevice() = default;

SoundDevice::~SoundDevice() {
    if (initialised_) {
        output_->stop();
        output_.reset();
        initialised_ = false;
    }
}

bool SoundDevice::initiate(void* /*windowHandle*/, std::string* reason) {
    if (initialised_) return false;
    // The output mixes on one thread of its own (SDL's audio thread).
    output_ = audio::AudioOutput::openDevice(reason);
    if (!output_) return false;
    latency_ = output_->latencyMilliseconds();
    initialised_ = true;
    return true;
}

bool SoundDevice::initiateOffline() {
    if (initialised_) return false;
    output_ = audio::AudioOutput::openOffline();
    latency_ = output_->latencyMilliseconds();
    initialised_ = true;
    return true;
}

bool SoundDevice::initiateSilent() {
    if (initialised_) return false;
    output_ = audio::AudioOutput::openSilent();
    latency_ = output_->latencyMilliseconds();
    initialised_ = true;
    return true;
}

void SoundDevice::start() {
    if (initialised_) output_->start();
}

bool SoundDevice::advance(uint32_t frames, std::vector<int16_t>* pcm) {
    if (!initialised_ || !isOffline()) return false;
    return output_->mixOffline(frames, pcm);
}

bool SoundDevice::isOffline() const {
    return output_ && output_->kind() == audio::AudioOutput::Kind::Offline;
}

bool SoundDevice::isSilent() const {
    return output_ && output_->kind() == audio::AudioOutput::Kind::Silent;
}

}  // namespace ember
