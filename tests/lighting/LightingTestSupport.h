#pragma once
// Shared fixture of the lighting tests: the post-processing fixture's targets,
// look-ups and composite programs, plus the G-buffer, the real light, G-buffer
// and shadow programs from the source tree, the generated light textures,
// shadow-map targets and a window stand-in; and a test part that builds its
// scene in code: a floor, a few meshes and whatever lights a test asks for.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "lighting/DeferredScene.h"
#include "loaders/PNGLoader.h"
#include "post/BlitEngine.h"
#include "post/PostTestSupport.h"
#include "rend/BufferObject.h"
#include "rend/Framebuffer.h"
#include "rend/TextureCube.h"
#include "rend/VertexArrayObject.h"
#include "scene/Camera.h"
#include "scene/Group.h"
#include "scene/Light.h"
#include "scene/Material.h"
#include "scene/MaterialBuilder.h"
#include "scene/Scene.h"
#include "scene/SubModel.h"
#include "scene/VAOModel.h"

namespace lighttest {

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 720;
constexpr int32_t kShadowSize = 1024;

// Points a node's +Z along direction from position (heading and pitch only),
// so the node's transform components are what the shadow pass reads.
inline void place(ember::Node& node, const ember::Vec3& position, const ember::Vec3& direction) {
    const ember::Vec3 d = direction.normalized();
    node.transform.position = position;
    node.transform.rotation = ember::Vec3(std::atan2(-d.x, d.z), std::asin(d.y), 0.0f);
    node.transform.updateComponentFlags();
}

// One mesh of the test scene: 12 floats per vertex (position, normal, tangent
// with handedness, texture coordinate), 32-bit indices, triangles.
struct MeshData {
    std::vector<float> vertices;
    std::vector<uint32_t> indices;

    void vertex(const ember::Vec3& p, const ember::Vec3& n, const ember::Vec3& t, float u, float v) {
        const float values[12] = {p.x, p.y, p.z, n.x, n.y, n.z, t.x, t.y, t.z, 1.0f, u, v};
        vertices.insert(vertices.end(), values, values + 12);
    }
    uint32_t count() const { return static_cast<uint32_t>(vertices.size() / 12); }

    // A quad centred at c with half extents along a and b (normal a x b).
    void quad(const ember::Vec3& c, const ember::Vec3& a, const ember::Vec3& b) {
        const ember::Vec3 n = a.cross(b).normalized();
        const ember::Vec3 t = a.normalized();
        const uint32_t base = count();
        vertex(c - a - b, n, t, 0, 0);
        vertex(c + a - b, n, t, 1, 0);
        vertex(c + a + b, n, t, 1, 1);
        vertex(c - a + b, n, t, 0, 1);
        const uint32_t idx[6] = {base, base + 1, base + 2, base, base + 2, base + 3};
        indices.insert(indices.end(), idx, idx + 6);
    }

    void box(const ember::Vec3& c, const ember::Vec3& h) {
        using ember::Vec3;
        quad(c + Vec3(0, 0, h.z), Vec3(h.x, 0, 0), Vec3(0, h.y, 0));
        quad(c - Vec3(0, 0, h.z), Vec3(-h.x, 0, 0), Vec3(0, h.y, 0));
        quad(c + Vec3(h.x, 0, 0), Vec3(0, 0, -h.z), Vec3(0, h.y, 0));
        quad(c - Vec3(h.x, 0, 0), Vec3(0, 0, h.z), Vec3(0, h.y, 0));
        quad(c + Vec3(0, h.y, 0), Vec3(h.x, 0, 0), Vec3(0, 0, -h.z));
        quad(c - Vec3(0, h.y, 0), Vec3(h.x, 0, 0), Vec3(0, 0, h.z));
    }

