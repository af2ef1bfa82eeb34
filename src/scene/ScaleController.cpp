#include "scene/ScaleController.h"

#include "scene/Node.h"

namespace ember {

namespace {

// A missing channel reads as its rest value.
float value(const Ref<Envelope>& e, float time, float rest = 0.0f) {
    return e ? e->evaluate(time) : rest;
}

}  // namespace

ScaleController::ScaleController(Envelope* x, Envelope* y, Envelope* z) : x_(x), y_(y), z_(z) {}

ScaleController::~ScaleController() = default;

void ScaleController::update(Node& node, float time) {
    node.transform.scale = Vec3(value(x_, time, 1.0f), value(y_, time, 1.0f), value(z_, time, 1.0f));
}

}  // namespace ember
