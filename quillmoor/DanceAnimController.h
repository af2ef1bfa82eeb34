#pragma once
#include <cstdint>

#include "scene/Controller.h"

namespace qm {

// Plays the dancing figure: copies the part's current record count into the
// figure's sub-model, so the frame chosen in the part's update is drawn in
// the same frame.
class DanceAnimController : public ember::Controller {
public:
    // instances: the part's count, borrowed; it must outlive the controller.
    explicit DanceAnimController(const int32_t* instances);
    ~DanceAnimController() override;

    // node must be a SubModel (the Intro attaches it to nothing else).
    void update(ember::Node& node, float time) override;

private:
    const int32_t* instances_;
};

}  // namespace qm
