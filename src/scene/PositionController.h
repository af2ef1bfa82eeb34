#pragma once
#include "core/Object.h"
#include "scene/Controller.h"
#include "scene/Envelope.h"

namespace ember {

// Drives a node's position from three envelopes (beats to units).
class PositionController : public Controller {
public:
    // Holds references to x, y, z; a null envelope reads 0.
    PositionController(Envelope* x, Envelope* y, Envelope* z);
    ~PositionController() override;

    // position = (x(t), y(t), z(t)).
    void update(Node& node, float time) override;

private:
    Ref<Envelope> x_, y_, z_;
};

}  // namespace ember
