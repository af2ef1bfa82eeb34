#pragma once
#include "post/MultiPassEngine.h"

namespace ember {

// Camera motion blur by depth reprojection: the shader takes each pixel's
// depth through currentMatrix (inverse projection * view of this frame) to
// world space and through previousMatrix (projection * previous view) to
// where it was last frame, and blurs along that motion. One pass. Block
// "MOTB" has no payload (the matrices are set every frame).
class MotionBlurEngine : public MultiPassEngine {
public:
    explicit MotionBlurEngine(Program* program);

    bool initiate(Framebuffer* tempTarget, Framebuffer* target) override;
    // One pass whatever passes says, into the final target.
    void render(Device* device, const SamplerSetList& sets, int32_t passes) override;
    bool read(std::istream& in) override;
    bool write(std::ostream& out) override;

    static constexpr int32_t BlockSize = 4;

    // 4x4, row by row; both written every frame by the deferred scene.
    float previousMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float currentMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

}  // namespace ember
