#include <GL/glew.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "TestDir.h"
#include "application/Logger.h"
#include "support/GLTestContext.h"

using ember::Logger;

namespace {

// A fresh logger writing to "test.log" in the test's own directory.
class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Logger::destroy();
        ASSERT_TRUE(Logger::instance().open("test.log"));
    }
    void TearDown() override { Logger::destroy(); }
    std::string contents() {
        Logger::instance().close();
        return apptest::readFile("test.log");
    }
    apptest::TestDir dir_;
};

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

TEST_F(LoggerTest, SectionsIndentByTabsAndRepeatTheBracketLine) {
    Logger& log = Logger::instance();
    log.writeLine("top");
    log.beginSection("outer");
    log.writeLine("one");
    log.beginSection("inner");
    log.writeFormatted("value %d of %s", 7, "x");
    log.endSection("inner");
    log.endSection("outer");
    log.writeLine("after");
    EXPECT_EQ(contents(), "top\n[outer]\n\tone\n\t[inner]\n\t\tvalue 7 of x\n\t[inner]\n[outer]\nafter\n");
    EXPECT_EQ(Logger::instance().depth(), 0);
}

TEST_F(LoggerTest, FormattedOutputIsCutAt2047Characters) {
    const std::string longText(3000, 'q');
    Logger::instance().writeFormatted("%s", longText.c_str());
    Logger::instance().writeFormatted("%s", std::string(2047, 'r').c_str());
    const std::vector<std::string> lines = splitLines(contents());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(2047, 'q'));
    EXPECT_EQ(lines[1], std::string(2047, 'r'));
}

TEST_F(LoggerTest, LocatedLinesPutTheTextOneLevelDeeper) {
    Logger& log = Logger::instance();
    log.beginSection("s");
    log.writeLocated("src/rend/Device", "Device::setBlendState", 42, "GL_INVALID_ENUM");
    log.writeLine("next");
    log.endSection("s");
    EXPECT_EQ(contents(),
              "[s]\n\tsrc/rend/Device : Device::setBlendState +42\n\t\tGL_INVALID_ENUM\n\tnext\n[s]\n");
}

TEST_F(LoggerTest, LineBreaksInTheTextAreWrittenAsTheyAre) {
    Logger::instance().writeFormatted("ends with a break\n");
    Logger::instance().writeLine("two\nlines");
    EXPECT_EQ(contents(), "ends with a break\n\ntwo\nlines\n");
}

TEST_F(LoggerTest, EachLineIsFlushedAtOnce) {
    Logger::instance().writeLine("visible before close");
    EXPECT_EQ(apptest::readFile("test.log"), "visible before close\n");
}

TEST_F(LoggerTest, SilentWhileNotOpen) {
    Logger::destroy();
    Logger& log = Logger::instance();
    EXPECT_FALSE(log.isOpen());
    log.beginSection("lost");
    log.writeLine("lost line");
    log.writeFormatted("lost %d", 1);
    log.writeLocated("f", "g", 1, "lost");
    log.endSection("lost");
    // A file that cannot be opened leaves the log silent as well.
    EXPECT_FALSE(log.open("no/such/directory/log.txt"));
    log.writeLine("still lost");
    ASSERT_TRUE(log.open("test.log"));
    log.writeLine("kept");
    EXPECT_EQ(contents(), "kept\n");
}

// The driver report on the real context: every extension by index, the
// version line for each index, the GLX list.
TEST_F(LoggerTest, CheckExtensionsReportsTheDriverOnARealContext) {
    EMBER_REQUIRE_GL();
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    ASSERT_GT(count, 0);

    struct Case {
        int index;
        const char* line;
    };
    const Case cases[] = {{0, "GLEW_VERSION_3_3"}, {1, "GLEW_VERSION_4_0"}, {2, "GLEW_VERSION_4_1"},
                          {3, "GLEW_VERSION_4_2"}, {4, "GLEW_VERSION_4_3"}, {9, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        Logger::destroy();
        ASSERT_TRUE(Logger::instance().open("test.log"));
        EXPECT_EQ(Logger::instance().checkExtensions(c.index), 0);
        while (glGetError() != GL_NO_ERROR) {
        }
        const std::vector<std::string> lines = splitLines(contents());
        ASSERT_GE(lines.size(), 6u);
        EXPECT_EQ(lines[0], "[driver]");
        EXPECT_EQ(lines[1].rfind("\tGL_VENDOR: ", 0), 0u);
        EXPECT_EQ(lines[2].rfind("\tGL_RENDERER: ", 0), 0u);
        EXPECT_EQ(lines[3],
                  std::string("\tGL_VERSION: ") + reinterpret_cast<const char*>(glGetString(GL_VERSION)));
        EXPECT_EQ(lines[4].rfind("\tGL_SHADING_LANGUAGE_VERSION: ", 0), 0u);
        EXPECT_EQ(lines[5], "[driver]");
        ASSERT_GE(lines.size(), 26u);
        EXPECT_EQ(lines[6], "[limits]");
        EXPECT_EQ(lines[7], "\t[buffers]");
        EXPECT_EQ(lines[8], "\t[buffers]");
        EXPECT_EQ(lines[19], "\t[transform feedback]");
        EXPECT_EQ(lines[24], "\t[misc]");
        EXPECT_EQ(lines[25], "[limits]");

        size_t at = 26;
        ASSERT_LT(at, lines.size());
        EXPECT_EQ(lines[at++], "[extensions]");
        for (GLint i = 0; i < count && at < lines.size(); ++i, ++at)
            EXPECT_EQ(lines[at], std::string("\t") +
                                     reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, GLuint(i))));
        ASSERT_LT(at, lines.size());
        if (c.line) {
            EXPECT_EQ(lines[at++], std::string("\t") + c.line);
        }
        ASSERT_LT(at, lines.size());
        EXPECT_EQ(lines[at++], "[extensions]");
        ASSERT_LT(at + 2, lines.size());
        EXPECT_EQ(lines[at], "[glx]");
        EXPECT_EQ(lines.back(), "[glx]");
        EXPECT_EQ(lines[at + 1].rfind("\tGLX_", 0), 0u);
    }
}

}  // namespace
