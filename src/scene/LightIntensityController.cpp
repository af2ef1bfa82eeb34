#include "scene/LightIntensityController.h"

#include "scene/Light.h"

namespace ember {

namespace {

// A missing channel reads as its rest value.
float value(const Ref<Envelope>& e, float time, float rest = 0.0f) {
    return e ? e->evaluate(time) : rest;
}

}  // namespace

LightIntensityController::LightIntensityController(Envelope* intensity) : intensity_(intensity) {}

LightIntensityController::~LightIntensityController() = default;

void LightIntensityController::update(Node& node, float time) {
    if (!node.isLight()) return;
    static_cast<Light&>(node).setIntensity(value(intensity_, time));
}

}  // namespace ember
