#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "LoaderFixtures.h"
#include "loaders/RAWMeshLoader.h"
#include "loaders/gzstream.h"

using namespace ember;
using namespace loadertest;

namespace {

bool parse(const Bytes& bytes, RawMeshData& data) {
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    return RAWMeshLoader::readMeshData(in, data);
}

MeshSpec skinnedMesh() {
    MeshSpec spec = simpleMesh(0x3F, 6, 2);
    spec.writeSkin = true;
    spec.bones = {"root", "spine", std::string(128, 'n')};
    spec.entries = {{1, 2, 0.5f}, {3, 4, 0.25f}};
    return spec;
}

}  // namespace

TEST(MeshLayout, FlagsGiveStrideAndOffsets) {
    struct Slot {
        AttributeSemantic semantic;
        int32_t offset, components;
    };
    struct Case {
        uint32_t flags;
        int32_t stride;
        std::vector<Slot> slots;
    } cases[] = {
        {0x0B,
         32,
         {{AttributeSemantic::Position, 0, 3},
          {AttributeSemantic::Normal, 12, 3},
          {AttributeSemantic::TexCoord, 24, 2}}},
        {0x1F,
         52,
         {{AttributeSemantic::Position, 0, 3},
          {AttributeSemantic::Normal, 12, 3},
          {AttributeSemantic::Tangent, 24, 4},
          {AttributeSemantic::TexCoord, 40, 2},
          {AttributeSemantic::Color, 48, 4}}},
        {0x0A, 20, {{AttributeSemantic::Normal, 0, 3}, {AttributeSemantic::TexCoord, 12, 2}}},
        {0x01, 12, {{AttributeSemantic::Position, 0, 3}}},
        {0x14, 20, {{AttributeSemantic::Tangent, 0, 4}, {AttributeSemantic::Color, 16, 4}}},
        {0xE9,
         20,
         {{AttributeSemantic::Position, 0, 3},
          {AttributeSemantic::TexCoord, 12, 2}}},  // 0x20/0x40/0x80 add nothing
        {0x20, 0, {}},
    };
    for (const Case& c : cases) {
        std::vector<AttributeSlot> slots;
        EXPECT_EQ(RAWMeshLoader::vertexLayout(c.flags, slots), c.stride) << std::hex << c.flags;
        ASSERT_EQ(slots.size(), c.slots.size()) << std::hex << c.flags;
        for (size_t i = 0; i < slots.size(); ++i) {
            EXPECT_EQ(slots[i].semantic, c.slots[i].semantic) << std::hex << c.flags << " slot " << i;
            EXPECT_EQ(slots[i].offset, c.slots[i].offset) << std::hex << c.flags << " slot " << i;
            EXPECT_EQ(slots[i].components, c.slots[i].components) << std::hex << c.flags << " slot " << i;
        }
    }
}

TEST(MeshFile, ReadsEveryBlock) {
    MeshSpec spec = skinnedMesh();
    spec.bins.push_back({3, 99, 3, 3, 5, 5});
    RawMeshData data;
    ASSERT_TRUE(parse(encodeMesh(spec), data));
    EXPECT_EQ(data.stride, 52);
    EXPECT_EQ(data.vertexCount, 6u);
    EXPECT_EQ(data.vertices, spec.vertexData);
    EXPECT_EQ(data.indexSize, 2);
    EXPECT_EQ(data.indexCount, 6u);
    EXPECT_EQ(data.indices, (Bytes{0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0}));
    ASSERT_EQ(data.bins.size(), 2u);
    EXPECT_EQ(data.bins[1].firstIndex, 3u);
    EXPECT_EQ(data.bins[1].reserved, 99u);
    EXPECT_EQ(data.bins[1].indexCount, 3u);
    EXPECT_EQ(data.bins[1].minIndex, 3u);
    EXPECT_EQ(data.bins[1].maxIndex, 5u);
    EXPECT_EQ(data.bins[1].primitiveType, 5u);
    EXPECT_TRUE(data.skinned);
    EXPECT_EQ(data.boneNames, (std::vector<std::string>{"root", "spine", std::string(128, 'n')}));
    ASSERT_EQ(data.skinEntries.size(), 2u);
    EXPECT_EQ(data.skinEntries[1].first, 3u);
    EXPECT_EQ(data.skinEntries[1].second, 4u);
    EXPECT_EQ(data.skinEntries[1].weight, 0.25f);
}

