#include "scene/Envelope.h"

#include <cmath>
#include <cstring>
#include <string>

#include "application/Logger.h"

namespace ember {

namespace {

const char* const kSource = "src/scene/Envelope";

// Bisection steps of a Bezier2 span before the midpoint is taken as it is.
constexpr int kBezierDepth = 256;

// Cubic Bezier in power form.
float bezier(float p0, float p1, float p2, float p3, float s) {
    const float c = 3.0f * (p1 - p0);
    const float b = 3.0f * (p2 - p1) - c;
    const float a = p3 - p0 - c - b;
    return ((a * s + b) * s + c) * s + p0;
}

// t folded into the key range [lo, hi]; n receives the number of whole
// periods that were removed (negative before the range). n stays a float so
// that absurd times cannot overflow an integer conversion.
float wrap(float t, float lo, float hi, float& n) {
    const float r = hi - lo;
    if (r == 0.0f) {
        n = 0.0f;
        return lo;
    }
    const float folded = t - r * std::floor((t - lo) / r);
    const float s = folded > t ? 0.5f : -0.5f;
    n = -std::trunc((folded - t) / r + s);
    return folded;
}

bool isOdd(float n) {
    return std::fmod(n, 2.0f) != 0.0f;
}

// num / den for the tangent scale factors; the callers only reach it with
// den >= num > 0, the guard keeps hand-made key lists harmless.
float ratio(float num, float den) {
    return den != 0.0f ? num / den : 1.0f;
}

uint32_t getU32(const unsigned char* b) {
    return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}

int32_t getI32(const unsigned char* b) {
    const uint32_t u = getU32(b);
    int32_t v;
    std::memcpy(&v, &u, 4);
    return v;
}

float getF32(const unsigned char* b) {
    const uint32_t u = getU32(b);
    float v;
    std::memcpy(&v, &u, 4);
    return v;
}

void putU32(unsigned char* b, uint32_t u) {
    b[0] = static_cast<unsigned char>(u);
    b[1] = static_cast<unsigned char>(u >> 8);
    b[2] = static_cast<unsigned char>(u >> 16);
    b[3] = static_cast<unsigned char>(u >> 24);
}

void putI32(unsigned char* b, int32_t v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    putU32(b, u);
}

void putF32(unsigned char* b, float v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    putU32(b, u);
}

bool readBytes(std::istream& in, unsigned char* bytes, std::streamsize count) {
    in.read(reinterpret_cast<char*>(bytes), count);
    return in.gcount() == count;
}

void fail(const char* function, int line, const std::string& text) {
    Logger::instance().writeLocated(kSource, function, line, text);
}

// The repeating behaviours bring a time outside the keys back into the key
// range [f, l] in the same way before the first key as after the last. True
// with t folded and offset set (OffsetRepeat shifts each period by the value
// span); false, t and offset untouched, for the behaviours that do not repeat.
bool foldIntoKeys(int32_t behavior, const Envelope::Key& f, const Envelope::Key& l, float& t, float& offset) {
    float n = 0.0f;
    switch (behavior) {
        case Envelope::Repeat:
            t = wrap(t, f.time, l.time, n);
            return true;
        case Envelope::Oscillate: {
            const float w = wrap(t, f.time, l.time, n);
            // Mirrored about the key range, so the folded time stays inside the
            // keys whatever time the first key has.
            t = isOdd(n) ? l.time - (w - f.time) : w;
            return true;
        }
        case Envelope::OffsetRepeat:
            t = wrap(t, f.time, l.time, n);
            offset = n * (l.value - f.value);
            return true;
        default:
            return false;
    }
}

}  // namespace

Envelope::Key* Envelope::addKey(const Key& key) {
    storage_.push_back(std::make_unique<Key>(key));
    Key* k = storage_.back().get();
    k->prev = nullptr;
    k->next = nullptr;
    if (!first_) {
        first_ = last_ = k;
    } else {
        Key* after = first_;
        while (after && !(after->time > k->time)) after = after->next;
        if (!after) {
            k->prev = last_;
            last_->next = k;
            last_ = k;
        } else {
            k->next = after;
            k->prev = after->prev;
            if (after->prev)
                after->prev->next = k;
            else
                first_ = k;
            after->prev = k;
        }
    }
    ++keyCount_;
    return k;
}

float Envelope::outgoing(const Key& k, const Key& n) {
    const Key* p = k.prev;
    switch (k.shape) {
        case TCB: {
            const float a = (1.0f - k.tension) * (1.0f + k.continuity) * (1.0f + k.bias);
            const float b = (1.0f - k.tension) * (1.0f - k.continuity) * (1.0f - k.bias);
            const float d = n.value - k.value;
            if (!p) return b * d;
            return ratio(n.time - k.time, n.time - p->time) * (a * (k.value - p->value) + b * d);
        }
        case Hermite:
        case Bezier:
        case 6:
            if (!p) return k.param[1];
            return k.param[1] * ratio(n.time - k.time, n.time - p->time);
        case Linear: {
            const float d = n.value - k.value;
            if (!p) return d;
            return ratio(n.time - k.time, n.time - p->time) * ((k.value - p->value) + d);
        }
        case Bezier2: {
            const float x = k.param[3] * (n.time - k.time);
            return std::fabs(k.param[2]) > 0.00001f ? x / k.param[2] : x * 100000.0f;
        }
        default:
            return 0.0f;
    }
}

float Envelope::incoming(const Key& k, const Key& n) {
    const Key* q = n.next;
    switch (n.shape) {
        case TCB: {
            const float a = (1.0f - n.tension) * (1.0f - n.continuity) * (1.0f + n.bias);
            const float b = (1.0f - n.tension) * (1.0f + n.continuity) * (1.0f - n.bias);
            const float d = n.value - k.value;
            if (!q) return a * d;
            return ratio(n.time - k.time, q->time - k.time) * (b * (q->value - n.value) + a * d);
        }
        case Hermite:
        case Bezier:
        case 6:
            if (!q) return n.param[0];
            return n.param[0] * ratio(n.time - k.time, q->time - k.time);
        case Linear: {
            const float d = n.value - k.value;
            if (!q) return d;
            return ratio(n.time - k.time, q->time - k.time) * ((q->value - n.value) + d);
        }
        case Bezier2: {
            const float x = n.param[1] * (n.time - k.time);
            return std::fabs(n.param[0]) > 0.00001f ? x / n.param[0] : x * 100000.0f;
        }
        default:
            return 0.0f;
    }
}

float Envelope::bezier2(const Key& k, const Key& n, float t) {
    const float x0 = k.time;
    const float x1 = k.time + (k.shape == Bezier2 ? k.param[2] : (n.time - k.time) * 0.33333334f);
    const float x2 = n.time + n.param[0];
    const float x3 = n.time;

    // The time handles make x(s) a cubic without a closed inverse; bisection
    // finds the curve parameter whose time matches t.
    float lo = 0.0f, hi = 1.0f;
    float s = 0.5f;
    for (int depth = 0;; ++depth) {
        s = 0.5f * (lo + hi);
        if (depth >= kBezierDepth) break;
        const float x = bezier(x0, x1, x2, x3, s);
        if (std::fabs(t - x) <= 0.0001f) break;
        if (x > t)
            hi = s;
        else
            lo = s;
    }

    const float y0 = k.value;
    const float y1 = k.value + (k.shape == Bezier2 ? k.param[3] : k.param[1] * 0.33333334f);
    const float y2 = n.value + n.param[1];
    const float y3 = n.value;
    return bezier(y0, y1, y2, y3, s);
}

float Envelope::evaluate(float t) const {
    if (!first_) return 0.0f;
    if (first_ == last_) return first_->value;
    const Key& f = *first_;
    const Key& l = *last_;
    float offset = 0.0f;

    if (t < f.time) {
        if (!foldIntoKeys(preBehavior, f, l, t, offset)) {
            switch (preBehavior) {
                case Reset:
                    return 0.0f;
                case LinearExtend: {
                    const float span = f.next->time - f.time;
                    if (span <= 0.0f) return f.value;
                    return f.value + outgoing(f, *f.next) / span * (t - f.time);
                }
                case Constant:
                default:
                    return f.value;
            }
        }
    } else if (t > l.time) {
        if (!foldIntoKeys(postBehavior, f, l, t, offset)) {
            switch (postBehavior) {
                case Reset:
                    return 0.0f;
                case LinearExtend: {
                    const float span = l.time - l.prev->time;
                    if (span <= 0.0f) return l.value;
                    return l.value + incoming(*l.prev, l) / span * (t - l.time);
                }
                case Constant:
                default:
                    return l.value;
            }
        }
    }

    const Key* k = first_;
    while (k->next && t > k->next->time) k = k->next;
    if (t == k->time) return k->value + offset;
    const Key* next = k->next;
    // Rounding in the fold can leave t a hair beyond the last key.
    if (!next) return k->value + offset;
    if (t == next->time) return next->value + offset;
    const float span = next->time - k->time;
    if (!(span > 0.0f)) return k->value + offset;

    const float u = (t - k->time) / span;
    float value;
    switch (next->shape) {
        case TCB:
        case Hermite:
        case Bezier:
        case 6: {
            const float u2 = u * u;
            const float u3 = u2 * u;
            const float h2 = 3.0f * u2 - 2.0f * u3;
            const float h1 = 1.0f - h2;
            const float h3 = u3 - 2.0f * u2 + u;
            const float h4 = u3 - u2;
            value = h1 * k->value + h2 * next->value + h3 * outgoing(*k, *next) + h4 * incoming(*k, *next);
            break;
        }
        case Linear:
            value = k->value + u * (next->value - k->value);
            break;
        case Stepped:
            value = k->value;
            break;
        case Bezier2:
            value = bezier2(*k, *next, t);
            break;
        default:
            value = 0.0f;
            break;
    }
    return value + offset;
}

bool Envelope::read(std::istream& in) {
    unsigned char header[HeaderSize];
    if (!readBytes(in, header, 4)) {
        fail("Envelope::read", __LINE__, "Envelope block ends before its magic");
        return false;
    }
    if (std::memcmp(header, "ENVL", 4) != 0) {
        fail("Envelope::read", __LINE__, "Wrong envelope magic (\"ENVL\" expected)");
        return false;
    }
    if (!readBytes(in, header + 4, HeaderSize - 4)) {
        fail("Envelope::read", __LINE__, "Envelope block ends inside its header");
        return false;
    }
    preBehavior = getI32(header + 4);
    postBehavior = getI32(header + 8);
    tag = getI32(header + 12);
    const int32_t count = getI32(header + 16);
    if (count <= 0 || count > MaxKeys) {
        fail("Envelope::read", __LINE__,
             "Bad envelope key count " + std::to_string(count) + " (1 to " + std::to_string(MaxKeys) +
                 " expected)");
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        unsigned char b[KeyRecordSize];
        if (!readBytes(in, b, KeyRecordSize)) {
            fail("Envelope::read", __LINE__,
                 "Envelope block ends inside key " + std::to_string(i) + " of " + std::to_string(count));
            return false;
        }
        Key key;
        key.value = getF32(b);
        key.time = getF32(b + 4);
        key.shape = getI32(b + 8);
        key.tension = getF32(b + 12);
        key.continuity = getF32(b + 16);
        key.bias = getF32(b + 20);
        for (int j = 0; j < 4; ++j) key.param[j] = getF32(b + 24 + 4 * j);
        addKey(key);
    }
    return true;
}

bool Envelope::write(std::ostream& out) const {
    unsigned char header[HeaderSize];
    std::memcpy(header, "ENVL", 4);
    putI32(header + 4, preBehavior);
    putI32(header + 8, postBehavior);
    putI32(header + 12, tag);
    putI32(header + 16, keyCount_);
    out.write(reinterpret_cast<const char*>(header), HeaderSize);
    for (const Key* k = first_; k; k = k->next) {
        unsigned char b[KeyRecordSize];
        putF32(b, k->value);
        putF32(b + 4, k->time);
        putI32(b + 8, k->shape);
        putF32(b + 12, k->tension);
        putF32(b + 16, k->continuity);
        putF32(b + 20, k->bias);
        for (int j = 0; j < 4; ++j) putF32(b + 24 + 4 * j, k->param[j]);
        out.write(reinterpret_cast<const char*>(b), KeyRecordSize);
    }
    if (!out.good()) {
        fail("Envelope::write", __LINE__, "Unable to write the envelope block");
        return false;
    }
    return true;
}

}  // namespace ember
