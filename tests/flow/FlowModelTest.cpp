#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "FlowModel.h"
#include "GradientNoise2D.h"
#include "Random.h"
#include "loaders/ImageLoader.h"

namespace {

using qm::FlowModel;
using qm::FlowParticle;

// A decoded image as the loader stores it (rows bottom-up) built from rows written top first.
ember::DecodedImage imageFromTopRows(int w, int h, int channels, const std::vector<uint8_t>& topFirst) {
    ember::DecodedImage image;
    image.width = w;
    image.height = h;
    image.channels = channels;
    image.pixels = static_cast<uint8_t*>(std::malloc(topFirst.size()));
    const size_t rowBytes = static_cast<size_t>(w) * channels;
    for (int f = 0; f < h; ++f)
        std::memcpy(image.pixels + (h - 1 - f) * rowBytes, topFirst.data() + f * rowBytes, rowBytes);
    return image;
}

struct WindowCase {
    float beat;
    std::vector<int> active;  // text systems inside their window
};

TEST(FlowModelWindows, ActiveTextsByBeat) {
    FlowModel model;
    const WindowCase cases[] = {
        {96.0f, {0}},     {104.0f, {0}},    {112.0f, {0, 1}},
        {114.5f, {0, 1}}, {116.0f, {0, 1}}, {std::nextafter(116.0f, 200.0f), {1}},
        {208.0f, {6, 7}}, {223.9f, {7}},
    };
    for (const WindowCase& c : cases) {
        std::vector<int> active;
        for (int j = 0; j < FlowModel::TextCount; ++j)
            if (model.active(j, c.beat)) active.push_back(j);
        EXPECT_EQ(active, c.active) << "beat " << c.beat;
        EXPECT_TRUE(model.active(FlowModel::FieldSystem, c.beat)) << c.beat;
    }
    EXPECT_FALSE(model.active(0, std::nextafter(96.0f, 0.0f)));
    EXPECT_FALSE(model.active(FlowModel::FieldSystem, 95.9f));
    EXPECT_FALSE(model.active(9, 100.0f));
    EXPECT_FALSE(model.active(-1, 100.0f));
}

TEST(FlowModelWindows, WeightsAndSizesAtTheWindowEdges) {
    FlowModel model;
    // At its first beat a text barely moves and is not yet visible; the field runs at full rate.
    EXPECT_FLOAT_EQ(model.advectionWeight(0, 96.0f), 0.01f);
    EXPECT_FLOAT_EQ(model.sizeFactor(0, 96.0f), 0.0f);
    EXPECT_FLOAT_EQ(model.advectionWeight(FlowModel::FieldSystem, 96.0f), 1.0f);
    EXPECT_FLOAT_EQ(model.sizeFactor(FlowModel::FieldSystem, 96.0f), 1.0f);
    // At the inclusive end: full weight, shrunk to nothing.
    EXPECT_FLOAT_EQ(model.advectionWeight(0, 116.0f), 1.0f);
    EXPECT_FLOAT_EQ(model.sizeFactor(0, 116.0f), 0.0f);
    // Twice the size from 2.5 % of the window to its middle (beats 96.5 to 106 for text 0).
    EXPECT_FLOAT_EQ(model.sizeFactor(0, 96.5f), 2.0f);
    EXPECT_FLOAT_EQ(model.sizeFactor(0, 106.0f), 2.0f);
    EXPECT_FLOAT_EQ(model.sizeFactor(0, 111.0f), 1.0f);  // smoothstep(0.5) halfway down
    // The weight rises smoothly over the first 30 %: u = 0.15 is halfway.
    EXPECT_FLOAT_EQ(model.advectionWeight(0, 99.0f), 0.01f + 0.99f * 0.5f);
    EXPECT_FLOAT_EQ(model.advectionWeight(0, 102.0f), 1.0f);
    EXPECT_FLOAT_EQ(model.windowPosition(3, 144.0f + 5.0f), 0.25f);
}

TEST(FlowModelParticles, TextPixelsBecomeParticlesInScanOrderUpright) {
    // Two channels: only the first byte counts; the second is set where the first is zero.
    const int w = 3, h = 2;
    const std::vector<uint8_t> top = {
        255, 0, 0,  9, 1, 0,  // file row 0 (top): columns 0 and 2
        0,   7, 40, 0, 0, 0,  // file row 1 (bottom): column 1
    };
    ember::DecodedImage image = imageFromTopRows(w, h, 2, top);
    const std::vector<FlowParticle> p = FlowModel::textParticles(image);
    ASSERT_EQ(p.size(), 3u);
    // The view has y = -4 at the top of the screen: the top file row lands there, so text reads
    // upright. The bottom row comes first, as the loader stores it.
    struct Expect {
        float x, y;
    } expected[] = {{0.0f, 4.0f}, {-6.0f, -4.0f}, {6.0f, -4.0f}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(p[i].x, expected[i].x) << i;
        EXPECT_FLOAT_EQ(p[i].y, expected[i].y) << i;
        EXPECT_FLOAT_EQ(p[i].z, 0.00001f);
        EXPECT_FLOAT_EQ(p[i].w, 0.00001f);
    }
}

TEST(FlowModelParticles, TextGridPositionsAndDegenerateImages) {
    // 5 x 3, every pixel set: column c at -6 + 3c, file row f at -4 + 4f.
    ember::DecodedImage full = imageFromTopRows(5, 3, 1, std::vector<uint8_t>(15, 1));
    const std::vector<FlowParticle> p = FlowModel::textParticles(full);
    ASSERT_EQ(p.size(), 15u);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c) {
            const FlowParticle& q = p[static_cast<size_t>(r * 5 + c)];
            EXPECT_FLOAT_EQ(q.x, -6.0f + 3.0f * c);
            EXPECT_FLOAT_EQ(q.y, -4.0f + 4.0f * (2 - r));
        }
    ember::DecodedImage empty = imageFromTopRows(4, 4, 4, std::vector<uint8_t>(64, 0));
    EXPECT_TRUE(FlowModel::textParticles(empty).empty());
    // A single row or column has no extent to spread over; it sits on the centre line.
    ember::DecodedImage line = imageFromTopRows(1, 1, 1, {200});
    const std::vector<FlowParticle> one = FlowModel::textParticles(line);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_FLOAT_EQ(one[0].x, 0.0f);
    EXPECT_FLOAT_EQ(one[0].y, 0.0f);
    ember::DecodedImage none;
    EXPECT_TRUE(FlowModel::textParticles(none).empty());
}

