#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ember::audio {

// Writes interleaved 16-bit stereo PCM at 44,100 Hz (what AudioOutput::mixOffline
// hands back) as a WAV file. Returns false when the file cannot be written or
// pcm holds an odd number of samples.
bool writeWaveFile(const std::string& path, const std::vector<int16_t>& pcm);

}  // namespace ember::audio
