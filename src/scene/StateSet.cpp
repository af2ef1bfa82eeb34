#include "scene/StateSet.h"

#include "rend/Program.h"
#include "rend/Sampler.h"

namespace ember {

StateSet::StateSet(Device* device) : device_(device) {
    defaultDepthStencil_.depthTest = true;
    defaultDepthStencil_.depthFunc = CompareFunc::LessEqual;
}

StateSet::~StateSet() = default;

void StateSet::setDevice(Device* device) {
    device_ = device;
}

void StateSet::reset() {
    blends_.clear();
    depthStencils_.clear();
    rasterizers_.clear();
    samplers_.clear();
    programs_.clear();
    pushBlendState(defaultBlend_);
    pushDepthStencilState(defaultDepthStencil_);
    pushRasterizerState(defaultRasterizer_);
}

void StateSet::pushProgram(Program* program) {
    if (device_ && device_->programBindingEnabled) {
        programs_.emplace_back(program);
        device_->setProgram(program);
    } else {
        programs_.push_back(passProgram_);
    }
}

void StateSet::popProgram() {
    if (programs_.empty()) return;
    programs_.pop_back();
    if (!programs_.empty() && device_) device_->setProgram(programs_.back().get());
}

void StateSet::pushSamplerSet(SamplerSet* samplers) {
    samplers_.emplace_back(samplers);
    if (device_) device_->setSamplerSet(samplers);
}

void StateSet::popSamplerSet() {
    if (samplers_.empty()) return;
    samplers_.pop_back();
    if (!samplers_.empty() && device_) device_->setSamplerSet(samplers_.back().get());
}

void StateSet::pushBlendState(const BlendState& state) {
    blends_.push_back(state);
    if (device_) device_->setBlendState(state);
}

void StateSet::popBlendState() {
    if (blends_.empty()) return;
    blends_.pop_back();
    if (!blends_.empty() && device_) device_->setBlendState(blends_.back());
}

void StateSet::pushDepthStencilState(const DepthStencilState& state) {
    depthStencils_.push_back(state);
    if (device_) device_->setDepthStencilState(state);
}

void StateSet::popDepthStencilState() {
    if (depthStencils_.empty()) return;
    depthStencils_.pop_back();
    if (!depthStencils_.empty() && device_) device_->setDepthStencilState(depthStencils_.back());
}

void StateSet::pushRasterizerState(const RasterizerState& state) {
    rasterizers_.push_back(state);
    if (device_) device_->setRasterizerState(state);
}

void StateSet::popRasterizerState() {
    if (rasterizers_.empty()) return;
    rasterizers_.pop_back();
    if (!rasterizers_.empty() && device_) device_->setRasterizerState(rasterizers_.back());
}

Program* StateSet::program() const {
    return programs_.empty() ? nullptr : programs_.back().get();
}
SamplerSet* StateSet::samplerSet() const {
    return samplers_.empty() ? nullptr : samplers_.back().get();
}
const BlendState* StateSet::blendState() const {
    return blends_.empty() ? nullptr : &blends_.back();
}
const DepthStencilState* StateSet::depthStencilState() const {
    return depthStencils_.empty() ? nullptr : &depthStencils_.back();
}
const RasterizerState* StateSet::rasterizerState() const {
    return rasterizers_.empty() ? nullptr : &rasterizers_.back();
}

void StateSet::setPassProgram(Program* program) {
    passProgram_ = program;
}

}  // namespace ember
