#include "InstanceFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "application/Logger.h"
#include "loaders/gzstream.h"
#include "rend/BufferObject.h"
#include "rend/TextureBuffer.h"

namespace qm {

using ember::Logger;

namespace {

bool readInt(std::istream& in, int32_t& value) {
    unsigned char b[4];
    if (!in.read(reinterpret_cast<char*>(b), 4)) return false;
    value = static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                                 uint32_t(b[3]) << 24);
    return true;
}

void writeInt(std::ostream& out, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    const char b[4] = {char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff), char(v >> 24)};
    out.write(b, 4);
}

// Reads count little-endian 32-bit words into values, growing it chunk by
// chunk so a damaged count costs memory only for bytes that are really there.
// False when the stream holds fewer.
template <typename T>
bool readWords(std::istream& in, std::vector<T>& values, size_t count) {
    static_assert(sizeof(T) == 4, "32-bit values");
    constexpr size_t kChunk = 1 << 16;
    values.clear();
    std::vector<unsigned char> bytes;
    while (values.size() < count) {
        const size_t n = std::min(kChunk, count - values.size());
        bytes.resize(n * 4);
        if (!in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()))) return false;
        const size_t base = values.size();
        values.resize(base + n);
        for (size_t i = 0; i < n; ++i) {
            const uint32_t w = uint32_t(bytes[4 * i]) | uint32_t(bytes[4 * i + 1]) << 8 |
                               uint32_t(bytes[4 * i + 2]) << 16 | uint32_t(bytes[4 * i + 3]) << 24;
            std::memcpy(&values[base + i], &w, 4);
        }
    }
    return true;
}

}  // namespace

bool InstanceFile::read(std::istream& in, bool animated, const std::string& what) {
    std::vector<int32_t> table;
    if (animated) {
        int32_t length = 0;
        if (!readInt(in, length)) {
            Logger::instance().writeFormatted("%s: missing frame table", what.c_str());
            return false;
        }
        if (length <= 0 || length > MaxFrameTable || length % 2 != 0) {
            Logger::instance().writeFormatted("%s: bad frame table length %d", what.c_str(), length);
            return false;
        }
        if (!readWords(in, table, static_cast<size_t>(length))) {
            Logger::instance().writeFormatted("%s: frame table cut short", what.c_str());
            return false;
        }
    }
    int32_t fileStride = 0, count = 0;
    if (!readInt(in, fileStride) || !readInt(in, count)) {
        Logger::instance().writeFormatted("%s: missing header", what.c_str());
        return false;
    }
    // Records are four floats each whatever the header claims, so any other
    // stride would make the buffer texture read across record boundaries.
    if (fileStride != RecordBytes) {
        Logger::instance().writeFormatted("%s: bad stride %d", what.c_str(), fileStride);
        return false;
    }
    if (count < 0 || count > MaxRecords) {
        Logger::instance().writeFormatted("%s: bad record count %d", what.c_str(), count);
        return false;
    }
    std::vector<float> data;
    if (!readWords(in, data, static_cast<size_t>(count) * RecordFloats)) {
        Logger::instance().writeFormatted("%s: %d records announced, fewer present", what.c_str(), count);
        return false;
    }
    for (size_t i = 0; i < table.size(); i += 2) {
        const int64_t first = table[i], n = table[i + 1];
        if (first < 0 || n < 0 || first + n > count) {
            Logger::instance().writeFormatted("%s: frame %d outside the records", what.c_str(), int(i / 2));
            return false;
        }
    }
    stride = fileStride;
    records.swap(data);
    frames.swap(table);
    return true;
}

bool InstanceFile::readFile(const std::string& path, bool animated) {
    ember::gzifstream in(path.c_str());
    if (!in.good()) {
        Logger::instance().writeFormatted("Unable to open instance file %s", path.c_str());
        return false;
    }
    return read(in, animated, path);
}

bool InstanceFile::write(std::ostream& out, bool animated) const {
    if (animated) {
        writeInt(out, static_cast<int32_t>(frames.size()));
        for (int32_t v : frames) writeInt(out, v);
    }
    writeInt(out, stride);
    writeInt(out, recordCount());
    for (float f : records) {
        int32_t bits;
        std::memcpy(&bits, &f, 4);
        writeInt(out, bits);
    }
    return bool(out);
}

ember::Ref<ember::TextureBuffer> InstanceFile::createTextureBuffer() const {
    ember::Ref<ember::VertexBuffer> buffer(new ember::VertexBuffer());
    buffer->setStride(stride);
    buffer->addAttribute(ember::AttributeSemantic::Position, 0, RecordFloats);
    if (!buffer->create()) {
        Logger::instance().writeLine("InstanceFile::createTextureBuffer() unable to create buffer");
        return {};
    }
    buffer->bind();
    buffer->bufferData(ember::BufferUsage::StaticDraw,
                       static_cast<GLsizeiptr>(records.size() * sizeof(float)),
                       records.empty() ? nullptr : records.data());
    buffer->unbind();
    ember::Ref<ember::TextureBuffer> texture(new ember::TextureBuffer());
    texture->setBuffer(buffer.get());
    return texture;
}

void InstanceFile::selectFrame(const std::vector<int32_t>& frames, float v, int32_t& first, int32_t& count) {
    const uint32_t pairs = static_cast<uint32_t>(frames.size() / 2);
    if (pairs == 0) {
        first = count = 0;
        return;
    }
    // Truncation toward zero first; the modulo on unsigned values then maps
    // negative frames the way two's complement wraps them.
    const int32_t whole = std::isfinite(v) && std::fabs(v) < 2147483520.0f ? static_cast<int32_t>(v) : 0;
    const uint32_t k = static_cast<uint32_t>(whole) % pairs;
    first = frames[2 * k];
    count = frames[2 * k + 1];
}

}  // namespace qm
