#pragma once
#include "core/Object.h"
#include "scene/Controller.h"
#include "scene/Envelope.h"

namespace ember {

// Drives a node's rotation from heading, pitch and bank envelopes. LightWave
// turns the other way round, so the angles are negated.
class RotationController : public Controller {
public:
    // Holds references to h, p, b (radians); a null envelope reads 0.
    RotationController(Envelope* h, Envelope* p, Envelope* b);
    ~RotationController() override;

    // rotation = (-h(t), -p(t), -b(t)).
    void update(Node& node, float time) override;

private:
    Ref<Envelope> h_, p_, b_;
};

}  // namespace ember
