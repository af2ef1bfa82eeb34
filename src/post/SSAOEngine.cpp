#include "post/SSAOEngine.h"

#include <cmath>
#include <cstring>

#include "application/Logger.h"
#include "post/EffectRandom.h"
#include "post/ParameterBlock.h"
#include "rend/Device.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Registry.h"
#include "rend/Sampler.h"

namespace ember {

SSAOEngine::SSAOEngine() = default;

bool SSAOEngine::initiate(Framebuffer* tempTarget, Framebuffer* target) {
    if (!MultiPassEngine::initiate(tempTarget, target)) return false;
    setProgram(programRegistry().get("post/ssao").get());
    if (!buildQuadVertexArray(program(), "SSAOEngine::initiate", "post/ssao")) return false;

    // A fixed kernel: offsets of up to 16 pixels of the target, the third
    // component weighting near samples above far ones. Seeded anew every time so
    // the picture never depends on how often the engine was initiated.
    EffectRandom random(1);
    const float w = static_cast<float>(target->width());
    const float h = static_cast<float>(target->height());
    const float maxLength = std::sqrt(512.0f);
    for (int32_t k = 0; k < SampleCount; ++k) {
        const float u = (random.nextRaw() - 3.0f) * 16.0f;
        const float v = (random.nextRaw() - 3.0f) * 16.0f;
        giSamples_[k * 3 + 0] = u / w;
        giSamples_[k * 3 + 1] = v / h;
        giSamples_[k * 3 + 2] = 1.0f - std::sqrt(u * u + v * v) / maxLength;
    }
    program()->bind();
    program()->setUniform3fv("gi_samples", SampleCount, giSamples_);
    program()->unbind();
    return true;
}

void SSAOEngine::render(Device* device, const SamplerSetList& sets, int32_t /*passes*/) {
    if (!ready() || sets.empty()) return;
    float texel[2];
    texelSize(target(), texel);
    device->setBlendState(BlendState());
    device->setFramebuffer(target());
    device->setProgram(program());
    // The deferred scene has just stored the camera's inverse projection in the
    // device; keep it rather than overwrite it with a matrix nobody maintains.
    if (const float* stored = device->matrix(StandardMatrix::ProjectionMatrixInverse))
        std::memcpy(projectionInverse, stored, sizeof(projectionInverse));
    device->setMatrix(StandardMatrix::ProjectionMatrixInverse, projectionInverse);

    program()->setUniform2fv("TexelSize", 1, texel);
    program()->setUniform4f("CameraRange", near, far, far - near, -(far * near));
    program()->setUniform2fv("InvViewport", 1, texel);
    program()->setUniform2f("ScreenSize", static_cast<float>(target()->width()),
                            static_cast<float>(target()->height()));
    program()->setUniform1f("radius", radius);
    program()->setUniform1f("attBias", attBias);
    program()->setUniform1f("attScale", attScale);
    program()->setUniform1f("attPower", attPower);
    program()->setUniform1f("giScale", giScale);
    program()->setUniform1f("depthScale", depthScale);
    program()->setUniform1fv("projCoeffs", 5, projCoeffs);
    device->setSamplerSet(sets[0].get());
    drawQuad(device);
}

bool SSAOEngine::read(std::istream& in) {
    if (!ParameterBlock::readTag(in, "SSAO")) return false;
    float values[8];
    if (!ParameterBlock::readFloats(in, values, 8)) return false;
    near = values[0];
    far = values[1];
    radius = values[2];
    attBias = values[3];
    attScale = values[4];
    attPower = values[5];
    giScale = values[6];
    depthScale = values[7];
    return true;
}

bool SSAOEngine::write(std::ostream& out) {
    ParameterBlock::writeTag(out, "SSAO");
    const float values[8] = {near, far, radius, attBias, attScale, attPower, giScale, depthScale};
    ParameterBlock::writeFloats(out, values, 8);
    return bool(out);
}

}  // namespace ember
