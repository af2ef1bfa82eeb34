// The Intro's stutter clock and dance frame selection: the edge cases of the
// clock and a table over the whole part computed by a separate script
// (warped_time_reference.py) in single precision.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "InstanceFile.h"
#include "StutterClock.h"

namespace {

using qm::InstanceFile;
using qm::StutterClock;

float fromBits(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

TEST(StutterClock, BeatFourStillUsesTheOpeningFormula) {
    EXPECT_EQ(StutterClock::pulse(0.0f, 0.25f, 4.0f), -1.0f);
    EXPECT_EQ(StutterClock::warpedTime(4.0f), 2.25f);
    EXPECT_EQ(StutterClock::warpedTime(0.0f), -2.25f);
}

TEST(StutterClock, MinusTwoOnlyBetweenFourAndSixteen) {
    // Just inside and just outside the first phrase: the stutter terms are
    // equal on both sides of 16 (same phase, same weight), so the step of the
    // clock across 16 is the dropped -2 and nothing else.
    const float before = StutterClock::warpedTime(15.5f);
    const float after = StutterClock::warpedTime(31.5f);
    EXPECT_FLOAT_EQ(after - before, 16.0f + 2.0f);
    // From 16 on the first phrase's stutter is over and the second's begins
    // at the same beat: beat 16 belongs to the second logo layer's window.
    EXPECT_EQ(StutterClock::stutter(0.0f, 16.0f, 16.0f, -4.0f), 0.0f);
    EXPECT_NE(StutterClock::stutter(16.0f, 32.0f, 16.0f, -4.0f), 0.0f);
}

TEST(StutterClock, MatchesTheReferenceTableOverThePart) {
    std::ifstream in(std::string(EMBER_SOURCE_DIR) + "/tests/intro/warped_time_reference.txt");
    ASSERT_TRUE(in.good());
    int rows = 0;
    std::string beatHex, timeHex;
    while (in >> beatHex >> timeHex) {
        const float beat = fromBits(static_cast<uint32_t>(std::stoul(beatHex, nullptr, 16)));
        const float expected = fromBits(static_cast<uint32_t>(std::stoul(timeHex, nullptr, 16)));
        EXPECT_EQ(StutterClock::warpedTime(beat), expected) << "beat " << beat;
        ++rows;
    }
    EXPECT_GT(rows, 700);
}

TEST(DanceFrames, SelectionTruncatesTowardZeroThenWrapsUnsigned) {
    // Seven pairs: first = 10 * k, count = k + 1.
    std::vector<int32_t> frames;
    for (int32_t k = 0; k < 7; ++k) {
        frames.push_back(10 * k);
        frames.push_back(k + 1);
    }
    struct Case {
        float value;
        int32_t pair;
    };
    // -1.5 truncates to -1 = 0xffffffff, 4294967295 mod 7 = 3 (flooring would
    // give -2 and pair 2); -0.9 truncates to 0 (flooring: -1, pair 3).
    const Case cases[] = {{0.0f, 0}, {6.99f, 6}, {7.0f, 0}, {15.5f, 1}, {-1.5f, 3}, {-0.9f, 0}, {-2.0f, 2}};
    for (const Case& c : cases) {
        int32_t first = -1, count = -1;
        InstanceFile::selectFrame(frames, c.value, first, count);
        EXPECT_EQ(first, 10 * c.pair) << c.value;
        EXPECT_EQ(count, c.pair + 1) << c.value;
    }
    int32_t first = -1, count = -1;
    InstanceFile::selectFrame({}, 3.0f, first, count);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(count, 0);
}

}  // namespace
