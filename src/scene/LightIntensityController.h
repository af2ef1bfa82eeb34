#pragma once
#include "core/Object.h"
#include "scene/Controller.h"
#include "scene/Envelope.h"

namespace ember {

// Animates the intensity of a light.
class LightIntensityController : public Controller {
public:
    // Holds a reference to the intensity envelope.
    explicit LightIntensityController(Envelope* intensity);
    ~LightIntensityController() override;

    // The node's intensity = e(t). Only lights have one: on any other node
    // (type without the light bit) nothing is written.
    void update(Node& node, float time) override;

private:
    Ref<Envelope> intensity_;
};

}  // namespace ember
