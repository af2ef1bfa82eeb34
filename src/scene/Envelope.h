#pragma once
#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <vector>

#include "core/Object.h"

namespace ember {

// A one-dimensional key-framed curve with LightWave's key shapes and
// before/after behaviours. Times are beats of the song (the scene loader
// converts the file's seconds once at load). Evaluation never fails and never
// divides by a zero span.
class Envelope : public Object {
public:
    // Interpolation toward a key, stored in Key::shape.
    enum Shape : int32_t {
        TCB = 0,
        Hermite = 1,
        Bezier = 2,
        Linear = 3,
        Stepped = 4,
        Bezier2 = 5,
        // 6 has no name and is treated as Hermite; any other value evaluates to 0.
    };

    // Behaviour before the first key (preBehavior) and after the last (postBehavior).
    enum Behavior : int32_t {
        Reset = 0,         // value 0
        Constant = 1,      // the end key's value
        Repeat = 2,        // the key range over and over
        Oscillate = 3,     // the key range forth and back
        OffsetRepeat = 4,  // repeat, each period shifted by (last - first value)
        LinearExtend = 5,  // along the end key's tangent
    };

    // One key. param[0..3] are the Hermite/Bezier tangents and the Bezier2
    // handles: param[0], param[1] incoming time/value, param[2], param[3]
    // outgoing time/value. prev/next link the envelope's keys in time order.
    struct Key {
        float value = 0.0f;
        float time = 0.0f;
        int32_t shape = TCB;
        float tension = 0.0f;
        float continuity = 0.0f;
        float bias = 0.0f;
        float param[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        Key* prev = nullptr;
        Key* next = nullptr;
    };

    // Size of one key in the packed form and of the packed header ("ENVL",
    // pre, post, tag, count), in bytes.
    static constexpr int KeyRecordSize = 40;
    static constexpr int HeaderSize = 20;
    // Most keys one envelope accepts from a file; more is taken for damage.
    static constexpr int32_t MaxKeys = 65536;

    // Empty, both behaviours constant, tag 0.
    Envelope() = default;
    ~Envelope() override = default;

    // Copies key (its links are ignored) into storage owned by the envelope and
    // links the copy into the list in time order: before the first key with a
    // strictly greater time, or at the end, so among equal times the newest
    // key comes last. Returns the stored key, valid while the envelope lives.
    Key* addKey(const Key& key);

    // Value at time t (beats); 0 without keys, the key's value with one key.
    float evaluate(float t) const;

    // Reads the packed form: "ENVL", preBehavior, postBehavior, tag, key count
    // (i32 each, least significant byte first), then count 40-byte keys, each
    // added with addKey. Returns false and logs when the magic differs, the
    // count is 0, negative or above MaxKeys, or the stream ends inside a key;
    // the behaviours and tag read before the failure, and the keys read
    // before a short key, are kept.
    bool read(std::istream& in);
    // Writes the packed form with the keys in list order. Returns false (and
    // logs) when the stream is not good afterwards.
    bool write(std::ostream& out) const;

    int32_t keyCount() const { return keyCount_; }
    const Key* firstKey() const { return first_; }
    const Key* lastKey() const { return last_; }

    int32_t tag = 0;
    int32_t preBehavior = Constant;
    int32_t postBehavior = Constant;

private:
    // Tangent leaving k toward n, and arriving at n from k.
    static float outgoing(const Key& k, const Key& n);
    static float incoming(const Key& k, const Key& n);
    // Two-dimensional Bezier span toward a key of shape 5.
    static float bezier2(const Key& k, const Key& n, float t);

    int32_t keyCount_ = 0;
    Key* first_ = nullptr;
    Key* last_ = nullptr;
    // Each key on its own, so its address stays valid as keys are added and a
    // one-key envelope costs one small allocation.
    std::vector<std::unique_ptr<Key>> storage_;
};

}  // namespace ember
