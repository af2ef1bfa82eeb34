// The song decoder: libsndfile's virtual I/O is not used by the decoder, which
// opens files by name, so the bytes are an in-memory file. A decoded stream
// is then mixed for a while as the sound output would.
#include <memory>
#include <string>
#include <vector>

#include "FuzzTargets.h"
#include "MemoryFile.h"
#include "sound/audio/AudioStream.h"

EMBER_FUZZ_TARGET(song) {
    ember::fuzz::MemoryFile file(data, size);
    if (!file.ok()) return 0;
    std::string error;
    std::unique_ptr<ember::audio::AudioStream> stream(ember::audio::AudioStream::decodeFile(file.path(), &error));
    if (!stream) return 0;
    stream->playing = true;
    std::vector<int32_t> mix(2 * 4096);
    for (int i = 0; i < 4; ++i) stream->mix(mix.data(), 4096);
    return 0;
}
