#pragma once
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

#include "core/Object.h"
#include "post/MultiPassEngine.h"

namespace ember {

class BlurEngine;
class Device;
class GlowEngine;
class LightStreaksEngine;
class MotionBlurEngine;
class RadialBlurEngine;
class SSAOEngine;

// The final composite: runs the chain of full-screen effects (SSAO always,
// then at most one of glow, light streaks or radial blur, then optionally a
// depth-of-field blur or a motion blur) and draws one quad into the window's
// back buffer with one of eight composite programs. Every render target,
// texture and program comes from the named registries; the engine creates
// no GL textures or framebuffers, only the process-wide quad it shares with
// every other composite engine.
//
// Calling order: construct, initiate once, set fields and updateVariant as
// needed, read (optional), then render every frame. Fields are public: the
// deferred scene and the parts write them every frame.
class BlitEngine : public Object {
public:
    // Effect slots, the index of effectFlags and passCounts.
    enum EffectSlot : int32_t {
        SlotBlur = 0,          // depth-of-field blur; passCounts: its passes
        SlotGlow = 1,          // flag: glow on; passCounts: its passes
        SlotLightStreaks = 2,  // flag: light streaks on (when glow is off)
        SlotUnused = 3,        // stored, never read
        SlotSSAO = 4,          // flag: depth-of-field stage on
        SlotMotionBlur = 5,    // flag: that stage uses the motion blur
        SlotRadialBlur = 6,    // flag: radial blur on (when glow and streaks are off)
    };
    static constexpr int32_t EffectSlotCount = 7;
    static constexpr int32_t VariantCount = 8;
    // Size of the "BLIT" block with its six effect blocks.
    static constexpr int32_t BlockSize = 263;
    static constexpr uint32_t NoiseSeed = 0x12345678u;

    // "post/blit", "post/blit_ssao", ... "post/blit_dof_glow_ssao" for 0..7;
    // null outside.
    static const char* variantProgramName(int32_t variant);

    // The initial values; no GL work.
    BlitEngine();
    ~BlitEngine() override;

    // Stores the back-buffer size; creates and initiates the six effects with
    // their targets and sampler sets; takes the process-wide quad (creating
    // it first); looks up the eight variant programs and builds their sampler
    // sets (the gradient texture registered as gradientName becomes
    // "color_grad"). A missing effect program, framebuffer or variant program
    // logs one line and returns false at once, keeping what was built so far.
    // Samplers a program does not declare are logged by the builder and
    // skipped; unregistered textures are skipped.
    bool initiate(const std::string& gradientName, int32_t width, int32_t height);

    // Creates the six effects with their default settings and no program,
    // target or GL object, for tools that fill and write a settings block
    // without a GL context. initiate replaces them with working effects.
    void createOfflineEffects();

    // variant = 2 if glow, light streaks or radial blur is flagged, plus 4 if
    // the depth-of-field stage is flagged. Call after changing effectFlags.
    void updateVariant();

    // Runs the effect chain and draws programs[variant] into the back buffer
    // (width x height). Advances the per-frame noise generator twice. Does
    // nothing before a successful initiate.
    void render(Device* device);

    // Reads a "BLIT" block. A wrong "BLIT" tag (or a short stream before the
    // fields) returns false with nothing changed; a failing effect block
    // returns false, keeping the fields read so far and the old variant.
    // Success recomputes the variant.
    bool read(std::istream& in);
    // Writes the 263-byte "BLIT" block; false when an effect's write or the
    // stream fails.
    bool write(std::ostream& out);

    SSAOEngine* getSSAOEngine() const;
    MotionBlurEngine* getMotionBlurEngine() const;
    BlurEngine* getBlurEngine() const;
    GlowEngine* getGlowEngine() const;
    LightStreaksEngine* getLightStreaksEngine() const;
    RadialBlurEngine* getRadialBlurEngine() const;
    // The effect of a slot (null for the unused slot or before initiate) and
    // the sampler sets it draws with.
    MultiPassEngine* effect(int32_t slot) const;
    const SamplerSetList& effectSamplerSets(int32_t slot) const;

    Program* program(int32_t variant) const;
    SamplerSet* samplerSet(int32_t variant) const;
    VertexBuffer* quadBuffer() const { return quadBuffer_.get(); }
    // The process-wide composite quad; null while no engine holds it.
    static VertexBuffer* sharedQuad();

    int32_t variant = 0;
    bool effectFlags[EffectSlotCount] = {false, false, false, false, false, false, false};
    int32_t passCounts[EffectSlotCount] = {4, 1, 1, 1, 1, 1, 1};
    float lutFade = 0.0f;
    // near, far, far - near, -(near * far)
    float cameraRange[4] = {1.0f, 1024.0f, 1023.0f, -1024.0f};
    // Element 3 is derived at render: dofParams[2] - dofParams[1].
    float dofParams[4] = {1.0f, 1.0f, 2.0f, 0.0f};
    float distortParams[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float gammaParams[2] = {1.0f, 1.0f};
    // Only element 2 reaches the shader; 0 and 1 are replaced by fresh noise.
    float noiseParams[3] = {0.0f, 0.0f, 0.0f};
    int32_t width = 0;
    int32_t height = 0;
    uint32_t noiseSeed = NoiseSeed;

private:
    bool initiateEffect(int32_t slot, Ref<MultiPassEngine> engine, const char* tempName,
                        const char* targetName, const char* programName, const char* const* textures,
                        int32_t textureCount);

    Ref<VertexBuffer> quadBuffer_;
    Ref<Program> programs_[VariantCount];
    Ref<SamplerSet> samplerSets_[VariantCount];
    Ref<MultiPassEngine> effects_[EffectSlotCount];
    SamplerSetList effectSets_[EffectSlotCount];
};

}  // namespace ember
