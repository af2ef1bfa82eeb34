#pragma once
#include <cstdint>
#include <istream>
#include <ostream>

namespace ember {

// Reading and writing the post-processing settings blocks: four-byte tags,
// IEEE single floats and 32-bit signed integers least significant byte first,
// flags as one byte each, no padding. The readers fail (false) on a short
// stream so a truncated file never leaves half-read garbage unnoticed.
class ParameterBlock {
public:
    // Reads four bytes and compares them with tag; false on a short read or a
    // different tag.
    static bool readTag(std::istream& in, const char* tag);
    static void writeTag(std::ostream& out, const char* tag);

    static bool readFloats(std::istream& in, float* values, int32_t count);
    static void writeFloats(std::ostream& out, const float* values, int32_t count);

    static bool readInts(std::istream& in, int32_t* values, int32_t count);
    static void writeInts(std::ostream& out, const int32_t* values, int32_t count);

    // Any non-zero byte reads as true; flags are written as 0 or 1.
    static bool readFlags(std::istream& in, bool* values, int32_t count);
    static void writeFlags(std::ostream& out, const bool* values, int32_t count);
};

}  // namespace ember
