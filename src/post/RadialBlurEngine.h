#pragma once
#include "post/MultiPassEngine.h"

namespace ember {

// Radial (zoom) blur towards origin, in the two-step pass structure of the
// blur; color weights the first draw only, later draws get (0, 0, 0, 1).
// Block "RADB": color (4), origin (2), radialBlurParams (2 floats), 36 bytes.
class RadialBlurEngine : public MultiPassEngine {
public:
    explicit RadialBlurEngine(Program* program);

    bool initiate(Framebuffer* tempTarget, Framebuffer* target) override;
    // passes <= 0 draws nothing (only the blend state is set).
    void render(Device* device, const SamplerSetList& sets, int32_t passes) override;
    bool read(std::istream& in) override;
    bool write(std::ostream& out) override;

    static constexpr int32_t BlockSize = 36;

    float color[4] = {0.5f, 0.5f, 0.5f, 2.0f};
    float origin[2] = {0.5f, 0.5f};
    float radialBlurParams[2] = {0.0f, 1.0f};
};

}  // namespace ember
