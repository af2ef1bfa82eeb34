// PNG images decoded from memory, as the texture loader decodes them before
// any texture exists; the premultiplied path too (odd-sized inputs).
#include "FuzzTargets.h"
#include "loaders/PNGLoader.h"

EMBER_FUZZ_TARGET(png) {
    ember::Ref<ember::PNGLoader> loader(new ember::PNGLoader);
    loader->setPremultiply(size % 2 == 1);
    ember::DecodedImage image;
    if (loader->readImageFromMemory(data, size, image)) {
        // Touch every decoded byte: the sizes reported must match the buffer.
        volatile uint8_t sum = 0;
        for (size_t i = 0; i < image.byteSize(); ++i) sum = static_cast<uint8_t>(sum + image.pixels[i]);
    }
    return 0;
}
