#pragma once
#include "post/MultiPassEngine.h"

namespace ember {

// Separable blur (depth of field): each pass blurs horizontally into the
// temporary target, then vertically into the final target. The first pass
// reads sets[0], later first steps read sets[2], every second step sets[1].
// Block "BLUR" has no payload.
class BlurEngine : public MultiPassEngine {
public:
    explicit BlurEngine(Program* program);

    // Base initiate, then the quad's vertex array for the program; false
    // (logged) without a program.
    bool initiate(Framebuffer* tempTarget, Framebuffer* target) override;
    // passes <= 0 draws nothing (only the blend state is set).
    void render(Device* device, const SamplerSetList& sets, int32_t passes) override;
    bool read(std::istream& in) override;
    bool write(std::ostream& out) override;

    static constexpr int32_t BlockSize = 4;
};

}  // namespace ember
