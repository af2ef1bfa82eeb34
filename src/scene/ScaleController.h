#pragma once
#include "core/Object.h"
#include "scene/Controller.h"
#include "scene/Envelope.h"

namespace ember {

// Drives a node's scale from three envelopes.
class ScaleController : public Controller {
public:
    // Holds references to x, y, z; a null envelope reads 1 (unscaled).
    ScaleController(Envelope* x, Envelope* y, Envelope* z);
    ~ScaleController() override;

    // scale = (x(t), y(t), z(t)).
    void update(Node& node, float time) override;

private:
    Ref<Envelope> x_, y_, z_;
};

}  // namespace ember
