#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Hash32.h"
#include "Random.h"

using namespace qm;

TEST(Hash32, ReferenceValues) {
    struct Case {
        uint32_t n, expected;
    };
    // Worked through the three steps with 32-bit wrap-around; 12345391 cancels the
    // first XOR and so hashes to 0.
    const Case cases[] = {{0u, 155489619u}, {1u, 548517411u}, {171717u, 590218623u}, {12345391u, 0u}};
    for (const Case& c : cases) EXPECT_EQ(hash32(c.n), c.expected) << "n = " << c.n;
}

TEST(Random, NextFollowsTheMultiplicativeState) {
    // Seed 1: states 16807, 282475249, 1622647863; (state >> 9) becomes the
    // mantissa of a float in [2, 4), minus 3.
    Random r(1u);
    EXPECT_EQ(r.next(), -0.9999923706054688f);
    EXPECT_EQ(r.state, 16807u);
    EXPECT_EQ(r.next(), -0.868462324142456f);
    EXPECT_EQ(r.state, 282475249u);
    EXPECT_EQ(r.next(), -0.24439573287963867f);
    EXPECT_EQ(r.state, 1622647863u);

    Random s(171717u);
    const float expected[] = {0.3439204692840576f, 0.2743558883666992f, -0.8976650238037109f};
    for (float e : expected) EXPECT_EQ(s.next(), e);
}

TEST(Random, SameSeedSameSequence) {
    Random a(171717u), b(171717u), other(171718u);
    int differences = 0;
    for (int i = 0; i < 10000; ++i) {
        const float x = a.next();
        ASSERT_EQ(x, b.next()) << "draw " << i;
        differences += x != other.next();
        ASSERT_EQ(a.gaussian(2.0f), b.gaussian(2.0f)) << "draw " << i;
        other.gaussian(2.0f);
    }
    EXPECT_GT(differences, 9900);
}

TEST(Random, NextStaysInHalfOpenRangeAndNeverReturnsOne) {
    // The largest possible draw: a state whose successor has every bit set. 16807
    // is odd, so it has an inverse modulo 2^32 (Newton iteration, 5 steps for 32 bits).
    uint32_t inverse = 1u;
    for (int i = 0; i < 5; ++i) inverse *= 2u - 16807u * inverse;
    ASSERT_EQ(16807u * inverse, 1u);
    Random top(0xFFFFFFFFu * inverse);
    const float largest = top.next();
    EXPECT_LT(largest, 1.0f);
    EXPECT_EQ(largest, 1.0f - std::ldexp(1.0f, -22));

    Random r(171717u);
    float lo = 1.0f, hi = -1.0f;
    for (int i = 0; i < 1000000; ++i) {
        const float x = r.next();
        ASSERT_GE(x, -1.0f);
        ASSERT_LT(x, 1.0f);
        lo = std::min(lo, x);
        hi = std::max(hi, x);
    }
    EXPECT_LT(lo, -0.999f);
    EXPECT_GT(hi, 0.999f);
}

TEST(Random, GaussianReferenceAndMoments) {
    // First three draws from seed 1, via the polar method in single precision.
    Random r(1u);
    EXPECT_NEAR(r.gaussian(1.0f), -0.8014094829559326f, 1e-6f);
    EXPECT_NEAR(r.gaussian(1.0f), -2.003056049346924f, 1e-6f);
    EXPECT_NEAR(r.gaussian(1.0f), 0.26521414518356323f, 1e-6f);

    Random s(99u);
    const int n = 200000;
    double sum = 0, sumSquares = 0;
    for (int i = 0; i < n; ++i) {
        const double g = s.gaussian(3.0f);
        sum += g;
        sumSquares += g * g;
    }
    EXPECT_NEAR(sum / n, 0.0, 0.05);
    EXPECT_NEAR(std::sqrt(sumSquares / n), 3.0, 0.05);
}
