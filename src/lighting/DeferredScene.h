#pragma once
#include <cstdint>
#include <vector>

#include "Part.h"
#include "core/Math.h"
#include "core/Object.h"

namespace ember {

class Camera;
class Device;
class Envelope;
class Framebuffer;
class Light;
class Node;
class Program;
class SamplerSet;
class Scene;
class StateSet;
class VertexArrayObject;
class VertexBuffer;

// The base of every part that renders 3D content: turns the part's scene graph
// into a lit image. Each frame it fills the G-buffer ("gbuffer") by drawing the
// scene once, accumulates every light into "light_accumulation" with one point
// per light (each kind's program expands its points into the screen area the
// light can reach), lets the subclass draw into the lit image (afterLighting),
// and runs the part's composite chain (the BlitEngine in Part::blitEngine).
//
// A subclass implements buildScene, sets camera (usually one of cameras) before
// the first frame, optionally sets lightParticles, clearColor, radiusScale and
// the lights' shadow fields, and calls the base initiate, update and render
// from its own overrides. The set of lights is fixed at initiate: lights added
// later are never drawn, and a light's kind and castsShadow must not change.
class DeferredScene : public Part {
public:
    // Shader table: index k (0..7) is light kind k, 8 + k its shadow variant,
    // 16 the light particles. Only 0..7, SpotShadowProgram,
    // ProjectiveShadowProgram and ParticleProgram are drawn with.
    static constexpr int32_t ProgramCount = 17;
    static constexpr int32_t KindCount = 8;
    static constexpr int32_t SpotShadowProgram = 10;
    static constexpr int32_t ProjectiveShadowProgram = 15;
    static constexpr int32_t ParticleProgram = 16;
    // Bytes per light in the light buffer: POSITION, NORMAL, COLOR, TEXCOORD,
    // three floats each.
    static constexpr int32_t LightRecordSize = 48;

    // "deferred/dirlight" ... "deferred/light_particle" for 0..16; null outside.
    static const char* programName(int32_t index);

    DeferredScene();
    ~DeferredScene() override;

    // Creates the state set, builds the scene (buildScene; null -> false),
    // collects and sorts the lights and builds the light buffer
    // (initiateLights; false -> false), then looks up the framebuffers
    // "gbuffer" and "light_accumulation". A missing base light program (0..7)
    // logs "DeferredScene::initiateLights() unable to find shader: <name>"; a
    // scene without lights logs "DeferredScene::initiateLights() no lights
    // defined"; both return false. Missing shadow or particle programs leave
    // their slots null (never drawn).
    bool initiate() override;
    // Empties programs, samplers, vertex arrays, lights and cameras; releases
    // camera, state set, scene, light buffer and both framebuffers. Safe on a
    // scene that never initiated.
    void terminate() override;
    // Stores the beat in the scene and runs its update walk.
    void update(float beat, float dt) override;
    // One frame: the camera projection (aspect of the gbuffer) and projCoeffs;
    // the composite's per-frame values (SSAO near, far and projCoeffs; the
    // camera range; the motion blur's current inverse(P * V) and previous
    // P * previousView); the light buffer; the G-buffer pass; the light pass
    // ending with afterLighting; the composite. Does nothing without camera,
    // scene or framebuffers.
    void render(Device* device, float beat, float dt) override;

    // A hook with three arguments the renderer never calls.
    virtual void renderHook(Device* device, const Mat4& view, float beat);
    // Called after the light passes with the light accumulation buffer still
    // bound (additive blending, no depth test). Empty here.
    virtual void afterLighting(Device* device, const Mat4& view, float beat);
    // The subclass builds its graph and returns its scene (null fails initiate).
    virtual Ref<Scene> buildScene() = 0;

