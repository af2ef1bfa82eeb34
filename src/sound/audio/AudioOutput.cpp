#include "sound/audio/AudioOutput.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "sound/audio/AudioStream.h"

namespace ember::audio {

namespace {

// Frames per device buffer asked of SDL; the device may choose another size.
constexpr uint16_t kWantedBufferFrames = 1024;
// Frames summed per step of a mixing pass (the accumulator lives on the stack).
constexpr uint32_t kMixBlockFrames = 512;

// True on a thread while it runs a mixing pass (and so inside sync callbacks).
thread_local bool tlMixing = false;

}  // namespace

AudioOutput::AudioOutput(Kind kind) : kind_(kind) {}

std::unique_ptr<AudioOutput> AudioOutput::openDevice(std::string* error) {
    std::string scratch;
    if (!error) error = &scratch;
    std::unique_ptr<AudioOutput> output(new AudioOutput(Kind::Device));
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        *error = std::string("cannot initialise SDL audio: ") + SDL_GetError();
        return nullptr;
    }
    output->sdlAudioInitialised_ = true;

    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = kSampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = kChannels;
    want.samples = kWantedBufferFrames;
    want.callback = &AudioOutput::sdlCallback;
    want.userdata = output.get();
    SDL_AudioSpec have;
    SDL_zero(have);
    // Only the buffer size may change: SDL converts anything else for us, so the
    // mixer always works in the one format.
    const SDL_AudioDeviceID device =
        SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (device == 0) {
        *error = std::string("cannot open the audio device: ") + SDL_GetError();
        return nullptr;  // the destructor balances SDL_InitSubSystem
    }
    output->device_ = device;
    output->bufferFrames_ = have.samples ? have.samples : kWantedBufferFrames;
    // SDL plays one buffer while the next one is mixed: a sample consumed by
    // the mixer is heard up to two buffers later.
    const uint64_t delayFrames = 2ull * output->bufferFrames_;
    output->latency_ = static_cast<uint32_t>((delayFrames * 1000 + kSampleRate - 1) / kSampleRate);
    return output;
}

std::unique_ptr<AudioOutput> AudioOutput::openOffline() {
    return std::unique_ptr<AudioOutput>(new AudioOutput(Kind::Offline));
}

std::unique_ptr<AudioOutput> AudioOutput::openSilent() {
    return std::unique_ptr<AudioOutput>(new AudioOutput(Kind::Silent));
}

AudioOutput::~AudioOutput() {
    stop();
    if (device_ != 0) SDL_CloseAudioDevice(device_);  // joins SDL's audio thread
    device_ = 0;
    for (auto& slot : streams_) delete slot.exchange(nullptr);
    if (sdlAudioInitialised_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool AudioOutput::fail(const char* reason) {
    if (!tlMixing) lastError_ = reason;  // nothing may allocate inside the mixer
    return false;
}

bool AudioOutput::start() {
    started_.store(true, std::memory_order_release);
    if (device_ != 0) SDL_PauseAudioDevice(device_, 0);
    if (kind_ == Kind::Silent && !clock_.joinable()) {
        clockRunning_.store(true, std::memory_order_release);
        clock_ = std::thread(&AudioOutput::runSilentClock, this);
    }
    return true;
}

bool AudioOutput::stop() {
    // Pausing takes SDL's device lock, so no callback runs once this returns;
    // the silent clock's thread is joined for the same guarantee.
    if (device_ != 0) SDL_PauseAudioDevice(device_, 1);
    if (clock_.joinable()) {
        clockRunning_.store(false, std::memory_order_release);
        clock_.join();
    }
    started_.store(false, std::memory_order_release);
    return true;
}

void AudioOutput::runSilentClock() {
    using Clock = std::chrono::steady_clock;
    // Small steps keep the positions as smooth as a device's; the frame clock
    // reads them between steps.
    constexpr auto kStep = std::chrono::milliseconds(2);
    int16_t scratch[kMixBlockFrames * kChannels];
    const Clock::time_point origin = Clock::now();
    uint64_t mixed = 0;
    while (clockRunning_.load(std::memory_order_acquire)) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - origin);
        const uint64_t due = static_cast<uint64_t>(elapsed.count()) * kSampleRate / 1000000u;
        // Never ahead of real time: only frames whose time has come are mixed.
        while (mixed < due && clockRunning_.load(std::memory_order_relaxed)) {
            const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(kMixBlockFrames, due - mixed));
            mix(scratch, n);
            mixed += n;
        }
        std::this_thread::sleep_for(kStep);
    }
}

