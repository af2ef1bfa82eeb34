#pragma once

#include <cstdint>
#include <istream>
#include <ostream>

#include "FlowModel.h"
#include "FlowSolver2D.h"
#include "core/Math.h"
#include "lighting/DeferredScene.h"

namespace ember {
class Program;
class SamplerSet;
class VertexArrayObject;
class VertexBuffer;
}  // namespace ember

namespace qm {

// The second part (beats 96 to 224): text lines that dissolve into ink, a background field of
// dust, and drifting discs with the credits and greetings, all drawn in two dimensions over an
// empty deferred scene. Nine particle systems are advected on the GPU every frame by transform
// feedback through "marrow/updateflow"; the discs' positions and sizes go to the same program so
// that they push the ink aside. Everything is drawn into the light-accumulation target after
// the (ambient-only) light pass, and the part's composite finishes the picture.
class Flow : public ember::DeferredScene {
public:
    // Base size of a particle sprite in pixels.
    static constexpr float DefaultParticleSize = 5.0f;

    Flow();
    ~Flow() override;

    // Programs and samplers, the eight text systems (from "data/textures/flowtext01.png" ...
    // "flowtext08.png"), the background field, the shapes, the composite, "data/flow.dat", and
    // the scene of one camera and one ambient light. Null when a text image cannot be read,
    // the composite cannot be initiated or the parameter file cannot be opened or read.
    ember::Ref<ember::Scene> buildScene() override;
    // Releases everything buildScene made, in reverse order, then the base's.
    void terminate() override;

    // "BLIT" into the composite (false when that fails), the depth-of-field blur forced to two
    // passes, "ENVL" into partEnvelope (false when that fails), then the 272-byte tail; a
    // short tail leaves the rest at its defaults and still succeeds.
    bool load(std::istream& in) override;
    // The same layout. False when the composite or envelope write fails.
    bool save(std::ostream& out) override;

    // Camera from partEnvelope, the shapes and their uniforms, then the scene.
    void update(float beat, float dt) override;
    // The advection pass (rasterisation off, one point draw per active system into its other
    // buffer), then the deferred render with afterLighting.
    void render(ember::Device* device, float beat, float dt) override;
    // Particles, credits and greetings in the orthographic 12 x 8 view, blended as premultiplied
    // colour (one, one minus source alpha) into the light-accumulation target.
    void afterLighting(ember::Device* device, const ember::Mat4& view, float beat) override;

    // The CPU side: windows, shapes and shape uniforms, parameters.
    const FlowModel& model() const { return model_; }
    FlowModel& model() { return model_; }
    FlowSolver2D* system(int32_t j) const;
    int32_t count(int32_t j) const;
    float shapeScale() const { return shapeScale_; }
    float particleSize() const { return particleSize_; }
    // The projection afterLighting draws with: left -6, right 6, bottom 4, top -4, near -1, far 1.
    static ember::Mat4 flowProjection();

private:
    void release();

    ember::Ref<ember::Program> updateProgram_;
    ember::Ref<ember::SamplerSet> velocitySamplers_;
    ember::Ref<ember::VertexBuffer> shapeVertices_;
    ember::Ref<ember::Program> particleProgram_;
    ember::Ref<ember::SamplerSet> particleSamplers_;
    float particleSize_ = DefaultParticleSize;
    ember::Ref<ember::Program> shapeProgram_;
    ember::Ref<ember::SamplerSet> creditsSamplers_;
    ember::Ref<ember::VertexArrayObject> shapeVertexArray_;
    float shapeScale_ = 0.0f;
    ember::Ref<FlowSolver2D> systems_[FlowModel::SystemCount];
    int32_t counts_[FlowModel::SystemCount] = {};
    ember::Ref<ember::Program> greetingsProgram_;
    ember::Ref<ember::SamplerSet> greetingsSamplers_;
    FlowModel model_;
};

}  // namespace qm
