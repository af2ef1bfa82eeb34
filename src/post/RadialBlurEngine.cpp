#include "post/RadialBlurEngine.h"

#include "post/ParameterBlock.h"
#include "rend/Device.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Sampler.h"

namespace ember {

RadialBlurEngine::RadialBlurEngine(Program* program) : MultiPassEngine(program) {}

bool RadialBlurEngine::initiate(Framebuffer* tempTarget, Framebuffer* target) {
    return initiateWithProgram(tempTarget, target, "RadialBlurEngine::initiate", "post/radial_blur");
}

void RadialBlurEngine::render(Device* device, const SamplerSetList& sets, int32_t passes) {
    if (!ready() || sets.size() < 3) return;
    float texelTemp[2], texelFinal[2];
    texelSize(tempTarget(), texelTemp);
    texelSize(target(), texelFinal);
    float c[4] = {color[0], color[1], color[2], color[3]};
    device->setBlendState(BlendState());
    auto uniforms = [&](const float* texel) {
        program()->setUniform4fv("color", 1, c);
        program()->setUniform2fv("TexelSize", 1, texel);
        program()->setUniform2fv("Origin", 1, origin);
        program()->setUniform2f("RadialBlurParams", radialBlurParams[0], radialBlurParams[1]);
    };
    size_t source = 0;
    for (int32_t pass = 0; pass < passes; ++pass) {
        device->setFramebuffer(tempTarget());
        device->setProgram(program());
        uniforms(texelTemp);
        device->setSamplerSet(sets[source].get());
        drawQuad(device);
        source = 2;
        c[0] = c[1] = c[2] = 0.0f;
        c[3] = 1.0f;

        device->setFramebuffer(target());
        device->setProgram(program());
        uniforms(texelFinal);
        device->setSamplerSet(sets[1].get());
        drawQuad(device);
    }
}

bool RadialBlurEngine::read(std::istream& in) {
    if (!ParameterBlock::readTag(in, "RADB")) return false;
    return ParameterBlock::readFloats(in, color, 4) && ParameterBlock::readFloats(in, origin, 2) &&
           ParameterBlock::readFloats(in, radialBlurParams, 2);
}

bool RadialBlurEngine::write(std::ostream& out) {
    ParameterBlock::writeTag(out, "RADB");
    ParameterBlock::writeFloats(out, color, 4);
    ParameterBlock::writeFloats(out, origin, 2);
    ParameterBlock::writeFloats(out, radialBlurParams, 2);
    return bool(out);
}

}  // namespace ember
