#include "post/MotionBlurEngine.h"

#include "post/ParameterBlock.h"
#include "rend/Device.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Sampler.h"

namespace ember {

MotionBlurEngine::MotionBlurEngine(Program* program) : program_(program) {}

MotionBlurEngine::~MotionBlurEngine() {
    program_.reset();
}

bool MotionBlurEngine::initiate(Framebuffer* tempTarget, Framebuffer* target) {
    if (!MultiPassEngine::initiate(tempTarget, target)) return false;
    return buildQuadVertexArray(program_.get(), "MotionBlurEngine::initiate", "post/motion_blur");
}

void MotionBlurEngine::render(Device* device, const SamplerSetList& sets, int32_t /*passes*/) {
    if (!ready() || sets.empty()) return;
    float texel[2];
    texelSize(target(), texel);
    device->setBlendState(BlendState());
    device->setFramebuffer(target());
    device->setProgram(program_.get());
    program_->setUniform2fv("TexelSize", 1, texel);
    program_->setUniformMatrix4fv("PreviousMatrix", previousMatrix);
    program_->setUniformMatrix4fv("CurrentMatrix", currentMatrix);
    device->setSamplerSet(sets[0].get());
    drawQuad(device);
}

bool MotionBlurEngine::read(std::istream& in) {
    return ParameterBlock::readTag(in, "MOTB");
}

bool MotionBlurEngine::write(std::ostream& out) {
    ParameterBlock::writeTag(out, "MOTB");
    return bool(out);
}

}  // namespace ember
