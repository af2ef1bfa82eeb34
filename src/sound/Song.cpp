#include "sound/Song.h"

#include "application/Logger.h"
#include "sound/audio/AudioOutput.h"

namespace ember {

Ref<Song> Song::open(const std::string& path, SoundDevice* device) {
    if (!device || !device->isInitialised()) {
        Logger::instance().writeLocated("src/sound/Song", "Song::open", __LINE__,
                                        "No audio output for \"" + path + "\"");
        return Ref<Song>();
    }
    audio::AudioOutput* output = device->output();
    const uint32_t stream = output->createStreamFromFile(path, audio::kStreamPrescan);
    if (stream == 0) {
        Logger::instance().writeLocated("src/sound/Song", "Song::open", __LINE__, output->lastError());
        return Ref<Song>();
    }
    Ref<Song> song(new Song());
    song->stream_ = stream;
    song->latency_ = device->latency();
    song->device_ = device;
    return song;
}

Song::~Song() {
    if (stream_ != 0) {
        output()->freeStream(stream_);
        stream_ = 0;
        syncHandle_ = 0;
    }
}

audio::AudioOutput* Song::output() const {
    return device_->output();
}

void Song::play() {
    if (stream_ != 0) output()->play(stream_, true);
}

bool Song::seekToBeat(float beat) {
    if (stream_ == 0) return false;
    const float seconds = beat / (beatsPerMillisecond_ * 1000.0f);
    const uint64_t bytes = output()->secondsToBytes(stream_, seconds);
    return output()->setPosition(stream_, bytes);
}

void Song::setLoop(float startBeat, float endBeat) {
    if (stream_ == 0) return;
    audio::AudioOutput* out = output();
    const uint64_t length = out->length(stream_);
    const float lengthSeconds = static_cast<float>(out->bytesToSeconds(stream_, length));
    const float secondsPerBeat = 1.0f / (beatsPerMillisecond_ * 1000.0f);
    float startSeconds = secondsPerBeat * startBeat;
    if (startSeconds < 0.0f) startSeconds = 0.0f;
    float endSeconds = secondsPerBeat * endBeat;
    if (endSeconds > lengthSeconds) endSeconds = lengthSeconds;
    setLoopInBytes(out->secondsToBytes(stream_, startSeconds), out->secondsToBytes(stream_, endSeconds));
}

void Song::setLoopInBytes(uint64_t start, uint64_t end) {
    if (stream_ == 0) return;
    audio::AudioOutput* out = output();
    const uint64_t length = out->length(stream_);
    if (start > length) start = 0;
    if (end > length) end = length;
    loopStart_.store(start, std::memory_order_release);
    loopEnd_ = end;
    if (syncHandle_ != 0) {
        out->removeSync(stream_, syncHandle_);
        syncHandle_ = 0;
    }
    syncHandle_ =
        out->setSync(stream_, audio::kSyncPos | audio::kSyncMixTime, loopEnd_, &Song::loopEndCallback, this);
    out->setPosition(stream_, start);
    out->setFlags(stream_, audio::kSampleLoop, audio::kSampleLoop);
}

void Song::loopEndCallback(uint32_t /*sync*/, uint32_t channel, uint32_t /*data*/, void* user) {
    Song* song = static_cast<Song*>(user);
    audio::AudioOutput* out = song->output();
    if (!out->setPosition(channel, song->loopStart_.load(std::memory_order_acquire)))
        out->setPosition(channel, 0);
}

void Song::update() {
    if (device_ && device_->output()) device_->output()->update();
}

uint64_t Song::positionInBytes() const {
    if (stream_ == 0) return 0;
    return output()->position(stream_);
}

uint64_t Song::lengthInBytes() const {
    if (stream_ == 0) return 0;
    return output()->length(stream_);
}

double Song::bytesToSeconds(uint64_t bytes) const {
    if (stream_ == 0) return 0.0;
    return output()->bytesToSeconds(stream_, bytes);
}

uint64_t Song::secondsToBytes(double seconds) const {
    if (stream_ == 0) return 0;
    return output()->secondsToBytes(stream_, seconds);
}

double Song::positionInSeconds() const {
    return bytesToSeconds(positionInBytes());
}

float Song::positionInBeats() const {
    const double seconds = positionInSeconds();
    const float t = static_cast<float>(seconds - latency_ * 0.001);
    return t * 1000.0f * beatsPerMillisecond_;
}

void Song::setTempo(int32_t bpm) {
    bpm_ = bpm;
    beatsPerMillisecond_ = static_cast<float>(bpm) * (1.0f / 60.0f) * 0.001f;
}

}  // namespace ember