TEST(MeshFile, GzipCompressedFileReadsTheSame) {
    const Bytes bytes = encodeMesh(skinnedMesh());
    ASSERT_TRUE(writeFile("same.rmsh", bytes));
    ASSERT_TRUE(writeGzip("same.rmzh", bytes));
    RawMeshData plain, packed;
    std::ifstream plainIn("same.rmsh", std::ios::binary);
    gzifstream packedIn("same.rmzh");
    ASSERT_TRUE(RAWMeshLoader::readMeshData(plainIn, plain));
    ASSERT_TRUE(RAWMeshLoader::readMeshData(packedIn, packed));
    EXPECT_EQ(plain.vertices, packed.vertices);
    EXPECT_EQ(plain.indices, packed.indices);
    EXPECT_EQ(plain.boneNames, packed.boneNames);
    EXPECT_EQ(plain.bins.size(), packed.bins.size());

    RAWMeshLoader loader;
    Ref<SoftwareMesh> a = loader.loadSoftwareMesh("same.rmsh");
    Ref<SoftwareMesh> b = loader.loadSoftwareMesh("same.rmzh");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->vertices, b->vertices);
    EXPECT_EQ(a->indices, b->indices);
    EXPECT_EQ(a->triangles.size(), 2u);
}

TEST(MeshFile, EachWrongTagOrVersionGivesItsOwnLine) {
    const Bytes good = encodeMesh(skinnedMesh());
    const std::vector<size_t> at = meshBlockOffsets(skinnedMesh());
    const size_t binHeaderEnd = at[5] + 12;
    const size_t skinHeaderEnd = at[7] + 16;
    struct Case {
        size_t offset;
        uint8_t value;
        std::string line;
    } cases[] = {
        {at[0], 'X', "Invalid mesh header"},
        {at[0] + 4, 0x02, "Invalid mesh header version"},
        {at[1] + 1, 'X', "Invalid vertex attrib header"},
        {at[1] + 5, 0x02, "Invalid vertex attrib header version"},
        {at[3] + 3, 'X', "Invalid index header"},
        {at[3] + 4, 0x00, "Invalid index header version"},
        {at[5], 'X', "Invalid index-bin header at pos " + std::to_string(binHeaderEnd)},
        {at[5] + 5, 0x00, "Invalid index-bin header version"},
        {at[7] + 2, 'X', "Invalid skinning header at pos " + std::to_string(skinHeaderEnd)},
        {at[7] + 6, 0x01, "Invalid skinning header version"},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        bad[c.offset] = c.value;
        LogCapture log;
        RawMeshData data;
        EXPECT_FALSE(parse(bad, data)) << c.line;
        EXPECT_EQ(log.contents(), c.line + "\n");
    }
    // Through the gzip stream the position is unknown: -1.
    Bytes bad = good;
    bad[at[5]] = 'X';
    ASSERT_TRUE(writeGzip("badbin.rmzh", bad));
    LogCapture log;
    gzifstream in("badbin.rmzh");
    RawMeshData data;
    EXPECT_FALSE(RAWMeshLoader::readMeshData(in, data));
    EXPECT_EQ(log.contents(), "Invalid index-bin header at pos -1\n");
}

