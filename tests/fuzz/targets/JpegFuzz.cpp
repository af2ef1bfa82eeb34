// JPEG images: the loader reads files only (through its own source manager
// over stdio), so the bytes are handed over as an in-memory file.
#include "FuzzTargets.h"
#include "MemoryFile.h"
#include "loaders/JPEGLoader.h"

EMBER_FUZZ_TARGET(jpeg) {
    ember::fuzz::MemoryFile file(data, size);
    if (!file.ok()) return 0;
    ember::Ref<ember::JPEGLoader> loader(new ember::JPEGLoader);
    ember::DecodedImage image;
    if (loader->readImage(file.path(), image)) {
        volatile uint8_t sum = 0;
        for (size_t i = 0; i < image.byteSize(); ++i) sum = static_cast<uint8_t>(sum + image.pixels[i]);
    }
    return 0;
}
