#pragma once
#include "post/MultiPassEngine.h"

namespace ember {

// Screen-space ambient occlusion of the lit image, from the scene depth and
// the G-buffer normals, with a random-normal texture rotating the 16-sample
// kernel per pixel. Its result (the lit image, occluded) is what every later
// stage and the composite read. One pass. Block "SSAO": near, far, radius,
// attBias, attScale, attPower, giScale, depthScale (8 floats), 36 bytes.
class SSAOEngine : public MultiPassEngine {
public:
    static constexpr int32_t SampleCount = 16;
    static constexpr int32_t BlockSize = 36;

    SSAOEngine();

    // Base initiate; looks up program "post/ssao" (false, logged, when it is
    // not registered); builds the quad's vertex array; computes the kernel
    // (generator seeded with 1 at every call, so it never changes) and uploads
    // it as "gi_samples".
    bool initiate(Framebuffer* tempTarget, Framebuffer* target) override;
    // One pass whatever passes says, into the final target, reading sets[0].
    void render(Device* device, const SamplerSetList& sets, int32_t passes) override;
    bool read(std::istream& in) override;
    bool write(std::ostream& out) override;

    // The kernel of the last initiate: SampleCount three-float vectors.
    const float* giSamples() const { return giSamples_; }

    // The inverse projection the pass reconstructs view positions with. render
    // refreshes it from the device's stored ProjectionMatrixInverse (the
    // deferred scene's camera) before handing it back to the device, so the
    // camera matrix is never replaced by a stale one.
    float projectionInverse[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float near = 1.0f;
    float far = 1024.0f;
    float radius = 0.2f;
    float attBias = 0.0f;
    float attScale = 1.0f;
    float attPower = 1.0f;
    float giScale = 1.0f;
    float depthScale = 1.0f;
    // Elements 0, 5, 11, 14 and 15 of the inverse camera projection.
    float projCoeffs[5] = {1.0f, 1.0f, -1.0f, 0.0f, 1.0f};

private:
    float giSamples_[SampleCount * 3] = {};
};

}  // namespace ember
