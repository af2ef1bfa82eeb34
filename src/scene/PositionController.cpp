#include "scene/PositionController.h"

#include "scene/Node.h"

namespace ember {

namespace {

// A missing channel reads as its rest value.
float value(const Ref<Envelope>& e, float time, float rest = 0.0f) {
    return e ? e->evaluate(time) : rest;
}

}  // namespace

PositionController::PositionController(Envelope* x, Envelope* y, Envelope* z) : x_(x), y_(y), z_(z) {}

PositionController::~PositionController() = default;

void PositionController::update(Node& node, float time) {
    node.transform.position = Vec3(value(x_, time), value(y_, time), value(z_, time));
}

}  // namespace ember
