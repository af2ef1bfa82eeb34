#include "scene/Material.h"

#include "rend/Program.h"
#include "rend/Sampler.h"
#include "scene/StateSet.h"
#include "scene/Uniforms.h"

namespace ember {

Material::Material() = default;

Material::~Material() = default;

void Material::setDepthStencil(const DepthStencilState& state) {
    depthStencil = state;
    flags |= DepthStencilFlag;
}

void Material::apply(StateSet& s) {
    const bool overridePass = s.isOverride();
    if (overridePass && !overrideProgram) return;
    Device* device = s.device();
    if (!device) return;
    if (flags & ProgramFlag) {
        if (pointSize) device->programPointSize(true);
        if (!overridePass) {
            s.pushProgram(program.get());
        } else {
            savedProgramBinding_ = device->programBindingEnabled;
            device->programBindingEnabled = true;
            s.pushProgram(overrideProgram.get());
            device->programBindingEnabled = false;
            savedSamplerBinding_ = device->samplerBindingEnabled;
            if (overrideProgram == program && (flags & SamplersFlag)) device->samplerBindingEnabled = true;
        }
    }
    if (flags & SamplersFlag) s.pushSamplerSet(samplers.get());
    if ((flags & UniformsFlag) && uniforms) uniforms->apply();
    if (flags & BlendFlag) s.pushBlendState(blend);
    if (flags & DepthStencilFlag) s.pushDepthStencilState(depthStencil);
    if (flags & RasterizerFlag) s.pushRasterizerState(rasterizer);
}

void Material::unapply(StateSet& s) {
    const bool overridePass = s.isOverride();
    if (overridePass && !overrideProgram) return;
    Device* device = s.device();
    if (!device) return;
    if (flags & RasterizerFlag) s.popRasterizerState();
    if (flags & DepthStencilFlag) s.popDepthStencilState();
    if (flags & BlendFlag) s.popBlendState();
    if (flags & SamplersFlag) s.popSamplerSet();
    if (flags & ProgramFlag) {
        if (pointSize && device->programPointSizeEnabled()) device->programPointSize(false);
        if (overridePass) {
            device->programBindingEnabled = savedProgramBinding_;
            if (overrideProgram == program && (flags & SamplersFlag))
                device->samplerBindingEnabled = savedSamplerBinding_;
        }
        s.popProgram();
    }
}

}  // namespace ember
