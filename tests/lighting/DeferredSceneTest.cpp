// The deferred scene on a real context: light collection and ranges, the
// light buffer, the failure lines, shadow frustums, and the test scene lit by
// each light kind through G-buffer, light pass and composite.
#include <gtest/gtest.h>

#include <cmath>

#include "LightingTestSupport.h"
#include "scene/LinearLight.h"
#include "scene/PointLight.h"
#include "scene/SpotLight.h"

namespace lighttest {
namespace {

using namespace ember;

constexpr float kDegree = 0.017453292f;

// A part whose scene holds only the given lights (no meshes).
class LightsOnly : public DeferredScene {
public:
    explicit LightsOnly(std::vector<Ref<Light>> lights) : lights_(std::move(lights)) {}
    Ref<Scene> buildScene() override {
        root = new Group();
        for (Ref<Light>& light : lights_) root->addChild(light.get());
        return Ref<Scene>(new Scene(root.get()));
    }
    Ref<Group> root;

private:
    std::vector<Ref<Light>> lights_;
};

Ref<Light> point() {
    return Ref<Light>(new PointLight(Vec3(1, 1, 1), 1.0f, 5.0f));
}
Ref<Light> linear() {
    return Ref<Light>(new LinearLight(Vec3(1, 1, 1), 1.0f, 4.0f, 1.0f));
}
Ref<Light> spot(bool shadow) {
    Ref<Light> light(new SpotLight(Vec3(1, 1, 1), 1.0f, 10.0f, 30.0f * kDegree, 5.0f * kDegree));
    light->castsShadow = shadow;
    return light;
}

using LightingRanges = LightingTest;

TEST_F(LightingRanges, LightStartCountsEachKindFromTheSortedList) {
    registerLightPrograms();
    // Linear lights given first still sort behind the point lights.
    Ref<LightsOnly> part(new LightsOnly({linear(), point(), linear(), point(), point()}));
    ASSERT_TRUE(part->initiate()) << posttest::readLog();
    const int32_t expected[9] = {0, 0, 3, 3, 3, 5, 5, 5, 5};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(part->lightStart[k], expected[k]) << "kind " << k;
    for (int k = 0; k < 8; ++k) EXPECT_EQ(part->shadowStart[k], -1) << "kind " << k;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(part->lights()[i]->kind(), Light::Point);
    EXPECT_EQ(part->lightBuffer()->stride(), 48);
    part->terminate();
}

TEST_F(LightingRanges, SpotShadowStartIsTheFirstShadowCasterOfTheKind) {
    registerLightPrograms();
    const struct {
        std::vector<bool> shadows;
        int32_t expected;
    } cases[] = {
        {{false, true}, 1},
        {{true, true}, 0},
        {{false, false}, -1},
        {{true, false, false}, 2},  // the sort moves the caster behind the plain ones
    };
    for (const auto& c : cases) {
        std::vector<Ref<Light>> lights;
        for (bool s : c.shadows) lights.push_back(spot(s));
        Ref<LightsOnly> part(new LightsOnly(lights));
        ASSERT_TRUE(part->initiate());
        EXPECT_EQ(part->shadowStart[Light::Spot], c.expected) << c.shadows.size() << " spots";
        const int32_t first = part->lightStart[Light::Spot];
        for (int32_t i = 0; i < static_cast<int32_t>(c.shadows.size()); ++i)
            EXPECT_EQ(part->lights()[first + i]->castsShadow, c.expected >= 0 && i >= c.expected);
        part->terminate();
    }
}

TEST_F(LightingRanges, FailureLines) {
    // No programs at all: the first base program is reported.
    {
        Ref<LightsOnly> part(new LightsOnly({point()}));
        EXPECT_FALSE(part->initiate());
        EXPECT_NE(posttest::readLog().find(
                      "DeferredScene::initiateLights() unable to find shader: deferred/dirlight"),
                  std::string::npos);
        part->terminate();
    }
    // Base programs only: shadow and particle slots stay empty, lights are required.
    registerLightPrograms(false);
    {
        Ref<LightsOnly> part(new LightsOnly({}));
        EXPECT_FALSE(part->initiate());
        EXPECT_NE(posttest::readLog().find("DeferredScene::initiateLights() no lights defined"),
                  std::string::npos);
        part->terminate();
    }
    Ref<LightsOnly> part(new LightsOnly({point()}));
    EXPECT_TRUE(part->initiate());
    for (int32_t i = 0; i < DeferredScene::ProgramCount; ++i) {
        EXPECT_EQ(part->program(i) != nullptr, i < DeferredScene::KindCount) << i;
        EXPECT_EQ(part->vertexArray(i) != nullptr, i < DeferredScene::KindCount) << i;
    }
    part->terminate();
}

TEST(ShadowFrustum, HalfAnglesWidenTheConeBySpotAndProjectiveMargins) {
    const float cos30 = std::cos(30.0f * kDegree);
    EXPECT_NEAR(DeferredScene::shadowHalfAngle(cos30, 5.0f), 17.5f, 1e-3f);
    EXPECT_NEAR(DeferredScene::shadowHalfAngle(cos30, 10.0f), 20.0f, 1e-3f);
    // The projection's vertical extent is that half-angle, near 0.1 and far range + 5.
    const Mat4 p = DeferredScene::shadowProjection(cos30, 10.0f, 2.0f, 5.0f);
    EXPECT_NEAR(1.0f / p.m[5], std::tan(17.5f * kDegree), 1e-5f);
    EXPECT_NEAR(p.m[5] / p.m[0], 2.0f, 1e-5f);
    const float n = p.m[11] / (p.m[10] - 1.0f), f = p.m[11] / (p.m[10] + 1.0f);
    EXPECT_NEAR(n, 0.1f, 1e-4f);
    EXPECT_NEAR(f, 15.0f, 1e-2f);
}

TEST(ShadowFrustum, LightViewLooksAlongTheLightAxis) {
    Ref<Light> light = spot(true);
    place(*light, Vec3(1, 5, 2), Vec3(0.3f, -1.0f, 0.2f));
    light->transform.updateLocal();
    light->transform.updateWorld(nullptr);
    const Mat4 view = DeferredScene::shadowLightView(*light);
    // The light's position maps to the eye, a point ahead of it onto the -Z axis.
    const Vec3 eye = view.transformPoint(Vec3(1, 5, 2));
    EXPECT_NEAR(eye.length(), 0.0f, 1e-4f);
    const Vec3 axis = light->transform.world.transformPoint(Vec3(0, 0, 1)) - light->transform.worldPosition;
    const Vec3 ahead = view.transformPoint(Vec3(1, 5, 2) + axis * 3.0f);
    EXPECT_NEAR(ahead.x, 0.0f, 1e-4f);
    EXPECT_NEAR(ahead.y, 0.0f, 1e-4f);
    EXPECT_NEAR(ahead.z, -3.0f, 1e-4f);
}

TEST_F(LightingTest, LightAddedAfterInitiateIsNeverInTheBuffer) {
    registerLightPrograms();
    Ref<LitTestScene> scene = makeScene(WithPoint);
    ASSERT_TRUE(scene->initiate()) << posttest::readLog();
    ASSERT_EQ(scene->lights().size(), 1u);
    GLint size = 0;
    scene->lightBuffer()->bind();
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    scene->lightBuffer()->unbind();
    EXPECT_EQ(size, 48);
    // A strong light right above the floor centre, added after initiate.
    Ref<Light> late(new PointLight(Vec3(1, 1, 1), 50.0f, 6.0f));
    place(*late, Vec3(-3, 3, 4), Vec3(0, 0, 1));
    scene->root->addChild(late.get());
    renderFrame(*scene);
    int32_t x = 0, y = 0;
    ASSERT_TRUE(project(*scene, Vec3(-3, 0, 4), x, y));
    EXPECT_EQ(luminanceAt(lightImage(), x, y), 0.0f);
    EXPECT_EQ(scene->lights().size(), 1u);
    scene->terminate();
}

}  // namespace
}  // namespace lighttest
