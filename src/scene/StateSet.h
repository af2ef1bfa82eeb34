#pragma once
#include <cstddef>
#include <vector>

#include "core/Object.h"
#include "rend/Device.h"

namespace ember {

class Program;
class SamplerSet;

// The render context of one walk: five stacks whose tops are what the device
// currently has. Render-state nodes push when the walk enters them and pop when
// it leaves their subtree. Every push applies the pushed value to the device;
// every pop re-applies the new top when the stack is not empty (popping an
// empty stack does nothing). Without a device the stacks still change but
// nothing is applied.
class StateSet : public Object {
public:
    explicit StateSet(Device* device = nullptr);
    ~StateSet() override;

    void setDevice(Device* device);
    Device* device() const { return device_.get(); }

    // Empties all five stacks, then pushes and applies the default blend,
    // depth-stencil and rasterizer records. Sampler and program stacks stay empty.
    void reset();

    // With the device's programBindingEnabled true: pushes program and binds it
    // (setProgram). Otherwise pushes the pass program instead and binds nothing.
    void pushProgram(Program* program);
    // Pops; binds the new top when there is one (the bound program is left as
    // it is when the stack becomes empty).
    void popProgram();

    void pushSamplerSet(SamplerSet* samplers);
    void popSamplerSet();
    void pushBlendState(const BlendState& state);
    void popBlendState();
    void pushDepthStencilState(const DepthStencilState& state);
    void popDepthStencilState();
    void pushRasterizerState(const RasterizerState& state);
    void popRasterizerState();

    // Tops; null when the stack is empty.
    Program* program() const;
    SamplerSet* samplerSet() const;
    const BlendState* blendState() const;
    const DepthStencilState* depthStencilState() const;
    const RasterizerState* rasterizerState() const;

    size_t programDepth() const { return programs_.size(); }
    size_t samplerDepth() const { return samplers_.size(); }
    size_t blendDepth() const { return blends_.size(); }
    size_t depthStencilDepth() const { return depthStencils_.size(); }
    size_t rasterizerDepth() const { return rasterizers_.size(); }

    // Pushed instead of a material's program while the device's
    // programBindingEnabled is false (passes that draw with their own program).
    void setPassProgram(Program* program);
    Program* passProgram() const { return passProgram_.get(); }

    // True during passes that draw the scene with their own program (shadow
    // maps): materials then contribute only through their override programs.
    void setOverride(bool on) { override_ = on; }
    bool isOverride() const { return override_; }

    // The records reset pushes: the blend and rasterizer defaults, and the
    // depth-stencil default with depthTest true and depthFunc LessEqual.
    const BlendState& defaultBlendState() const { return defaultBlend_; }
    const DepthStencilState& defaultDepthStencilState() const { return defaultDepthStencil_; }
    const RasterizerState& defaultRasterizerState() const { return defaultRasterizer_; }

private:
    Ref<Device> device_;
    std::vector<BlendState> blends_;
    std::vector<DepthStencilState> depthStencils_;
    std::vector<RasterizerState> rasterizers_;
    std::vector<Ref<SamplerSet>> samplers_;
    std::vector<Ref<Program>> programs_;
    Ref<Program> passProgram_;
    bool override_ = false;
    BlendState defaultBlend_;
    DepthStencilState defaultDepthStencil_;
    RasterizerState defaultRasterizer_;
};

}  // namespace ember
