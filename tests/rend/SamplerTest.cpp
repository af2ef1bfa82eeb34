#include <algorithm>

#include "ProgramTestSupport.h"
#include "rend/Registry.h"
#include "rend/Sampler.h"
#include "rend/Texture2D.h"

namespace {

using namespace ember;
using rendtest::GLObjectTest;

class SamplerTest : public GLObjectTest {};

GLint samplerParameter(GLuint sampler, GLenum name) {
    GLint value = 0;
    glGetSamplerParameteriv(sampler, name, &value);
    return value;
}

float samplerParameterf(GLuint sampler, GLenum name) {
    float value = 0;
    glGetSamplerParameterfv(sampler, name, &value);
    return value;
}

TEST(SamplerStateRecord, Defaults) {
    SamplerState s;
    EXPECT_EQ(s.magFilter, TextureFilter::Linear);
    EXPECT_EQ(s.minFilter, TextureFilter::Linear);
    EXPECT_EQ(s.wrapS, TextureWrap::Repeat);
    EXPECT_EQ(s.compareMode, CompareMode::None);
    EXPECT_EQ(s.compareFunc, CompareFunc::LessEqual);
    EXPECT_EQ(s.minLod, -1000.0f);
    EXPECT_EQ(s.maxLod, 1000.0f);
    EXPECT_EQ(s.lodBias, 0.0f);
    EXPECT_EQ(s.borderColor[3], 0.0f);
}

TEST_F(SamplerTest, EveryParameterReachesGLWithoutComparing) {
    Ref<Sampler> sampler(new Sampler());
    ASSERT_TRUE(sampler->create());
    EXPECT_FALSE(sampler->create());
    const GLuint name = sampler->glName();

    SamplerState s;
    s.magFilter = TextureFilter::Nearest;
    s.minFilter = TextureFilter::LinearMipmapLinear;
    s.wrapS = TextureWrap::ClampToEdge;
    s.wrapT = TextureWrap::ClampToBorder;
    s.wrapR = TextureWrap::MirroredRepeat;
    s.compareMode = CompareMode::RefToTexture;
    s.compareFunc = CompareFunc::Greater;
    s.minLod = -2.0f;
    s.maxLod = 6.0f;
    s.lodBias = 0.5f;
    s.borderColor[0] = 0.25f;
    s.borderColor[3] = 1.0f;

    // Eleven parameters every time, even when nothing changed.
    for (int pass = 0; pass < 2; ++pass) {
        const uint64_t before = glCheckCount();
        sampler->setSamplerState(s);
        EXPECT_EQ(glCheckCount() - before, 11u);
    }
    EXPECT_EQ(sampler->samplerState().compareFunc, CompareFunc::Greater);
    EXPECT_EQ(samplerParameter(name, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(samplerParameter(name, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(samplerParameter(name, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(samplerParameter(name, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_BORDER);
    EXPECT_EQ(samplerParameter(name, GL_TEXTURE_WRAP_R), GL_MIRRORED_REPEAT);
    EXPECT_EQ(samplerParameter(name, GL_TEXTURE_COMPARE_MODE), GL_COMPARE_REF_TO_TEXTURE);
    EXPECT_EQ(samplerParameter(name, GL_TEXTURE_COMPARE_FUNC), GL_GREATER);
    EXPECT_EQ(samplerParameterf(name, GL_TEXTURE_MIN_LOD), -2.0f);
    EXPECT_EQ(samplerParameterf(name, GL_TEXTURE_MAX_LOD), 6.0f);
    EXPECT_EQ(samplerParameterf(name, GL_TEXTURE_LOD_BIAS), 0.5f);
    float border[4] = {};
    glGetSamplerParameterfv(name, GL_TEXTURE_BORDER_COLOR, border);
    EXPECT_EQ(border[0], 0.25f);
    EXPECT_EQ(border[3], 1.0f);

    sampler = nullptr;
    EXPECT_FALSE(glIsSampler(name));
    expectNoGLErrorLogged();
}

constexpr const char* kThreeSamplers = R"(#version 330 core
uniform sampler2D albedo;
uniform sampler2D normals;
uniform sampler2D depth;
out vec4 c;
void main() {
    c = texture(albedo, vec2(0.5)) + texture(normals, vec2(0.5)) + texture(depth, vec2(0.5));
}
)";

Ref<Program> threeSamplerProgram() {
    Ref<Program> p = rendtest::makeProgram("deferred/gbuffer", {{ShaderStage::Vertex, rendtest::kPassVertex},
                                                                {ShaderStage::Fragment, kThreeSamplers}});
    return p->compile() ? p : Ref<Program>();
}

TEST_F(SamplerTest, BuilderTakesUnitsFromTheProgram) {
    Ref<Program> program = threeSamplerProgram();
    ASSERT_TRUE(program);
    std::vector<int32_t> units;
    for (const char* name : {"albedo", "normals", "depth"})
        units.push_back(program->samplerMap().at(name).unit);
    std::vector<int32_t> sorted = units;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int32_t>{0, 1, 2}));

    Ref<Texture2D> a(new Texture2D()), n(new Texture2D()), d(new Texture2D());
    SamplerSetBuilder builder;
    EXPECT_FALSE(builder.addTexture(a.get(), "albedo"));  // no program yet
    builder.setProgram(program.get());
    ASSERT_TRUE(builder.samplerSet());
    EXPECT_TRUE(builder.addTexture(a.get(), "albedo"));
    EXPECT_TRUE(builder.addTexture(n.get(), "normals"));
    EXPECT_TRUE(builder.addTexture(d.get(), "depth"));
    EXPECT_FALSE(builder.addTexture(static_cast<Texture*>(nullptr), "depth"));

    const auto& entries = builder.samplerSet()->entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].texture.get(), a.get());
    EXPECT_EQ(entries[0].unit, units[0]);
    EXPECT_EQ(entries[1].unit, units[1]);
    EXPECT_EQ(entries[2].texture.get(), d.get());
    EXPECT_EQ(entries[2].unit, units[2]);
    EXPECT_EQ(a->refCount(), 2);

    // A new program starts a new set; the old one lives on with its holders.
    Ref<SamplerSet> first = builder.samplerSet();
    builder.setProgram(program.get());
    EXPECT_NE(builder.samplerSet(), first);
    EXPECT_TRUE(builder.samplerSet()->empty());
    EXPECT_EQ(first->size(), 3u);
}

TEST_F(SamplerTest, MissingSamplerIsLoggedAndNotAdded) {
    Ref<Program> program = threeSamplerProgram();
    ASSERT_TRUE(program);
    Ref<Texture2D> t(new Texture2D());
    SamplerSetBuilder builder;
    builder.setProgram(program.get());
    EXPECT_FALSE(builder.addTexture(t.get(), "specular"));
    EXPECT_TRUE(builder.samplerSet()->empty());
    EXPECT_EQ(t->refCount(), 1);
    const std::vector<std::string> lines = rendtest::logLines();
    ASSERT_EQ(lines.size(), 1u) << rendtest::readLog();
    EXPECT_EQ(lines[0], "\tdeferred/gbuffer: missing texture sampler specular");
}

TEST_F(SamplerTest, TextureByRegisteredName) {
    Ref<Program> program = threeSamplerProgram();
    ASSERT_TRUE(program);
    Ref<Texture2D> t(new Texture2D());
    TextureRegistry::instance().add("test/sampler-albedo", t.get());
    SamplerSetBuilder builder;
    builder.setProgram(program.get());
    EXPECT_TRUE(builder.addTexture(std::string("test/sampler-albedo"), "albedo"));
    EXPECT_FALSE(builder.addTexture(std::string("test/not-registered"), "albedo"));
    ASSERT_EQ(builder.samplerSet()->size(), 1u);
    EXPECT_EQ(builder.samplerSet()->entries()[0].texture.get(), t.get());
    TextureRegistry::instance().remove("test/sampler-albedo");
}

}  // namespace
