#include "sound/audio/AudioStream.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>

namespace ember::audio {

namespace {

constexpr int kMaxSourceChannels = 64;
constexpr int kMaxSourceRate = 768000;
constexpr sf_count_t kReadFrames = 4096;

struct SndFileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};

// Half the length of the resampling filter, in source frames at the
// filter's cut-off (wider when the cut-off drops below the source's Nyquist).
constexpr int kHalfTaps = 16;
constexpr double kPi = 3.14159265358979323846;
// Most distinct fractional positions the filter table holds.
constexpr uint64_t kMaxPhases = 4096;

double windowedSinc(double d, double cutoff, int half) {
    const double x = d / half;
    if (x <= -1.0 || x >= 1.0) return 0.0;
    const double window = 0.42 + 0.5 * std::cos(kPi * x) + 0.08 * std::cos(2.0 * kPi * x);
    const double arg = kPi * cutoff * d;
    const double sinc = std::fabs(arg) < 1e-12 ? 1.0 : std::sin(arg) / arg;
    return cutoff * sinc * window;
}

// Resamples interleaved 16-bit stereo from sourceRate to kSampleRate with a
// windowed-sinc filter (Blackman window), low-passed below the lower of the
// two Nyquist frequencies. Deterministic, and the length scales exactly:
// round(frames × 44100 / sourceRate).
std::vector<int16_t> resample(const std::vector<int16_t>& in, uint32_t sourceRate) {
    const uint64_t inFrames = in.size() / kChannels;
    const uint64_t g = std::gcd<uint64_t>(sourceRate, kSampleRate);
    // Output frame i sits at source position i × down / up.
    const uint64_t up = kSampleRate / g;
    const uint64_t down = sourceRate / g;
    const uint64_t outFrames = (inFrames * up + down / 2) / down;
    const double cutoff = std::min(1.0, static_cast<double>(kSampleRate) / sourceRate) * 0.97;
    const int half = static_cast<int>(std::ceil(kHalfTaps / cutoff));
    const int taps = 2 * half;
    const uint64_t phases = std::min(up, kMaxPhases);

    // One row of tap weights per fractional position, each normalised to unit gain.
    std::vector<float> table(static_cast<size_t>(phases) * taps);
    for (uint64_t p = 0; p < phases; ++p) {
        const double frac = static_cast<double>(p) / phases;
        float* row = table.data() + p * taps;
        double sum = 0.0;
        for (int j = 0; j < taps; ++j) {
            const double w = windowedSinc(frac + half - 1 - j, cutoff, half);
            row[j] = static_cast<float>(w);
            sum += w;
        }
        if (sum != 0.0)
            for (int j = 0; j < taps; ++j) row[j] = static_cast<float>(row[j] / sum);
    }

    std::vector<int16_t> out(static_cast<size_t>(outFrames) * kChannels);
    for (uint64_t i = 0; i < outFrames; ++i) {
        const uint64_t at = i * down;
        uint64_t k0 = at / up;
        uint64_t phase = at % up;
        if (phases != up) {
            phase = (phase * phases + up / 2) / up;
            if (phase == phases) {
                phase = 0;
                ++k0;
            }
        }
        const float* row = table.data() + phase * taps;
        const int64_t first = static_cast<int64_t>(k0) - half + 1;
        float left = 0.0f, right = 0.0f;
        if (first >= 0 && first + taps <= static_cast<int64_t>(inFrames)) {
            const int16_t* src = in.data() + static_cast<size_t>(first) * kChannels;
            for (int j = 0; j < taps; ++j) {
                left += row[j] * src[2 * j];
                right += row[j] * src[2 * j + 1];
            }
        } else {
            // Near the ends: the signal is silent outside the file.
            for (int j = 0; j < taps; ++j) {
                const int64_t k = first + j;
                if (k < 0 || k >= static_cast<int64_t>(inFrames)) continue;
                left += row[j] * in[static_cast<size_t>(k) * kChannels];
                right += row[j] * in[static_cast<size_t>(k) * kChannels + 1];
            }
        }
        out[i * kChannels] = static_cast<int16_t>(std::clamp(std::lround(left), -32768L, 32767L));
        out[i * kChannels + 1] = static_cast<int16_t>(std::clamp(std::lround(right), -32768L, 32767L));
    }
    return out;
}

}  // namespace

AudioStream::AudioStream(std::vector<int16_t> pcm)
    : pcm_(std::move(pcm)), lengthFrames_(pcm_.size() / kChannels) {}

AudioStream* AudioStream::fromPcm(std::vector<int16_t> pcm) {
    if (pcm.empty() || pcm.size() % kChannels != 0) return nullptr;
    return new AudioStream(std::move(pcm));
}

