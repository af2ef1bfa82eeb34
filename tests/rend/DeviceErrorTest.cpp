#include <GL/glew.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "application/Logger.h"
#include "rend/DeviceError.h"
#include "support/GLTestContext.h"

namespace {

using ember::Logger;

std::string readLog() {
    std::ifstream in("log.txt");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void drainErrors() {
    while (glGetError() != GL_NO_ERROR) {
    }
}

class DeviceErrorTest : public ::testing::Test {
protected:
    void SetUp() override {
        EMBER_REQUIRE_GL();
        drainErrors();
        ASSERT_TRUE(Logger::instance().open("log.txt"));
    }
    void TearDown() override { Logger::instance().close(); }
};

TEST(DeviceErrorText, LocationFormHasTwoSpacesBeforePlus) {
    EXPECT_EQ(ember::glErrorLocation("src/rend/Device", "Device::setBlendState", 1088),
              "src/rend/Device Device::setBlendState  +1088");
}

TEST(DeviceErrorText, ErrorTable) {
    struct Case {
        GLenum code;
        const char* text;
    } cases[] = {
        {GL_INVALID_ENUM, " : GL_INVALID_ENUM"},
        {GL_INVALID_VALUE, " : GL_INVALID_VALUE"},
        {GL_INVALID_OPERATION, " : GL_INVALID_OPERATION"},
        {GL_STACK_OVERFLOW, " : GL_STACK_OVERFLOW"},
        {GL_STACK_UNDERFLOW, " : GL_STACK_UNDERFLOW"},
        {GL_OUT_OF_MEMORY, " : GL_OUT_OF_MEMORY"},
        {GL_INVALID_FRAMEBUFFER_OPERATION, " : GL_INVALID_FRAMEBUFFER_OPERATION"},
        {0x1234, " : UNKNOWN GL ERROR\n"},
    };
    for (const Case& c : cases) EXPECT_STREQ(ember::glErrorText(c.code), c.text) << c.code;
}

TEST(DeviceErrorText, FramebufferStatusTable) {
    struct Case {
        GLenum code;
        const char* text;
    } cases[] = {
        {GL_FRAMEBUFFER_COMPLETE, ""},
        {GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT, " : GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT"},
        {GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT, " : GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT"},
        {GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER, " : GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER"},
        {GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER, " : GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER"},
        {GL_FRAMEBUFFER_UNSUPPORTED, " : GL_FRAMEBUFFER_UNSUPPORTED"},
        {GL_FRAMEBUFFER_UNDEFINED, " : UNKNOWN FRAMEBUFFER ERROR"},
    };
    for (const Case& c : cases) EXPECT_STREQ(ember::framebufferStatusText(c.code), c.text) << c.code;
}

TEST(DeviceErrorText, CallSiteNamesAreReduced) {
    struct Case {
        const char* in;
        const char* out;
    } functions[] = {
        {"void ember::Device::setBlendState(const ember::BlendState&)", "Device::setBlendState"},
        {"bool ember::Texture::bind(int) const", "Texture::bind"},
        {"void ember::Registry<T>::add(const string&, T*) [with T = ember::Texture; std::string = "
         "std::__cxx11::basic_string<char>]",
         "Registry<T>::add"},
        {"const std::vector<ember::Foo*>& qm::Part::list()", "Part::list"},
        {"int main()", "main"},
    };
    for (const Case& c : functions) EXPECT_EQ(ember::glFunctionName(c.in), c.out) << c.in;
    struct PathCase {
        const char* in;
        const char* out;
    } paths[] = {
        {"/work/x/src/rend/Device.cpp", "src/rend/Device"},
        {"/home/a/src/project/src/rend/Program.cpp", "src/rend/Program"},
        {"/work/x/quillmoor/parts/Flow.cpp", "quillmoor/parts/Flow"},
        {"Local.cpp", "Local"},
    };
    for (const PathCase& c : paths) EXPECT_EQ(ember::glSourcePath(c.in), c.out) << c.in;
}

TEST_F(DeviceErrorTest, NoPendingErrorWritesNothingNotEvenExtra) {
    uint64_t before = ember::glCheckCount();
    ember::checkGLError(10, "Device::clear", "src/rend/Device", "program name");
    EXPECT_EQ(ember::glCheckCount(), before + 1);
    Logger::instance().close();
    EXPECT_EQ(readLog(), "");
}

TEST_F(DeviceErrorTest, ErrorWithExtraWritesTwoLinesErrorFirst) {
    glEnable(0xFFFF);  // invalid capability
    ember::checkGLError(42, "Program::setUniform1f", "src/rend/Program", "deferred/geometry");
    // Only the one error was read; the flag is clear again.
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    Logger::instance().close();
    EXPECT_EQ(readLog(),
              "src/rend/Program Program::setUniform1f  +42 : GL_INVALID_ENUM\n"
              "deferred/geometry\n");
}

TEST_F(DeviceErrorTest, OneErrorPerCheck) {
    glEnable(0xFFFF);                        // GL_INVALID_ENUM
    glBindTexture(GL_TEXTURE_2D, 0xFFFFFF);  // GL_INVALID_OPERATION, not recorded while one is pending
    ember::checkGLError(1, "A::a", "src/a");
    ember::checkGLError(2, "B::b", "src/b");
    Logger::instance().close();
    EXPECT_EQ(readLog(), "src/a A::a  +1 : GL_INVALID_ENUM\n");
}

TEST_F(DeviceErrorTest, MacroLocatesTheCallSite) {
    glEnable(0xFFFF);
    int line = __LINE__ + 1;
    EMBER_GL_CHECK();
    Logger::instance().close();
    EXPECT_EQ(readLog(),
              "tests/rend/DeviceErrorTest DeviceErrorTest_MacroLocatesTheCallSite_Test::TestBody  +" +
                  std::to_string(line) + " : GL_INVALID_ENUM\n");
}

TEST_F(DeviceErrorTest, FramebufferStatus) {
    ember::checkFramebufferStatus(GL_FRAMEBUFFER_COMPLETE);
    ember::checkFramebufferStatus(GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT);
    ember::checkFramebufferStatus(0x1);
    Logger::instance().close();
    EXPECT_EQ(
        readLog(),
        "src/rend/Framebuffer Framebuffer::create  +199 : GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT\n"
        "src/rend/Framebuffer Framebuffer::create  +199 : UNKNOWN FRAMEBUFFER ERROR\n");
}

TEST_F(DeviceErrorTest, ShaderInfoLogWrittenOnlyWhenLongerThanOneCharacter) {
    GLuint good = glCreateShader(GL_VERTEX_SHADER);
    const char* goodSource = "#version 330 core\nvoid main() { gl_Position = vec4(0.0); }\n";
    glShaderSource(good, 1, &goodSource, nullptr);
    glCompileShader(good);
    GLint logLength = 0;
    glGetShaderiv(good, GL_INFO_LOG_LENGTH, &logLength);
    ember::CheckShaderError(good, 59, "quiet");

    GLuint bad = glCreateShader(GL_FRAGMENT_SHADER);
    const char* badSource = "#version 330 core\nvoid main() { undefined_thing = 1; }\n";
    glShaderSource(bad, 1, &badSource, nullptr);
    glCompileShader(bad);
    std::vector<char> info(4096, '\0');
    glGetShaderInfoLog(bad, 4096, nullptr, info.data());
    ember::CheckShaderError(bad, 53, "broken");
    glDeleteShader(good);
    glDeleteShader(bad);
    Logger::instance().close();

    std::string expected;
    if (logLength > 1) {
        // The good shader's log is whatever the driver wrote; only its location matters here.
        expected = "src/rend/Shader Shader::compile  +59 : quiet ";
    }
    std::string log = readLog();
    std::string badLine = std::string("src/rend/Shader Shader::compile  +53 : broken ") + info.data() + "\n";
    EXPECT_NE(log.find(badLine), std::string::npos) << log;
    if (logLength <= 1)
        EXPECT_EQ(log, badLine);
    else
        EXPECT_EQ(log.rfind(expected, 0), 0u) << log;
}

TEST_F(DeviceErrorTest, ProgramInfoLogEmptyWritesNothingFailedLinkIsWritten) {
    GLuint empty = glCreateProgram();
    ember::CheckObjectError(empty, 224, "empty");
    Logger::instance().close();
    EXPECT_EQ(readLog(), "");
    ASSERT_TRUE(Logger::instance().open("log.txt"));

    // A fragment shader calling a function no stage defines fails to link.
    GLuint vs = glCreateShader(GL_VERTEX_SHADER);
    const char* vsSource = "#version 330 core\nvoid main() { gl_Position = vec4(0.0); }\n";
    glShaderSource(vs, 1, &vsSource, nullptr);
    glCompileShader(vs);
    GLuint fs = glCreateShader(GL_FRAGMENT_SHADER);
    const char* fsSource =
        "#version 330 core\nvec4 missing();\nout vec4 c;\nvoid main() { c = missing(); }\n";
    glShaderSource(fs, 1, &fsSource, nullptr);
    glCompileShader(fs);
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    GLint linked = GL_TRUE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    std::vector<char> info(4096, '\0');
    glGetProgramInfoLog(program, 4096, nullptr, info.data());
    ember::CheckObjectError(program, 183, "marrow/linkfail");
    glDeleteProgram(program);
    glDeleteProgram(empty);
    glDeleteShader(vs);
    glDeleteShader(fs);
    Logger::instance().close();
    ASSERT_EQ(linked, GL_FALSE);
    ASSERT_GT(std::string(info.data()).size(), 1u);
    EXPECT_EQ(readLog(),
              std::string("src/rend/Program Program::compile  +183 : marrow/linkfail ") + info.data() + "\n");
}

}  // namespace