bool AudioOutput::update() {
    return true;
}

void AudioOutput::sdlCallback(void* self, uint8_t* out, int bytes) {
    const uint32_t frames = bytes > 0 ? static_cast<uint32_t>(bytes) / kBytesPerFrame : 0;
    static_cast<AudioOutput*>(self)->mix(reinterpret_cast<int16_t*>(out), frames);
    const int rest = bytes - static_cast<int>(frames * kBytesPerFrame);
    if (rest > 0) SDL_memset(out + frames * kBytesPerFrame, 0, static_cast<size_t>(rest));
}

void AudioOutput::mix(int16_t* out, uint32_t frames) {
    mixSequence_.fetch_add(1, std::memory_order_seq_cst);
    tlMixing = true;
    const bool started = started_.load(std::memory_order_acquire);
    int32_t acc[kMixBlockFrames * kChannels];
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = std::min(kMixBlockFrames, frames - done);
        std::fill(acc, acc + n * kChannels, 0);
        if (started) {
            for (auto& slot : streams_) {
                AudioStream* stream = slot.load(std::memory_order_seq_cst);
                if (stream) stream->mix(acc, n);
            }
        }
        int16_t* dst = out + static_cast<size_t>(done) * kChannels;
        for (uint32_t i = 0; i < n * kChannels; ++i)
            dst[i] = static_cast<int16_t>(std::clamp<int32_t>(acc[i], INT16_MIN, INT16_MAX));
        done += n;
    }
    tlMixing = false;
    mixSequence_.fetch_add(1, std::memory_order_seq_cst);
}

void AudioOutput::waitForMixPass() const {
    if (tlMixing) return;  // called from a sync callback: the pass is ours
    const uint64_t seen = mixSequence_.load(std::memory_order_seq_cst);
    if ((seen & 1) == 0) return;
    while (mixSequence_.load(std::memory_order_seq_cst) == seen) std::this_thread::yield();
}

bool AudioOutput::mixOffline(uint32_t frames, std::vector<int16_t>* pcm) {
    if (kind_ != Kind::Offline) return fail("mixOffline on a device output");
    if (pcm) {
        const size_t at = pcm->size();
        pcm->resize(at + static_cast<size_t>(frames) * kChannels);
        mix(pcm->data() + at, frames);
        return true;
    }
    int16_t scratch[kMixBlockFrames * kChannels];
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = std::min(kMixBlockFrames, frames - done);
        mix(scratch, n);
        done += n;
    }
    return true;
}

AudioStream* AudioOutput::find(StreamHandle stream) const {
    const uint32_t slot = (stream & 0xff);
    if (slot == 0 || slot > static_cast<uint32_t>(kMaxStreams)) return nullptr;
    AudioStream* s = streams_[slot - 1].load(std::memory_order_acquire);
    return s && s->handle == stream ? s : nullptr;
}

StreamHandle AudioOutput::publish(AudioStream* stream) {
    for (int i = 0; i < kMaxStreams; ++i) {
        if (streams_[i].load(std::memory_order_relaxed) != nullptr) continue;
        generation_[i] = (generation_[i] + 1) & 0xffffff;
        stream->handle = (generation_[i] << 8) | static_cast<uint32_t>(i + 1);
        streams_[i].store(stream, std::memory_order_seq_cst);
        return stream->handle;
    }
    delete stream;
    fail("too many streams");
    return 0;
}

StreamHandle AudioOutput::createStreamFromFile(const std::string& path, uint32_t flags) {
    std::string error;
    AudioStream* stream = AudioStream::decodeFile(path, &error);
    if (!stream) {
        lastError_ = error;
        return 0;
    }
    stream->flags.store(flags & kSampleLoop, std::memory_order_relaxed);
    return publish(stream);
}

StreamHandle AudioOutput::createStreamFromPcm(std::vector<int16_t> pcm, uint32_t flags) {
    AudioStream* stream = AudioStream::fromPcm(std::move(pcm));
    if (!stream) {
        fail("no stereo PCM");
        return 0;
    }
    stream->flags.store(flags & kSampleLoop, std::memory_order_relaxed);
    return publish(stream);
}

bool AudioOutput::freeStream(StreamHandle stream) {
    if (tlMixing) return fail("freeStream from a sync callback");
    AudioStream* s = find(stream);
    if (!s) return fail("unknown stream");
    streams_[(stream & 0xff) - 1].store(nullptr, std::memory_order_seq_cst);
    waitForMixPass();
    delete s;
    return true;
}