AudioStream* AudioStream::decodeFile(const std::string& path, std::string* error) {
    std::string scratch;
    if (!error) error = &scratch;

    SF_INFO info;
    std::memset(&info, 0, sizeof(info));
    std::unique_ptr<SNDFILE, SndFileCloser> file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) {
        *error = "cannot open \"" + path + "\": " + sf_strerror(nullptr);
        return nullptr;
    }
    if (info.channels < 1 || info.channels > kMaxSourceChannels || info.samplerate < 1 ||
        info.samplerate > kMaxSourceRate) {
        *error = "\"" + path + "\" has an unsupported format (" + std::to_string(info.channels) +
                 " channels, " + std::to_string(info.samplerate) + " Hz)";
        return nullptr;
    }
    // Float sources (Vorbis among them) clip instead of wrapping around.
    sf_command(file.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);

    // The header's frame count is only a hint: read until the decoder stops,
    // and stop early at the length limit.
    const uint64_t maxFrames = static_cast<uint64_t>(kMaxSeconds) * static_cast<uint64_t>(info.samplerate);
    std::vector<int16_t> stereo;
    if (info.frames > 0 && static_cast<uint64_t>(info.frames) <= maxFrames)
        stereo.reserve(static_cast<size_t>(info.frames) * kChannels);
    const int channels = info.channels;
    std::vector<int16_t> block(static_cast<size_t>(kReadFrames) * channels);
    uint64_t total = 0;
    for (;;) {
        const sf_count_t got = sf_readf_short(file.get(), block.data(), kReadFrames);
        if (got <= 0) break;
        total += static_cast<uint64_t>(got);
        if (total > maxFrames) {
            *error = "\"" + path + "\" is longer than " + std::to_string(kMaxSeconds) + " seconds";
            return nullptr;
        }
        for (sf_count_t i = 0; i < got; ++i) {
            const int16_t* frame = block.data() + i * channels;
            // Mono plays on both sides; more than two channels keep the front pair.
            stereo.push_back(frame[0]);
            stereo.push_back(channels == 1 ? frame[0] : frame[1]);
        }
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR) {
        *error = "\"" + path + "\" is damaged: " + sf_strerror(file.get());
        return nullptr;
    }
    if (stereo.empty()) {
        *error = "\"" + path + "\" holds no audio";
        return nullptr;
    }
    if (info.samplerate != static_cast<int>(kSampleRate)) {
        std::vector<int16_t> converted = resample(stereo, static_cast<uint32_t>(info.samplerate));
        if (converted.empty()) {
            *error = "\"" + path + "\" holds no audio";
            return nullptr;
        }
        stereo.swap(converted);
    }
    stereo.shrink_to_fit();
    return new AudioStream(std::move(stereo));
}

void AudioStream::fireSyncs(uint64_t frame) {
    for (Sync& sync : syncs) {
        const SyncHandle id = sync.id.load(std::memory_order_acquire);
        if (id == 0 || sync.frame.load(std::memory_order_relaxed) != frame) continue;
        SyncProc proc = sync.proc.load(std::memory_order_relaxed);
        if (proc) proc(id, handle, 0, sync.user.load(std::memory_order_relaxed));
    }
}

void AudioStream::mix(int32_t* acc, uint32_t frames) {
    uint32_t done = 0;
    uint64_t pos = position.load(std::memory_order_acquire);
    while (done < frames && playing.load(std::memory_order_acquire)) {
        if (pos >= lengthFrames_) {
            // The end. Syncs at the end fired when it was reached; one of them
            // may have moved the position, which the reload below picked up.
            uint64_t expected = pos;
            if (flags.load(std::memory_order_relaxed) & kSampleLoop) {
                if (!position.compare_exchange_strong(expected, 0, std::memory_order_acq_rel)) {
                    pos = expected;
                    continue;
                }
                pos = 0;
                continue;
            }
            playing.store(false, std::memory_order_release);
            break;
        }

        // Mix up to the end, the end of the request or the nearest sync ahead,
        // whichever comes first.
        uint64_t next = std::min<uint64_t>(lengthFrames_, pos + (frames - done));
        for (const Sync& sync : syncs) {
            if (sync.id.load(std::memory_order_acquire) == 0) continue;
            const uint64_t at = sync.frame.load(std::memory_order_relaxed);
            if (at > pos && at < next) next = at;
        }
        const int16_t* src = pcm_.data() + pos * kChannels;
        int32_t* dst = acc + static_cast<size_t>(done) * kChannels;
        const size_t samples = static_cast<size_t>(next - pos) * kChannels;
        for (size_t i = 0; i < samples; ++i) dst[i] += src[i];
        done += static_cast<uint32_t>(next - pos);

        // Someone else may have moved the position while we mixed: their move
        // wins and mixing continues from there.
        uint64_t expected = pos;
        if (!position.compare_exchange_strong(expected, next, std::memory_order_acq_rel)) {
            pos = expected;
            continue;
        }
        fireSyncs(next);
        pos = position.load(std::memory_order_acquire);
    }
}

}  // namespace ember::audio
