#pragma once
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "core/Object.h"

namespace ember {
class TextureBuffer;
class VertexBuffer;
}  // namespace ember

namespace qm {

// The per-instance records of the Intro's cube clouds: four floats per
// record, which a program reads as texel k of a buffer texture. A plain
// instance file (".vbo") holds stride, count and the records; an animated
// one (".avbo") starts with a frame table of (first record, record count)
// pairs in front of the same data. Every value is 32 bits, least significant
// byte first; files may be gzip-compressed.
class InstanceFile {
public:
    static constexpr int32_t RecordFloats = 4;
    static constexpr int32_t RecordBytes = 16;
    // More records than this is taken for damage (64 MiB of records).
    static constexpr int32_t MaxRecords = 1 << 22;
    static constexpr int32_t MaxFrameTable = 1 << 20;

    int32_t stride = RecordBytes;
    std::vector<float> records;   // recordCount() x 4 floats
    std::vector<int32_t> frames;  // animated files: first, count, first, count, ...

    int32_t recordCount() const { return static_cast<int32_t>(records.size() / RecordFloats); }
    int32_t frameCount() const { return static_cast<int32_t>(frames.size() / 2); }

    // Reads a whole file from in. Counts are checked against the limits and
    // against the bytes actually present before anything is kept; a stride
    // other than 16, a count that does not fit, an odd frame table or a frame
    // pointing outside the records fails with one log line naming `what`.
    bool read(std::istream& in, bool animated, const std::string& what);
    // Opens path through the compressed-stream reader and reads it. False
    // with one log line when the file does not open or read fails.
    bool readFile(const std::string& path, bool animated);
    // Writes the layout read expects (with the frame table when animated).
    // False when the stream fails.
    bool write(std::ostream& out, bool animated) const;

    // Uploads the records into a static vertex buffer (one four-float
    // "POSITION" attribute, the file's stride) wrapped by a buffer texture of
    // four floats per texel. Needs a current GL context; null (logged) when a
    // GL object cannot be created.
    ember::Ref<ember::TextureBuffer> createTextureBuffer() const;

    // The frame a dance envelope value selects: v truncated toward zero, then
    // taken modulo the number of pairs on unsigned 32-bit values (so negative
    // values wrap the way the stored files expect). An empty table selects
    // (0, 0).
    static void selectFrame(const std::vector<int32_t>& frames, float v, int32_t& first, int32_t& count);
};

}  // namespace qm
