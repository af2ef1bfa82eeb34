#pragma once
#include "core/Object.h"
#include "scene/Controller.h"

namespace ember {

// Shows a node during one interval of beats.
class StartStopController : public Controller {
public:
    // start and end in beats; both ends belong to the interval.
    StartStopController(float start, float end);
    ~StartStopController() override;

    // enabled = (start <= t and t <= end).
    void update(Node& node, float time) override;

private:
    float start_;
    float end_;
};

}  // namespace ember
