#include "post/BlurEngine.h"

#include "post/ParameterBlock.h"
#include "rend/Device.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Sampler.h"

namespace ember {

BlurEngine::BlurEngine(Program* program) : MultiPassEngine(program) {}

bool BlurEngine::initiate(Framebuffer* tempTarget, Framebuffer* target) {
    return initiateWithProgram(tempTarget, target, "BlurEngine::initiate", "post/blur");
}

void BlurEngine::render(Device* device, const SamplerSetList& sets, int32_t passes) {
    if (!ready() || sets.size() < 3) return;
    float texelTemp[2], texelFinal[2];
    texelSize(tempTarget(), texelTemp);
    texelSize(target(), texelFinal);
    device->setBlendState(BlendState());
    size_t source = 0;
    for (int32_t pass = 0; pass < passes; ++pass) {
        device->setFramebuffer(tempTarget());
        device->setProgram(program());
        program()->setUniform2f("TexelSize", texelTemp[0], 0.0f);
        device->setSamplerSet(sets[source].get());
        drawQuad(device);
        source = 2;

        device->setFramebuffer(target());
        device->setProgram(program());
        program()->setUniform2f("TexelSize", 0.0f, texelFinal[1]);
        device->setSamplerSet(sets[1].get());
        drawQuad(device);
    }
}

bool BlurEngine::read(std::istream& in) {
    return ParameterBlock::readTag(in, "BLUR");
}

bool BlurEngine::write(std::ostream& out) {
    ParameterBlock::writeTag(out, "BLUR");
    return bool(out);
}

}  // namespace ember
