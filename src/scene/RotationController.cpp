#include "scene/RotationController.h"

#include "scene/Node.h"

namespace ember {

namespace {

// A missing channel reads as its rest value.
float value(const Ref<Envelope>& e, float time, float rest = 0.0f) {
    return e ? e->evaluate(time) : rest;
}

}  // namespace

RotationController::RotationController(Envelope* h, Envelope* p, Envelope* b) : h_(h), p_(p), b_(b) {}

RotationController::~RotationController() = default;

void RotationController::update(Node& node, float time) {
    node.transform.rotation = Vec3(-value(h_, time), -value(p_, time), -value(b_, time));
}

}  // namespace ember
