#include "post/GlowEngine.h"

#include "post/ParameterBlock.h"
#include "rend/Device.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Sampler.h"

namespace ember {

GlowEngine::GlowEngine(Program* program) : MultiPassEngine(program) {}

bool GlowEngine::initiate(Framebuffer* tempTarget, Framebuffer* target) {
    return initiateWithProgram(tempTarget, target, "GlowEngine::initiate", "post/glow");
}

void GlowEngine::render(Device* device, const SamplerSetList& sets, int32_t passes) {
    if (!ready() || sets.size() < 3) return;
    float texelTemp[2], texelFinal[2];
    texelSize(tempTarget(), texelTemp);
    texelSize(target(), texelFinal);
    // The colour picks the bright parts on the first draw only; every later
    // draw just blurs what that one kept.
    float c[4] = {color[0], color[1], color[2], color[3]};
    device->setBlendState(BlendState());
    size_t source = 0;
    for (int32_t pass = 0; pass < passes; ++pass) {
        device->setFramebuffer(tempTarget());
        device->setProgram(program());
        program()->setUniform2f("TexelSize", texelTemp[0], 0.0f);
        program()->setUniform4fv("color", 1, c);
        device->setSamplerSet(sets[source].get());
        drawQuad(device);
        source = 2;
        c[0] = c[1] = c[2] = 0.0f;
        c[3] = 1.0f;

        device->setFramebuffer(target());
        device->setProgram(program());
        program()->setUniform2f("TexelSize", 0.0f, texelFinal[1]);
        program()->setUniform4fv("color", 1, c);
        device->setSamplerSet(sets[1].get());
        drawQuad(device);
    }
}

bool GlowEngine::read(std::istream& in) {
    if (!ParameterBlock::readTag(in, "GLOW")) return false;
    return ParameterBlock::readFloats(in, color, 4);
}

bool GlowEngine::write(std::ostream& out) {
    ParameterBlock::writeTag(out, "GLOW");
    ParameterBlock::writeFloats(out, color, 4);
    return bool(out);
}

}  // namespace ember
