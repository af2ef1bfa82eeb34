#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qmgen {

// An 8-bit image, rows top first, channels interleaved (1 grey, 3 RGB, 4 RGBA).
struct Image8 {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint8_t> pixels;

    // True when the size is positive and the pixel buffer matches it.
    bool valid() const;
};

// Writes `image` as a PNG (8 bits per channel, no ancillary chunks, so the bytes depend only on
// the pixels). Creates missing parent directories. Returns false after printing why to stderr.
bool writePNG(const std::string& path, const Image8& image);

// Writes `image` (1 or 3 channels) as a baseline JFIF with the given quality (1-100), full-resolution
// chroma and optimised Huffman tables. Creates missing parent directories. Returns false after
// printing why to stderr.
bool writeJPEG(const std::string& path, const Image8& image, int quality);

}  // namespace qmgen
