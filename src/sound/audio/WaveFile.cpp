#include "sound/audio/WaveFile.h"

#include <sndfile.h>

#include <cstring>

#include "sound/audio/AudioFormat.h"

namespace ember::audio {

bool writeWaveFile(const std::string& path, const std::vector<int16_t>& pcm) {
    if (pcm.size() % kChannels != 0) return false;
    SF_INFO info;
    std::memset(&info, 0, sizeof(info));
    info.samplerate = kSampleRate;
    info.channels = kChannels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    const sf_count_t frames = static_cast<sf_count_t>(pcm.size() / kChannels);
    const bool ok = sf_writef_short(file, pcm.data(), frames) == frames;
    return sf_close(file) == 0 && ok;
}

}  // namespace ember::audio