TEST(MeshFile, DamagedFilesFailCleanly) {
    const MeshSpec base = skinnedMesh();
    const Bytes good = encodeMesh(base);
    std::vector<std::pair<std::string, Bytes>> cases;
    // Cut at every block boundary and inside every block.
    const std::vector<size_t> at = meshBlockOffsets(base);
    for (size_t i = 0; i + 1 < at.size(); ++i)
        for (size_t extra : {size_t(0), size_t(1), (at[i + 1] - at[i]) / 2, at[i + 1] - at[i] - 1})
            if (at[i] + extra < good.size())
                cases.push_back({"cut at " + std::to_string(at[i] + extra),
                                 Bytes(good.begin(), good.begin() + at[i] + extra)});
    auto variant = [&](const std::string& what, auto change) {
        MeshSpec spec = base;
        change(spec);
        cases.push_back({what, encodeMesh(spec)});
    };
    variant("huge vertex count", [](MeshSpec& s) { s.vertexCount = 0xFFFFFFFF; });
    variant("vertex count beyond the data", [](MeshSpec& s) { s.vertexCount = 1000000; });
    variant("no attributes", [](MeshSpec& s) { s.flags = 0x20; });
    variant("huge index count", [](MeshSpec& s) { s.indexCount = 0xFFFFFFFF; });
    variant("index count beyond the data", [](MeshSpec& s) { s.indexCount = 60000000; });
    variant("index size 0", [](MeshSpec& s) { s.indexSize = 0; });
    variant("index size 3", [](MeshSpec& s) { s.indexSize = 3; });
    variant("index out of range", [](MeshSpec& s) { s.indices[4] = 6; });
    variant("huge bin count", [](MeshSpec& s) { s.binCount = 0xFFFFFFFF; });
    variant("bin count beyond the data", [](MeshSpec& s) { s.binCount = 1000; });
    variant("bin past the indices", [](MeshSpec& s) { s.bins[0].count = 7; });
    variant("bin start overflow", [](MeshSpec& s) { s.bins[0].first = 0xFFFFFFFE; });
    variant("bin range reversed", [](MeshSpec& s) {
        s.bins[0].minIndex = 5;
        s.bins[0].maxIndex = 1;
    });
    variant("bin range past vertices", [](MeshSpec& s) { s.bins[0].maxIndex = 6; });
    variant("bin primitive", [](MeshSpec& s) { s.bins[0].primitive = 14; });
    variant("huge bone count", [](MeshSpec& s) { s.boneCount = 0xFFFFFFFF; });
    variant("bone count beyond the data", [](MeshSpec& s) { s.boneCount = 60000; });
    variant("huge entry count", [](MeshSpec& s) { s.entryCount = 0xFFFFFFFF; });
    variant("entry count beyond the data", [](MeshSpec& s) { s.entryCount = 5000000; });
    variant("skin flag without block", [](MeshSpec& s) { s.writeSkin = false; });
    variant("skin version", [](MeshSpec& s) { s.skinVersion = 0x102; });
    variant("mesh version", [](MeshSpec& s) { s.meshVersion = 0x0102; });
    variant("zero vertices with indices", [](MeshSpec& s) { s.vertexData.clear(); });

    for (const auto& [what, bytes] : cases) {
        LogCapture log;
        RawMeshData data;
        EXPECT_FALSE(parse(bytes, data)) << what;
        const std::string text = log.contents();
        // Exactly one line says why.
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << what << ": " << text;
        ASSERT_TRUE(writeGzip("damaged.rmzh", bytes));
        gzifstream in("damaged.rmzh");
        EXPECT_FALSE(RAWMeshLoader::readMeshData(in, data)) << what;
    }
}

TEST(MeshFile, EmptyMeshIsAccepted) {
    MeshSpec spec;
    spec.flags = 0x01;
    RawMeshData data;
    ASSERT_TRUE(parse(encodeMesh(spec), data));
    EXPECT_EQ(data.vertexCount, 0u);
    EXPECT_EQ(data.indexCount, 0u);
    EXPECT_TRUE(data.bins.empty());
}

TEST(MeshFile, MissingFileGivesNullSilently) {
    LogCapture log;
    RAWMeshLoader loader;
    EXPECT_FALSE(loader.loadSoftwareMesh("missing.rmsh"));
    EXPECT_FALSE(loader.loadSoftwareMesh("missing.rmzh"));
    EXPECT_EQ(log.contents(), "");
}
