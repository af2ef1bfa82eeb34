// Instance files: a written file reads back; damaged files (cut short, huge
// counts, wrong strides, frames outside the records) are refused with one log
// line instead of being trusted.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "InstanceFile.h"
#include "IntroTestSupport.h"
#include "application/Logger.h"

namespace {

using introtest::openLog;
using introtest::readLog;
using qm::InstanceFile;

void putInt(std::string& s, int32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(char((uint32_t(v) >> (8 * i)) & 0xff));
}

InstanceFile sample(bool animated) {
    InstanceFile f;
    for (int i = 0; i < 12; ++i) f.records.push_back(0.25f * float(i) - 1.0f);
    if (animated) f.frames = {0, 2, 1, 2};
    return f;
}

TEST(InstanceFile, WrittenFilesReadBackPlainAndCompressed) {
    for (bool animated : {false, true}) {
        std::stringstream out;
        ASSERT_TRUE(sample(animated).write(out, animated));
        const std::string bytes = out.str();
        EXPECT_EQ(bytes.size(), size_t((animated ? 4 + 16 : 0) + 8 + 48));
        const std::string path = animated ? "sample.avbo" : "sample.vbo";
        gzFile gz = gzopen(path.c_str(), "wb9");
        ASSERT_NE(gz, nullptr);
        gzwrite(gz, bytes.data(), unsigned(bytes.size()));
        gzclose(gz);
        InstanceFile back;
        ASSERT_TRUE(back.readFile(path, animated));
        EXPECT_EQ(back.records, sample(animated).records);
        EXPECT_EQ(back.frames, sample(animated).frames);
        EXPECT_EQ(back.recordCount(), 3);
        EXPECT_EQ(back.stride, 16);
    }
}

TEST(InstanceFile, DamagedFilesAreRefusedWithALogLine) {
    openLog();
    std::stringstream good;
    sample(false).write(good, false);
    std::stringstream goodAnim;
    sample(true).write(goodAnim, true);
    auto header = [](int32_t stride, int32_t count) {
        std::string s;
        putInt(s, stride);
        putInt(s, count);
        return s;
    };
    struct Case {
        std::string bytes;
        bool animated;
        const char* why;
    };
    std::string badFrame;
    putInt(badFrame, 2);
    putInt(badFrame, 2);
    putInt(badFrame, 2);  // records 2 and 3 of three
    badFrame += header(16, 3) + std::string(48, '\0');
    std::string oddTable;
    putInt(oddTable, 3);
    const Case cases[] = {
        {good.str().substr(0, good.str().size() - 5), false, "cut inside the records"},
        {good.str().substr(0, 6), false, "cut inside the header"},
        {"", false, "empty"},
        {header(16, 0x7fffffff) + std::string(64, '\0'), false, "huge count"},
        {header(16, -4), false, "negative count"},
        {header(0, 3) + std::string(48, '\0'), false, "zero stride"},
        {header(12, 4) + std::string(48, '\0'), false, "stride shorter than a record"},
        {goodAnim.str().substr(0, 10), true, "cut inside the frame table"},
        {badFrame, true, "frame past the records"},
        {oddTable + std::string(64, '\0'), true, "odd frame table"},
        {header(16, 3), true, "huge frame table"},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.bytes);
        InstanceFile f = sample(c.animated);
        EXPECT_FALSE(f.read(in, c.animated, "damaged.vbo")) << c.why;
        // Nothing of a refused file is kept.
        EXPECT_EQ(f.records, sample(c.animated).records) << c.why;
    }
    EXPECT_NE(readLog().find("damaged.vbo"), std::string::npos);
}

TEST(InstanceFile, MissingFileIsLogged) {
    openLog();
    InstanceFile f;
    EXPECT_FALSE(f.readFile("data/models/none.vbo", false));
    EXPECT_NE(readLog().find("data/models/none.vbo"), std::string::npos);
}

}  // namespace
