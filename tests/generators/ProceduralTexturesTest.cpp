#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>

#include "ProceduralTextures.h"
#include "SimpleCurl3D.h"

using namespace qm;

namespace {
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
}  // namespace

TEST(ProceduralTextures, GradientFromFileGreyWhenMissingAndGreyTailWhenShort) {
    EXPECT_EQ(ProceduralTextures::gradientPath("qm_gradient"), "data/qm_gradient.grad");

    std::remove("missing.grad");
    const std::vector<uint8_t> grey = ProceduralTextures::gradient("missing.grad");
    ASSERT_EQ(grey.size(), 768u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(grey[i * 3 + 0], i);
        EXPECT_EQ(grey[i * 3 + 1], i);
        EXPECT_EQ(grey[i * 3 + 2], i);
    }

    // Full file (longer than needed: only the first 768 bytes count), bytes
    // include 0x0A/0x0D/0x1A so any text translation would show.
    std::vector<uint8_t> full(800);
    for (size_t n = 0; n < full.size(); ++n) full[n] = static_cast<uint8_t>((n * 37 + 10) & 255);
    writeFile("full.grad", full);
    const std::vector<uint8_t> ramp = ProceduralTextures::gradient("full.grad");
    ASSERT_EQ(ramp.size(), 768u);
    for (size_t n = 0; n < 768; ++n) ASSERT_EQ(ramp[n], full[n]) << n;

    // 100 bytes: 33 entries and one red byte come from the file.
    std::vector<uint8_t> shortFile(100, 0xEE);
    writeFile("short.grad", shortFile);
    const std::vector<uint8_t> mixed = ProceduralTextures::gradient("short.grad");
    ASSERT_EQ(mixed.size(), 768u);
    for (size_t n = 0; n < 100; ++n) EXPECT_EQ(mixed[n], 0xEE);
    for (size_t n = 100; n < 768; ++n) EXPECT_EQ(mixed[n], n / 3) << n;

    writeFile("empty.grad", {});
    EXPECT_EQ(ProceduralTextures::gradient("empty.grad"), grey);
}

TEST(ProceduralTextures, RandomNormalsAreFixedUnitVectors) {
    const std::vector<float> t = ProceduralTextures::randomNormals();
    ASSERT_EQ(t.size(), 32u * 32u * 3u);
    // First texel: three gaussian draws from a generator seeded with 1, normalised.
    EXPECT_NEAR(t[0], -0.36869001388549805f, 1e-6f);
    EXPECT_NEAR(t[1], -0.9215099215507507f, 1e-6f);
    EXPECT_NEAR(t[2], 0.12201229482889175f, 1e-6f);
    EXPECT_EQ(ProceduralTextures::randomNormals(), t);
    for (size_t n = 0; n < t.size(); n += 3)
        ASSERT_NEAR(std::sqrt(t[n] * t[n] + t[n + 1] * t[n + 1] + t[n + 2] * t[n + 2]), 1.0f, 1e-6f) << n;
}

TEST(ProceduralTextures, CurlVelocity2DIsSmoothedDirections) {
    const std::vector<float> v = ProceduralTextures::curlVelocity2D();
    ASSERT_EQ(v.size(), 256u * 256u * 2u);
    EXPECT_NEAR(v[0], -0.4422234892845154f, 1e-6f);
    EXPECT_NEAR(v[1], -0.09120454639196396f, 1e-6f);
    // The last texel averages with texels 0, 255 and 256, already smoothed.
    EXPECT_NEAR(v[65535 * 2], -0.18815863132476807f, 1e-6f);
    EXPECT_NEAR(v[65535 * 2 + 1], 0.17555129528045654f, 1e-6f);
    float longest = 0;
    double meanLength = 0;
    for (size_t n = 0; n < v.size(); n += 2) {
        const float l = std::sqrt(v[n] * v[n] + v[n + 1] * v[n + 1]);
        longest = std::max(longest, l);
        meanLength += l;
    }
    EXPECT_LE(longest, 1.0f);
    // Averaging four random directions shortens them: far from unit length on the whole.
    meanLength /= 65536;
    EXPECT_GT(meanLength, 0.3);
    EXPECT_LT(meanLength, 0.8);
}

TEST(ProceduralTextures, CurlVelocity3DHoldsUnitCurls) {
    const std::vector<float> t = ProceduralTextures::curlVelocity3D();
    ASSERT_EQ(t.size(), 32u * 32u * 32u * 3u);
    // Texel (0, 0, 0): the curl at (-1, -1, -1), normalised.
    EXPECT_NEAR(t[0], -0.8864942789077759f, 1e-4f);
    EXPECT_NEAR(t[1], 0.4111318588256836f, 1e-4f);
    EXPECT_NEAR(t[2], -0.21236413717269897f, 1e-4f);
    for (size_t n = 0; n < t.size(); n += 3)
        ASSERT_NEAR(std::sqrt(t[n] * t[n] + t[n + 1] * t[n + 1] + t[n + 2] * t[n + 2]), 1.0f, 1e-5f) << n;

    // Texel (i, j, k) = (5, 3, 9) is the curl at (j/16 - 1, k/16 - 1, i/16 - 1).
    SimpleCurl3D field(ProceduralTextures::curl3DStep);
    const ember::Vec3 c = field.curl(ember::Vec3(3 / 16.0f - 1, 9 / 16.0f - 1, 5 / 16.0f - 1)).normalized();
    const size_t at = ((9 * 32 + 3) * 32 + 5) * 3;
    EXPECT_FLOAT_EQ(t[at], c.x);
    EXPECT_FLOAT_EQ(t[at + 1], c.y);
    EXPECT_FLOAT_EQ(t[at + 2], c.z);
}
