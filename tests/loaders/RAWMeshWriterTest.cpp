// The mesh writer against the reader: what is written reads back unchanged,
// skinning included, and data that does not match its counts is refused.
#include <gtest/gtest.h>

#include <sstream>

#include "loaders/RAWMeshLoader.h"
#include "loaders/RAWMeshWriter.h"

namespace {

using ember::RawMeshData;
using ember::RAWMeshLoader;
using ember::RAWMeshWriter;

RawMeshData sample(bool skinned) {
    RawMeshData d;
    d.flags = RAWMeshLoader::HasPosition | RAWMeshLoader::HasTexCoord;
    d.stride = RAWMeshLoader::vertexLayout(d.flags, d.slots);
    d.vertexCount = 3;
    for (int i = 0; i < 3 * d.stride; ++i) d.vertices.push_back(uint8_t(i * 7));
    d.indexSize = 4;
    d.indexCount = 3;
    for (uint32_t i : {0u, 1u, 2u})
        for (int b = 0; b < 4; ++b) d.indices.push_back(uint8_t(b == 0 ? i : 0));
    ember::MeshBin bin;
    bin.indexCount = 3;
    bin.maxIndex = 2;
    bin.reserved = 77;
    d.bins.push_back(bin);
    if (skinned) {
        d.skinned = true;
        d.boneNames = {"hip", "knee"};
        d.skinEntries.push_back({1, 2, 0.5f});
    }
    return d;
}

TEST(RAWMeshWriter, WrittenMeshesReadBackUnchanged) {
    for (bool skinned : {false, true}) {
        const RawMeshData src = sample(skinned);
        std::stringstream out;
        ASSERT_TRUE(RAWMeshWriter::write(out, src));
        RawMeshData back;
        ASSERT_TRUE(RAWMeshLoader::readMeshData(out, back));
        EXPECT_EQ(back.stride, 20);
        EXPECT_EQ(back.vertices, src.vertices);
        EXPECT_EQ(back.indexSize, 4);
        EXPECT_EQ(back.indices, src.indices);
        ASSERT_EQ(back.bins.size(), 1u);
        EXPECT_EQ(back.bins[0].reserved, 77u);
        EXPECT_EQ(back.bins[0].maxIndex, 2u);
        EXPECT_EQ(back.skinned, skinned);
        EXPECT_EQ(back.boneNames, src.boneNames);
        EXPECT_EQ(back.skinEntries.size(), src.skinEntries.size());
    }
}

TEST(RAWMeshWriter, DataThatDoesNotMatchItsCountsIsRefused) {
    RawMeshData shortVertices = sample(false);
    shortVertices.vertices.pop_back();
    RawMeshData badIndexSize = sample(false);
    badIndexSize.indexSize = 3;
    RawMeshData noAttributes = sample(false);
    noAttributes.flags = 0;
    for (const RawMeshData* d : {&shortVertices, &badIndexSize, &noAttributes}) {
        std::stringstream out;
        EXPECT_FALSE(RAWMeshWriter::write(out, *d));
    }
}

}  // namespace
