#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// Writes 8-bit RGB images as PNG through libpng. The output depends only on
// the pixels (no time stamps), so equal frames give equal files.
class PngWriter {
public:
    // rgb: width × height × 3 bytes, top row first. False with *error set
    // when the file cannot be created or written; no partial file is left.
    static bool write(const std::string& path, int32_t width, int32_t height, const std::vector<uint8_t>& rgb,
                      std::string* error);
};

}  // namespace qm
