#include <cstring>

#include "SceneGLSupport.h"
#include "SceneTestSupport.h"
#include "rend/DeviceTestSupport.h"
#include "rend/Framebuffer.h"
#include "rend/Sampler.h"
#include "rend/Texture2D.h"
#include "scene/FloatArrayUniformState.h"
#include "scene/FloatUniformState.h"
#include "scene/Group.h"
#include "scene/Material.h"
#include "scene/MaterialBuilder.h"
#include "scene/Scene.h"
#include "scene/StateSet.h"
#include "scene/SubModel.h"
#include "scene/VAOModel.h"

namespace {

using namespace ember;
using devicetest::DeviceTest;
using scenetest::buildProgram;

const char* const kVS = R"(#version 330 core
in vec4 POSITION;
void main() { gl_Position = POSITION; }
)";
const char* const kTexturedFS = R"(#version 330 core
uniform sampler2D diffuse;
uniform float single;
uniform float triple[3];
uniform vec4 tint;
out vec4 colour;
void main() { colour = texture(diffuse, vec2(0.5)) * tint + vec4(single + triple[0] + triple[1] + triple[2]); }
)";

class MaterialGLTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        programA_ = buildProgram("scene_a", kVS, kTexturedFS);
        programB_ = buildProgram("scene_b", kVS, kTexturedFS);
        ASSERT_TRUE(programA_ && programB_);
        device_->resetDevice();
        context_ = new StateSet(device_.get());
        context_->reset();
    }
    void TearDown() override {
        context_.reset();
        DeviceTest::TearDown();
    }

    Ref<SamplerSet> samplersFor(Program* program) {
        SamplerSetBuilder builder;
        builder.setProgram(program);
        Ref<Texture2D> texture(new Texture2D());
        texture->create(4, 4, TextureFormat::RGBA8);
        EXPECT_TRUE(builder.addTexture(texture.get(), "diffuse"));
        return builder.samplerSet();
    }

    // A material with every part active: program, samplers and the three records.
    Ref<Material> fullMaterial(Program* program, BlendFactor factor, CompareFunc depth, CullFace cull) {
        Ref<Material> m(new Material());
        m->program = program;
        m->samplers = samplersFor(program);
        m->blend.enabled = true;
        m->blend.srcColor = factor;
        m->blend.dstColor = BlendFactor::One;
        DepthStencilState ds = context_->defaultDepthStencilState();
        ds.depthFunc = depth;
        m->setDepthStencil(ds);
        m->rasterizer.cullFace = cull;
        m->flags |=
            Material::ProgramFlag | Material::SamplersFlag | Material::BlendFlag | Material::RasterizerFlag;
        return m;
    }

    Ref<Program> programA_, programB_;
    Ref<StateSet> context_;
};

TEST_F(MaterialGLTest, NestedMaterialsRestoreTheOuterRecordsProgramAndSamplers) {
    Ref<Material> outer =
        fullMaterial(programA_.get(), BlendFactor::SrcAlpha, CompareFunc::Greater, CullFace::Front);
    Ref<Material> inner =
        fullMaterial(programB_.get(), BlendFactor::DstColor, CompareFunc::Always, CullFace::FrontAndBack);
    outer->apply(*context_);
    inner->apply(*context_);
    EXPECT_EQ(device_->currentProgram(), programB_.get());
    EXPECT_EQ(device_->currentSamplerSet(), inner->samplers.get());
    EXPECT_EQ(devicetest::getInt(GL_CULL_FACE_MODE), GL_FRONT_AND_BACK);
    inner->unapply(*context_);
    EXPECT_EQ(device_->currentProgram(), programA_.get());
    EXPECT_EQ(device_->currentSamplerSet(), outer->samplers.get());
    EXPECT_EQ(device_->blendState().srcColor, BlendFactor::SrcAlpha);
    EXPECT_EQ(device_->depthStencilState().depthFunc, CompareFunc::Greater);
    EXPECT_EQ(device_->rasterizerState().cullFace, CullFace::Front);
    EXPECT_EQ(devicetest::getInt(GL_BLEND_SRC_RGB), GL_SRC_ALPHA);
    EXPECT_EQ(devicetest::getInt(GL_DEPTH_FUNC), GL_GREATER);
    EXPECT_EQ(devicetest::getInt(GL_CULL_FACE_MODE), GL_FRONT);
    EXPECT_EQ(context_->programDepth(), 1u);
    EXPECT_EQ(context_->blendDepth(), 2u);

    outer->unapply(*context_);
    // Back to the defaults for the records; the last program stays bound.
    EXPECT_EQ(context_->programDepth(), 0u);
    EXPECT_EQ(context_->samplerDepth(), 0u);
    EXPECT_EQ(device_->currentProgram(), programA_.get());
    EXPECT_FALSE(device_->blendState().enabled);
    EXPECT_EQ(device_->depthStencilState().depthFunc, CompareFunc::LessEqual);
    EXPECT_EQ(device_->rasterizerState().cullFace, CullFace::Back);
    EXPECT_EQ(context_->blendDepth(), 1u);
    scenetest::expectNoGLErrorLogged();
}

