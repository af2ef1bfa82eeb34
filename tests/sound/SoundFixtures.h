#pragma once
// Small audio files written by the tests themselves, with libsndfile.
#include <dirent.h>
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace soundtest {

// Stereo frames whose samples encode their own index: left = low 15 bits,
// right = the next 15 bits. Any mixed frame tells which source frame it was.
inline int16_t markLeft(uint64_t frame) {
    return static_cast<int16_t>(frame & 0x7fff);
}
inline int16_t markRight(uint64_t frame) {
    return static_cast<int16_t>((frame >> 15) & 0x7fff);
}
inline int64_t frameOf(const int16_t* stereo) {
    return static_cast<int64_t>(stereo[0]) | (static_cast<int64_t>(stereo[1]) << 15);
}

inline std::vector<int16_t> markedPcm(uint64_t frames) {
    std::vector<int16_t> pcm(frames * 2);
    for (uint64_t i = 0; i < frames; ++i) {
        pcm[2 * i] = markLeft(i);
        pcm[2 * i + 1] = markRight(i);
    }
    return pcm;
}

// A sine per channel (different frequencies), for lossy formats.
inline std::vector<int16_t> sinePcm(uint64_t frames, int channels, int rate) {
    std::vector<int16_t> pcm(frames * channels);
    for (uint64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            pcm[i * channels + c] =
                static_cast<int16_t>(12000.0 * std::sin(2.0 * M_PI * (220.0 * (c + 1)) * i / rate));
    return pcm;
}

// Writes interleaved 16-bit samples; format is e.g. SF_FORMAT_WAV | SF_FORMAT_PCM_16.
inline bool writeSound(const std::string& path, const std::vector<int16_t>& samples, int channels, int rate,
                       int format) {
    SF_INFO info;
    std::memset(&info, 0, sizeof(info));
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    const sf_count_t frames = static_cast<sf_count_t>(samples.size() / channels);
    const bool ok = sf_writef_short(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && ok;
}

inline bool writeMarkedWav(const std::string& path, uint64_t frames) {
    return writeSound(path, markedPcm(frames), 2, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Threads of this process right now.
inline int threadCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.') ++count;
        closedir(dir);
    }
    return count;
}

}  // namespace soundtest
