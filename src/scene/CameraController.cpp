#include "scene/CameraController.h"

#include "scene/Node.h"

namespace ember {

namespace {

// A missing channel reads as its rest value.
float value(const Ref<Envelope>& e, float time, float rest = 0.0f) {
    return e ? e->evaluate(time) : rest;
}

}  // namespace

CameraController::CameraController(Envelope* x, Envelope* y, Envelope* z, Envelope* h, Envelope* p,
                                   Envelope* b)
    : x_(x), y_(y), z_(z), h_(h), p_(p), b_(b) {}

CameraController::~CameraController() = default;

void CameraController::update(Node& node, float time) {
    node.transform.position = Vec3(value(x_, time), value(y_, time), value(z_, time));
    node.transform.rotation = Vec3(3.1415927f - value(h_, time), value(p_, time), value(b_, time));
}

}  // namespace ember
