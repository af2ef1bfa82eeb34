#include "ProgramTestSupport.h"

namespace {

using namespace ember;
using rendtest::GLObjectTest;

class ShaderTest : public GLObjectTest {};

TEST_F(ShaderTest, CompilesAndKeepsItsName) {
    Ref<Shader> shader =
        rendtest::makeShader(ShaderStage::Vertex, rendtest::kPassVertex, "data/shaders/pass.vert");
    EXPECT_FALSE(shader->isCompiled());
    ASSERT_TRUE(shader->compile());
    const GLuint name = shader->glName();
    EXPECT_NE(name, 0u);
    GLint type = 0;
    glGetShaderiv(name, GL_SHADER_TYPE, &type);
    EXPECT_EQ(type, GL_VERTEX_SHADER);
    shader = nullptr;
    EXPECT_FALSE(glIsShader(name));
    expectNoGLErrorLogged();
}

TEST_F(ShaderTest, FailedCompileIsLoggedAtLine53AndDeleted) {
    Ref<Shader> shader = rendtest::makeShader(
        ShaderStage::Fragment, "#version 330 core\nvoid main() { undeclared = 1; }\n", "bad.frag");
    EXPECT_FALSE(shader->compile());
    EXPECT_EQ(shader->glName(), 0u);
    const std::string log = rendtest::readLog();
    EXPECT_NE(log.find("src/rend/Shader Shader::compile  +53 : bad.frag "), std::string::npos) << log;
    expectNoGLErrorLogged();
}

TEST(ShaderStages, StageTable) {
    EXPECT_EQ(shaderStageToGL(ShaderStage::Vertex), static_cast<GLenum>(GL_VERTEX_SHADER));
    EXPECT_EQ(shaderStageToGL(ShaderStage::TessEvaluation), static_cast<GLenum>(GL_TESS_EVALUATION_SHADER));
    EXPECT_EQ(shaderStageToGL(ShaderStage::Compute), static_cast<GLenum>(GL_COMPUTE_SHADER));
    Shader s(ShaderStage::Geometry, "x.geom");
    s.setUnexpandedSource("#include \"a\"");
    s.setSource("expanded");
    EXPECT_EQ(s.unexpandedSource(), "#include \"a\"");
    EXPECT_EQ(s.source(), "expanded");
    EXPECT_EQ(s.stage(), ShaderStage::Geometry);
}

}  // namespace
