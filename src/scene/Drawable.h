#pragma once
#include <cstdint>

#include "scene/Node.h"

namespace ember {

class Device;

// A node the draw walk draws (type bit 0x400). When draw is called the walk
// has already sent the node's standard matrices to the bound program.
class Drawable : public Node {
public:
    // type must have the 0x400 bit; part-specific drawables may use their own code.
    explicit Drawable(int32_t type = NodeType::Drawable);
    ~Drawable() override;

    // time is the scene's time (beats).
    virtual void draw(Device& device, float time) = 0;
};

}  // namespace ember
