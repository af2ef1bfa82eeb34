#pragma once
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "core/Object.h"

namespace ember {
class BlitEngine;
class Envelope;
class Part;
}  // namespace ember

namespace qm {

// The layout of a part's parameter file: the composite's "BLIT" block, then
// the part's items in the order it lists them. An envelope item is one "ENVL"
// block; a raw item is a run of floats stored as they are (IEEE single, least
// significant byte first). The file has no header, count or checksum, so the
// list is the only thing that tells the blocks apart and every part describes
// its file once, here, for both directions.
//
// The list holds borrowed pointers into the part's fields; it must not
// outlive them.
class PartParameters {
public:
    // Appends an envelope item. load puts a fresh envelope into *slot
    // (releasing the one there) before reading it.
    PartParameters& envelope(ember::Ref<ember::Envelope>* slot);
    // Appends count raw floats stored at values.
    PartParameters& floats(float* values, int32_t count);

    // Reads the file: the "BLIT" block into blit (false when its read fails),
    // then the depth-of-field blur's pass count is forced to 2 whatever the
    // block held, then the items in order. An envelope that fails to read
    // makes load return false at once; envelopes replaced before it keep
    // their new contents. Raw floats are read without checks: values past the
    // end of the file keep their previous contents and load still succeeds.
    bool load(std::istream& in, ember::BlitEngine& blit) const;
    // Writes the same layout. False as soon as the composite's or an
    // envelope's write fails (or an envelope slot is empty, logged).
    bool save(std::ostream& out, ember::BlitEngine& blit) const;

    // Opens "data/" + fileName through the compressed-stream reader (plain or
    // gzip) and hands it to part.load. False with one log line when the file
    // does not open; false when load fails.
    static bool loadFile(ember::Part& part, const std::string& fileName);

    size_t itemCount() const { return items_.size(); }

private:
    struct Item {
        ember::Ref<ember::Envelope>* envelope = nullptr;
        float* values = nullptr;
        int32_t count = 0;
    };
    std::vector<Item> items_;
};

}  // namespace qm
