#pragma once
#include <cstdint>

#include "rend/Device.h"
#include "scene/State.h"

namespace ember {

class Program;
class SamplerSet;
class Uniforms;

// The general render-state node: a program, a sampler set, bound uniform
// variables and up to three fixed-function state records, each active only
// when its flag bit is set. In override passes (StateSet::isOverride) the
// material draws with overrideProgram instead, or contributes nothing at all
// when that is null (its subtree is then drawn with the pass's own state).
class Material : public State {
public:
    // Flag bits.
    static constexpr uint32_t ProgramFlag = 0x01;
    static constexpr uint32_t SamplersFlag = 0x02;
    static constexpr uint32_t BlendFlag = 0x04;
    static constexpr uint32_t DepthStencilFlag = 0x08;
    static constexpr uint32_t RasterizerFlag = 0x10;
    static constexpr uint32_t UniformsFlag = 0x20;

    Material();
    ~Material() override;

    // Pushes, in this order: the program (or the override program), the
    // samplers (passed to the device's setSamplerSet), the uniforms (applied
    // after the program is bound so the values land in it), then the blend,
    // depth-stencil and rasterizer records. In an override pass with the
    // material's own program as overrideProgram, its samplers stay bound; with
    // a different override program they are not (samplerBindingEnabled stays
    // as the pass set it).
    void apply(StateSet& context) override;
    // The mirror image of apply; re-applies the new tops.
    void unapply(StateSet& context) override;

    // Copies state and sets DepthStencilFlag.
    void setDepthStencil(const DepthStencilState& state);

    Ref<Program> program;
    // Used in override passes; null: the material draws nothing of its own there.
    Ref<Program> overrideProgram;
    // Program-controlled point size while applied (with ProgramFlag).
    bool pointSize = false;
    Ref<SamplerSet> samplers;
    Ref<Uniforms> uniforms;
    BlendState blend;
    DepthStencilState depthStencil;
    RasterizerState rasterizer;
    uint32_t flags = 0;

private:
    bool savedProgramBinding_ = true;
    bool savedSamplerBinding_ = true;
};

}  // namespace ember
