#pragma once
// Helpers shared by the GL object tests: a fixture with a fresh log and a
// drained GL error flag, log reading, and program building from inline sources.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "application/Logger.h"
#include "rend/DeviceError.h"
#include "rend/Program.h"
#include "rend/Shader.h"
#include "support/GLTestContext.h"

namespace rendtest {

inline std::string readLog() {
    std::ifstream in("log.txt");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::vector<std::string> logLines() {
    std::vector<std::string> lines;
    std::istringstream in(readLog());
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

inline void drainGLErrors() {
    while (glGetError() != GL_NO_ERROR) {
    }
}

// Every test starts with an empty log and no pending GL error, and must end
// without a GL error reported by the engine's checks.
class GLObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        EMBER_REQUIRE_GL();
        drainGLErrors();
        ASSERT_TRUE(ember::Logger::instance().open("log.txt"));
    }
    void TearDown() override {
        ember::Logger::instance().close();
        drainGLErrors();
    }
    // No engine check reported a GL error so far in this test.
    static void expectNoGLErrorLogged() {
        const std::string log = readLog();
        EXPECT_EQ(log.find(" : GL_"), std::string::npos) << log;
    }
};

inline ember::Ref<ember::Shader> makeShader(ember::ShaderStage stage, const std::string& source,
                                            const std::string& name = "test") {
    ember::Ref<ember::Shader> shader(new ember::Shader(stage, name));
    shader->setSource(source);
    return shader;
}

struct StageSource {
    ember::ShaderStage stage;
    const char* source;
};

// A program of the given stages; compile() is left to the caller.
inline ember::Ref<ember::Program> makeProgram(const std::string& name,
                                              std::initializer_list<StageSource> stages) {
    ember::Ref<ember::Program> program(new ember::Program(name));
    for (const StageSource& s : stages)
        program->setShader(s.stage, makeShader(s.stage, s.source, name).get());
    return program;
}

// A vertex shader reading POSITION as a vec4 and passing it through.
constexpr const char* kPassVertex = R"(#version 330 core
in vec4 POSITION;
void main() { gl_Position = POSITION; }
)";

// A fragment shader writing the uniform "color".
constexpr const char* kColorFragment = R"(#version 330 core
uniform vec4 color;
out vec4 fragColor;
void main() { fragColor = color; }
)";

}  // namespace rendtest