TEST(FlowModelParticles, TextImagePaths) {
    EXPECT_EQ(FlowModel::textImagePath(0), "data/textures/flowtext01.png");
    EXPECT_EQ(FlowModel::textImagePath(7), "data/textures/flowtext08.png");
}

TEST(FlowModelParticles, BackgroundFieldFollowsTheNoise) {
    const std::vector<FlowParticle> p = FlowModel::fieldParticles();
    ASSERT_EQ(p.size(), 65536u);
    qm::GradientNoise2D noise;
    for (int i : {0, 1, 255, 256, 4097, 32896, 65535}) {
        const float a = static_cast<float>(i / 256) / 256.0f;
        const float b = static_cast<float>(i % 256) / 256.0f;
        EXPECT_NEAR(p[static_cast<size_t>(i)].x, 0.5f * noise.noise(a, b) + 12.0f * a - 6.0f, 1e-5) << i;
        EXPECT_NEAR(p[static_cast<size_t>(i)].y, 0.5f * noise.noise(b, a) + 8.0f * b - 4.0f, 1e-5) << i;
        EXPECT_FLOAT_EQ(p[static_cast<size_t>(i)].z, 0.001f);
        EXPECT_FLOAT_EQ(p[static_cast<size_t>(i)].w, 0.001f);
    }
    // Noise vanishes on the lattice: particle 0 sits exactly in the lower-left corner.
    EXPECT_FLOAT_EQ(p[0].x, -6.0f);
    EXPECT_FLOAT_EQ(p[0].y, -4.0f);
}

TEST(FlowModelShapes, FirstShapesFromSeed171717) {
    FlowModel model;
    model.initiateShapes();
    ASSERT_EQ(model.shapes.size(), 8u);
    qm::Random r(171717u);
    for (int k = 0; k < 2; ++k) {
        const float size = 0.5f * r.next() + 1.0f;
        const float x = 0.5f * r.next() + 1.5f * (k - 4) + 0.5f;
        const float y = std::fabs(r.next() * (k == 1 ? 2.5f : 1.5f)) + size + 5.0f;
        const float vy = 0.75f * (-1.0f - std::fabs(0.5f * r.gaussian(1.0f)));
        const qm::FlowShape& s = model.shapes[static_cast<size_t>(k)];
        EXPECT_FLOAT_EQ(s.size, size) << k;
        EXPECT_FLOAT_EQ(s.x, x) << k;
        EXPECT_FLOAT_EQ(s.y, y) << k;
        EXPECT_FLOAT_EQ(s.previousX, x);
        EXPECT_FLOAT_EQ(s.previousY, y);
        EXPECT_FLOAT_EQ(s.velocityX, 0.0f);
        EXPECT_FLOAT_EQ(s.velocityY, vy) << k;
        EXPECT_EQ(s.cell, 0);
    }
    const int glyphs[8] = {0, 9, 0, 11, 0, 13, 0, 15};
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(model.shapes[static_cast<size_t>(k)].glyph, glyphs[k]) << k;
        EXPECT_GT(model.shapes[static_cast<size_t>(k)].y, 5.0f + model.shapes[static_cast<size_t>(k)].size);
    }
    ASSERT_EQ(model.glyphOffsets.size(), 32u);
    for (int g = 0; g < 16; ++g) {
        EXPECT_FLOAT_EQ(model.glyphOffsets[static_cast<size_t>(2 * g)], 0.25f * (g % 4)) << g;
        EXPECT_FLOAT_EQ(model.glyphOffsets[static_cast<size_t>(2 * g + 1)], 0.75f - 0.25f * (g / 4)) << g;
    }
    EXPECT_FLOAT_EQ(model.uvSize[0], 0.25f);
    EXPECT_FLOAT_EQ(model.uvSize[1], 0.25f);
}

