// Envelopes: key order, every key shape and behaviour against values computed
// independently (envelope_reference.py, its output committed beside it), the
// written edge cases, and the packed form.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "scene/Envelope.h"

using ember::Envelope;
using ember::Ref;

namespace {

Envelope::Key key(float value, float time, int32_t shape = Envelope::Linear) {
    Envelope::Key k;
    k.value = value;
    k.time = time;
    k.shape = shape;
    return k;
}

Ref<Envelope> envelope(const std::vector<Envelope::Key>& keys, int32_t pre = 1, int32_t post = 1) {
    Ref<Envelope> e(new Envelope());
    for (const auto& k : keys) e->addKey(k);
    e->preBehavior = pre;
    e->postBehavior = post;
    return e;
}

std::vector<float> listTimes(const Envelope& e) {
    std::vector<float> times;
    for (const Envelope::Key* k = e.firstKey(); k; k = k->next) times.push_back(k->time);
    return times;
}

struct ReferenceCurve {
    std::string name;
    Ref<Envelope> env;
    std::vector<std::pair<float, double>> samples;
};

std::vector<ReferenceCurve> loadReference() {
    std::vector<ReferenceCurve> curves;
    std::ifstream in(EMBER_SOURCE_DIR "/tests/scene_anim/envelope_reference.txt");
    std::string word;
    while (in >> word) {
        if (word == "curve") {
            ReferenceCurve c;
            int pre = 0, post = 0, count = 0;
            in >> c.name >> pre >> post >> count;
            c.env = new Envelope();
            c.env->preBehavior = pre;
            c.env->postBehavior = post;
            curves.push_back(c);
        } else if (word == "key") {
            Envelope::Key k;
            in >> k.value >> k.time >> k.shape >> k.tension >> k.continuity >> k.bias >> k.param[0] >>
                k.param[1] >> k.param[2] >> k.param[3];
            curves.back().env->addKey(k);
        } else if (word == "sample") {
            float t = 0;
            double v = 0;
            in >> t >> v;
            curves.back().samples.emplace_back(t, v);
        }
    }
    return curves;
}

}  // namespace

TEST(EnvelopeKeys, AddKeyOrdersByTimeAndPutsEqualTimesNewestLast) {
    Ref<Envelope> e(new Envelope());
    EXPECT_EQ(e->preBehavior, Envelope::Constant);
    EXPECT_EQ(e->postBehavior, Envelope::Constant);
    EXPECT_EQ(e->tag, 0);
    for (float t : {2.0f, 0.0f, 3.0f, 2.0f, -1.0f, 2.0f}) e->addKey(key(t * 10 + e->keyCount(), t));
    EXPECT_EQ(e->keyCount(), 6);
    EXPECT_EQ(listTimes(*e), (std::vector<float>{-1, 0, 2, 2, 2, 3}));
    // The three keys at time 2 keep their insertion order (values 20, 23, 25).
    const Envelope::Key* k = e->firstKey()->next->next;
    EXPECT_EQ(k->value, 20.0f);
    EXPECT_EQ(k->next->value, 23.0f);
    EXPECT_EQ(k->next->next->value, 25.0f);
    // Back links mirror the forward ones.
    std::vector<float> backwards;
    for (const Envelope::Key* b = e->lastKey(); b; b = b->prev) backwards.push_back(b->time);
    EXPECT_EQ(backwards, (std::vector<float>{3, 2, 2, 2, 0, -1}));
}

TEST(EnvelopeEvaluate, EmptyAndSingleKey) {
    Ref<Envelope> empty(new Envelope());
    EXPECT_EQ(empty->evaluate(1.0f), 0.0f);
    for (int pre = 0; pre <= 5; ++pre)
        for (int post = 0; post <= 5; ++post) {
            Ref<Envelope> one = envelope({key(3.5f, 2.0f, Envelope::TCB)}, pre, post);
            for (float t : {-100.0f, 1.9f, 2.0f, 2.1f, 1e9f})
                EXPECT_EQ(one->evaluate(t), 3.5f) << "pre " << pre << " post " << post << " t " << t;
        }
}

struct EdgeCase {
    const char* what;
    std::vector<Envelope::Key> keys;
    int32_t pre, post;
    float t;
    float expected;
};

