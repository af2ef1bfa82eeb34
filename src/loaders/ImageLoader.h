#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <istream>
#include <string>

#include "core/Object.h"
#include "loaders/Loader.h"
#include "rend/Texture.h"

namespace ember {

class Texture3D;

// A decoded image: height rows of width x channels bytes, stored bottom-up
// (the first row of the file is the last row of the buffer, matching GL's
// lower-left origin). Owns its pixel buffer.
struct DecodedImage {
    DecodedImage() = default;
    ~DecodedImage() { std::free(pixels); }
    DecodedImage(const DecodedImage&) = delete;
    DecodedImage& operator=(const DecodedImage&) = delete;
    DecodedImage(DecodedImage&& o) noexcept { *this = std::move(o); }
    DecodedImage& operator=(DecodedImage&& o) noexcept {
        if (this != &o) {
            std::free(pixels);
            pixels = o.pixels;
            width = o.width;
            height = o.height;
            channels = o.channels;
            format = o.format;
            o.pixels = nullptr;
        }
        return *this;
    }
    size_t rowBytes() const { return static_cast<size_t>(width) * static_cast<size_t>(channels); }
    size_t byteSize() const { return rowBytes() * static_cast<size_t>(height); }

    uint8_t* pixels = nullptr;  // malloc'd
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;
    TextureFormat format = TextureFormat::None;
};

// Image loaders turn image files into textures. Decoders refuse images larger
// than MaxDimension on a side or MaxImageBytes decoded, before allocating.
class ImageLoader : public Loader {
public:
    static constexpr uint32_t MaxDimension = 65536;
    // 128 MiB: a 8192 x 4096 RGBA image, four times our largest texture. A
    // header is all it takes to ask for this much, before any pixel is read.
    static constexpr size_t MaxImageBytes = size_t(128) << 20;
    // Largest ancillary chunk (colour profile, compressed text) a decoder
    // allocates in one piece.
    static constexpr size_t MaxChunkBytes = size_t(8) << 20;

    explicit ImageLoader(std::string extensions) : Loader(std::move(extensions)) {}

    // Decodes an image strip of slices stacked vertically, each sliceHeight
    // rows tall, into a width x sliceHeight x (height / sliceHeight) texture;
    // slice 0 is the bottom slice of the image. Null on failure (logged).
    virtual Ref<Texture3D> loadTexture3D(const std::string& path, int32_t sliceHeight) = 0;
    // Decodes the file at path. False on failure (logged where the format says so).
    virtual bool readImage(const std::string& path, DecodedImage& image) = 0;
    // Texture from an encoded image in memory (size bytes, never read past).
    // Null on failure or when the format does not support it.
    virtual Ref<Texture> loadTextureFromMemory(const void* bytes, size_t size) = 0;
    // Texture from an already open stream; null on failure or when unsupported.
    virtual Ref<Texture> loadTextureFromStream(std::istream& in) = 0;
    // A Texture1D when the image is at most one row tall, else a Texture2D;
    // null on failure.
    virtual Ref<Texture> loadTexture(const std::string& path) = 0;

protected:
    // Creates and fills a Texture1D (height <= 1) or Texture2D from image,
    // logging "<prefix>: create Texture1D/2D from resource (WxH C)". Frees the pixels.
    static Ref<Texture> createTexture(const char* prefix, DecodedImage& image);
    // Creates and fills the Texture3D of a slice strip; null (logged) when the
    // slice height does not fit the image. Frees the pixels.
    static Ref<Texture3D> createTexture3D(const char* prefix, DecodedImage& image, int32_t sliceHeight);
};

// The format of an 8-bit image with 1 to 4 channels (R8, RG8, RGB8, RGBA8).
TextureFormat formatForChannels(int32_t channels);

}  // namespace ember
