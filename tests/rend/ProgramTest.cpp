#include <algorithm>

#include "ProgramTestSupport.h"
#include "rend/StandardMatrices.h"

namespace {

using namespace ember;
using rendtest::GLObjectTest;
using rendtest::makeProgram;

class ProgramTest : public GLObjectTest {};

constexpr const char* kComputeOnly = R"(#version 430 core
layout(local_size_x = 1) in;
layout(std430, binding = 0) buffer Out { float values[]; };
void main() { values[gl_GlobalInvocationID.x] = 1.0; }
)";

TEST_F(ProgramTest, ComputeOnlyLinks) {
    Ref<Program> p = makeProgram("compute", {{ShaderStage::Compute, kComputeOnly}});
    ASSERT_TRUE(p->compile());
    EXPECT_NE(p->glName(), 0u);
    GLint linked = 0;
    glGetProgramiv(p->glName(), GL_LINK_STATUS, &linked);
    EXPECT_EQ(linked, GL_TRUE);
    expectNoGLErrorLogged();
}

TEST_F(ProgramTest, ConfigurationErrorsAreRefusedWithTheirLines) {
    struct Case {
        std::initializer_list<rendtest::StageSource> stages;
        const char* line;
    };
    const char* tessControl = R"(#version 410 core
layout(vertices = 3) out;
void main() { gl_TessLevelOuter[0] = 1.0; }
)";
    Case cases[] = {
        {{{ShaderStage::Fragment, rendtest::kColorFragment}},
         "You need to supply either a compute shader or tesselation control and eval shaders"},
        {{{ShaderStage::Vertex, rendtest::kPassVertex}, {ShaderStage::TessControl, tessControl}},
         "You need to supply a tesselation evaluation shader"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Logger::instance().open("log.txt"));
        Ref<Program> p = makeProgram("broken", c.stages);
        const GLint before = [] {
            GLint n = 0;
            glGetIntegerv(GL_CURRENT_PROGRAM, &n);
            return n;
        }();
        EXPECT_FALSE(p->compile());
        EXPECT_EQ(p->glName(), 0u);
        GLint current = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &current);
        EXPECT_EQ(current, before);
        const std::vector<std::string> lines = rendtest::logLines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.line), lines.end()) << rendtest::readLog();
    }
    expectNoGLErrorLogged();
}

TEST_F(ProgramTest, LinkFailureIsLoggedAtLine183) {
    // Compiles, but the declared function is defined nowhere: only the link sees it.
    Ref<Program> p = makeProgram("post/broken", {{ShaderStage::Vertex, rendtest::kPassVertex},
                                                 {ShaderStage::Fragment, R"(#version 330 core
vec4 definedNowhere();
out vec4 c;
void main() { c = definedNowhere(); }
)"}});
    EXPECT_FALSE(p->compile());
    EXPECT_EQ(p->glName(), 0u);
    EXPECT_TRUE(p->uniformMap().empty());
    const std::string log = rendtest::readLog();
    EXPECT_NE(log.find("src/rend/Program Program::compile  +183 : post/broken "), std::string::npos) << log;
}

TEST_F(ProgramTest, CompileFailureInAStageFailsTheProgram) {
    Ref<Program> p =
        makeProgram("bad", {{ShaderStage::Vertex, "#version 330 core\nvoid main() { nope(); }\n"}});
    EXPECT_FALSE(p->compile());
    EXPECT_EQ(p->glName(), 0u);
    EXPECT_NE(rendtest::readLog().find("Shader::compile  +53 : bad "), std::string::npos);
}

constexpr const char* kSamplersFragment = R"(#version 400 core
uniform sampler2D diffuse;
uniform sampler2DShadow shadow;
uniform samplerCube environment;
uniform float weights[8];
uniform vec3 gi_samples[16];
uniform mat4 ModelViewProjectionMatrix;
uniform mat3 NormalMatrix;
uniform mat4 ViewMatrix;
layout(std140) uniform Lighting {
    vec4 ambient;
    vec4 sunDirection;
    float exposure;
};
in vec3 normalOut;
out vec4 fragColor;
void main() {
    float w = 0.0;
    for (int i = 0; i < 8; ++i) w += weights[i];
    vec3 g = vec3(0.0);
    for (int i = 0; i < 16; ++i) g += gi_samples[i];
    fragColor = texture(diffuse, vec2(w)) + vec4(texture(shadow, vec3(0.5)))
              + texture(environment, normalOut) + vec4(g, 0.0)
              + ambient + sunDirection * exposure + ViewMatrix[0];
}
)";

constexpr const char* kSamplersVertex = R"(#version 400 core
in vec4 POSITION;
in vec3 NORMAL;
uniform mat4 ModelViewProjectionMatrix;
uniform mat3 NormalMatrix;
out vec3 normalOut;
void main() {
    normalOut = NormalMatrix * NORMAL;
    gl_Position = ModelViewProjectionMatrix * POSITION;
}
)";