TEST(EnvelopeEvaluate, WrittenEdgeCases) {
    Envelope::Key zeroHandleOut = key(0.0f, 0.0f, Envelope::Bezier2);
    zeroHandleOut.param[3] = 0.001f;  // outgoing value handle, time handle param[2] = 0
    Envelope::Key hermiteEnd = key(1.0f, 1.0f, Envelope::Hermite);
    // outgoing = 0.001 * 1 * 100000 = 100, incoming = param[0] = 0: at u = 0.5
    // the Hermite span gives 0.5 * 0 + 0.5 * 1 + 0.125 * 100 = 13.
    const std::vector<EdgeCase> cases = {
        {"offset repeat one period on", {key(0, 0), key(8, 4)}, 1, 4, 6.0f, 12.0f},
        {"offset repeat two periods back", {key(0, 0), key(8, 4)}, 4, 1, -6.0f, -12.0f},
        {"oscillate before the first key", {key(0, 0), key(8, 4)}, 3, 1, -1.0f, 2.0f},
        {"oscillate after the last key", {key(0, 0), key(8, 4)}, 1, 3, 5.0f, 6.0f},
        {"oscillate two periods on runs forward", {key(0, 0), key(8, 4)}, 1, 3, 9.0f, 2.0f},
        {"repeat", {key(0, 0), key(8, 4)}, 1, 2, 9.0f, 2.0f},
        {"reset before", {key(5, 0), key(8, 4)}, 0, 1, -0.5f, 0.0f},
        {"reset after", {key(5, 0), key(8, 4)}, 1, 0, 4.5f, 0.0f},
        {"constant before", {key(5, 0), key(8, 4)}, 1, 1, -3.0f, 5.0f},
        {"constant after", {key(5, 0), key(8, 4)}, 1, 1, 30.0f, 8.0f},
        {"linear extension after", {key(0, 0), key(8, 4)}, 1, 5, 6.0f, 12.0f},
        {"linear extension before", {key(0, 0), key(8, 4)}, 5, 1, -2.0f, -4.0f},
        {"stepped holds just before its key", {key(1, 0), key(5, 2, Envelope::Stepped)}, 1, 1, 1.999f, 1.0f},
        {"stepped gives its value at its key", {key(1, 0), key(5, 2, Envelope::Stepped)}, 1, 1, 2.0f, 5.0f},
        {"equal times give the first in list order",
         {key(1, 0), key(7, 2), key(9, 2), key(3, 4)},
         1,
         1,
         2.0f,
         7.0f},
        {"zero range repeat folds to the first key", {key(4, 1), key(6, 1)}, 2, 2, 5.0f, 4.0f},
        {"zero range offset repeat", {key(4, 1), key(6, 1)}, 4, 4, -5.0f, 4.0f},
        {"zero span linear extension holds", {key(4, 1), key(6, 1)}, 5, 5, 3.0f, 6.0f},
        {"zero time handle gives x * 100000", {zeroHandleOut, hermiteEnd}, 1, 1, 0.5f, 13.0f},
        {"unknown behaviour holds the end key", {key(2, 0), key(6, 1)}, 9, -3, -1.0f, 2.0f},
        {"unknown behaviour after", {key(2, 0), key(6, 1)}, 9, -3, 3.0f, 6.0f},
    };
    for (const EdgeCase& c : cases) {
        Ref<Envelope> e = envelope(c.keys, c.pre, c.post);
        EXPECT_NEAR(e->evaluate(c.t), c.expected, 1e-4f) << c.what;
    }
}

TEST(EnvelopeEvaluate, ZeroBezier2HandlesStayFinite) {
    Envelope::Key a = key(0, 0, Envelope::Bezier2), b = key(3, 1, Envelope::Bezier2);
    Ref<Envelope> e = envelope({a, b});
    // Without handles the time curve is x(s) = s^2 (3 - 2 s): the value follows it exactly.
    for (float t = 0.05f; t < 1.0f; t += 0.1f) {
        const float v = e->evaluate(t);
        EXPECT_TRUE(std::isfinite(v));
        EXPECT_NEAR(v, 3.0f * t, 3e-3f) << t;
    }
    // Incoming value handle with a zero time handle into a Hermite span.
    Envelope::Key c = key(0, 0, Envelope::Hermite), d = key(0, 2, Envelope::Bezier2);
    d.param[1] = 0.5f;
    Ref<Envelope> f = envelope({c, d, key(1, 3, Envelope::Hermite)});
    EXPECT_TRUE(std::isfinite(f->evaluate(2.5f)));
}

