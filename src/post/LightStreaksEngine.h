#pragma once
#include "post/MultiPassEngine.h"

namespace ember {

// Light streaks: every pass draws two directional streak filters into one
// target, the first replacing its contents, the second added onto it. Passes
// alternate between the temporary and the final target and are rounded up to
// an even count, so the result always ends in the final target. Uniform "B"
// tells the shader the pass number (1, 2, ...). Block "LSTK": color (4),
// direction0 (2), direction1 (2), weights0 (4), weights1 (4 floats), 68 bytes.
class LightStreaksEngine : public MultiPassEngine {
public:
    explicit LightStreaksEngine(Program* program);

    bool initiate(Framebuffer* tempTarget, Framebuffer* target) override;
    // passes <= 0 clears the final target and draws nothing else. Leaves
    // blending off.
    void render(Device* device, const SamplerSetList& sets, int32_t passes) override;
    bool read(std::istream& in) override;
    bool write(std::ostream& out) override;

    static constexpr int32_t BlockSize = 68;

    float direction0[2] = {1.0f, 1.0f};
    float direction1[2] = {-1.0f, 1.0f};
    float weights0[4] = {0.25f, 0.1875f, 0.125f, 0.06f};
    float weights1[4] = {0.25f, 0.1875f, 0.125f, 0.06f};
    float color[4] = {0.5f, 0.5f, 0.5f, 2.0f};
};

}  // namespace ember
