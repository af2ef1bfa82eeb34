#pragma once
#include "post/MultiPassEngine.h"

namespace ember {

// Glow: a bright pass weighted by color on the very first draw, then the same
// two-step separable blur as BlurEngine with color (0, 0, 0, 1) on every later
// draw. Block "GLOW": color (4 floats), 20 bytes in all.
class GlowEngine : public MultiPassEngine {
public:
    explicit GlowEngine(Program* program);

    bool initiate(Framebuffer* tempTarget, Framebuffer* target) override;
    // passes <= 0 draws nothing (only the blend state is set).
    void render(Device* device, const SamplerSetList& sets, int32_t passes) override;
    bool read(std::istream& in) override;
    bool write(std::ostream& out) override;

    static constexpr int32_t BlockSize = 20;

    float color[4] = {0.5f, 0.5f, 0.5f, 0.5f};
};

}  // namespace ember
