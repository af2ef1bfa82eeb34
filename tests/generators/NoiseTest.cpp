#include <gtest/gtest.h>

#include <cmath>

#include "GradientNoise2D.h"
#include "GradientNoise3D.h"
#include "SimpleCurl3D.h"

using namespace qm;
using ember::Vec3;

TEST(GradientNoise2D, TablesAreUnitCircleAndHashShuffled) {
    GradientNoise2D n;
    EXPECT_EQ(n.gradients[0][0], 1.0f);
    EXPECT_EQ(n.gradients[0][1], 0.0f);
    EXPECT_NEAR(n.gradients[32][0], 0.0f, 1e-6f);
    EXPECT_NEAR(n.gradients[32][1], 1.0f, 1e-6f);
    const int32_t head[] = {117, 81, 76, 60, 80, 74, 58, 21};
    for (int k = 0; k < 8; ++k) EXPECT_EQ(n.permutation[k], head[k]) << k;
    bool seen[128] = {};
    for (int k = 0; k < 128; ++k) {
        ASSERT_GE(n.permutation[k], 0);
        ASSERT_LT(n.permutation[k], 128);
        EXPECT_FALSE(seen[n.permutation[k]]);
        seen[n.permutation[k]] = true;
    }
}

TEST(GradientNoise2D, ZeroAtEveryLatticePoint) {
    GradientNoise2D n;
    for (int y = -130; y <= 130; ++y)
        for (int x = -130; x <= 130; ++x)
            ASSERT_EQ(n.noise(static_cast<float>(x), static_cast<float>(y)), 0.0f) << x << ", " << y;
    // Between lattice points it is not flat.
    EXPECT_NE(n.noise(0.5f, 0.5f), 0.0f);
}

TEST(GradientNoise2D, ReferenceValuesAndPeriod) {
    GradientNoise2D n;
    struct Case {
        float x, y, expected;
    };
    const Case cases[] = {{0.5f, 0.5f, 0.1806304156780243f},
                          {1.25f, -3.75f, -0.1733589768409729f},
                          {10.3f, 7.9f, -0.16919836401939392f}};
    for (const Case& c : cases) {
        EXPECT_NEAR(n.noise(c.x, c.y), c.expected, 2e-6f) << c.x << ", " << c.y;
        EXPECT_NEAR(n.noise(c.x + 128.0f, c.y - 256.0f), c.expected, 1e-4f);
    }
}

TEST(GradientNoise2D, HugeAndNonFiniteInputsStayDefined) {
    GradientNoise2D n;
    EXPECT_TRUE(std::isfinite(n.noise(3e9f, -7e12f)));
    EXPECT_FALSE(std::isnan(n.noise(1e38f, 0.5f)));
}

TEST(GradientNoise3D, TablesAndLatticeZeros) {
    GradientNoise3D n;
    EXPECT_NEAR(n.gradients[0][0], -0.7416820526123047f, 1e-6f);
    EXPECT_NEAR(n.gradients[0][1], 0.004496900364756584f, 1e-6f);
    EXPECT_NEAR(n.gradients[0][2], -0.67073655128479f, 1e-6f);
    for (int k = 0; k < 128; ++k) {
        const float* g = n.gradients[k];
        EXPECT_NEAR(g[0] * g[0] + g[1] * g[1] + g[2] * g[2], 1.0f, 1e-5f) << k;
    }
    const int32_t head[] = {87, 102, 109, 107, 36, 28, 73, 30};
    for (int k = 0; k < 8; ++k) EXPECT_EQ(n.permutation[k], head[k]) << k;
    for (int z = -3; z <= 3; ++z)
        for (int y = -3; y <= 3; ++y)
            for (int x = -3; x <= 3; ++x) ASSERT_EQ(n.noise(float(x), float(y), float(z)), 0.0f);
}

TEST(GradientNoise3D, ReferenceValues) {
    GradientNoise3D n;
    struct Case {
        float x, y, z, expected;
    };
    const Case cases[] = {{0.5f, 0.5f, 0.5f, -0.05995790660381317f},
                          {1.25f, -3.75f, 2.5f, -0.29543599486351013f},
                          {-0.3f, 0.7f, 5.1f, -0.1736975759267807f}};
    for (const Case& c : cases) EXPECT_NEAR(n.noise(c.x, c.y, c.z), c.expected, 2e-6f) << c.x;
}

TEST(SimpleCurl3D, CurlReferenceAndDivergenceFree) {
    SimpleCurl3D field(0.2f);
    const Vec3 c = field.curl(Vec3(0.25f, -0.5f, 0.75f));
    EXPECT_NEAR(c.x, -0.876587986946106f, 1e-5f);
    EXPECT_NEAR(c.y, -0.033596791326999664f, 1e-5f);
    EXPECT_NEAR(c.z, -0.058879852294921875f, 1e-5f);

    // The curl of a smooth potential has (numerically) no divergence.
    SimpleCurl3D fine(1e-3f);
    const Vec3 p(0.3f, 0.1f, -0.4f);
    const float h = 0.01f;
    const float divergence = (fine.curl(Vec3(p.x + h, p.y, p.z)).x - fine.curl(Vec3(p.x - h, p.y, p.z)).x +
                              fine.curl(Vec3(p.x, p.y + h, p.z)).y - fine.curl(Vec3(p.x, p.y - h, p.z)).y +
                              fine.curl(Vec3(p.x, p.y, p.z + h)).z - fine.curl(Vec3(p.x, p.y, p.z - h)).z) /
                             (2 * h);
    EXPECT_LT(std::fabs(divergence), 0.05f * fine.curl(p).length() + 0.05f);
}

TEST(SimpleCurl3D, ZeroStepGivesZeroCurlAndTimeDoesNotMoveTheField) {
    SimpleCurl3D field(0.0f);
    const Vec3 c = field.curl(Vec3(0.25f, -0.5f, 0.75f));
    EXPECT_EQ(c.x, 0.0f);
    EXPECT_EQ(c.y, 0.0f);
    EXPECT_EQ(c.z, 0.0f);

    SimpleCurl3D moving(0.2f);
    const Vec3 before = moving.curl(Vec3(0.25f, -0.5f, 0.75f));
    moving.advance(1.5f);
    moving.advance(0.25f);
    EXPECT_EQ(moving.time, 1.75f);
    const Vec3 after = moving.curl(Vec3(0.25f, -0.5f, 0.75f));
    EXPECT_EQ(before.x, after.x);
    EXPECT_EQ(before.y, after.y);
    EXPECT_EQ(before.z, after.z);
    EXPECT_FALSE(moving.isBounded(Vec3(-1, -1, -1), Vec3(1, 1, 1)));
}
