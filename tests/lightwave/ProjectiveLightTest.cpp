// Light types and projected images: the image comes from the texture registry
// by the block's name, else the loader's default; type 6 always takes the
// fixed image. Needs a GL context for the textures' sizes.
#include <gtest/gtest.h>

#include <string>

#include "LightwaveSceneLoader.h"
#include "SceneFiles.h"
#include "rend/Registry.h"
#include "rend/Texture2D.h"
#include "scene/DirectionalLight.h"
#include "scene/Group.h"
#include "scene/LinearLight.h"
#include "scene/ProjectiveLight.h"
#include "scene/SpotLight.h"
#include "support/GLTestContext.h"

using namespace ember;

namespace {

Ref<Texture2D> texture(int w, int h) {
    Ref<Texture2D> t(new Texture2D());
    t->create(w, h, TextureFormat::RGBA8);
    return t;
}

std::string light(const std::string& name, int type, const std::string& image = "") {
    std::string s = "AddLight 20000000\nLightName " + name + "\nLightColor 1 1 1\nLightIntensity 2\n";
    s += "LightType " + std::to_string(type) + "\nLightRange 10\nLightConeAngle 30\nLightEdgeAngle 10\n";
    if (!image.empty()) s += "LightProjImage\n{ Clip\n  StillImage \"Images/" + image + ".png\"\n}\n";
    return s;
}

}  // namespace

TEST(LightwaveLights, TypesAndProjectedImages) {
    EMBER_REQUIRE_GL();
    const std::string text = lwtest::header() + light("dir", 0) + light("point", 1) + light("spot", 2) +
                             light("linear", 3) + light("area", 4) + light("registered", 2, "lw-proj") +
                             light("unregistered", 1, "lw-missing") + light("fixed", 6) + light("odd", 7);
    ASSERT_TRUE(lwtest::writeFile("lights.lws", text, false));
    Ref<Texture2D> registered = texture(64, 32), fallback = texture(30, 10), fixed = texture(8, 8);
    ASSERT_TRUE(textureRegistry().add("lw-proj", registered));

    Ref<LightwaveSceneLoader> loader(new LightwaveSceneLoader(140));
    loader->defaultProjImage = fallback;
    loader->fixedProjImage = fixed;
    ASSERT_TRUE(loader->open("lights.lws"));
    Ref<Node> top(new Group());
    ASSERT_TRUE(loader->createLights(top.get()));

    const int expected[] = {0x800, 0x801, 0x802, 0x804, 0x807, 0x807, 0x807};
    int i = 0;
    for (Node* n = top->nextSibling(); n; n = n->nextSibling(), ++i) {
        ASSERT_LT(i, 7);
        EXPECT_EQ(n->type(), expected[i]) << i;
    }
    EXPECT_EQ(i, 7);  // types 4 and 7 are skipped

    Node* n = top->nextSibling()->nextSibling()->nextSibling();
    const SpotLight& spot = *static_cast<SpotLight*>(n);
    EXPECT_NEAR(spot.cosCone, std::cos(30 * DEGREE), 1e-6);
    EXPECT_NEAR(spot.cosEdge, std::cos(20 * DEGREE), 1e-6);
    const LinearLight& linear = *static_cast<LinearLight*>(n->nextSibling());
    EXPECT_FLOAT_EQ(linear.length, 5.0f);
    const ProjectiveLight& reg = *static_cast<ProjectiveLight*>(n->nextSibling()->nextSibling());
    EXPECT_EQ(reg.texture.get(), registered.get());
    EXPECT_FLOAT_EQ(reg.aspect, 2.0f);
    EXPECT_FLOAT_EQ(reg.range, 15.0f);
    EXPECT_NEAR(reg.fov, 30.0f, 1e-4f);
    const ProjectiveLight& unreg = *static_cast<ProjectiveLight*>(reg.nextSibling());
    EXPECT_EQ(unreg.texture.get(), fallback.get());
    EXPECT_FLOAT_EQ(unreg.aspect, 3.0f);
    const ProjectiveLight& fix = *static_cast<ProjectiveLight*>(unreg.nextSibling());
    EXPECT_EQ(fix.texture.get(), fixed.get());
    EXPECT_FLOAT_EQ(fix.aspect, 1.0f);
    textureRegistry().remove("lw-proj");

    // Without any image a projected light still comes, with aspect 1 and no texture.
    Ref<LightwaveSceneLoader> bare(new LightwaveSceneLoader(140));
    ASSERT_TRUE(bare->open("lights.lws"));
    Ref<Node> top2(new Group());
    ASSERT_TRUE(bare->createLights(top2.get()));
    Node* p = top2.get();
    for (int k = 0; k < 6; ++k) p = p->nextSibling();
    EXPECT_EQ(static_cast<ProjectiveLight*>(p)->texture.get(), nullptr);
    EXPECT_FLOAT_EQ(static_cast<ProjectiveLight*>(p)->aspect, 1.0f);
}
