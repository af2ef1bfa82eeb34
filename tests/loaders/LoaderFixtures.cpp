#include "LoaderFixtures.h"

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "application/Logger.h"

namespace loadertest {

LogCapture::LogCapture(const std::string& path) : path_(path) {
    ember::Logger::instance().open(path_);
}
LogCapture::~LogCapture() {
    ember::Logger::instance().close();
}

std::string LogCapture::contents() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

namespace {

void pngWrite(png_structp png, png_bytep data, png_size_t size) {
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}
void pngFlush(png_structp) {}

// Plain C between setjmp and libpng's jumps; the caller owns out.
bool encodePngInto(const PngSpec* spec, png_bytep* rows, Bytes* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, pngWrite, pngFlush);
    png_set_IHDR(png, info, spec->width, spec->height, spec->bitDepth, spec->colorType,
                 spec->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (spec->colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(spec->palette.data()),
                     static_cast<int>(spec->palette.size() / 3));
    if (!spec->transparency.empty())
        png_set_tRNS(png, info, spec->transparency.data(), static_cast<int>(spec->transparency.size()),
                     nullptr);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

Bytes encodePng(const PngSpec& spec) {
    Bytes out;
    const int channels[] = {1, 0, 3, 1, 2, 0, 4};
    const size_t bits = size_t(spec.width) * channels[spec.colorType] * spec.bitDepth;
    const size_t rowBytes = (bits + 7) / 8;
    if (spec.rows.size() < rowBytes * spec.height) return out;
    std::vector<png_bytep> rows(spec.height);
    for (uint32_t y = 0; y < spec.height; ++y)
        rows[y] = const_cast<png_bytep>(spec.rows.data() + y * rowBytes);
    if (!encodePngInto(&spec, rows.data(), &out)) out.clear();
    return out;
}

Bytes encodeJpeg(uint32_t width, uint32_t height, int components, const Bytes& pixels, int quality) {
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + size_t(info.next_scanline) * width * components);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

bool writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writeGzip(const std::string& path, const Bytes& bytes) {
    gzFile file = gzopen(path.c_str(), "wb");
    if (!file) return false;
    const int written = bytes.empty() ? 0 : gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size()));
    return gzclose(file) == Z_OK && written == static_cast<int>(bytes.size());
}

static uint32_t be32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

std::vector<size_t> pngChunkOffsets(const Bytes& png) {
    std::vector<size_t> offsets;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        offsets.push_back(at);
        at += 12 + be32(png.data() + at);
    }
    return offsets;
}

void fixPngChunkCrc(Bytes& png, size_t offset) {
    const uint32_t length = be32(png.data() + offset);
    const uLong crc = crc32(0, png.data() + offset + 4, length + 4);
    uint8_t* p = png.data() + offset + 8 + length;
    p[0] = uint8_t(crc >> 24);
    p[1] = uint8_t(crc >> 16);
    p[2] = uint8_t(crc >> 8);
    p[3] = uint8_t(crc);
}

std::vector<size_t> jpegMarkerOffsets(const Bytes& jpeg) {
    std::vector<size_t> offsets;
    size_t at = 0;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
        offsets.push_back(at);
        const uint8_t marker = jpeg[at + 1];
        if (marker == 0xD8) {  // SOI has no length
            at += 2;
            continue;
        }
        const size_t length = (size_t(jpeg[at + 2]) << 8) | jpeg[at + 3];
        at += 2 + length;
        if (marker == 0xDA) break;  // entropy-coded data follows the scan header
    }
    if (at < jpeg.size()) offsets.push_back(at);
    return offsets;
}

int strideOf(uint32_t flags) {
    return (flags & 1 ? 12 : 0) + (flags & 2 ? 12 : 0) + (flags & 4 ? 16 : 0) + (flags & 8 ? 8 : 0) +
           (flags & 16 ? 4 : 0);
}

MeshSpec simpleMesh(uint32_t flags, uint32_t vertexCount, uint16_t indexSize) {
    MeshSpec spec;
    spec.flags = flags;
    const int stride = strideOf(flags);
    spec.vertexData.resize(size_t(vertexCount) * stride);
    for (size_t i = 0; i < spec.vertexData.size(); ++i) spec.vertexData[i] = uint8_t(i * 7 + 3);
    spec.indexSize = indexSize;
    const uint32_t triangles = vertexCount / 3;
    for (uint32_t i = 0; i < triangles * 3; ++i) spec.indices.push_back(i);
    if (!spec.indices.empty())
        spec.bins.push_back({0, 7, uint32_t(spec.indices.size()), 0, triangles * 3 - 1, 4});
    return spec;
}

namespace {
void put16(Bytes& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void put32(Bytes& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
void putTag(Bytes& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

struct Encoded {
    Bytes bytes;
    std::vector<size_t> offsets;
};

Encoded encode(const MeshSpec& s) {
    Encoded e;
    Bytes& out = e.bytes;
    auto mark = [&] { e.offsets.push_back(out.size()); };
    const int stride = strideOf(s.flags);
    mark();
    putTag(out, s.meshTag);
    put16(out, s.meshVersion);
    put16(out, 0);
    mark();
    putTag(out, s.vertexTag);
    put16(out, s.vertexVersion);
    put16(out, 0);
    put32(out, s.flags);
    put32(out, s.vertexCount ? s.vertexCount : (stride ? uint32_t(s.vertexData.size() / stride) : 0));
    mark();
    out.insert(out.end(), s.vertexData.begin(), s.vertexData.end());
    mark();
    putTag(out, s.indexTag);
    put16(out, s.indexVersion);
    put16(out, s.indexSize);
    put32(out, s.indexCount ? s.indexCount : uint32_t(s.indices.size()));
    mark();
    for (uint32_t index : s.indices) {
        if (s.indexSize == 4)
            put32(out, index);
        else
            put16(out, index);
    }
    mark();
    putTag(out, s.binTag);
    put16(out, s.binVersion);
    put16(out, 0);
    put32(out, s.binCount ? s.binCount : uint32_t(s.bins.size()));
    mark();
    for (const MeshSpec::Bin& b : s.bins) {
        put32(out, b.first);
        put32(out, b.reserved);
        put32(out, b.count);
        put32(out, b.minIndex);
        put32(out, b.maxIndex);
        put32(out, b.primitive);
    }
    if (s.writeSkin) {
        mark();
        putTag(out, s.skinTag);
        put32(out, s.skinVersion);
        put32(out, s.boneCount ? s.boneCount : uint32_t(s.bones.size()));
        put32(out, s.entryCount ? s.entryCount : uint32_t(s.entries.size()));
        mark();
        for (const std::string& bone : s.bones) {
            Bytes name(128, 0);
            std::memcpy(name.data(), bone.data(), std::min<size_t>(bone.size(), 128));
            out.insert(out.end(), name.begin(), name.end());
        }
        mark();
        for (const MeshSpec::Entry& entry : s.entries) {
            put32(out, entry.a);
            put32(out, entry.b);
            uint32_t bits;
            std::memcpy(&bits, &entry.w, 4);
            put32(out, bits);
        }
    }
    mark();
    return e;
}
}  // namespace

Bytes encodeMesh(const MeshSpec& spec) {
    return encode(spec).bytes;
}
std::vector<size_t> meshBlockOffsets(const MeshSpec& spec) {
    return encode(spec).offsets;
}

}  // namespace loadertest
