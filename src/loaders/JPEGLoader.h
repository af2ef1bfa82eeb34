#pragma once
#include "loaders/ImageLoader.h"

namespace ember {

// JPEG images through libjpeg. Grey-scale images decode to one channel (R8),
// everything else to RGB (RGB8); rows are stored bottom-up. A file cut short
// is ended with an end-of-image marker, so it still decodes.
class JPEGLoader : public ImageLoader {
public:
    JPEGLoader() : ImageLoader("jpg:jpeg:jif:jfif") {}

    Ref<Texture3D> loadTexture3D(const std::string& path, int32_t sliceHeight) override;
    // False without a message when the file cannot be opened; a fatal decoder
    // error logs "Error while loading JPEG image <path> (<code> <template>)".
    bool readImage(const std::string& path, DecodedImage& image) override;
    // Not supported for JPEG: always null.
    Ref<Texture> loadTextureFromMemory(const void* bytes, size_t size) override;
    Ref<Texture> loadTextureFromStream(std::istream& in) override;
    Ref<Texture> loadTexture(const std::string& path) override;

    // Bytes the data source reads from the file per refill.
    static constexpr size_t ChunkSize = 1024;
};

}  // namespace ember
