// The Intro's generated content as the demo reads it: the cube mesh is closed
// and faces outward with unit normals and tangents, the clouds and the dance
// have sensible extents, and "intro.dat" loads through the part's own list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "InstanceFile.h"
#include "Intro.h"
#include "loaders/RAWMeshLoader.h"
#include "loaders/gzstream.h"
#include "post/BlitEngine.h"
#include "scene/Envelope.h"

namespace {

const std::string kData = std::string(EMBER_RUN_DIR) + "/data/";

float f32(const uint8_t* p) {
    float f;
    std::memcpy(&f, p, 4);
    return f;
}

TEST(IntroContent, CubeMeshIsClosedOutwardAndUnitLength) {
    std::ifstream in(kData + "models/cubes.rmsh", std::ios::binary);
    ASSERT_TRUE(in.good());
    ember::RawMeshData mesh;
    ASSERT_TRUE(ember::RAWMeshLoader::readMeshData(in, mesh));
    ASSERT_EQ(mesh.flags & 0x0F, 0x0Fu);
    ASSERT_EQ(mesh.stride, 48);
    ASSERT_EQ(mesh.bins.size(), 1u);
    // 6 faces, 12 chamfers of two triangles, 8 corners.
    EXPECT_EQ(mesh.indexCount, 3u * (12 + 24 + 8));
    auto vertex = [&](uint32_t i) { return mesh.vertices.data() + size_t(i) * 48; };
    for (uint32_t i = 0; i < mesh.vertexCount; ++i) {
        const uint8_t* v = vertex(i);
        const float n =
            std::sqrt(f32(v + 12) * f32(v + 12) + f32(v + 16) * f32(v + 16) + f32(v + 20) * f32(v + 20));
        const float t =
            std::sqrt(f32(v + 24) * f32(v + 24) + f32(v + 28) * f32(v + 28) + f32(v + 32) * f32(v + 32));
        EXPECT_NEAR(n, 1.0f, 1e-5f);
        EXPECT_NEAR(t, 1.0f, 1e-5f);
        for (int c = 0; c < 3; ++c) EXPECT_LE(std::fabs(f32(v + 4 * c)), 0.5f);
    }
    // Every triangle winds counter-clockwise seen from outside (normal . centroid > 0),
    // and the signed volume is that of the chamfered cube, a little below 1.
    double volume = 0.0;
    for (uint32_t k = 0; k < mesh.indexCount; k += 3) {
        float p[3][3];
        for (int j = 0; j < 3; ++j) {
            const uint16_t index = uint16_t(mesh.indices[2 * (k + j)] | mesh.indices[2 * (k + j) + 1] << 8);
            for (int c = 0; c < 3; ++c) p[j][c] = f32(vertex(index) + 4 * c);
        }
        const float e1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
        const float e2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
        const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                            e1[0] * e2[1] - e1[1] * e2[0]};
        const float c[3] = {p[0][0] + p[1][0] + p[2][0], p[0][1] + p[1][1] + p[2][1],
                            p[0][2] + p[1][2] + p[2][2]};
        EXPECT_GT(n[0] * c[0] + n[1] * c[1] + n[2] * c[2], 0.0f) << "triangle " << k / 3;
        volume += (p[0][0] * (p[1][1] * p[2][2] - p[1][2] * p[2][1]) -
                   p[0][1] * (p[1][0] * p[2][2] - p[1][2] * p[2][0]) +
                   p[0][2] * (p[1][0] * p[2][1] - p[1][1] * p[2][0])) /
                  6.0;
    }
    EXPECT_GT(volume, 0.95);
    EXPECT_LT(volume, 1.0);
}

TEST(IntroContent, CloudsAndDanceHaveTheirShape) {
    struct Cloud {
        const char* name;
        float minWidth;    // scene units, of the large cubes
        float depthCubes;  // depth of the bodies in cube sizes
    };
    // The credits are set smaller, with thinner strokes.
    const Cloud clouds[] = {{"marrow.vbo", 6.0f, 5.0f}, {"qm.vbo", 6.0f, 5.0f}, {"cred.vbo", 3.5f, 3.0f}};
    for (const Cloud& cloud : clouds) {
        const char* name = cloud.name;
        qm::InstanceFile f;
        ASSERT_TRUE(f.readFile(kData + "models/" + name, false)) << name;
        EXPECT_GT(f.recordCount(), 2000) << name;
        std::vector<float> sizes;
        for (int32_t i = 0; i < f.recordCount(); ++i) {
            EXPECT_GT(f.records[4 * i + 3], 0.0f);
            sizes.push_back(f.records[4 * i + 3]);
        }
        std::nth_element(sizes.begin(), sizes.begin() + sizes.size() / 2, sizes.end());
        const float cube = sizes[sizes.size() / 2];
        // The letters' bodies only: the loose dust around them is made of smaller cubes.
        float minX = 1e9f, maxX = -1e9f, minZ = 1e9f, maxZ = -1e9f;
        for (int32_t i = 0; i < f.recordCount(); ++i) {
            if (f.records[4 * i + 3] < cube) continue;
            minX = std::min(minX, f.records[4 * i]);
            maxX = std::max(maxX, f.records[4 * i]);
            minZ = std::min(minZ, f.records[4 * i + 2]);
            maxZ = std::max(maxZ, f.records[4 * i + 2]);
        }
        // Wide enough to fill the view, and deep: several cubes, not a flat grid.
        EXPECT_GT(maxX - minX, cloud.minWidth) << name;
        EXPECT_LT(maxX - minX, 11.0f) << name;
        EXPECT_GT(maxZ - minZ, cloud.depthCubes * cube) << name;
    }
    qm::InstanceFile dance;
    ASSERT_TRUE(dance.readFile(kData + "models/dance.avbo", true));
    EXPECT_EQ(dance.frameCount(), 64);
    // Consecutive frames differ: the figure moves.
    ASSERT_GE(dance.frames.size(), 4u);
    EXPECT_NE(dance.records[4 * dance.frames[0]], dance.records[4 * dance.frames[2 * 8]]);
}

TEST(IntroContent, ParameterFileLoadsThroughThePartsList) {
    ember::gzifstream in((kData + "intro.dat").c_str());
    ASSERT_TRUE(in.good());
    qm::Intro intro;
    ember::Ref<ember::BlitEngine> blit(new ember::BlitEngine());
    blit->createOfflineEffects();
    ASSERT_TRUE(intro.parameters().load(in, *blit));
    EXPECT_EQ(blit->passCounts[0], 2);
    // The dance steps eight frames a beat from 64; the camera stays on camera 0.
    EXPECT_FLOAT_EQ(intro.danceEnvelope->evaluate(65.0f), 8.0f);
    EXPECT_FLOAT_EQ(intro.danceEnvelope->evaluate(80.0f), 128.0f);
    EXPECT_EQ(intro.partEnvelope->evaluate(50.0f), 0.0f);
}

}  // namespace
