// Which light programs the light pass binds and how many light points each
// draws, seen by probe programs registered under the shader-table names: each
// probe counts the vertices it processes into a storage buffer.
#include <gtest/gtest.h>

#include <vector>

#include "LightingTestSupport.h"
#include "scene/PointLight.h"
#include "scene/SpotLight.h"

namespace lighttest {
namespace {

using namespace ember;

constexpr const char* kProbeVertex = R"(#version 430 core
in vec3 POSITION;
layout(std430, binding = 0) buffer Counts { int counts[32]; };
void main() {
    atomicAdd(counts[KIND], 1);
    // Outside the clip volume: the probe only counts.
    gl_Position = vec4(2.0, 2.0, 2.0, 1.0);
}
)";

constexpr const char* kProbeFragment = R"(#version 430 core
out vec4 color;
void main() { color = vec4(0.0); }
)";

class LightsOnly : public DeferredScene {
public:
    explicit LightsOnly(std::vector<Ref<Light>> lights) : lights_(std::move(lights)) {}
    Ref<Scene> buildScene() override {
        root = new Group();
        Ref<Camera> cam(new Camera(50.0f, 0.5f, 100.0f));
        root->addChild(cam.get());
        camera = cam;
        for (Ref<Light>& light : lights_) root->addChild(light.get());
        return Ref<Scene>(new Scene(root.get()));
    }
    Ref<Group> root;

private:
    std::vector<Ref<Light>> lights_;
};

class LightPass : public LightingTest {
protected:
    void SetUp() override {
        LightingTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        for (int32_t i = 0; i < DeferredScene::ProgramCount; ++i) {
            const std::string name = DeferredScene::programName(i);
            Ref<Program> program(new Program(name));
            std::string vertex(kProbeVertex);
            vertex.insert(vertex.find('\n') + 1, "#define KIND " + std::to_string(i) + "\n");
            Ref<Shader> vs(new Shader(ShaderStage::Vertex, name));
            vs->setSource(vertex);
            Ref<Shader> fs(new Shader(ShaderStage::Fragment, name));
            fs->setSource(kProbeFragment);
            program->setShader(ShaderStage::Vertex, vs.get());
            program->setShader(ShaderStage::Fragment, fs.get());
            ASSERT_TRUE(program->compile()) << posttest::readLog();
            programRegistry().add(name, program);
        }
        glGenBuffers(1, &counts_);
    }
    void TearDown() override {
        if (counts_) glDeleteBuffers(1, &counts_);
        LightingTest::TearDown();
    }

    // Vertices each shader-table program processed during one frame.
    std::vector<int32_t> frame(LightsOnly& part) {
        std::vector<int32_t> counts(32, 0);
        glBindBuffer(GL_SHADER_STORAGE_BUFFER, counts_);
        glBufferData(GL_SHADER_STORAGE_BUFFER, 32 * 4, counts.data(), GL_DYNAMIC_READ);
        glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 0, counts_);
        device_->resetDevice();
        part.update(0.0f, 0.0f);
        part.render(device_.get(), 0.0f, 0.0f);
        glMemoryBarrier(GL_BUFFER_UPDATE_BARRIER_BIT);
        glFinish();
        glBindBuffer(GL_SHADER_STORAGE_BUFFER, counts_);
        glGetBufferSubData(GL_SHADER_STORAGE_BUFFER, 0, 32 * 4, counts.data());
        glBindBuffer(GL_SHADER_STORAGE_BUFFER, 0);
        counts.resize(DeferredScene::ProgramCount);
        return counts;
    }

    GLuint counts_ = 0;
};

Ref<Light> point() {
    return Ref<Light>(new PointLight(Vec3(1, 1, 1), 1.0f, 5.0f));
}
Ref<Light> spot(bool shadow, bool enabled) {
    Ref<Light> light(new SpotLight(Vec3(1, 1, 1), 1.0f, 10.0f, 0.5f, 0.1f));
    light->castsShadow = shadow;
    light->enabled = enabled;
    return light;
}

TEST_F(LightPass, OnlyTheKindsPresentDrawAndEachLightOnce) {
    const struct {
        const char* name;
        std::vector<Ref<Light>> lights;
        bool particles;
        std::vector<std::pair<int32_t, int32_t>> expected;  // program index, vertices
    } cases[] = {
        {"points", {point(), point(), point()}, false, {{1, 3}}},
        {"points with particles", {point(), point(), point()}, true, {{1, 3}, {16, 3}}},
        {"plain, plain, shadow spots",
         {spot(true, true), spot(false, true), spot(false, true)},
         false,
         {{2, 2}, {10, 1}}},
        // A disabled plain spot stays in its batch; a disabled caster is skipped.
        {"disabled spots",
         {spot(false, false), spot(true, false), spot(true, true)},
         false,
         {{2, 1}, {10, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<LightsOnly> part(new LightsOnly(c.lights));
        part->lightParticles = c.particles;
        ASSERT_TRUE(part->initiate()) << posttest::readLog();
        const std::vector<int32_t> counts = frame(*part);
        std::vector<int32_t> expected(DeferredScene::ProgramCount, 0);
        for (const auto& [index, vertices] : c.expected) expected[index] = vertices;
        EXPECT_EQ(counts, expected);
        part->terminate();
    }
}

}  // namespace
}  // namespace lighttest
