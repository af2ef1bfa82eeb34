#pragma once
#include "core/Object.h"
#include "scene/Controller.h"
#include "scene/Envelope.h"

namespace ember {

// Position and rotation of one node in one controller (the common animated
// case of a loaded scene).
class PositionRotationController : public Controller {
public:
    // Holds references to x, y, z, h, p, b; a null envelope reads 0.
    PositionRotationController(Envelope* x, Envelope* y, Envelope* z, Envelope* h, Envelope* p, Envelope* b);
    ~PositionRotationController() override;

    // position = (x(t), y(t), z(t)); rotation = (-h(t), -p(t), -b(t)).
    void update(Node& node, float time) override;

private:
    Ref<Envelope> x_, y_, z_, h_, p_, b_;
};

}  // namespace ember