Ref<Program> samplersProgram() {
    return makeProgram("marrow/maps",
                       {{ShaderStage::Vertex, kSamplersVertex}, {ShaderStage::Fragment, kSamplersFragment}});
}

TEST_F(ProgramTest, SamplersGetUnitsInGLOrder) {
    Ref<Program> p = samplersProgram();
    ASSERT_TRUE(p->compile()) << rendtest::readLog();
    const SamplerMap& samplers = p->samplerMap();
    ASSERT_EQ(samplers.size(), 3u);

    // The units are 0, 1, 2 in GL's enumeration order, and GL holds them.
    GLint active = 0;
    glGetProgramiv(p->glName(), GL_ACTIVE_UNIFORMS, &active);
    std::vector<int32_t> expectedOrder;
    for (GLint i = 0; i < active; ++i) {
        char name[64];
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(p->glName(), static_cast<GLuint>(i), sizeof(name), nullptr, &size, &type, name);
        auto found = samplers.find(name);
        if (found == samplers.end()) continue;
        EXPECT_EQ(found->second.unit, static_cast<int32_t>(expectedOrder.size())) << name;
        expectedOrder.push_back(found->second.unit);
        EXPECT_EQ(found->second.type, type);
        GLint unit = -1;
        glGetUniformiv(p->glName(), glGetUniformLocation(p->glName(), name), &unit);
        EXPECT_EQ(unit, found->second.unit) << name;
    }
    EXPECT_EQ(expectedOrder, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(samplers.at("shadow").type, static_cast<GLenum>(GL_SAMPLER_2D_SHADOW));
    expectNoGLErrorLogged();
}

TEST_F(ProgramTest, CubeMapArraySamplerGetsNoUnit) {
    Ref<Program> p = makeProgram(
        "cubes", {{ShaderStage::Vertex, rendtest::kPassVertex}, {ShaderStage::Fragment, R"(#version 400 core
uniform samplerCubeArray probes;
out vec4 c;
void main() { c = texture(probes, vec4(1.0)); }
)"}});
    ASSERT_TRUE(p->compile()) << rendtest::readLog();
    EXPECT_TRUE(p->samplerMap().empty());
    EXPECT_TRUE(p->uniformMap().empty());
}

TEST_F(ProgramTest, UniformsArraysBlocksAndAttributes) {
    Ref<Program> p = samplersProgram();
    ASSERT_TRUE(p->compile());

    // Arrays are stored without "[0]"; float arrays keep count 1.
    const UniformInfo* weights = p->findUniform("weights");
    ASSERT_NE(weights, nullptr);
    EXPECT_EQ(p->findUniform("weights[0]"), nullptr);
    EXPECT_EQ(weights->type, static_cast<GLenum>(GL_FLOAT));
    EXPECT_EQ(weights->count, 1);
    EXPECT_EQ(weights->blockIndex, -1);
    EXPECT_EQ(weights->location, glGetUniformLocation(p->glName(), "weights"));

    const UniformInfo* mvp = p->findUniform("ModelViewProjectionMatrix");
    ASSERT_NE(mvp, nullptr);
    EXPECT_EQ(mvp->count, 16);
    EXPECT_EQ(p->findUniform("NormalMatrix")->count, 9);
    EXPECT_EQ(p->findUniform("gi_samples")->count, 3);

    // Uniforms in a block map to their offset and block; the block is bound to its own index.
    ASSERT_EQ(p->blockMap().count("Lighting"), 1u);
    const BlockInfo& block = p->blockMap().at("Lighting");
    EXPECT_EQ(block.index, static_cast<int32_t>(glGetUniformBlockIndex(p->glName(), "Lighting")));
    EXPECT_GE(block.dataSize, 36);
    GLint binding = -1;
    glGetActiveUniformBlockiv(p->glName(), static_cast<GLuint>(block.index), GL_UNIFORM_BLOCK_BINDING,
                              &binding);
    EXPECT_EQ(binding, block.index);
    struct Member {
        const char* name;
        int32_t offset;
    } members[] = {{"ambient", 0}, {"sunDirection", 16}, {"exposure", 32}};
    for (const Member& m : members) {
        const UniformInfo* u = p->findUniform(m.name);
        ASSERT_NE(u, nullptr) << m.name;
        EXPECT_EQ(u->location, m.offset) << m.name;
        EXPECT_EQ(u->blockIndex, block.index) << m.name;
    }

    // Vertex inputs by name with location, base type and count.
    ASSERT_EQ(p->attributeMap().size(), 2u);
    const AttributeInfo* position = p->findAttribute("POSITION");
    const AttributeInfo* normal = p->findAttribute("NORMAL");
    ASSERT_NE(position, nullptr);
    ASSERT_NE(normal, nullptr);
    EXPECT_EQ(position->location, glGetAttribLocation(p->glName(), "POSITION"));
    EXPECT_EQ(position->count, 4);
    EXPECT_EQ(normal->count, 3);
    EXPECT_EQ(normal->type, static_cast<GLenum>(GL_FLOAT));

    // Standard matrices declared: bits 4 (MVP), 6 (View), 11 (Normal).
    EXPECT_EQ(p->usedMatrices(), standardMatrixBit(StandardMatrix::ModelViewProjectionMatrix) |
                                     standardMatrixBit(StandardMatrix::ViewMatrix) |
                                     standardMatrixBit(StandardMatrix::NormalMatrix));
    EXPECT_EQ(rendtest::readLog().find("found missing uniform"), std::string::npos);
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
    expectNoGLErrorLogged();
}

TEST_F(ProgramTest, UsedMatricesMaskAndTheMissingUniformLine) {
    // An array of shadow matrices still counts; a sampler that happens to carry a
    // standard matrix's name is not a matrix GL would take, so it is only logged.
    Ref<Program> p = makeProgram("shadows/mask", {{ShaderStage::Vertex, R"(#version 330 core
in vec4 POSITION;
uniform mat4 ProjectionMatrix;
uniform mat4 ShadowMatrix[2];
uniform mat3 ViewNormalMatrix;
uniform sampler2D TextureMatrix;
void main() {
    vec3 n = ViewNormalMatrix * vec3(1.0) + texture(TextureMatrix, vec2(0.0)).xyz;
    gl_Position = ProjectionMatrix * ShadowMatrix[0] * ShadowMatrix[1] * POSITION + vec4(n, 0.0);
}
)"}});
    ASSERT_TRUE(p->compile()) << rendtest::readLog();
    EXPECT_EQ(p->usedMatrices(), (1u << 0) | (1u << 10) | (1u << 14));
    const GLint location = glGetUniformLocation(p->glName(), "TextureMatrix");
    const std::vector<std::string> lines = rendtest::logLines();
    const std::string expected =
        "found missing uniform TextureMatrix at location " + std::to_string(location);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), expected), 1) << rendtest::readLog();
    EXPECT_EQ(rendtest::readLog().find("found missing uniform ShadowMatrix"), std::string::npos);
}

TEST_F(ProgramTest, SettersUploadKnownNamesAndSkipUnknownOnes) {
    Ref<Program> p = samplersProgram();
    ASSERT_TRUE(p->compile());
    p->bind();

    uint64_t before = glCheckCount();
    p->setUniform1f("notDeclared", 1.0f);
    p->setUniform4f("ambient_typo", 1, 2, 3, 4);
    p->setUniformMatrix4fv("ProjectionMatrix", nullptr);
    EXPECT_EQ(glCheckCount(), before);

    float samples[16 * 3];
    for (int i = 0; i < 48; ++i) samples[i] = static_cast<float>(i);
    before = glCheckCount();
    p->setUniform3fv("gi_samples", 16, samples);
    EXPECT_EQ(glCheckCount(), before + 1);
    float last[3] = {};
    glGetUniformfv(p->glName(), glGetUniformLocation(p->glName(), "gi_samples[15]"), last);
    EXPECT_EQ(last[0], 45.0f);
    EXPECT_EQ(last[2], 47.0f);

    float weights[8] = {0, 1, 2, 3, 4, 5, 6, 7.5f};
    p->setUniform1fv("weights", 8, weights);
    float w7 = 0;
    glGetUniformfv(p->glName(), glGetUniformLocation(p->glName(), "weights[7]"), &w7);
    EXPECT_EQ(w7, 7.5f);

    // Row-major engine matrices go to GL transposed: element 3 (translation x) lands in column 3.
    float m[16] = {1, 0, 0, 5, 0, 1, 0, 6, 0, 0, 1, 7, 0, 0, 0, 1};
    p->setUniformMatrix4fv("ModelViewProjectionMatrix", m);
    float back[16] = {};
    glGetUniformfv(p->glName(), p->findUniform("ModelViewProjectionMatrix")->location, back);
    EXPECT_EQ(back[12], 5.0f);
    EXPECT_EQ(back[13], 6.0f);
    EXPECT_EQ(back[14], 7.0f);
    p->unbind();
    expectNoGLErrorLogged();
}

TEST_F(ProgramTest, FailedUniformUploadNamesTheProgram) {
    Ref<Program> p = samplersProgram();
    ASSERT_TRUE(p->compile());
    p->bind();
    p->setUniform1i("ModelViewProjectionMatrix", 3);  // wrong type: GL refuses it
    p->unbind();
    const std::vector<std::string> lines = rendtest::logLines();
    auto error = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("Program::setUniform1i") != std::string::npos;
    });
    ASSERT_NE(error, lines.end()) << rendtest::readLog();
    EXPECT_NE(error->find(" : GL_INVALID_OPERATION"), std::string::npos);
    ASSERT_NE(error + 1, lines.end());
    EXPECT_EQ(*(error + 1), "marrow/maps");
}

