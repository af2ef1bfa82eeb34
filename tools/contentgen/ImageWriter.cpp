#include "ImageWriter.h"

#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>

namespace qmgen {

bool Image8::valid() const {
    return width > 0 && height > 0 && channels >= 1 && channels <= 4 &&
           pixels.size() == static_cast<size_t>(width) * height * channels;
}

namespace {

// Opens `path` for binary writing, creating its directory first.
FILE* openForWriting(const std::string& path) {
    std::error_code ec;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    if (ec) {
        std::fprintf(stderr, "cannot create %s: %s\n", parent.c_str(), ec.message().c_str());
        return nullptr;
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return f;
}

// Closes `f` and reports a failed flush (a full disk shows up only here).
bool closeFile(FILE* f, const std::string& path) {
    bool ok = std::fflush(f) == 0 && !std::ferror(f);
    ok = std::fclose(f) == 0 && ok;
    if (!ok) std::fprintf(stderr, "error while writing %s\n", path.c_str());
    return ok;
}

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

// libjpeg's default handler calls exit(); jump back to the writer instead.
void jpegErrorExit(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, message);
    std::fprintf(stderr, "libjpeg: %s\n", message);
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

}  // namespace

bool writePNG(const std::string& path, const Image8& image) {
    if (!image.valid()) {
        std::fprintf(stderr, "writePNG %s: invalid image\n", path.c_str());
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        std::fprintf(stderr, "writePNG %s: out of memory\n", path.c_str());
        return false;
    }
    FILE* f = openForWriting(path);
    if (!f) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        std::fprintf(stderr, "writePNG %s: libpng error\n", path.c_str());
        return false;
    }
    static const int colorTypes[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB,
                                     PNG_COLOR_TYPE_RGB_ALPHA};
    png_init_io(png, f);
    png_set_IHDR(png, info, image.width, image.height, 8, colorTypes[image.channels - 1], PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    const size_t stride = static_cast<size_t>(image.width) * image.channels;
    for (int y = 0; y < image.height; ++y) {
        png_write_row(png, const_cast<png_bytep>(image.pixels.data() + y * stride));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return closeFile(f, path);
}

bool writeJPEG(const std::string& path, const Image8& image, int quality) {
    if (!image.valid() || (image.channels != 1 && image.channels != 3)) {
        std::fprintf(stderr, "writeJPEG %s: needs a valid grey or RGB image\n", path.c_str());
        return false;
    }
    FILE* f = openForWriting(path);
    if (!f) return false;

    jpeg_compress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegErrorExit;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::fclose(f);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = static_cast<JDIMENSION>(image.width);
    cinfo.image_height = static_cast<JDIMENSION>(image.height);
    cinfo.input_components = image.channels;
    cinfo.in_color_space = image.channels == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality < 1 ? 1 : (quality > 100 ? 100 : quality), TRUE);
    cinfo.optimize_coding = TRUE;
    // Thin coloured lines smear with subsampled chroma; keep it at full resolution.
    for (int c = 0; c < cinfo.num_components; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    const size_t stride = static_cast<size_t>(image.width) * image.channels;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.pixels.data() + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return closeFile(f, path);
}

}  // namespace qmgen