TEST_F(MaterialGLTest, MaterialWithoutFlagsPushesNothing) {
    Ref<Material> m(new Material());
    m->program = programA_;
    mark();
    m->apply(*context_);
    m->unapply(*context_);
    EXPECT_EQ(callsSinceMark(), 0u);
    EXPECT_EQ(context_->programDepth(), 0u);
    EXPECT_EQ(context_->blendDepth(), 1u);
}

TEST_F(MaterialGLTest, OverridePassRules) {
    Ref<Program> pass = buildProgram("scene_pass", kVS, kTexturedFS);
    ASSERT_TRUE(pass);
    context_->pushProgram(pass.get());
    context_->setPassProgram(pass.get());
    device_->programBindingEnabled = false;
    device_->samplerBindingEnabled = false;
    context_->setOverride(true);

    struct Case {
        const char* name;
        int overrideKind;  // 0 none, 1 own program, 2 another program
        Program* expectedBound;
        bool samplersBound;
        size_t programDepthInside;
    };
    Ref<Program> other = buildProgram("scene_other", kVS, kTexturedFS);
    ASSERT_TRUE(other);
    const Case cases[] = {
        {"no override program", 0, pass.get(), false, 1},
        {"own program", 1, programA_.get(), true, 2},
        {"another program", 2, other.get(), false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<Material> m =
            fullMaterial(programA_.get(), BlendFactor::One, CompareFunc::Always, CullFace::Front);
        m->overrideProgram = c.overrideKind == 0   ? nullptr
                             : c.overrideKind == 1 ? programA_.get()
                                                   : other.get();
        m->apply(*context_);
        EXPECT_EQ(device_->currentProgram(), c.expectedBound);
        EXPECT_EQ(context_->programDepth(), c.programDepthInside);
        EXPECT_EQ(device_->currentSamplerSet() == m->samplers.get(), c.samplersBound);
        EXPECT_EQ(device_->samplerBindingEnabled, c.samplersBound);
        EXPECT_FALSE(device_->programBindingEnabled);
        EXPECT_EQ(context_->blendDepth(), c.overrideKind == 0 ? 1u : 2u);
        m->unapply(*context_);
        EXPECT_FALSE(device_->programBindingEnabled);
        EXPECT_FALSE(device_->samplerBindingEnabled);
        EXPECT_EQ(context_->programDepth(), 1u);
        EXPECT_EQ(context_->blendDepth(), 1u);
        EXPECT_EQ(device_->rasterizerState().cullFace, CullFace::Back);
        device_->setSamplerSet(nullptr);  // ignored while sampler binding is off
        device_->programBindingEnabled = true;
        device_->setProgram(pass.get());
        device_->programBindingEnabled = false;
        device_->samplerBindingEnabled = true;
        device_->setSamplerSet(nullptr);
        device_->samplerBindingEnabled = false;
    }
    // Outside override passes a material pushes the pass program when program
    // binding is off (a pass that drew with its own program).
    context_->setOverride(false);
    context_->pushProgram(programB_.get());
    EXPECT_EQ(context_->program(), pass.get());
    device_->programBindingEnabled = true;
    device_->samplerBindingEnabled = true;
    scenetest::expectNoGLErrorLogged();
}

TEST_F(MaterialGLTest, PoppingTheLastProgramLeavesTheBoundOne) {
    context_->pushProgram(programA_.get());
    context_->pushProgram(programB_.get());
    context_->popProgram();
    EXPECT_EQ(device_->currentProgram(), programA_.get());
    mark();
    context_->popProgram();
    EXPECT_EQ(callsSinceMark(), 0u);
    EXPECT_EQ(device_->currentProgram(), programA_.get());
    context_->popProgram();  // empty: nothing happens
    EXPECT_EQ(context_->programDepth(), 0u);
}

float uniformValue(Program* program, const char* name) {
    float v = -1.0f;
    glGetUniformfv(program->glName(), glGetUniformLocation(program->glName(), name), &v);
    return v;
}

TEST_F(MaterialGLTest, BoundVariablesAreReadAtEveryApply) {
    float single = 0.25f;
    float triple[3] = {1.0f, 2.0f, 3.0f};
    float tint[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    MaterialBuilder builder;
    builder.begin(true, true);
    builder.setProgram(programA_.get());
    EXPECT_TRUE(builder.uniformsBuilder.addFloat("single", 1, &single));
    EXPECT_TRUE(builder.uniformsBuilder.addFloat("triple", 3, triple));
    EXPECT_TRUE(builder.uniformsBuilder.addVector4f("tint", tint));
    EXPECT_FALSE(builder.uniformsBuilder.addFloat("missing", 1, &single));
    EXPECT_FALSE(builder.uniformsBuilder.addVector2f("missing2", tint));
    Ref<Texture2D> texture(new Texture2D());
    texture->create(4, 4, TextureFormat::RGBA8);
    EXPECT_TRUE(builder.samplerBuilder.addTexture(texture.get(), "diffuse"));
    Ref<Material> m = builder.finish();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->flags, Material::ProgramFlag | Material::SamplersFlag | Material::UniformsFlag);
    ASSERT_EQ(m->uniforms->states().size(), 3u);
    EXPECT_NE(dynamic_cast<FloatUniformState*>(m->uniforms->states()[0].get()), nullptr);
    auto* array = dynamic_cast<FloatArrayUniformState*>(m->uniforms->states()[1].get());
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->count(), 3);

    m->apply(*context_);
    EXPECT_EQ(uniformValue(programA_.get(), "single"), 0.25f);
    EXPECT_EQ(uniformValue(programA_.get(), "triple[2]"), 3.0f);
    m->unapply(*context_);
    single = 0.75f;
    triple[2] = 9.0f;
    tint[3] = 1.0f;
    m->apply(*context_);
    EXPECT_EQ(uniformValue(programA_.get(), "single"), 0.75f);
    EXPECT_EQ(uniformValue(programA_.get(), "triple[2]"), 9.0f);
    float t[4] = {};
    glGetUniformfv(programA_->glName(), glGetUniformLocation(programA_->glName(), "tint"), t);
    EXPECT_EQ(t[3], 1.0f);
    m->unapply(*context_);
    scenetest::expectNoGLErrorLogged();
}

