// The compressed input stream every gzip file goes through: read to the end
// in the mixed sizes the loaders use, then its error state asked for.
#include <string>

#include "FuzzTargets.h"
#include "MemoryFile.h"
#include "loaders/gzstream.h"

EMBER_FUZZ_TARGET(gzstream) {
    ember::fuzz::MemoryFile file(data, size);
    if (!file.ok()) return 0;
    ember::gzifstream in(file.path().c_str());
    if (!in.is_open()) return 0;
    std::string line;
    std::getline(in, line);
    char block[700];
    size_t total = 0;
    while (in.read(block, sizeof(block)) || in.gcount() > 0) {
        total += static_cast<size_t>(in.gcount());
        // Far more output than any of our files: a decompression bomb.
        if (total > (size_t(64) << 20)) break;
        in.get();
    }
    const char* text = nullptr;
    in.rdbuf()->error(&text);
    return 0;
}
