#include "post/MotionBlurEngine.h"

#include "post/ParameterBlock.h"
#include "rend/Device.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Sampler.h"

namespace ember {

MotionBlurEngine::MotionBlurEngine(Program* program) : MultiPassEngine(program) {}

bool MotionBlurEngine::initiate(Framebuffer* tempTarget, Framebuffer* target) {
    return initiateWithProgram(tempTarget, target, "MotionBlurEngine::initiate", "post/motion_blur");
}

void MotionBlurEngine::render(Device* device, const SamplerSetList& sets, int32_t /*passes*/) {
    if (!ready() || sets.empty()) return;
    float texel[2];
    texelSize(target(), texel);
    device->setBlendState(BlendState());
    device->setFramebuffer(target());
    device->setProgram(program());
    program()->setUniform2fv("TexelSize", 1, texel);
    program()->setUniformMatrix4fv("PreviousMatrix", previousMatrix);
    program()->setUniformMatrix4fv("CurrentMatrix", currentMatrix);
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
