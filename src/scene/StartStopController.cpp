#include "scene/StartStopController.h"

#include "scene/Node.h"

namespace ember {

StartStopController::StartStopController(float start, float end) : start_(start), end_(end) {}

StartStopController::~StartStopController() = default;

void StartStopController::update(Node& node, float time) {
    node.enabled = start_ <= time && time <= end_;
}

}  // namespace ember
