#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "LoaderFixtures.h"
#include "loaders/ShaderLoader.h"

using namespace ember;
using namespace loadertest;

namespace {

void writeText(const std::string& path, const std::string& text) {
    ASSERT_TRUE(writeFile(path, Bytes(text.begin(), text.end())));
}

class ShaderLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        mkdir("shaders", 0755);
        mkdir("shaders/common", 0755);
    }
    ShaderLoader loader{"shaders/"};
};

}  // namespace

TEST_F(ShaderLoaderTest, ExpandsIncludesAtAnyDepthKeepingTheRestOfTheLine) {
    writeText("shaders/common/a.glsl", "float a() { return 1.0; }\n#include <common/b.glsl>\n");
    writeText("shaders/common/b.glsl", "float b() { return 2.0; }\n");
    const std::string stage =
        "#version 330\n#include <common/a.glsl> // tail\nvoid main() {}\n"
        "// #include <common/b.glsl>\n";
    writeText("shaders/test.frag", stage);
    Ref<Shader> shader = loader.load("shaders/test.frag", ShaderStage::Fragment);
    ASSERT_TRUE(shader);
    EXPECT_EQ(shader->source(),
              "#version 330\nfloat a() { return 1.0; }\nfloat b() { return 2.0; }\n\n"
              " // tail\nvoid main() {}\n// float b() { return 2.0; }\n\n");
    EXPECT_EQ(shader->unexpandedSource(), stage);
    EXPECT_EQ(shader->name(), "shaders/test.frag");
    EXPECT_EQ(shader->stage(), ShaderStage::Fragment);
    EXPECT_EQ(shader->glName(), 0u);
}

TEST_F(ShaderLoaderTest, CrLfBecomesLfInStageAndIncludeFiles) {
    writeText("shaders/common/crlf.glsl", "line1\r\nline2\r\n");
    writeText("shaders/crlf.vert", "#version 330\r\n#include <common/crlf.glsl>\r\nlone\rcr\r\n");
    Ref<Shader> shader = loader.load("shaders/crlf.vert", ShaderStage::Vertex);
    ASSERT_TRUE(shader);
    EXPECT_EQ(shader->source(), "#version 330\nline1\nline2\n\nlone\rcr\n");
    EXPECT_EQ(ShaderLoader::readTextFile("missing.txt"), "");
}

TEST_F(ShaderLoaderTest, FailuresGiveNullAndOneLine) {
    writeText("shaders/empty.vert", "");
    writeText("shaders/missing_include.vert", "#include <common/nothere.glsl>\n");
    writeText("shaders/unterminated.vert", "void main() {}\n#include <common/a.glsl\n");
    writeText("shaders/common/self.glsl", "x\n#include <common/self.glsl>\n");
    writeText("shaders/common/ping.glsl", "#include <common/pong.glsl>\n");
    writeText("shaders/common/pong.glsl", "#include <common/ping.glsl>\n");
    writeText("shaders/self.vert", "#include <common/self.glsl>\n");
    writeText("shaders/pingpong.vert", "#include <common/ping.glsl>\n");
    writeText("shaders/stageself.vert", "#include <stageself.vert>\n");
    struct Case {
        const char* path;
        std::string line;
    } cases[] = {
        {"shaders/nothere.vert", "Unable to open shader 'shaders/nothere.vert' \n"},
        {"shaders/empty.vert", "Unable to open shader 'shaders/empty.vert' \n"},
        {"shaders/missing_include.vert",
         "shaders/missing_include.vert : Unable to open shader include 'shaders/common/nothere.glsl' \n"},
        {"shaders/unterminated.vert",
         "shaders/unterminated.vert : Unterminated shader include directive (no '>')\n"},
        {"shaders/self.vert", "shaders/self.vert : Shader include cycle at 'shaders/common/self.glsl' \n"},
        {"shaders/pingpong.vert",
         "shaders/pingpong.vert : Shader include cycle at 'shaders/common/ping.glsl' \n"},
        {"shaders/stageself.vert",
         "shaders/stageself.vert : Shader include cycle at 'shaders/stageself.vert' \n"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        EXPECT_FALSE(loader.load(c.path, ShaderStage::Vertex)) << c.path;
        EXPECT_EQ(log.contents(), c.line) << c.path;
    }
}

TEST_F(ShaderLoaderTest, RepeatedIncludesAreInsertedEachTimeAndBounded) {
    writeText("shaders/common/twice.glsl", "t\n");
    writeText("shaders/twice.vert", "#include <common/twice.glsl>#include <common/twice.glsl>");
    Ref<Shader> shader = loader.load("shaders/twice.vert", ShaderStage::Vertex);
    ASSERT_TRUE(shader);
    EXPECT_EQ(shader->source(), "t\nt\n");

    // A chain of files each including the next one twice doubles at every
    // level: the size limit stops it instead of memory running out.
    const int levels = 30;
    for (int i = 0; i < levels; ++i) {
        const std::string next = "common/grow" + std::to_string(i + 1) + ".glsl";
        const std::string body =
            i + 1 < levels ? "#include <" + next + ">\n#include <" + next + ">\n" : std::string(1024, 'x');
        writeText("shaders/common/grow" + std::to_string(i) + ".glsl", body);
    }
    writeText("shaders/grow.vert", "#include <common/grow0.glsl>\n");
    LogCapture log;
    EXPECT_FALSE(loader.load("shaders/grow.vert", ShaderStage::Vertex));
    EXPECT_TRUE(log.contains("Expanded shader source exceeds")) << log.contents();

    // Small files including each other a hundred times over: the count of
    // expanded directives stops it long before the size limit would.
    for (int i = 0; i < 4; ++i) {
        std::string body;
        for (int k = 0; k < 100; ++k) body += "#include <common/fan" + std::to_string(i + 1) + ".glsl>";
        writeText("shaders/common/fan" + std::to_string(i) + ".glsl", body);
    }
    writeText("shaders/common/fan4.glsl", "x");
    writeText("shaders/fan.vert", "#include <common/fan0.glsl>\n");
    LogCapture fanLog;
    EXPECT_FALSE(loader.load("shaders/fan.vert", ShaderStage::Vertex));
    EXPECT_TRUE(fanLog.contains("More than 65536 shader includes")) << fanLog.contents();

    // Nesting deeper than the limit is refused even without a cycle.
    for (int i = 0; i <= ShaderLoader::MaxIncludeDepth; ++i)
        writeText("shaders/common/deep" + std::to_string(i) + ".glsl",
                  "#include <common/deep" + std::to_string(i + 1) + ".glsl>\n");
    writeText("shaders/common/deep" + std::to_string(ShaderLoader::MaxIncludeDepth + 1) + ".glsl", "end\n");
    writeText("shaders/deep.vert", "#include <common/deep0.glsl>\n");
    LogCapture deepLog;
    EXPECT_FALSE(loader.load("shaders/deep.vert", ShaderStage::Vertex));
    EXPECT_TRUE(deepLog.contains("Shader includes nested deeper than")) << deepLog.contents();
    // One level less is fine.
    writeText("shaders/deep1.vert", "#include <common/deep2.glsl>\n");
    EXPECT_TRUE(loader.load("shaders/deep1.vert", ShaderStage::Vertex));
}