    // Renders the shadow map of a spot light (or a projective light, with the
    // wider frustum) into framebuffer with the program "shadows/spotlight":
    // only nodes with bit 2 in their mask are drawn, materials contribute only
    // through their override programs. Writes light.shadowMatrix (camera view
    // space -> shadow-map coordinates). A part calls it before the frame's
    // render for each shadow-casting light whose map it wants refreshed; it
    // owns the framebuffer and has set light.shadowMap to its depth texture.
    // Nothing happens for a null argument, a light of another kind, or before
    // initiate.
    void renderSpotShadow(Device* device, Framebuffer* framebuffer, Light* light);
    void renderProjectiveShadow(Device* device, Framebuffer* framebuffer, Light* light);

    // The shadow projection of a cone light of cosine cosCone drawn into a
    // target of aspect width / height: near 0.1, far range + 5, half-angle
    // (degrees(acos(cosCone)) + widen) / 2 degrees, widen 5 for spot lights and
    // 10 for projective lights.
    static Mat4 shadowProjection(float cosCone, float range, float aspect, float widenDegrees);
    // The half-angle of that projection in degrees.
    static float shadowHalfAngle(float cosCone, float widenDegrees);
    // The light's view for its shadow map: the inverse of the rotation built
    // from (pi + heading, -pitch, -bank) of its transform, placed at its
    // transform position (LightWave's axes, as the camera controller turns them).
    static Mat4 shadowLightView(const Light& light);

    // Read access for subclasses and tests.
    Program* program(int32_t index) const;
    SamplerSet* samplerSet(int32_t index) const;
    VertexArrayObject* vertexArray(int32_t index) const;
    // Held counted, so a light taken out of the tree later cannot dangle here.
    const std::vector<Ref<Light>>& lights() const { return lights_; }
    VertexBuffer* lightBuffer() const { return lightBuffer_.get(); }
    Scene* scene() const { return scene_.get(); }
    StateSet* stateSet() const { return stateSet_.get(); }
    Framebuffer* gbuffer() const { return gbuffer_.get(); }
    Framebuffer* lightAccumulation() const { return lightAccumulation_.get(); }
    const float* inverseSize() const { return inverseSize_; }

    // Index of the first light of each kind 0..7 in lights(); entry 8 is the
    // number of lights.
    int32_t lightStart[KindCount + 1] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    // Per kind, the offset (from lightStart[k]) of the first light with
    // castsShadow, -1 when none.
    int32_t shadowStart[KindCount] = {-1, -1, -1, -1, -1, -1, -1, -1};

    // A Camera node, set by the subclass before the first frame.
    Ref<Node> camera;
    // The camera view of the previous frame (motion blur).
    Mat4 previousView;
    bool lightParticles = false;
    float clearColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    // The "radiusScale" of the light-particle pass.
    float radiusScale = 0.5f;
    // Elements 0, 5, 11, 14 and 15 of the inverse camera projection.
    float projCoeffs[5] = {1.0f, 1.0f, -1.0f, 0.0f, 1.0f};
    // Filled by the scene loader's createCameras.
    std::vector<Ref<Camera>> cameras;
    // Not used here; subclasses read and write it in load and save.
    Ref<Envelope> partEnvelope;

protected:
    // Collects, sorts and counts the lights; loads the programs with their
    // sampler sets; builds the light buffer and its vertex arrays.
    bool initiateLights();
    // The three drawing steps of render.
    void fillLightBuffer(const Mat4& view);
    void renderGBuffer(Device* device, const Mat4& view);
    void renderLights(Device* device, const Mat4& view, float beat);

private:
    void renderConeShadow(Device* device, Framebuffer* framebuffer, Light* light, float cosCone, float range,
                          float widenDegrees);
    void bindLightProgram(Device* device, int32_t index);

    std::vector<Ref<Program>> programs_;
    std::vector<Ref<SamplerSet>> samplers_;
    std::vector<Ref<Light>> lights_;
    Ref<VertexBuffer> lightBuffer_;
    std::vector<Ref<VertexArrayObject>> vertexArrays_;
    Ref<Scene> scene_;
    Ref<StateSet> stateSet_;
    Ref<Framebuffer> gbuffer_;
    Ref<Framebuffer> lightAccumulation_;
    float inverseSize_[2] = {1.0f, 1.0f};
};

}  // namespace ember
