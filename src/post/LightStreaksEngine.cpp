#include "post/LightStreaksEngine.h"

#include "post/ParameterBlock.h"
#include "rend/Device.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Sampler.h"

namespace ember {

LightStreaksEngine::LightStreaksEngine(Program* program) : MultiPassEngine(program) {}

bool LightStreaksEngine::initiate(Framebuffer* tempTarget, Framebuffer* target) {
    return initiateWithProgram(tempTarget, target, "LightStreaksEngine::initiate", "post/lightstreaks");
}

void LightStreaksEngine::render(Device* device, const SamplerSetList& sets, int32_t passes) {
    if (!ready() || sets.size() < 3) return;
    float texelTemp[2], texelFinal[2];
    texelSize(tempTarget(), texelTemp);
    texelSize(target(), texelFinal);

    BlendState additive;
    additive.enabled = true;
    additive.equation = BlendEquation::Add;
    additive.srcColor = BlendFactor::One;
    additive.srcAlpha = BlendFactor::Zero;
    additive.dstColor = BlendFactor::One;
    additive.dstAlpha = BlendFactor::Zero;
    additive.drawBufferMask = 1;

    device->setFramebuffer(target());
    device->clear(GL_COLOR_BUFFER_BIT);
    device->setBlendState(additive);
    device->setProgram(program());

    float c[4] = {color[0], color[1], color[2], color[3]};
    float streak = 1.0f;
    size_t source = 0;
    // An even count of passes always ends in the final target.
    const int32_t count = passes > 0 ? passes + (passes & 1) : 0;
    for (int32_t i = 0; i < count; ++i) {
        if (i & 1) {
            device->setFramebuffer(target());
            device->setProgram(program());
            program()->setUniform2fv("TexelSize", 1, texelFinal);
            device->setSamplerSet(sets[1].get());
        } else {
            device->setFramebuffer(tempTarget());
            device->setProgram(program());
            program()->setUniform2fv("TexelSize", 1, texelTemp);
            device->setSamplerSet(sets[source].get());
            source = 2;
        }
        additive.enabled = false;
        device->setBlendState(additive);
        program()->setUniform2fv("Direction", 1, direction0);
        program()->setUniform4fv("Weights", 1, weights0);
        program()->setUniform1f("B", streak);
        program()->setUniform4fv("color", 1, c);
        drawQuad(device);

        c[0] = c[1] = c[2] = 0.0f;
        c[3] = 1.0f;
        additive.enabled = true;
        device->setBlendState(additive);
        program()->setUniform2fv("Direction", 1, direction1);
        program()->setUniform4fv("Weights", 1, weights1);
        program()->setUniform1f("B", streak);
        program()->setUniform4fv("color", 1, c);
        drawQuad(device);

        streak += 1.0f;
    }
    additive.enabled = false;
    device->setBlendState(additive);
}

bool LightStreaksEngine::read(std::istream& in) {
    if (!ParameterBlock::readTag(in, "LSTK")) return false;
    return ParameterBlock::readFloats(in, color, 4) && ParameterBlock::readFloats(in, direction0, 2) &&
           ParameterBlock::readFloats(in, direction1, 2) && ParameterBlock::readFloats(in, weights0, 4) &&
           ParameterBlock::readFloats(in, weights1, 4);
}

bool LightStreaksEngine::write(std::ostream& out) {
    ParameterBlock::writeTag(out, "LSTK");
    ParameterBlock::writeFloats(out, color, 4);
    ParameterBlock::writeFloats(out, direction0, 2);
    ParameterBlock::writeFloats(out, direction1, 2);
    ParameterBlock::writeFloats(out, weights0, 4);
    ParameterBlock::writeFloats(out, weights1, 4);
    return bool(out);
}

}  // namespace ember
