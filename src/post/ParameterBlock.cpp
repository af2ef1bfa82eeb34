#include "post/ParameterBlock.h"

#include <cstring>

namespace ember {

namespace {

bool readBytes(std::istream& in, unsigned char* bytes, size_t count) {
    in.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(count));
    return static_cast<size_t>(in.gcount()) == count && !in.fail();
}

uint32_t fromLittleEndian(const unsigned char* b) {
    return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}

void toLittleEndian(uint32_t v, unsigned char* b) {
    b[0] = static_cast<unsigned char>(v);
    b[1] = static_cast<unsigned char>(v >> 8);
    b[2] = static_cast<unsigned char>(v >> 16);
    b[3] = static_cast<unsigned char>(v >> 24);
}

template <class T>
bool readWords(std::istream& in, T* values, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        unsigned char b[4];
        if (!readBytes(in, b, 4)) return false;
        const uint32_t word = fromLittleEndian(b);
        std::memcpy(&values[i], &word, 4);
    }
    return true;
}

template <class T>
void writeWords(std::ostream& out, const T* values, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        uint32_t word;
        std::memcpy(&word, &values[i], 4);
        unsigned char b[4];
        toLittleEndian(word, b);
        out.write(reinterpret_cast<const char*>(b), 4);
    }
}

}  // namespace

bool ParameterBlock::readTag(std::istream& in, const char* tag) {
    unsigned char b[4];
    if (!readBytes(in, b, 4)) return false;
    return std::memcmp(b, tag, 4) == 0;
}

void ParameterBlock::writeTag(std::ostream& out, const char* tag) {
    out.write(tag, 4);
}

bool ParameterBlock::readFloats(std::istream& in, float* values, int32_t count) {
    static_assert(sizeof(float) == 4, "IEEE single floats expected");
    return readWords(in, values, count);
}

void ParameterBlock::writeFloats(std::ostream& out, const float* values, int32_t count) {
    writeWords(out, values, count);
}

bool ParameterBlock::readInts(std::istream& in, int32_t* values, int32_t count) {
    return readWords(in, values, count);
}

void ParameterBlock::writeInts(std::ostream& out, const int32_t* values, int32_t count) {
    writeWords(out, values, count);
}

bool ParameterBlock::readFlags(std::istream& in, bool* values, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        unsigned char b;
        if (!readBytes(in, &b, 1)) return false;
        values[i] = b != 0;
    }
    return true;
}

void ParameterBlock::writeFlags(std::ostream& out, const bool* values, int32_t count) {
    for (int32_t i = 0; i < count; ++i) out.put(values[i] ? '\1' : '\0');
}

}  // namespace ember