TEST(FlowModelShapes, StepAndShapeUniforms) {
    FlowModel model;
    model.initiateShapes();
    model.baseShapeInfo[2] = {0.0f, 0.0f, 0.9f, 0.6f};
    model.baseShapeInfo[3] = {0.0f, 0.0f, 1.1f, 0.4f};
    const qm::FlowShape before = model.shapes[2];
    const float beat = 100.25f, dt = 0.02f;
    model.updateShapes(beat, dt);
    const qm::FlowShape& s = model.shapes[2];
    EXPECT_FLOAT_EQ(s.previousX, before.x);
    EXPECT_FLOAT_EQ(s.previousY, before.y);
    EXPECT_FLOAT_EQ(s.y, before.y + dt * before.velocityY);
    EXPECT_FLOAT_EQ(s.x, before.x);
    const float wobble = 0.5f * std::sin((s.x + s.y) * 0.125f) * std::sin(s.y * 0.34f + beat);
    EXPECT_FLOAT_EQ(model.shapeInfo[2].x, s.x + wobble);
    EXPECT_FLOAT_EQ(model.shapeInfo[2].y, s.y);
    EXPECT_FLOAT_EQ(model.shapeInfo[2].z, 0.9f + 0.1f * std::sin((0.25f + beat) * 3.1415f));
    EXPECT_FLOAT_EQ(model.shapeInfo[2].w, 0.6f);
    EXPECT_FLOAT_EQ(model.shapeInfo[3].z, 1.1f);  // odd shapes keep their radius
    EXPECT_FLOAT_EQ(model.shapeParams[2].x, -wobble);
    EXPECT_FLOAT_EQ(model.shapeParams[2].y, 0.0f);
    EXPECT_FLOAT_EQ(model.shapeParams[2].z, 0.0f);
    EXPECT_FLOAT_EQ(model.shapeParams[2].w, 0.0f);
}

TEST(FlowModelShapes, RebirthKeepsXAndPreviousPositionAndAdvancesCellAndGlyph) {
    FlowModel model;
    model.initiateShapes();
    struct Setup {
        int index;
        int glyph;
        int cell;
        int expectedGlyph;
        int expectedCell;
    } setups[] = {{0, 7, 5, 0, 0}, {1, 15, 2, 8, 3}, {4, 3, 0, 4, 1}, {5, 13, 4, 14, 5}};
    for (const Setup& c : setups) {
        qm::FlowShape& s = model.shapes[static_cast<size_t>(c.index)];
        s.glyph = c.glyph;
        s.cell = c.cell;
        s.x = 1.25f + c.index;
        s.y = -5.0f - s.size - 0.001f;  // beyond the top edge once moved
    }
    std::vector<qm::FlowShape> before = model.shapes;
    const float beat = 150.5f;
    model.updateShapes(beat, 0.01f);

    uint32_t seed;
    std::memcpy(&seed, &beat, 4);
    qm::Random r(seed);
    for (const Setup& c : setups) {
        const qm::FlowShape& b = before[static_cast<size_t>(c.index)];
        const qm::FlowShape& s = model.shapes[static_cast<size_t>(c.index)];
        const float size = 0.5f * r.next() + 1.0f;
        const float vy = 0.75f * (-1.0f - std::fabs(0.5f * r.gaussian(1.0f)));
        EXPECT_FLOAT_EQ(s.x, b.x) << c.index;
        EXPECT_FLOAT_EQ(s.previousX, b.x) << c.index;
        EXPECT_FLOAT_EQ(s.previousY, b.y) << c.index;
        EXPECT_FLOAT_EQ(s.size, size) << c.index;
        EXPECT_FLOAT_EQ(s.y, size + 5.0f) << c.index;
        EXPECT_FLOAT_EQ(s.velocityX, 0.0f);
        EXPECT_FLOAT_EQ(s.velocityY, vy) << c.index;
        EXPECT_EQ(s.glyph, c.expectedGlyph) << c.index;
        EXPECT_EQ(s.cell, c.expectedCell) << c.index;
    }
}

