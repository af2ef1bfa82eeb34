#pragma once
#include "loaders/ImageLoader.h"

namespace ember {

// PNG images through libpng. Palette and low-bit grey images are expanded to
// 8 bits per channel, a transparency chunk becomes an alpha channel, 16-bit
// channels are stripped to 8 bits; the format follows the decoded channel
// count (R8, RG8, RGB8, RGBA8). Rows are stored bottom-up.
class PNGLoader : public ImageLoader {
public:
    PNGLoader() : ImageLoader("png:PNG") {}

    Ref<Texture3D> loadTexture3D(const std::string& path, int32_t sliceHeight) override;
    // Logs "PNG: unable to open <path>" for a file that cannot be opened and
    // "Error while loading PNG image" for a damaged one.
    bool readImage(const std::string& path, DecodedImage& image) override;
    Ref<Texture> loadTextureFromMemory(const void* bytes, size_t size) override;
    Ref<Texture> loadTextureFromStream(std::istream& in) override;
    Ref<Texture> loadTexture(const std::string& path) override;

    // Decoding from a memory block (never read past size bytes) or a stream;
    // false (logged) on failure.
    bool readImageFromMemory(const void* bytes, size_t size, DecodedImage& image);
    bool readImageFromStream(std::istream& in, DecodedImage& image);

    // When set, colour bytes of images with alpha are multiplied by alpha as
    // (alpha * c) >> 8 while decoding.
    bool premultiply() const { return premultiply_; }
    void setPremultiply(bool premultiply) { premultiply_ = premultiply; }

private:
    bool premultiply_ = false;
};

}  // namespace ember