TEST(EnvelopeEvaluate, HostileTimesGiveNumbersNotUndefinedBehaviour) {
    // Folding far-away, infinite or NaN times must not overflow an integer.
    for (int mode = 0; mode <= 5; ++mode) {
        Ref<Envelope> e =
            envelope({key(0, 0, Envelope::TCB), key(8, 4, Envelope::Bezier2), key(2, 5)}, mode, mode);
        for (float t : {-1e30f, 1e30f, std::numeric_limits<float>::infinity(),
                        -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
                        std::numeric_limits<float>::max(), -std::numeric_limits<float>::max()})
            (void)e->evaluate(t);
    }
}

TEST(EnvelopeEvaluate, MatchesTheIndependentReference) {
    const std::vector<ReferenceCurve> curves = loadReference();
    ASSERT_GE(curves.size(), 9u);
    int compared = 0;
    for (const ReferenceCurve& c : curves) {
        ASSERT_GE(c.samples.size(), 60u) << c.name;
        for (const auto& [t, expected] : c.samples) {
            const double tolerance = 2e-4 + 2e-4 * std::fabs(expected);
            EXPECT_NEAR(c.env->evaluate(t), expected, tolerance) << c.name << " at t = " << t;
            ++compared;
        }
    }
    EXPECT_GT(compared, 600);
}

TEST(EnvelopePacked, WriteThenReadRestoresEveryBit) {
    Ref<Envelope> e(new Envelope());
    e->preBehavior = Envelope::Oscillate;
    e->postBehavior = Envelope::LinearExtend;
    e->tag = -123456;
    for (int i = 0; i < 5; ++i) {
        Envelope::Key k;
        k.value = 0.1f * i - 1e-7f;
        k.time = 1.0f / (i + 3);
        k.shape = i == 4 ? 77 : i;
        k.tension = -0.3f * i;
        k.continuity = std::nextafter(0.5f, 1.0f);
        k.bias = std::numeric_limits<float>::denorm_min() * i;
        for (int j = 0; j < 4; ++j) k.param[j] = (i + 1) * (j - 1.5f) / 7.0f;
        e->addKey(k);
    }
    std::stringstream bytes;
    ASSERT_TRUE(e->write(bytes));
    const std::string s = bytes.str();
    ASSERT_EQ(s.size(), size_t(Envelope::HeaderSize + 5 * Envelope::KeyRecordSize));
    EXPECT_EQ(s.substr(0, 4), "ENVL");
    // Fields least significant byte first: the count 5 at offset 16.
    EXPECT_EQ(std::string(s.data() + 16, 4), std::string("\x05\x00\x00\x00", 4));

    Ref<Envelope> back(new Envelope());
    ASSERT_TRUE(back->read(bytes));
    EXPECT_EQ(back->preBehavior, e->preBehavior);
    EXPECT_EQ(back->postBehavior, e->postBehavior);
    EXPECT_EQ(back->tag, e->tag);
    ASSERT_EQ(back->keyCount(), 5);
    for (const Envelope::Key *a = e->firstKey(), *b = back->firstKey(); a || b; a = a->next, b = b->next) {
        ASSERT_TRUE(a && b);
        EXPECT_EQ(std::memcmp(a, b, offsetof(Envelope::Key, prev)), 0) << "key at " << a->time;
    }
}

TEST(EnvelopePacked, DamagedBlocksFail) {
    auto header = [](const char* magic, int32_t count) {
        std::string s(magic, 4);
        const int32_t fields[4] = {3, 4, 9, count};
        s.append(reinterpret_cast<const char*>(fields), sizeof fields);  // the test machine is little-endian
        return s;
    };
    struct Damaged {
        const char* what;
        std::string bytes;
    };
    const std::vector<Damaged> cases = {
        {"wrong magic", header("ENVX", 1) + std::string(40, '\0')},
        {"count 0", header("ENVL", 0)},
        {"negative count", header("ENVL", -2)},
        {"huge count", header("ENVL", 0x7fffffff) + std::string(40, '\0')},
        {"ends inside a key", header("ENVL", 2) + std::string(60, '\0')},
        {"ends inside the header", std::string("ENVL\x01\x00", 6)},
        {"empty", std::string()},
    };
    for (const Damaged& c : cases) {
        std::istringstream in(c.bytes);
        Ref<Envelope> e(new Envelope());
        EXPECT_FALSE(e->read(in)) << c.what;
        EXPECT_LE(e->keyCount(), 1) << c.what;
    }
    // A bad count still leaves the behaviours and tag that were read.
    std::istringstream in(header("ENVL", 0));
    Ref<Envelope> e(new Envelope());
    EXPECT_FALSE(e->read(in));
    EXPECT_EQ(e->preBehavior, 3);
    EXPECT_EQ(e->postBehavior, 4);
    EXPECT_EQ(e->tag, 9);
}