    void sphere(const ember::Vec3& c, float r, int rings, int segments) {
        const uint32_t base = count();
        for (int i = 0; i <= rings; ++i) {
            const float theta = 3.14159265f * i / rings;
            for (int j = 0; j <= segments; ++j) {
                const float phi = 6.2831853f * j / segments;
                const ember::Vec3 n(std::sin(theta) * std::cos(phi), std::cos(theta),
                                    std::sin(theta) * std::sin(phi));
                const ember::Vec3 t(-std::sin(phi), 0.0f, std::cos(phi));
                vertex(c + n * r, n, t, static_cast<float>(j) / segments, static_cast<float>(i) / rings);
            }
        }
        for (int i = 0; i < rings; ++i)
            for (int j = 0; j < segments; ++j) {
                const uint32_t a = base + i * (segments + 1) + j, b = a + segments + 1;
                const uint32_t idx[6] = {a, a + 1, b, b, a + 1, b + 1};
                indices.insert(indices.end(), idx, idx + 6);
            }
    }
};

// Which lights the test scene gets.
enum LightBits : uint32_t {
    WithDirectional = 1u << 0,
    WithPoint = 1u << 1,
    WithSpot = 1u << 2,
    WithShadowSpot = 1u << 3,
    WithArea = 1u << 4,
    WithLinear = 1u << 5,
    WithCube = 1u << 6,
    WithAmbient = 1u << 7,
    WithProjective = 1u << 8,
    WithShadowProjective = 1u << 9,
    WithAll = (1u << 10) - 1,
};

// Light placements, shared by the scene and the pixel checks.
struct Layout {
    ember::Vec3 eye{0.0f, 7.0f, 15.0f};
    ember::Vec3 target{0.0f, 0.5f, 0.0f};
    ember::Vec3 cubeCenter{-3.0f, 1.0f, 0.0f};
    ember::Vec3 sphereCenter{3.0f, 1.2f, 1.0f};
    ember::Vec3 pointPosition{3.5f, 1.5f, 4.0f};
    float pointRange = 4.0f;
    ember::Vec3 spotPosition{2.0f, 6.0f, -5.0f};
    ember::Vec3 spotTarget{2.0f, 0.0f, -2.0f};
    ember::Vec3 shadowSpotPosition{-7.0f, 4.0f, -4.0f};
    float spotRange = 16.0f;
    ember::Vec3 areaPosition{-6.5f, 1.5f, 4.0f};
    float areaRange = 4.0f;
    ember::Vec3 linearStart{-8.0f, 0.4f, -6.0f};
    float linearLength = 7.0f;  // along +X
    float linearReach = 2.0f;
    ember::Vec3 cubePosition{0.0f, 2.0f, 4.0f};
    float cubeRange = 5.0f;
    ember::Vec3 projectivePosition{6.5f, 6.0f, -2.0f};
    ember::Vec3 projectiveTarget{7.5f, 0.0f, -3.0f};
    ember::Vec3 shadowProjectivePosition{4.0f, 5.0f, -4.0f};
    float projectiveRange = 16.0f;
};

class LitTestScene : public ember::DeferredScene {
public:
    LitTestScene(uint32_t lights, ember::Texture* pointTexture, ember::Texture* cubeTexture,
                 ember::Texture* spotMap, ember::Texture* projectiveMap)
        : lightBits_(lights),
          pointTexture_(pointTexture),
          cubeTexture_(cubeTexture),
          spotMap_(spotMap),
          projectiveMap_(projectiveMap) {}

    ember::Ref<ember::Scene> buildScene() override;

    Layout layout;
    ember::Light* shadowSpot = nullptr;
    ember::Light* plainSpot = nullptr;
    ember::Light* shadowProjective = nullptr;
    ember::Ref<ember::Group> root;
    // Extra lights a test places before initiate.
    std::vector<ember::Ref<ember::Light>> extraLights;

    void setBlit(ember::BlitEngine* engine) { blitEngine = engine; }

private:
    ember::Node* addMesh(ember::Node* parent, const MeshData& mesh, const ember::Vec4& tint, float specular);

    uint32_t lightBits_;
    ember::Ref<ember::Texture> pointTexture_;
    ember::Ref<ember::Texture> cubeTexture_;
    ember::Ref<ember::Texture> spotMap_;
    ember::Ref<ember::Texture> projectiveMap_;
    std::deque<ember::Vec4> tints_;
    std::deque<float> speculars_;
};

class LightingTest : public posttest::PostTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A light program of the source tree with its geometry stage.
    static ember::Ref<ember::Program> loadLightProgram(const std::string& name);
    void registerLightPrograms(bool withShadowVariants = true);

    // The test part, initiated, with a composite engine when withComposite.
    ember::Ref<LitTestScene> makeScene(uint32_t lights, bool withComposite = false);
    // update, shadow maps for the shadow casters, render.
    void renderFrame(LitTestScene& scene, float beat = 0.0f);

    // Light accumulation (RGBA float, rows bottom first).
    std::vector<float> lightImage();
    // The pixel (GL window coordinates) showing world point p through the camera.
    static bool project(const LitTestScene& scene, const ember::Vec3& p, int32_t& x, int32_t& y);
    static float luminanceAt(const std::vector<float>& image, int32_t x, int32_t y);
    // Saves the light accumulation, tone-mapped, as a PNG under build/review.
    void saveLightImage(const std::string& name);
    // Saves what the composite drew into the window stand-in.
    void saveComposite(const std::string& name);

    ember::Ref<ember::Texture> pointTexture_;
    ember::Ref<ember::Texture> cubeTexture_;
    ember::Ref<ember::Texture2D> spotMap_;
    ember::Ref<ember::Texture2D> projectiveMap_;
    ember::Ref<ember::Framebuffer> spotTarget_;
    ember::Ref<ember::Framebuffer> projectiveTarget_;
    ember::Ref<ember::Framebuffer> gbuffer_;
    ember::Ref<ember::Texture2D> windowColor_;
    ember::Ref<ember::Texture2D> windowDepth_;
    ember::Ref<ember::Framebuffer> window_;
};

}  // namespace lighttest
