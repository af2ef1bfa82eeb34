#include <gtest/gtest.h>

#include <string>

#include "LoaderFixtures.h"
#include "loaders/JPEGLoader.h"
#include "loaders/PNGLoader.h"
#include "loaders/RAWMeshLoader.h"
#include "loaders/ShaderLoader.h"
#include "loaders/gzstream.h"

using namespace ember;
using namespace loadertest;

namespace {

struct CanLoadCase {
    const char* loader;
    const char* path;
    bool expected;
};

Ref<Loader> makeLoader(const std::string& kind) {
    if (kind == "png") return Ref<Loader>(new PNGLoader);
    if (kind == "jpeg") return Ref<Loader>(new JPEGLoader);
    if (kind == "mesh") return Ref<Loader>(new RAWMeshLoader);
    return Ref<Loader>(new ShaderLoader("data/shaders/"));
}

}  // namespace

TEST(Loader, ExtensionListsAreExact) {
    EXPECT_EQ(makeLoader("png")->extensions(), "png:PNG");
    EXPECT_EQ(makeLoader("jpeg")->extensions(), "jpg:jpeg:jif:jfif");
    EXPECT_EQ(makeLoader("mesh")->extensions(), "rmsh:rmzh");
    EXPECT_EQ(makeLoader("shader")->extensions(), "vert:frag:geom:");
}

TEST(Loader, CanLoadComparesTheLastExtensionCaseSensitively) {
    const CanLoadCase cases[] = {
        {"png", "data/textures/a.png", true},
        {"png", "data/textures/a.PNG", true},
        {"png", "data/textures/a.Png", false},
        {"png", "png", false},
        {"png", "a.png.jpg", false},
        {"png", "dir.png/file", false},
        {"jpeg", "loading.jfif", true},
        {"jpeg", "a.jpg", true},
        {"jpeg", "a.jpeg", true},
        {"jpeg", "a.jif", true},
        {"jpeg", "a.JPG", false},
        {"jpeg", "jpg", false},
        {"mesh", "models/cone.rmzh", true},
        {"mesh", "models/cone.rmsh", true},
        {"mesh", "models/cone.rm", false},
        {"shader", "post/blit.frag", true},
        {"shader", "post/blit.geom", true},
        {"shader", "post/blit.comp", false},
        {"shader", "post/blit.", false},  // the empty entry after the last ":" matches nothing
        {"shader", "vert", false},
    };
    for (const CanLoadCase& c : cases)
        EXPECT_EQ(makeLoader(c.loader)->canLoad(c.path), c.expected) << c.loader << " " << c.path;
}

namespace {

Bytes patternBytes(size_t size) {
    Bytes bytes(size);
    uint32_t state = 12345;
    for (auto& b : bytes) {
        state = state * 16807u;
        b = uint8_t(state >> 24);
    }
    return bytes;
}

Bytes readAll(std::istream& in) {
    Bytes out;
    char chunk[777];
    while (in.read(chunk, sizeof(chunk)) || in.gcount() > 0)
        out.insert(out.end(), chunk, chunk + in.gcount());
    return out;
}

// Counts the refills of the buffer.
class CountingBuf : public gzfilebuf {
public:
    int refills = 0;

protected:
    int_type underflow() override {
        if (gptr() == egptr()) ++refills;
        return gzfilebuf::underflow();
    }
};

}  // namespace

TEST(GzStream, ReadsGzipAndPlainFilesUnchanged) {
    const Bytes data = patternBytes(70000);
    ASSERT_TRUE(writeGzip("gz_pattern.gz", data));
    ASSERT_TRUE(writeFile("gz_pattern.bin", data));
    ASSERT_NE(readFile("gz_pattern.gz"), data);  // really compressed on disk
    for (const char* path : {"gz_pattern.gz", "gz_pattern.bin"}) {
        gzifstream in(path);
        ASSERT_FALSE(in.fail()) << path;
        EXPECT_EQ(readAll(in), data) << path;
        EXPECT_TRUE(in.eof());
    }
}

TEST(GzStream, ServesA5000ByteReadAcrossTenRefills) {
    const Bytes data = patternBytes(6000);
    ASSERT_TRUE(writeGzip("gz_refill.gz", data));
    CountingBuf buf;
    ASSERT_NE(buf.open("gz_refill.gz"), nullptr);
    std::istream in(&buf);
    Bytes got(5000);
    in.read(reinterpret_cast<char*>(got.data()), 5000);
    EXPECT_EQ(in.gcount(), 5000);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));
    EXPECT_EQ(buf.refills, 10);
    // What is left of the tenth refill is what the buffer reports as available.
    EXPECT_EQ(buf.in_avail(), 10 * 512 - 5000);
}

TEST(GzStream, PositionsReportMinusOne) {
    ASSERT_TRUE(writeGzip("gz_pos.gz", patternBytes(100)));
    gzifstream in("gz_pos.gz");
    char c[10];
    in.read(c, 10);
    EXPECT_EQ(static_cast<std::streamoff>(in.tellg()), -1);
    in.clear();
    in.seekg(0);
    EXPECT_TRUE(in.fail());
}

TEST(GzStream, MissingFileFailsAndClosedBufferHasNothingAvailable) {
    gzifstream in("does_not_exist.gz");
    EXPECT_TRUE(in.fail());
    EXPECT_FALSE(in.is_open());
    gzfilebuf buf;
    EXPECT_EQ(buf.in_avail(), -1);
    EXPECT_EQ(buf.close(), nullptr);
    ASSERT_TRUE(writeFile("gz_small.bin", patternBytes(10)));
    ASSERT_NE(buf.open("gz_small.bin"), nullptr);
    EXPECT_EQ(buf.open("gz_small.bin"), nullptr);  // already open
    EXPECT_EQ(buf.close(), &buf);
    EXPECT_EQ(buf.in_avail(), -1);
}

TEST(GzStream, DamagedGzipEndsEarlyWithoutCrashing) {
    const Bytes data = patternBytes(50000);
    ASSERT_TRUE(writeGzip("gz_whole.gz", data));
    const Bytes gz = readFile("gz_whole.gz");
    for (size_t cut : {size_t(5), size_t(11), gz.size() / 2, gz.size() - 20}) {
        ASSERT_TRUE(writeFile("gz_cut.gz", Bytes(gz.begin(), gz.begin() + cut)));
        gzifstream in("gz_cut.gz");
        ASSERT_FALSE(in.fail());
        const Bytes got = readAll(in);
        EXPECT_LT(got.size(), data.size()) << cut;
        EXPECT_TRUE(in.eof());
    }
    Bytes flipped = gz;
    flipped[gz.size() / 2] ^= 0x5A;
    ASSERT_TRUE(writeFile("gz_flip.gz", flipped));
    gzifstream in("gz_flip.gz");
    const Bytes got = readAll(in);
    EXPECT_TRUE(in.eof());
    EXPECT_LE(got.size(), data.size());
}
