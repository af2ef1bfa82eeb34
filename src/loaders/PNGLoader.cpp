#include "loaders/PNGLoader.h"

#include <png.h>

#include <cstdio>
#include <cstring>

#include "application/Logger.h"
#include "rend/Texture3D.h"

namespace ember {

namespace {

// Everything below that runs between setjmp and a possible longjmp is plain C:
// libpng reports errors by longjmp, which must never unwind a frame holding an
// object with a destructor. The C++ side only prepares these records and reads
// them back after decodePng has returned.

enum class PngSourceKind { File, Memory, Stream };

struct PngSource {
    PngSourceKind kind;
    FILE* file;
    const uint8_t* data;
    size_t size;
    size_t position;
    std::istream* stream;
};

enum class PngStatus { Ok, InitFailed, DecodeFailed };

struct PngResult {
    uint8_t* pixels;
    uint32_t width;
    uint32_t height;
    int channels;
};

// Reads from a stream without letting an exception escape into libpng.
size_t readFromStream(std::istream* stream, uint8_t* out, size_t count) noexcept {
    try {
        stream->read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
        return static_cast<size_t>(stream->gcount());
    } catch (...) {
        return 0;
    }
}

void pngReadData(png_structp png, png_bytep out, png_size_t count) {
    PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
    size_t got = 0;
    switch (source->kind) {
        case PngSourceKind::File:
            got = std::fread(out, 1, count, source->file);
            break;
        case PngSourceKind::Memory:
            // The block's size bounds every read; a short block is a damaged image.
            if (count <= source->size - source->position) {
                std::memcpy(out, source->data + source->position, count);
                source->position += count;
                got = count;
            }
            break;
        case PngSourceKind::Stream:
            got = readFromStream(source->stream, out, count);
            break;
    }
    if (got != count) png_error(png, "unexpected end of data");
}

void pngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void pngWarning(png_structp, png_const_charp) {}

void premultiplyRows(uint8_t* pixels, size_t pixelCount, int channels) {
    if (channels == 4) {
        for (size_t i = 0; i < pixelCount; ++i, pixels += 4) {
            const unsigned a = pixels[3];
            pixels[0] = static_cast<uint8_t>((a * pixels[0]) >> 8);
            pixels[1] = static_cast<uint8_t>((a * pixels[1]) >> 8);
            pixels[2] = static_cast<uint8_t>((a * pixels[2]) >> 8);
        }
    } else if (channels == 2) {
        for (size_t i = 0; i < pixelCount; ++i, pixels += 2)
            pixels[0] = static_cast<uint8_t>((unsigned(pixels[1]) * pixels[0]) >> 8);
    }
}

// Decodes one PNG into result. On any failure the pixels are freed and the
// libpng structures destroyed before returning.
PngStatus decodePng(PngSource* source, bool premultiply, PngResult* result) {
    result->pixels = nullptr;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (!png) return PngStatus::InitFailed;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return PngStatus::InitFailed;
    }
    if (setjmp(png_jmpbuf(png))) {
        std::free(result->pixels);
        result->pixels = nullptr;
        png_destroy_read_struct(&png, &info, nullptr);
        return PngStatus::DecodeFailed;
    }
    png_set_read_fn(png, source, pngReadData);
    png_set_user_limits(png, ImageLoader::MaxDimension, ImageLoader::MaxDimension);
    // Ancillary chunks (profiles, compressed text) are allocated whole by
    // libpng, at the size a damaged file claims; none of ours is near this.
    png_set_chunk_malloc_max(png, ImageLoader::MaxChunkBytes);
    // Colour profiles, text and unknown chunks are never used: skipped
    // unread, so a damaged length in one costs nothing.
    static const png_byte skipped[] = "iCCP\0zTXt\0iTXt\0tEXt\0sPLT\0eXIf";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, skipped, 6);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    if (colorType == PNG_COLOR_TYPE_PALETTE || (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) ||
        png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_expand(png);
    png_set_strip_16(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const int channels = png_get_channels(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    if (channels < 1 || channels > 4 || rowBytes != size_t(width) * size_t(channels) || height == 0 ||
        rowBytes > ImageLoader::MaxImageBytes / height)
        png_error(png, "unsupported image size or layout");

    result->pixels = static_cast<uint8_t*>(std::malloc(rowBytes * height));
    if (!result->pixels) png_error(png, "out of memory");
    // Interlaced images are read pass by pass into the same rows.
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, result->pixels + size_t(height - 1 - y) * rowBytes, nullptr);

    // After all passes, so interlaced rows are multiplied once.
    if (premultiply) premultiplyRows(result->pixels, size_t(width) * height, channels);

    png_destroy_read_struct(&png, &info, nullptr);
    result->width = width;
    result->height = height;
    result->channels = channels;
    return PngStatus::Ok;
}

bool finishDecode(PngSource& source, bool premultiply, DecodedImage& image) {
    PngResult result{};
    const PngStatus status = decodePng(&source, premultiply, &result);
    if (status == PngStatus::InitFailed) {
        Logger::instance().writeLine("Unable to init PNG loader");
        return false;
    }
    if (status != PngStatus::Ok) {
        Logger::instance().writeLine("Error while loading PNG image");
        return false;
    }
    image = DecodedImage();
    image.pixels = result.pixels;
    image.width = static_cast<int32_t>(result.width);
    image.height = static_cast<int32_t>(result.height);
    image.channels = result.channels;
    image.format = formatForChannels(result.channels);
    return true;
}

}  // namespace

bool PNGLoader::readImage(const std::string& path, DecodedImage& image) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        Logger::instance().writeFormatted("PNG: unable to open %s", path.c_str());
        return false;
    }
    PngSource source{PngSourceKind::File, file, nullptr, 0, 0, nullptr};
    const bool ok = finishDecode(source, premultiply_, image);
    std::fclose(file);
    return ok;
}

bool PNGLoader::readImageFromMemory(const void* bytes, size_t size, DecodedImage& image) {
    if (!bytes) size = 0;
    PngSource source{PngSourceKind::Memory, nullptr, static_cast<const uint8_t*>(bytes), size, 0, nullptr};
    return finishDecode(source, premultiply_, image);
}

bool PNGLoader::readImageFromStream(std::istream& in, DecodedImage& image) {
    PngSource source{PngSourceKind::Stream, nullptr, nullptr, 0, 0, &in};
    return finishDecode(source, premultiply_, image);
}

Ref<Texture> PNGLoader::loadTexture(const std::string& path) {
    DecodedImage image;
    if (!readImage(path, image)) return Ref<Texture>();
    return createTexture("PNG", image);
}

Ref<Texture> PNGLoader::loadTextureFromMemory(const void* bytes, size_t size) {
    DecodedImage image;
    if (!readImageFromMemory(bytes, size, image)) return Ref<Texture>();
    return createTexture("PNG", image);
}

Ref<Texture> PNGLoader::loadTextureFromStream(std::istream& in) {
    DecodedImage image;
    if (!readImageFromStream(in, image)) return Ref<Texture>();
    return createTexture("PNG", image);
}

Ref<Texture3D> PNGLoader::loadTexture3D(const std::string& path, int32_t sliceHeight) {
    DecodedImage image;
    if (!readImage(path, image)) return Ref<Texture3D>();
    return createTexture3D("PNG", image, sliceHeight);
}

}  // namespace ember