TEST_F(MaterialGLTest, BuilderWithoutProgramClearsTheFlags) {
    MaterialBuilder builder;
    EXPECT_FALSE(builder.finish());
    builder.begin(true, true);
    builder.setProgram(nullptr);
    Ref<Material> m = builder.finish();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->flags, 0u);
}

const char* const kMatrixVS = R"(#version 330 core
in vec4 POSITION;
in vec3 NORMAL;
uniform mat4 ModelViewMatrix;
uniform mat3 NormalMatrix;
out vec3 n;
void main() { n = NormalMatrix * NORMAL; gl_Position = ModelViewMatrix * POSITION; }
)";
const char* const kMatrixFS = R"(#version 330 core
in vec3 n;
out vec4 colour;
void main() { colour = vec4(n, 1.0); }
)";

TEST_F(MaterialGLTest, StandardMatricesReachOnlyTheDeclaredUniforms) {
    Ref<Program> program = buildProgram("scene_matrices", kMatrixVS, kMatrixFS);
    ASSERT_TRUE(program);
    EXPECT_EQ(program->usedMatrices(), standardMatrixBit(StandardMatrix::ModelViewMatrix) |
                                           standardMatrixBit(StandardMatrix::NormalMatrix));
    device_->setProgram(program.get());
    const Mat4 view = Mat4::translation(0, 0, -5) * Mat4::rotationY(0.3f);
    const Mat4 world = Mat4::translation(1, 2, 3) * Mat4::scaling(2, 2, 2);
    mark();
    Mat4 mv = setDrawableMatrices(view, world, *device_, program->usedMatrices());
    EXPECT_EQ(callsSinceMark(), 2u);  // one upload each, nothing else
    scenetest::expectMatNear(mv, view * world);
    float sent[16];
    glGetUniformfv(program->glName(), glGetUniformLocation(program->glName(), "ModelViewMatrix"), sent);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(sent[c * 4 + r], mv(r, c), 1e-5f);  // GL is column-major
    float normal[9];
    glGetUniformfv(program->glName(), glGetUniformLocation(program->glName(), "NormalMatrix"), normal);
    Mat3 expected = inverse3(mv.upper3()).transposed();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(normal[c * 3 + r], expected(r, c), 1e-5f);
    // The full set is computed and stored for a program declaring everything.
    setDrawableMatrices(view, world, *device_, 0x7FFFu);
    scenetest::expectMat3Near(
        [&] {
            Mat3 m;
            std::memcpy(m.m, device_->matrix(StandardMatrix::WorldNormalMatrix), sizeof m.m);
            return m;
        }(),
        world.upper3());
    // setModelMatrices never sends the world matrices.
    Mat4 marker = Mat4::translation(42, 0, 0);
    device_->setMatrix(StandardMatrix::WorldMatrix, marker);
    setModelMatrices(mv, *device_, 0x7FFFu);
    EXPECT_EQ(device_->matrix(StandardMatrix::WorldMatrix)[3], 42.0f);
    scenetest::expectNoGLErrorLogged();
}

