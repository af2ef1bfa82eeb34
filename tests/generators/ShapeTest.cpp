#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>

#include "ConeSliceGenerator.h"

using namespace qm;

namespace {
void expectConsistent(const ShapeMesh& m) {
    EXPECT_EQ(m.firstIndex, 0);
    EXPECT_EQ(m.indexCount, static_cast<int32_t>(m.indices.size()));
    EXPECT_EQ(m.lastIndex, m.indexCount - 1);
    EXPECT_EQ(m.minVertex, 0);
    EXPECT_EQ(m.maxVertex, static_cast<int32_t>(m.vertices.size()) - 1);
    EXPECT_EQ(m.primitive, 4);
    for (uint16_t i : m.indices) ASSERT_LT(i, m.vertices.size());
}
}  // namespace

TEST(ConeSliceGenerator, VertexAndIndexCounts) {
    struct Case {
        int32_t slices, segments;
        float length, angle;
        bool filled;
        size_t vertices, indices;
    };
    const Case cases[] = {
        {256, 8, 48.0f, 0.39269909f, false, 2048, 3072},  // wide light cones, separate triangles
        {72, 8, 32.0f, 0.52359879f, true, 576, 1296},     // filled fans
        {8, 4, 10.0f, 0.78539819f, true, 32, 48},         // the defaults
        {3, 5, 1.0f, 0.5f, false, 15, 27},                // odd ring: three triangles, last one wraps
    };
    for (const Case& c : cases) {
        ConeSliceGenerator g;
        g.slices = c.slices;
        g.segments = c.segments;
        g.length = c.length;
        g.angle = c.angle;
        g.filled = c.filled;
        ShapeMesh m;
        ASSERT_TRUE(g.generate(m)) << c.slices << "/" << c.segments;
        EXPECT_EQ(m.vertices.size(), c.vertices);
        EXPECT_EQ(m.indices.size(), c.indices);
        expectConsistent(m);
    }
}

TEST(ConeSliceGenerator, DefaultsAndVertexLayout) {
    ConeSliceGenerator g;
    EXPECT_EQ(g.slices, 8);
    EXPECT_EQ(g.segments, 4);
    EXPECT_EQ(g.length, 10.0f);
    EXPECT_EQ(g.angle, 0.78539819f);
    EXPECT_TRUE(g.filled);
    EXPECT_EQ(offsetof(ShapeVertex, normal), 12u);
    EXPECT_EQ(offsetof(ShapeVertex, texCoord), 24u);

    ShapeMesh m;
    ASSERT_TRUE(g.generate(m));
    // R = 10 tan(pi/4) ~ 10. Ring 1 (f = 1/8), point 0 (phi 0): ((1+0)R/8, (1-0)R/8, 1.25), uv (1, 1).
    const float R = 10.0f * std::sin(0.78539819f) / std::cos(0.78539819f);
    const ShapeVertex& v0 = m.vertices[0];
    EXPECT_FLOAT_EQ(v0.position[0], R / 8);
    EXPECT_FLOAT_EQ(v0.position[1], R / 8);
    EXPECT_EQ(v0.position[2], 1.25f);
    EXPECT_EQ(v0.texCoord[0], 1.0f);
    EXPECT_EQ(v0.texCoord[1], 1.0f);
    // Point 1 (phi = 2pi/3): c = -0.5, s = 0.866: (0.366 R, -1.366 R) at the last ring (f = 1).
    const ShapeVertex& v = m.vertices[7 * 4 + 1];
    EXPECT_NEAR(v.position[0], 0.3660254f * R, 1e-4f);
    EXPECT_NEAR(v.position[1], -1.3660254f * R, 1e-4f);
    EXPECT_EQ(v.position[2], 10.0f);
    EXPECT_NEAR(v.texCoord[0], 0.6830127f, 1e-6f);
    EXPECT_NEAR(v.texCoord[1], -0.1830127f, 1e-6f);
    for (const ShapeVertex& w : m.vertices) {
        EXPECT_EQ(w.normal[0], 0.0f);
        EXPECT_EQ(w.normal[1], 0.0f);
        EXPECT_EQ(w.normal[2], 1.0f);
    }
    // Fans: ring 2 starts at 8: (8, 9, 10), (8, 10, 11).
    const uint16_t ring2[] = {8, 9, 10, 8, 10, 11};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(m.indices[12 + i], ring2[i]);
}

TEST(ConeSliceGenerator, UnfilledRingsUseEverySecondPoint) {
    ConeSliceGenerator g;
    g.slices = 2;
    g.segments = 8;
    g.filled = false;
    ShapeMesh m;
    ASSERT_TRUE(g.generate(m));
    const uint16_t expected[] = {0, 1, 2,  2,  3,  4,  4,  5,  6,  6,  7,  0,
                                 8, 9, 10, 10, 11, 12, 12, 13, 14, 14, 15, 8};
    ASSERT_EQ(m.indices.size(), sizeof expected / sizeof expected[0]);
    for (size_t i = 0; i < m.indices.size(); ++i) EXPECT_EQ(m.indices[i], expected[i]) << i;
}

TEST(ConeSliceGenerator, RejectsShapesItCannotBuild) {
    struct Case {
        int32_t slices, segments;
    };
    const Case cases[] = {{8, 1}, {8, 2}, {8, 0}, {0, 8}, {-4, 8}, {8193, 8}};
    for (const Case& c : cases) {
        ConeSliceGenerator g;
        g.slices = c.slices;
        g.segments = c.segments;
        ShapeMesh m;
        m.indices.push_back(1);
        EXPECT_FALSE(g.generate(m)) << c.slices << "/" << c.segments;
        EXPECT_TRUE(m.vertices.empty());
        EXPECT_TRUE(m.indices.empty());
    }
    ConeSliceGenerator largest;
    largest.slices = 8192;
    largest.segments = 8;
    ShapeMesh m;
    EXPECT_TRUE(largest.generate(m));
    EXPECT_EQ(m.maxVertex, 65535);
}