TEST(FlowModelShapes, SameBeatGivesTheSameRebirthDraws) {
    auto reborn = [](float beat) {
        FlowModel model;
        model.initiateShapes();
        for (qm::FlowShape& s : model.shapes) s.y = -20.0f;
        model.updateShapes(beat, 0.0f);
        return model.shapes;
    };
    const std::vector<qm::FlowShape> a = reborn(170.0f), b = reborn(170.0f), c = reborn(170.125f);
    ASSERT_EQ(a.size(), 8u);
    EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(qm::FlowShape)), 0);
    EXPECT_NE(std::memcmp(a.data(), c.data(), a.size() * sizeof(qm::FlowShape)), 0);
}

std::string bytesOf(const FlowModel& model) {
    std::ostringstream out;
    EXPECT_TRUE(model.writeTail(out));
    return out.str();
}

TEST(FlowModelTail, RoundTripOf272Bytes) {
    FlowModel written;
    for (int i = 0; i < 8; ++i) {
        written.baseShapeInfo[i] = {0.5f * i, -1.0f, 0.8f + 0.05f * i, 0.25f * i};
        written.shapeParams[i] = {1.0f, 2.0f, 3.0f, static_cast<float>(i)};
    }
    written.deltaX = 0.07f;
    written.envelope = 0.3f;
    written.noiseLengthScale = 0.4f;
    written.noiseGain = 0.5f;
    const std::string bytes = bytesOf(written);
    ASSERT_EQ(bytes.size(), static_cast<size_t>(FlowModel::TailBytes));
    // Little-endian floats: deltaX at 256.
    float deltaX;
    const unsigned char* d = reinterpret_cast<const unsigned char*>(bytes.data()) + 256;
    const uint32_t bits = d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<uint32_t>(d[3]) << 24);
    std::memcpy(&deltaX, &bits, 4);
    EXPECT_FLOAT_EQ(deltaX, 0.07f);

    FlowModel read;
    std::istringstream in(bytes);
    ASSERT_TRUE(read.readTail(in));
    EXPECT_EQ(bytesOf(read), bytes);
    for (int i = 0; i < 8; ++i) {
        EXPECT_FLOAT_EQ(read.shapeInfo[i].z, written.baseShapeInfo[i].z);
        EXPECT_FLOAT_EQ(read.shapeInfo[i].w, written.baseShapeInfo[i].w);
    }
}

TEST(FlowModelTail, ShortTailsKeepDefaults) {
    const FlowModel defaults;
    EXPECT_FLOAT_EQ(defaults.deltaX, 0.1f);
    EXPECT_FLOAT_EQ(defaults.envelope, 0.17f);
    EXPECT_FLOAT_EQ(defaults.noiseLengthScale, 0.1f);
    EXPECT_FLOAT_EQ(defaults.noiseGain, 0.1f);
    EXPECT_FLOAT_EQ(defaults.baseShapeInfo[5].z, 0.1f);
    EXPECT_FLOAT_EQ(defaults.baseShapeInfo[5].w, 1.0f);
    EXPECT_FLOAT_EQ(defaults.shapeParams[5].w, 1.0f);

    // The file ends right after its envelope block.
    FlowModel none;
    std::istringstream empty("");
    EXPECT_FALSE(none.readTail(empty));
    EXPECT_EQ(bytesOf(none), bytesOf(defaults));

    // 20 bytes: the first base record and one float of the first shape parameters.
    FlowModel full;
    full.baseShapeInfo[0] = {9.0f, 8.0f, 7.0f, 6.0f};
    full.shapeParams[0] = {5.0f, 4.0f, 3.0f, 2.0f};
    const std::string bytes = bytesOf(full).substr(0, 20);
    FlowModel partial;
    std::istringstream in(bytes);
    EXPECT_FALSE(partial.readTail(in));
    EXPECT_FLOAT_EQ(partial.baseShapeInfo[0].z, 7.0f);
    EXPECT_FLOAT_EQ(partial.shapeInfo[0].x, 9.0f);
    EXPECT_FLOAT_EQ(partial.shapeParams[0].x, 5.0f);
    EXPECT_FLOAT_EQ(partial.shapeParams[0].y, 0.0f);
    EXPECT_FLOAT_EQ(partial.shapeParams[0].w, 1.0f);
    EXPECT_FLOAT_EQ(partial.baseShapeInfo[1].z, 0.1f);
    EXPECT_FLOAT_EQ(partial.deltaX, 0.1f);
}

}  // namespace