TEST_F(ProgramTest, AttachSamplerOncePerUnitAndBindIt) {
    Ref<Program> p = samplersProgram();
    ASSERT_TRUE(p->compile());
    SamplerState state;
    state.magFilter = TextureFilter::Nearest;
    state.compareMode = CompareMode::RefToTexture;
    EXPECT_FALSE(p->attachSampler("notDeclared", state));
    EXPECT_TRUE(p->attachSampler("shadow", state));
    EXPECT_FALSE(p->attachSampler("shadow", state));
    ASSERT_EQ(p->samplers().size(), 1u);
    const int32_t unit = p->samplerMap().at("shadow").unit;
    EXPECT_EQ(p->samplerUnits()[0], unit);
    const GLuint sampler = p->samplers()[0]->glName();
    GLint filter = 0;
    glGetSamplerParameteriv(sampler, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);

    p->bind();
    GLint bound = 0, current = 0;
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glGetIntegerv(GL_SAMPLER_BINDING, &bound);
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(static_cast<GLuint>(bound), sampler);
    EXPECT_EQ(static_cast<GLuint>(current), p->glName());
    p->unbind();
    glGetIntegerv(GL_SAMPLER_BINDING, &bound);
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(current, 0);

    // Destruction deletes the program and its samplers.
    const GLuint program = p->glName();
    p = nullptr;
    EXPECT_FALSE(glIsProgram(program));
    EXPECT_FALSE(glIsSampler(sampler));
    expectNoGLErrorLogged();
}