bool AudioOutput::play(StreamHandle stream, bool restart) {
    AudioStream* s = find(stream);
    if (!s) return fail("unknown stream");
    if (restart) s->position.store(0, std::memory_order_release);
    s->playing.store(true, std::memory_order_release);
    return true;
}

bool AudioOutput::pause(StreamHandle stream) {
    AudioStream* s = find(stream);
    if (!s) return fail("unknown stream");
    s->playing.store(false, std::memory_order_release);
    return true;
}

bool AudioOutput::isPlaying(StreamHandle stream) const {
    const AudioStream* s = find(stream);
    return s && s->playing.load(std::memory_order_acquire);
}

uint64_t AudioOutput::length(StreamHandle stream) const {
    const AudioStream* s = find(stream);
    return s ? s->lengthFrames() * kBytesPerFrame : kInvalid;
}

uint64_t AudioOutput::position(StreamHandle stream) const {
    const AudioStream* s = find(stream);
    return s ? s->position.load(std::memory_order_acquire) * kBytesPerFrame : kInvalid;
}

bool AudioOutput::setPosition(StreamHandle stream, uint64_t bytes) {
    // No lastError_ here: this runs on the audio thread too, where nothing may
    // allocate.
    AudioStream* s = find(stream);
    if (!s) return false;
    const uint64_t frame = bytes / kBytesPerFrame;
    if (frame >= s->lengthFrames()) return false;
    s->position.store(frame, std::memory_order_release);
    return true;
}

uint64_t AudioOutput::secondsToBytes(StreamHandle stream, double seconds) const {
    return find(stream) ? audio::secondsToBytes(seconds) : kInvalid;
}

double AudioOutput::bytesToSeconds(StreamHandle stream, uint64_t bytes) const {
    return find(stream) ? audio::bytesToSeconds(bytes) : -1.0;
}

bool AudioOutput::setFlags(StreamHandle stream, uint32_t flags, uint32_t mask) {
    AudioStream* s = find(stream);
    if (!s) return fail("unknown stream");
    mask &= kSampleLoop;
    uint32_t old = s->flags.load(std::memory_order_relaxed);
    while (!s->flags.compare_exchange_weak(old, (old & ~mask) | (flags & mask), std::memory_order_acq_rel)) {
    }
    return true;
}

uint32_t AudioOutput::flags(StreamHandle stream) const {
    const AudioStream* s = find(stream);
    return s ? s->flags.load(std::memory_order_acquire) : 0;
}

SyncHandle AudioOutput::setSync(StreamHandle stream, uint32_t type, uint64_t param, SyncProc proc,
                                void* user) {
    AudioStream* s = find(stream);
    if (!s) {
        fail("unknown stream");
        return 0;
    }
    if (type != (kSyncPos | kSyncMixTime)) {
        fail("unsupported sync type");
        return 0;
    }
    if (!proc) {
        fail("sync without callback");
        return 0;
    }
    for (AudioStream::Sync& sync : s->syncs) {
        if (sync.id.load(std::memory_order_acquire) != 0) continue;
        const SyncHandle id = nextSync_++;
        if (nextSync_ == 0) nextSync_ = 1;
        sync.frame.store(param / kBytesPerFrame, std::memory_order_relaxed);
        sync.proc.store(proc, std::memory_order_relaxed);
        sync.user.store(user, std::memory_order_relaxed);
        sync.id.store(id, std::memory_order_release);
        return id;
    }
    fail("too many syncs");
    return 0;
}

bool AudioOutput::removeSync(StreamHandle stream, SyncHandle sync) {
    AudioStream* s = find(stream);
    if (!s) return fail("unknown stream");
    if (sync == 0) return fail("unknown sync");
    for (AudioStream::Sync& slot : s->syncs) {
        if (slot.id.load(std::memory_order_acquire) != sync) continue;
        slot.id.store(0, std::memory_order_seq_cst);
        // A pass that already read the sync may still call it; once it is over
        // the callback is gone for good and the slot may be reused.
        waitForMixPass();
        return true;
    }
    return fail("unknown sync");
}

int AudioOutput::syncCount(StreamHandle stream) const {
    const AudioStream* s = find(stream);
    if (!s) return 0;
    int count = 0;
    for (const AudioStream::Sync& sync : s->syncs)
        if (sync.id.load(std::memory_order_acquire) != 0) ++count;
    return count;
}

}  // namespace ember::audio
