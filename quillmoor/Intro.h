#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "InstanceFile.h"
#include "PartParameters.h"
#include "lighting/DeferredScene.h"

namespace ember {
class BlitEngine;
class Envelope;
class Material;
class Program;
}  // namespace ember

namespace qm {

// The first part (beats 0 to 96): one chamfered cube drawn many thousand
// times. The production's name, the credits and the group's name follow one
// another as cube clouds (0-16, 16-32, 32-64) over a field of 16,384 cubes
// shaped into super-shapes, spikes and knots (0-64); from 64 a figure of
// cubes dances. One fixed camera looks down, one ambient light shades; the
// programs carry the motion, driven by six envelopes and a beat-locked
// stutter clock (StutterClock).
class Intro : public ember::DeferredScene {
public:
    // The number of cubes of the shaped layer.
    static constexpr int32_t FieldInstances = 16384;

    Intro();
    ~Intro() override;

    // Reads the instance files into the texture buffers "marrow_tbo",
    // "qm_tbo", "cred_tbo" and "dance_tbo", creates the composite and reads
    // "data/intro.dat", then builds the scene. Null (logged) when an instance
    // file is missing or damaged, a program, mesh or framebuffer is missing,
    // the composite fails, or the parameter file cannot be read.
    ember::Ref<ember::Scene> buildScene() override;
    // The composite's "BLIT" block, six "ENVL" blocks (camera,
    // morphParamsEnvelope, effectEnvelope, wobbleEnvelope, morphEnvelope,
    // danceEnvelope) and the 80-byte tail of five float vectors. False when
    // there is no composite yet or a block fails.
    bool load(std::istream& in) override;
    bool save(std::ostream& out) override;
    // Camera choice, the uniform values, the stutter clock, the dance frame,
    // then the scene's update.
    void update(float beat, float dt) override;
    // Clears the light accumulation to transparent black and renders.
    void render(ember::Device* device, float beat, float dt) override;

    // The camera index an envelope value selects: floored, clamped to the list.
    static int32_t cameraIndex(float value, size_t cameraCount);

    float warpedTime = 0.0f;
    ember::Ref<ember::Envelope> morphParamsEnvelope;
    float morphParams[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    float superShapeParams[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float sphereParams[4] = {6.0f, 6.0f, 0.1f, 1.0f};
    float spikeParams[4] = {6.0f, 6.0f, 1.0f, 8.0f};
    float effectScale = 0.0f;
    ember::Ref<ember::Envelope> effectEnvelope;
    float wobbleAmplitude = 0.25f;
    float wobbleFrequency = 16.0f;
    float wobblePhase = 0.0f;
    ember::Ref<ember::Envelope> wobbleEnvelope;
    float wobble = 0.0f;
    float knotParams[4] = {4.0f, 4.0f, 1.0f, 0.1f};
    float morph = 0.0f;
    ember::Ref<ember::Envelope> morphEnvelope;
    std::vector<int32_t> danceFrames;
    int32_t instanceBufferOffset = 0;
    int32_t danceInstances = 0;
    ember::Ref<ember::Envelope> danceEnvelope;

    // Record counts of the three cloud files.
    int32_t marrowInstances = 0;
    int32_t creditInstances = 0;
    int32_t groupInstances = 0;

    // The items of "intro.dat" in file order.
    const PartParameters& parameters() const { return parameters_; }
    ember::BlitEngine* composite() const;

private:
    bool loadInstances();

    PartParameters parameters_;
};

}  // namespace qm
