// The test scene lit by each light kind alone and by all together, checked
// by pixels of the light accumulation and saved for review.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "LightingTestSupport.h"
#include "scene/PointLight.h"
#include "scene/SpotLight.h"

namespace lighttest {
namespace {

using namespace ember;

class LitScene : public LightingTest {
protected:
    void SetUp() override {
        LightingTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        registerLightPrograms();
        registerRealPrograms();
    }

    // Luminance of the light accumulation where world point p shows.
    float at(const LitTestScene& scene, const std::vector<float>& image, const Vec3& p) {
        int32_t x = 0, y = 0;
        EXPECT_TRUE(project(scene, p, x, y)) << p.x << " " << p.y << " " << p.z;
        return luminanceAt(image, x, y);
    }
};

TEST_F(LitScene, EachKindLightsWhereItReachesAndNothingBeyond) {
    const Layout l;
    // A floor point each light reaches, one it must not reach (beyond its
    // range or outside its cone).
    const struct {
        const char* name;
        uint32_t bits;
        Vec3 lit;
        Vec3 dark;
    } cases[] = {
        {"directional", WithDirectional, Vec3(6, 0, 4), Vec3(6, 0, 4)},
        {"point", WithPoint, Vec3(l.pointPosition.x, 0, l.pointPosition.z),
         Vec3(l.pointPosition.x - l.pointRange - 0.5f, 0, l.pointPosition.z)},
        {"spot", WithSpot, l.spotTarget, Vec3(l.spotTarget.x + 5.0f, 0, l.spotTarget.z + 3.0f)},
        {"area", WithArea, Vec3(l.areaPosition.x, 0, l.areaPosition.z),
         Vec3(l.areaPosition.x + l.areaRange + 0.5f, 0, l.areaPosition.z)},
        {"linear", WithLinear, Vec3(l.linearStart.x + 1.0f, 0, l.linearStart.z),
         Vec3(l.linearStart.x + 1.0f, 0, l.linearStart.z + l.linearReach + 0.5f)},
        {"cube", WithCube, Vec3(l.cubePosition.x, 0, l.cubePosition.z),
         Vec3(l.cubePosition.x + l.cubeRange + 0.5f, 0, l.cubePosition.z)},
        {"ambient", WithAmbient, Vec3(6, 0, 4), Vec3(6, 0, 4)},
        {"projective", WithProjective, l.projectiveTarget, Vec3(l.projectiveTarget.x - 6.0f, 0, 5.0f)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<LitTestScene> scene = makeScene(c.bits, true);
        ASSERT_TRUE(scene->initiate()) << posttest::readLog();
        renderFrame(*scene);
        const std::vector<float> image = lightImage();
        EXPECT_GT(at(*scene, image, c.lit), 0.01f);
        if (c.bits != WithDirectional && c.bits != WithAmbient) {
            EXPECT_EQ(at(*scene, image, c.dark), 0.0f);
        }
        // The sky (top rows, beyond the floor) is never lit.
        EXPECT_EQ(luminanceAt(image, kWidth / 2, kHeight - 2), 0.0f);
        saveLightImage(std::string("deferred-") + c.name);
        saveComposite(std::string("deferred-") + c.name + "-composite");
        scene->terminate();
    }
}

TEST_F(LitScene, ShadowCastersDarkenTheFloorBehindThem) {
    const Layout l;
    const struct {
        const char* name;
        uint32_t bits;
        Vec3 light;
        Vec3 occluder;
    } cases[] = {
        {"spot_shadow", WithShadowSpot, l.shadowSpotPosition, l.cubeCenter},
        {"projective_shadow", WithShadowProjective, l.shadowProjectivePosition, l.sphereCenter},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<LitTestScene> scene = makeScene(c.bits, true);
        ASSERT_TRUE(scene->initiate()) << posttest::readLog();
        renderFrame(*scene);
        const std::vector<float> image = lightImage();
        // The floor point straight behind the occluder, seen from the light.
        const Vec3 ray = c.occluder - c.light;
        const float t = -c.light.y / ray.y;
        const Vec3 behind = c.light + ray * t;
        // Beside the shadow, clear of the occluder but inside the cone and the
        // shadow frustum: 15 degrees off the axis.
        const Vec3 side = ray.cross(Vec3(0, 1, 0)).normalized();
        const Vec3 tilted = (ray.normalized() + side * std::tan(15.0f * 0.017453292f)).normalized();
        const Vec3 beside = c.light + tilted * (-c.light.y / tilted.y);
        EXPECT_LT(at(*scene, image, behind), 0.002f) << "shadowed floor";
        EXPECT_GT(at(*scene, image, beside), 0.05f) << "lit floor beside the shadow";
        saveLightImage(std::string("deferred-") + c.name);
        scene->terminate();
    }
}

TEST_F(LitScene, NoLightLeaksThroughTheFloor) {
    Ref<LitTestScene> scene = makeScene(0, false);
    Ref<Light> below(new PointLight(Vec3(1, 1, 1), 20.0f, 4.0f));
    // Under open floor, out of reach of the meshes standing on it.
    place(*below, Vec3(6, -0.5f, 6), Vec3(0, 0, 1));
    scene->extraLights.push_back(below);
    ASSERT_TRUE(scene->initiate()) << posttest::readLog();
    renderFrame(*scene);
    const std::vector<float> image = lightImage();
    float brightest = 0.0f;
    for (size_t i = 0; i < image.size(); i += 4)
        brightest = std::max({brightest, image[i], image[i + 1], image[i + 2]});
    EXPECT_EQ(brightest, 0.0f);
    scene->terminate();
}

TEST_F(LitScene, DisabledShadowedSpotIsSkippedWhileADisabledPlainSpotIsDrawn) {
    const Layout l;
    for (bool shadowed : {false, true}) {
        SCOPED_TRACE(shadowed ? "shadowed" : "plain");
        Ref<LitTestScene> scene = makeScene(shadowed ? WithShadowSpot : WithSpot, false);
        ASSERT_TRUE(scene->initiate()) << posttest::readLog();
        Light* light = shadowed ? scene->shadowSpot : scene->plainSpot;
        light->enabled = false;
        renderFrame(*scene);
        const Vec3 target = shadowed ? Vec3(l.cubeCenter.x + 1.6f, 0, l.cubeCenter.z) : l.spotTarget;
        if (shadowed)
            EXPECT_EQ(at(*scene, lightImage(), target), 0.0f);
        else
            EXPECT_GT(at(*scene, lightImage(), target), 0.01f);
        scene->terminate();
    }
}

TEST_F(LitScene, AllLightsTogetherThroughTheComposite) {
    Ref<LitTestScene> scene = makeScene(WithAll, true);
    scene->lightParticles = true;
    ASSERT_TRUE(scene->initiate()) << posttest::readLog();
    EXPECT_EQ(scene->lights().size(), 10u);
    renderFrame(*scene, 1.0f);
    const std::vector<float> image = lightImage();
    const Layout l;
    EXPECT_GT(at(*scene, image, l.spotTarget), 0.01f);
    saveLightImage("deferred-all");
    saveComposite("deferred-all-composite");
    EXPECT_EQ(posttest::readLog().find("GL_INVALID"), std::string::npos) << posttest::readLog();
    scene->terminate();
}

}  // namespace
}  // namespace lighttest
