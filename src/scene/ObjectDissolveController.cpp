#include "scene/ObjectDissolveController.h"

#include "scene/Node.h"

namespace ember {

namespace {

// A missing channel reads as its rest value.
float value(const Ref<Envelope>& e, float time, float rest = 0.0f) {
    return e ? e->evaluate(time) : rest;
}

}  // namespace

ObjectDissolveController::ObjectDissolveController(Envelope* dissolve) : dissolve_(dissolve) {}

ObjectDissolveController::~ObjectDissolveController() = default;

void ObjectDissolveController::update(Node& node, float time) {
    node.enabled = !(value(dissolve_, time) > 0.5f);
}

}  // namespace ember
