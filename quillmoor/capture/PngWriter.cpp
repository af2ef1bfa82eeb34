#include "capture/PngWriter.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qm {

namespace {

// libpng reports errors by longjmp; the jump lands in write() below.
void onPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    if (error) *error = message ? message : "libpng error";
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

}  // namespace

bool PngWriter::write(const std::string& path, int32_t width, int32_t height, const std::vector<uint8_t>& rgb,
                      std::string* error) {
    if (width <= 0 || height <= 0 ||
        rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) {
        *error = "image size does not match its pixels";
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    std::string pngError;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &pngError, onPngError, onPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(file);
        std::remove(path.c_str());
        *error = "out of memory for libpng";
        return false;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y)
        rows[static_cast<size_t>(y)] = const_cast<png_bytep>(rgb.data() + static_cast<size_t>(y) * width * 3);

    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        std::remove(path.c_str());
        *error = "cannot write " + path + ": " + pngError;
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    // Fast compression: frames of a long range must not wait on zlib.
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(file) != 0 || std::ferror(file)) {
        std::fclose(file);
        std::remove(path.c_str());
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    if (std::fclose(file) != 0) {
        std::remove(path.c_str());
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace qm
