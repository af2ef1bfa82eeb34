#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Small files the loader tests write for themselves: PNG and JPEG images
// encoded with libpng/libjpeg, mesh files assembled block by block, gzip
// copies, and a log that can be read back.
namespace loadertest {

using Bytes = std::vector<uint8_t>;

// Opens a fresh log file in the working directory; contents() reads it back.
class LogCapture {
public:
    explicit LogCapture(const std::string& path = "loaders_test.log");
    ~LogCapture();
    std::string contents() const;
    bool contains(const std::string& text) const { return contents().find(text) != std::string::npos; }

private:
    std::string path_;
};

struct PngSpec {
    uint32_t width = 1;
    uint32_t height = 1;
    int colorType = 6;  // PNG_COLOR_TYPE_RGBA
    int bitDepth = 8;
    bool interlaced = false;
    Bytes rows;          // top row first, packed as libpng expects for colorType/bitDepth
    Bytes palette;       // RGB triples for palette images
    Bytes transparency;  // tRNS entries for palette images
};

// Encodes spec as a PNG; empty on failure.
Bytes encodePng(const PngSpec& spec);
// Top row first; components 1 (grey) or 3 (RGB).
Bytes encodeJpeg(uint32_t width, uint32_t height, int components, const Bytes& pixels, int quality = 90);

bool writeFile(const std::string& path, const Bytes& bytes);
Bytes readFile(const std::string& path);
// Writes bytes gzip-compressed.
bool writeGzip(const std::string& path, const Bytes& bytes);

// Byte offsets where the chunks of a PNG begin (after the signature) and where
// the markers of a JPEG begin.
std::vector<size_t> pngChunkOffsets(const Bytes& png);
std::vector<size_t> jpegMarkerOffsets(const Bytes& jpeg);
// Rewrites the CRC of the PNG chunk at offset after its data was changed.
void fixPngChunkCrc(Bytes& png, size_t offset);

// A mesh file built block by block; every field can be set to a damaged value.
struct MeshSpec {
    char meshTag[4] = {'R', 'M', 'S', 'H'};
    uint16_t meshVersion = 0x0101;
    char vertexTag[4] = {'V', 'T', 'X', 'A'};
    uint16_t vertexVersion = 0x0101;
    uint32_t flags = 0x0B;
    uint32_t vertexCount = 0;  // 0 means "as many as vertexData holds"
    Bytes vertexData;
    char indexTag[4] = {'I', 'D', 'X', ' '};
    uint16_t indexVersion = 0x0101;
    uint16_t indexSize = 2;
    uint32_t indexCount = 0;  // 0 means "as many as indices holds"
    std::vector<uint32_t> indices;
    char binTag[4] = {'I', 'B', 'I', 'N'};
    uint16_t binVersion = 0x0101;
    uint32_t binCount = 0;  // 0 means "as many as bins holds"
    struct Bin {
        uint32_t first, reserved, count, minIndex, maxIndex, primitive;
    };
    std::vector<Bin> bins;
    bool writeSkin = false;
    char skinTag[4] = {'S', 'K', 'I', 'N'};
    uint32_t skinVersion = 0x101;
    uint32_t boneCount = 0;  // 0 means "as many as bones holds"
    uint32_t entryCount = 0;
    std::vector<std::string> bones;
    struct Entry {
        uint32_t a, b;
        float w;
    };
    std::vector<Entry> entries;
};

// The stride of flags (sum of the present attributes' sizes).
int strideOf(uint32_t flags);
// A valid mesh: vertexCount vertices of flags, a triangle list over them in one bin.
MeshSpec simpleMesh(uint32_t flags, uint32_t vertexCount, uint16_t indexSize);
Bytes encodeMesh(const MeshSpec& spec);
// Offsets where each block begins (mesh, vertex, vertex data, index header,
// index data, bins header, bin records, skin header, bones, entries) and the end.
std::vector<size_t> meshBlockOffsets(const MeshSpec& spec);

}  // namespace loadertest