TEST_F(ProgramTest, SharedVertexShaderIsCompiledOnce) {
    Ref<Shader> vertex = rendtest::makeShader(ShaderStage::Vertex, rendtest::kPassVertex);
    Ref<Program> a(new Program("a"));
    Ref<Program> b(new Program("b"));
    for (Program* p : {a.get(), b.get()}) {
        p->setShader(ShaderStage::Vertex, vertex.get());
        p->setShader(ShaderStage::Fragment,
                     rendtest::makeShader(ShaderStage::Fragment, rendtest::kColorFragment).get());
    }
    ASSERT_TRUE(a->compile());
    const GLuint shaderName = vertex->glName();
    ASSERT_TRUE(b->compile());
    EXPECT_EQ(vertex->glName(), shaderName);
    EXPECT_EQ(a->shader(ShaderStage::Vertex), vertex.get());
    EXPECT_EQ(vertex->refCount(), 3);
    a = nullptr;
    EXPECT_EQ(vertex->refCount(), 2);
    expectNoGLErrorLogged();
}

TEST_F(ProgramTest, TessellationStagesAreCompiledOnEveryLink) {
    Ref<Program> p = makeProgram("marrow/tess", {{ShaderStage::Vertex, rendtest::kPassVertex},
                                                 {ShaderStage::TessControl, R"(#version 410 core
layout(vertices = 3) out;
void main() {
    gl_out[gl_InvocationID].gl_Position = gl_in[gl_InvocationID].gl_Position;
    gl_TessLevelOuter[0] = 1.0; gl_TessLevelOuter[1] = 1.0; gl_TessLevelOuter[2] = 1.0;
    gl_TessLevelInner[0] = 1.0;
}
)"},
                                                 {ShaderStage::TessEvaluation, R"(#version 410 core
layout(triangles) in;
void main() {
    gl_Position = gl_TessCoord.x * gl_in[0].gl_Position + gl_TessCoord.y * gl_in[1].gl_Position
                + gl_TessCoord.z * gl_in[2].gl_Position;
}
)"},
                                                 {ShaderStage::Fragment, rendtest::kColorFragment}});
    ASSERT_TRUE(p->compile()) << rendtest::readLog();
    GLint attached = 0;
    glGetProgramiv(p->glName(), GL_ATTACHED_SHADERS, &attached);
    EXPECT_EQ(attached, 4);
    const GLuint vertex = p->shader(ShaderStage::Vertex)->glName();

    // A compiled vertex shader is reused as it is: a broken source is never seen.
    p->shader(ShaderStage::Vertex)->setSource("broken");
    ASSERT_TRUE(p->compile()) << rendtest::readLog();
    EXPECT_EQ(p->shader(ShaderStage::Vertex)->glName(), vertex);

    // The tessellation control shader is compiled again on every link.
    p->shader(ShaderStage::TessControl)->setSource("broken");
    EXPECT_FALSE(p->compile());
    EXPECT_EQ(p->shader(ShaderStage::TessControl)->glName(), 0u);
    EXPECT_EQ(p->glName(), 0u);
    expectNoGLErrorLogged();
}

constexpr const char* kCaptureVertex = R"(#version 330 core
in vec4 POSITION;
out vec4 captured;
void main() { captured = POSITION * 2.0; gl_Position = POSITION; }
)";

TEST_F(ProgramTest, TransformFeedbackLinkLeavesRasterizerDiscardOff) {
    const char* varyings[] = {"captured"};
    const char* wrong[] = {"notAnOutput"};
    struct Case {
        const char* const* names;
        bool links;
    } cases[] = {{varyings, true}, {wrong, false}};
    for (const Case& c : cases) {
        Ref<Program> p = makeProgram("capture", {{ShaderStage::Vertex, kCaptureVertex}});
        EXPECT_EQ(p->compile(1, c.names, TransformFeedbackMode::Interleaved), c.links);
        EXPECT_FALSE(glIsEnabled(GL_RASTERIZER_DISCARD));
        if (c.links) {
            GLint count = 0;
            glGetProgramiv(p->glName(), GL_TRANSFORM_FEEDBACK_VARYINGS, &count);
            EXPECT_EQ(count, 1);
        }
    }
}

}  // namespace
