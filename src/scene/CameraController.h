#pragma once
#include "core/Object.h"
#include "scene/Controller.h"
#include "scene/Envelope.h"

namespace ember {

// Position and orientation of a camera. A LightWave camera looks down +Z while
// the view matrix looks down -Z, hence the half turn of the heading.
class CameraController : public Controller {
public:
    // Holds references to x, y, z, h, p, b; a null envelope reads 0.
    CameraController(Envelope* x, Envelope* y, Envelope* z, Envelope* h, Envelope* p, Envelope* b);
    ~CameraController() override;

    // position = (x(t), y(t), z(t)); rotation = (pi - h(t), p(t), b(t)).
    void update(Node& node, float time) override;

private:
    Ref<Envelope> x_, y_, z_, h_, p_, b_;
};

}  // namespace ember
