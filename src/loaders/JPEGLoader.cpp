#include "loaders/JPEGLoader.h"

#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "application/Logger.h"
#include "rend/Texture3D.h"

namespace ember {

namespace {

// libjpeg's fatal errors leave through longjmp. Everything that runs between
// setjmp and that jump is plain C working on the records below, which the C++
// caller owns; no frame with a destructor is ever unwound by the jump.

struct JpegFileSource {
    jpeg_source_mgr manager;  // first, so libjpeg's pointer converts back
    FILE* file;
    JOCTET buffer[JPEGLoader::ChunkSize];
};

struct JpegErrorHandler {
    jpeg_error_mgr manager;  // first, so libjpeg's pointer converts back
    jmp_buf jump;
};

struct JpegDecode {
    jpeg_decompress_struct info;
    JpegErrorHandler error;
    JpegFileSource source;
    uint8_t* pixels;
    uint32_t width;
    uint32_t height;
    int channels;
    int errorCode;
    const char* errorTemplate;
};

void sourceInit(j_decompress_ptr) {}

boolean sourceFill(j_decompress_ptr info) {
    JpegFileSource* source = reinterpret_cast<JpegFileSource*>(info->src);
    size_t got = std::fread(source->buffer, 1, JPEGLoader::ChunkSize, source->file);
    if (got == 0) {
        // End a file that stops early with an end-of-image marker, as often as
        // the decoder asks, so truncated images finish instead of failing.
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        got = 2;
    }
    source->manager.next_input_byte = source->buffer;
    source->manager.bytes_in_buffer = got;
    return TRUE;
}

void sourceSkip(j_decompress_ptr info, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* manager = info->src;
    while (count > static_cast<long>(manager->bytes_in_buffer)) {
        count -= static_cast<long>(manager->bytes_in_buffer);
        sourceFill(info);
    }
    manager->next_input_byte += count;
    manager->bytes_in_buffer -= static_cast<size_t>(count);
}

void sourceTerm(j_decompress_ptr) {}

void errorExit(j_common_ptr info) {
    JpegErrorHandler* handler = reinterpret_cast<JpegErrorHandler*>(info->err);
    longjmp(handler->jump, 1);
}

// Warnings (a premature end among them) are not worth a log line each.
void errorMessage(j_common_ptr) {}

// Returns true with pixels, size and channels in decode, or false with the
// error code and template; all libjpeg state is destroyed in both cases.
bool decodeJpeg(JpegDecode* decode) {
    decode->pixels = nullptr;
    decode->info.err = jpeg_std_error(&decode->error.manager);
    decode->error.manager.error_exit = errorExit;
    decode->error.manager.output_message = errorMessage;
    if (setjmp(decode->error.jump)) {
        const int code = decode->error.manager.msg_code;
        decode->errorCode = code;
        decode->errorTemplate = "";
        if (code >= 0 && code <= decode->error.manager.last_jpeg_message &&
            decode->error.manager.jpeg_message_table[code])
            decode->errorTemplate = decode->error.manager.jpeg_message_table[code];
        jpeg_destroy_decompress(&decode->info);
        std::free(decode->pixels);
        decode->pixels = nullptr;
        return false;
    }
    jpeg_create_decompress(&decode->info);
    decode->source.manager.init_source = sourceInit;
    decode->source.manager.fill_input_buffer = sourceFill;
    decode->source.manager.skip_input_data = sourceSkip;
    decode->source.manager.resync_to_restart = jpeg_resync_to_restart;
    decode->source.manager.term_source = sourceTerm;
    decode->source.manager.bytes_in_buffer = 0;
    decode->source.manager.next_input_byte = nullptr;
    decode->info.src = &decode->source.manager;

    jpeg_read_header(&decode->info, TRUE);
    decode->info.out_color_space = decode->info.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
    // Refuse huge images before the decoder allocates anything for them.
    const size_t maxComponents = 3;
    if (decode->info.image_width == 0 || decode->info.image_height == 0 ||
        decode->info.image_width > ImageLoader::MaxDimension ||
        decode->info.image_height > ImageLoader::MaxDimension ||
        size_t(decode->info.image_width) * maxComponents >
            ImageLoader::MaxImageBytes / size_t(decode->info.image_height))
        ERREXIT(&decode->info, JERR_IMAGE_TOO_BIG);
    jpeg_start_decompress(&decode->info);

    const size_t rowBytes = size_t(decode->info.output_width) * size_t(decode->info.output_components);
    const size_t height = decode->info.output_height;
    decode->pixels = static_cast<uint8_t*>(std::calloc(rowBytes * height, 1));
    if (!decode->pixels) ERREXIT1(&decode->info, JERR_OUT_OF_MEMORY, 0);
    while (decode->info.output_scanline < decode->info.output_height) {
        JSAMPROW row = decode->pixels + (height - 1 - decode->info.output_scanline) * rowBytes;
        jpeg_read_scanlines(&decode->info, &row, 1);
    }
    jpeg_finish_decompress(&decode->info);
    decode->width = decode->info.output_width;
    decode->height = decode->info.output_height;
    // The decoded channel count: a CMYK file converted to RGB has 3, not 4.
    decode->channels = decode->info.output_components;
    jpeg_destroy_decompress(&decode->info);
    return true;
}

}  // namespace

bool JPEGLoader::readImage(const std::string& path, DecodedImage& image) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    // Large (the decompressor and a 1 KiB buffer): keep it off the stack.
    JpegDecode* decode = static_cast<JpegDecode*>(std::calloc(1, sizeof(JpegDecode)));
    if (!decode) {
        std::fclose(file);
        return false;
    }
    decode->source.file = file;
    const bool ok = decodeJpeg(decode);
    std::fclose(file);
    if (!ok) {
        Logger::instance().writeFormatted("Error while loading JPEG image %s (%d %s)", path.c_str(),
                                          decode->errorCode, decode->errorTemplate);
        std::free(decode);
        return false;
    }
    image = DecodedImage();
    image.pixels = decode->pixels;
    image.width = static_cast<int32_t>(decode->width);
    image.height = static_cast<int32_t>(decode->height);
    image.channels = decode->channels;
    image.format = decode->channels == 1 ? TextureFormat::R8 : TextureFormat::RGB8;
    std::free(decode);
    return true;
}

Ref<Texture> JPEGLoader::loadTexture(const std::string& path) {
    DecodedImage image;
    if (!readImage(path, image)) return Ref<Texture>();
    return createTexture("JPEG", image);
}

Ref<Texture3D> JPEGLoader::loadTexture3D(const std::string& path, int32_t sliceHeight) {
    DecodedImage image;
    if (!readImage(path, image)) return Ref<Texture3D>();
    return createTexture3D("JPEG", image, sliceHeight);
}

Ref<Texture> JPEGLoader::loadTextureFromMemory(const void*, size_t) {
    return Ref<Texture>();
}

Ref<Texture> JPEGLoader::loadTextureFromStream(std::istream&) {
    return Ref<Texture>();
}

}  // namespace ember
