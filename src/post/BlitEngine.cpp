#include "post/BlitEngine.h"

#include <algorithm>

#include "application/Logger.h"
#include "post/BlurEngine.h"
#include "post/EffectRandom.h"
#include "post/FullScreenQuad.h"
#include "post/GlowEngine.h"
#include "post/LightStreaksEngine.h"
#include "post/MotionBlurEngine.h"
#include "post/ParameterBlock.h"
#include "post/RadialBlurEngine.h"
#include "post/SSAOEngine.h"
#include "rend/Device.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Registry.h"
#include "rend/Sampler.h"

namespace ember {

namespace {

// The composite engines' process-wide quad; the last engine to let go
// releases it.
Ref<VertexBuffer>& compositeQuad() {
    static Ref<VertexBuffer>* holder = new Ref<VertexBuffer>();
    return *holder;
}

const char* const kVariantNames[BlitEngine::VariantCount] = {
    "post/blit",     "post/blit_ssao",     "post/blit_glow",     "post/blit_glow_ssao",
    "post/blit_dof", "post/blit_dof_ssao", "post/blit_dof_glow", "post/blit_dof_glow_ssao",
};

struct Binding {
    const char* texture;
    const char* sampler;
};

// Adds each binding whose texture is registered; a sampler the program lacks
// is logged by the builder and skipped.
Ref<SamplerSet> buildSet(Program* program, const Binding* bindings, size_t count) {
    SamplerSetBuilder builder;
    builder.setProgram(program);
    for (size_t i = 0; i < count; ++i) {
        Ref<Texture> texture = textureRegistry().get(bindings[i].texture);
        if (texture) builder.addTexture(texture.get(), bindings[i].sampler);
    }
    return builder.samplerSet();
}

Ref<Framebuffer> findTarget(const char* name) {
    Ref<Framebuffer> framebuffer = framebufferRegistry().get(name);
    if (!framebuffer)
        Logger::instance().writeFormatted("BlitEngine::initiate() unable to find framebuffer: %s", name);
    return framebuffer;
}

}  // namespace

const char* BlitEngine::variantProgramName(int32_t v) {
    return v >= 0 && v < VariantCount ? kVariantNames[v] : nullptr;
}

BlitEngine::BlitEngine() = default;

BlitEngine::~BlitEngine() {
    for (int32_t v = 0; v < VariantCount; ++v) {
        programs_[v].reset();
        samplerSets_[v].reset();
    }
    quadBuffer_.reset();
    Ref<VertexBuffer>& shared = compositeQuad();
    if (shared && shared->refCount() == 1) shared.reset();
    for (int32_t s = 0; s < EffectSlotCount; ++s) {
        effects_[s].reset();
        effectSets_[s].clear();
    }
}

bool BlitEngine::initiate(const std::string& gradientName, int32_t backWidth, int32_t backHeight) {
    width = backWidth;
    height = backHeight;

    // Ambient occlusion of the lit image: the picture every later stage reads.
    {
        Ref<Framebuffer> target = findTarget("ssao_buffer");
        if (!target) return false;
        Ref<SSAOEngine> ssao(new SSAOEngine());
        effects_[SlotSSAO] = ssao;
        if (!ssao->initiate(target.get(), target.get())) return false;
        static const Binding kBindings[] = {{"backbuffer_depth", "depth_buffer"},
                                            {"normal_depth", "normal_depth"},
                                            {"light_accumulation", "color_buffer"},
                                            {"random_normals", "rotate"}};
        effectSets_[SlotSSAO].push_back(buildSet(ssao->program(), kBindings, 4));
    }

    // The blurs ping-pong between a temporary and a final target; their three
    // sets read the source, the temporary and the final colour for "tex".
    auto threeSets = [](Program* program, const char* source, const char* temp, const char* final) {
        SamplerSetList sets;
        for (const char* name : {source, temp, final}) {
            const Binding binding = {name, "tex"};
            sets.push_back(buildSet(program, &binding, 1));
        }
        return sets;
    };
    auto setUp = [&](int32_t slot, MultiPassEngine* engine, Framebuffer* temp, Framebuffer* target,
                     SamplerSetList sets) {
        effects_[slot] = engine;
        effectSets_[slot] = std::move(sets);
        return engine->initiate(temp, target);
    };

    Ref<Framebuffer> blurTemp = findTarget("blur_temp");
    if (!blurTemp) return false;
    Ref<Framebuffer> dof = findTarget("dof");
    if (!dof) return false;
    {
        Ref<Program> program = programRegistry().get("post/blur");
        if (!setUp(SlotBlur, new BlurEngine(program.get()), blurTemp.get(), dof.get(),
                   threeSets(program.get(), "ssao_buffer", "blur_temp_color", "dof_color")))
            return false;
    }
    {
        Ref<Program> program = programRegistry().get("post/motion_blur");
        static const Binding kBindings[] = {{"ssao_buffer", "color_buffer"},
                                            {"backbuffer_depth", "depth_buffer"}};
        SamplerSetList sets;
        sets.push_back(buildSet(program.get(), kBindings, 2));
        if (!setUp(SlotMotionBlur, new MotionBlurEngine(program.get()), blurTemp.get(), dof.get(), sets))
            return false;
    }

    Ref<Framebuffer> blur = findTarget("blur");
    if (!blur) return false;
    {
        Ref<Program> program = programRegistry().get("post/radial_blur");
        if (!setUp(SlotRadialBlur, new RadialBlurEngine(program.get()), blurTemp.get(), blur.get(),
                   threeSets(program.get(), "ssao_buffer", "blur_temp_color", "blur_color")))
            return false;
    }
    {
        Ref<Program> program = programRegistry().get("post/glow");
        if (!setUp(SlotGlow, new GlowEngine(program.get()), blurTemp.get(), blur.get(),
                   threeSets(program.get(), "ssao_buffer", "blur_temp_color", "blur_color")))
            return false;
    }
    {
        Ref<Program> program = programRegistry().get("post/lightstreaks");
        if (!setUp(SlotLightStreaks, new LightStreaksEngine(program.get()), blurTemp.get(), blur.get(),
                   threeSets(program.get(), "ssao_buffer", "blur_temp_color", "blur_color")))
            return false;
    }

    if (!compositeQuad()) compositeQuad() = FullScreenQuad::create();
    quadBuffer_ = compositeQuad();

    const Binding bindings[] = {
        {"ssao_buffer", "color_buffer"},
        {"backbuffer_depth", "depth_buffer"},
        {"blur_color", "glow_buffer"},
        {"dof_color", "dof_buffer"},
        {"ssao_buffer", "ssao_buffer"},
        {"diffuse_specular", "diffuse_specular"},
        {"normal_depth", "normal_depth"},
        {"color_map", "color_lut"},
        {gradientName.c_str(), "color_grad"},
        {"noise", "distort_lut"},
        {"noise", "noise_lut"},
        {"light_accumulation", "debug_buffer"},
    };
    for (int32_t v = 0; v < VariantCount; ++v) {
        Ref<Program> program = programRegistry().get(kVariantNames[v]);
        if (!program) {
            Logger::instance().writeFormatted("BlitEngine::initiate() unable to find shader: %s",
                                              kVariantNames[v]);
            return false;
        }
        samplerSets_[v] = buildSet(program.get(), bindings, sizeof(bindings) / sizeof(bindings[0]));
        programs_[v] = program;
    }
    return true;
}

void BlitEngine::createOfflineEffects() {
    effects_[SlotSSAO] = new SSAOEngine();
    effects_[SlotBlur] = new BlurEngine(nullptr);
    effects_[SlotMotionBlur] = new MotionBlurEngine(nullptr);
    effects_[SlotRadialBlur] = new RadialBlurEngine(nullptr);
    effects_[SlotGlow] = new GlowEngine(nullptr);
    effects_[SlotLightStreaks] = new LightStreaksEngine(nullptr);
}

void BlitEngine::updateVariant() {
    variant = (effectFlags[SlotGlow] || effectFlags[SlotLightStreaks] || effectFlags[SlotRadialBlur]) ? 2 : 0;
    if (effectFlags[SlotSSAO]) variant += 4;
}

void BlitEngine::render(Device* device) {
    if (!quadBuffer_ || variant < 0 || variant >= VariantCount || !programs_[variant]) return;

    auto run = [&](int32_t slot, int32_t passes) {
        if (effects_[slot]) effects_[slot]->render(device, effectSets_[slot], passes);
    };
    run(SlotSSAO, 1);
    if (effectFlags[SlotGlow])
        run(SlotGlow, passCounts[SlotGlow]);
    else if (effectFlags[SlotLightStreaks])
        run(SlotLightStreaks, passCounts[SlotLightStreaks]);
    else if (effectFlags[SlotRadialBlur])
        run(SlotRadialBlur, passCounts[SlotRadialBlur]);
    if (effectFlags[SlotSSAO]) {
        if (effectFlags[SlotMotionBlur])
            run(SlotMotionBlur, 1);
        else
            run(SlotBlur, passCounts[SlotBlur]);
    }

    device->setBackbuffer(width, height);
    Program* program = programs_[variant].get();
    device->setProgram(program);
    program->setUniform1f("lut_fade", lutFade);
    program->setUniform3f("distortParams", distortParams[0], distortParams[1], distortParams[2]);
    program->setUniform2fv("gammaParams", 1, gammaParams);
    // Fresh grain every frame from a generator that is never reseeded.
    EffectRandom random(noiseSeed);
    const float r0 = random.next();
    const float r1 = random.next();
    noiseSeed = random.state;
    program->setUniform3f("noiseParams", r0, r1, noiseParams[2]);
    const float fw = static_cast<float>(width), fh = static_cast<float>(height);
    program->setUniform2f("invViewport", (fw * 0.00390625f) / fw, (fh * 0.00390625f) / fh);
    if (effectFlags[SlotSSAO]) {
        program->setUniform4fv("CameraRange", 1, cameraRange);
        dofParams[3] = dofParams[2] - dofParams[1];
        program->setUniform4fv("DOFParams", 1, dofParams);
    }
    device->setSamplerSet(samplerSets_[variant].get());
    device->setVertexBuffer(quadBuffer_.get());
    device->drawArrays(PrimitiveType::TriangleStrip, 0, FullScreenQuad::VertexCount);
}

bool BlitEngine::read(std::istream& in) {
    if (!ParameterBlock::readTag(in, "BLIT")) return false;
    // The fields go in only once all of them were read, so a short stream
    // leaves the engine as it was.
    float fade;
    float distort[4], dof[4], gamma[2], noise[3];
    bool flags[EffectSlotCount];
    int32_t passes[EffectSlotCount];
    if (!ParameterBlock::readFloats(in, &fade, 1) || !ParameterBlock::readFloats(in, distort, 4) ||
        !ParameterBlock::readFloats(in, dof, 4) || !ParameterBlock::readFloats(in, gamma, 2) ||
        !ParameterBlock::readFloats(in, noise, 3) || !ParameterBlock::readFlags(in, flags, EffectSlotCount) ||
        !ParameterBlock::readInts(in, passes, EffectSlotCount))
        return false;
    lutFade = fade;
    std::copy(distort, distort + 4, distortParams);
    std::copy(dof, dof + 4, dofParams);
    std::copy(gamma, gamma + 2, gammaParams);
    std::copy(noise, noise + 3, noiseParams);
    std::copy(flags, flags + EffectSlotCount, effectFlags);
    std::copy(passes, passes + EffectSlotCount, passCounts);
    for (int32_t slot : {SlotBlur, SlotGlow, SlotLightStreaks, SlotSSAO, SlotMotionBlur, SlotRadialBlur}) {
        if (!effects_[slot]) {
            Logger::instance().writeLine("BlitEngine::read() before initiate");
            return false;
        }
        if (!effects_[slot]->read(in)) return false;
    }
    updateVariant();
    return true;
}

bool BlitEngine::write(std::ostream& out) {
    ParameterBlock::writeTag(out, "BLIT");
    ParameterBlock::writeFloats(out, &lutFade, 1);
    ParameterBlock::writeFloats(out, distortParams, 4);
    ParameterBlock::writeFloats(out, dofParams, 4);
    ParameterBlock::writeFloats(out, gammaParams, 2);
    ParameterBlock::writeFloats(out, noiseParams, 3);
    ParameterBlock::writeFlags(out, effectFlags, EffectSlotCount);
    ParameterBlock::writeInts(out, passCounts, EffectSlotCount);
    for (int32_t slot : {SlotBlur, SlotGlow, SlotLightStreaks, SlotSSAO, SlotMotionBlur, SlotRadialBlur}) {
        if (!effects_[slot]) {
            Logger::instance().writeLine("BlitEngine::write() before initiate");
            return false;
        }
        if (!effects_[slot]->write(out)) return false;
    }
    return bool(out);
}

SSAOEngine* BlitEngine::getSSAOEngine() const {
    return static_cast<SSAOEngine*>(effects_[SlotSSAO].get());
}
MotionBlurEngine* BlitEngine::getMotionBlurEngine() const {
    return static_cast<MotionBlurEngine*>(effects_[SlotMotionBlur].get());
}
BlurEngine* BlitEngine::getBlurEngine() const {
    return static_cast<BlurEngine*>(effects_[SlotBlur].get());
}
GlowEngine* BlitEngine::getGlowEngine() const {
    return static_cast<GlowEngine*>(effects_[SlotGlow].get());
}
LightStreaksEngine* BlitEngine::getLightStreaksEngine() const {
    return static_cast<LightStreaksEngine*>(effects_[SlotLightStreaks].get());
}
RadialBlurEngine* BlitEngine::getRadialBlurEngine() const {
    return static_cast<RadialBlurEngine*>(effects_[SlotRadialBlur].get());
}

MultiPassEngine* BlitEngine::effect(int32_t slot) const {
    return slot >= 0 && slot < EffectSlotCount ? effects_[slot].get() : nullptr;
}

const SamplerSetList& BlitEngine::effectSamplerSets(int32_t slot) const {
    static const SamplerSetList kEmpty;
    return slot >= 0 && slot < EffectSlotCount ? effectSets_[slot] : kEmpty;
}

Program* BlitEngine::program(int32_t v) const {
    return v >= 0 && v < VariantCount ? programs_[v].get() : nullptr;
}

SamplerSet* BlitEngine::samplerSet(int32_t v) const {
    return v >= 0 && v < VariantCount ? samplerSets_[v].get() : nullptr;
}

VertexBuffer* BlitEngine::sharedQuad() {
    return compositeQuad().get();
}

}  // namespace ember