const char* const kInstanceVS = R"(#version 330 core
in vec4 POSITION;
void main() { gl_Position = POSITION + vec4(float(gl_InstanceID) * 0.5, 0.0, 0.0, 0.0); }
)";
const char* const kWhiteFS = R"(#version 330 core
out vec4 colour;
void main() { colour = vec4(1.0); }
)";

TEST_F(MaterialGLTest, InstancedAgainstPlainSubModelDraws) {
    Ref<Program> program = buildProgram("scene_instances", kInstanceVS, kWhiteFS);
    ASSERT_TRUE(program);
    scenetest::MeshData mesh;
    // Two bins: the quad covering x in [-1, -0.5] and an empty run.
    mesh.addQuad({{-1, -1, 0}, {-0.5f, -1, 0}, {-0.5f, 1, 0}, {-1, 1, 0}}, {0, 0, 1});
    Ref<VertexArrayObject> vao = mesh.build(program.get());
    ASSERT_TRUE(vao);
    const int w = 64, h = 8;
    Ref<Texture2D> colour(new Texture2D());
    colour->create(w, h, TextureFormat::RGBA8);
    Ref<Framebuffer> fb(new Framebuffer());
    fb->setAttachment(Attachment::Color0, colour.get());
    ASSERT_TRUE(fb->create());
    device_->setFramebuffer(fb.get());
    device_->setProgram(program.get());
    Ref<VAOModel> model(new VAOModel(vao.get()));

    struct Case {
        int32_t instances;
        int expectedColumns;
    };
    for (const Case& c : {Case{0, 16}, Case{1, 16}, Case{2, 32}, Case{3, 48}}) {
        device_->setClearColor(0, 0, 0, 0);
        device_->clear(GL_COLOR_BUFFER_BIT);
        Ref<SubModel> sub(new SubModel(mesh.bins[0], c.instances));
        model->apply(*context_);
        EXPECT_EQ(device_->currentVertexArray(), vao.get());
        mark();
        sub->draw(*device_, 0.0f);
        EXPECT_EQ(callsSinceMark(), 1u);
        model->unapply(*context_);
        EXPECT_EQ(device_->currentVertexArray(), nullptr);  // the default array is bound
        std::vector<unsigned char> row = scenetest::readPixels(fb.get(), 0, h / 2, w, 1);
        int lit = 0;
        for (int x = 0; x < w; ++x) lit += row[x * 4] > 128;
        EXPECT_EQ(lit, c.expectedColumns) << "instances " << c.instances;
    }
    // An empty run still issues its call.
    MeshBin empty = mesh.bins[0];
    empty.indexCount = 0;
    Ref<SubModel> none(new SubModel(empty, 0));
    model->apply(*context_);
    mark();
    none->draw(*device_, 0.0f);
    EXPECT_EQ(callsSinceMark(), 1u);
    model->unapply(*context_);
    device_->setFramebuffer(nullptr);
    scenetest::expectNoGLErrorLogged();
}

}  // namespace
