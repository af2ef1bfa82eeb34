#include "DanceAnimController.h"

#include "scene/SubModel.h"

namespace qm {

DanceAnimController::DanceAnimController(const int32_t* instances) : instances_(instances) {}

DanceAnimController::~DanceAnimController() = default;

void DanceAnimController::update(ember::Node& node, float /*time*/) {
    static_cast<ember::SubModel&>(node).instances = *instances_;
}

}  // namespace qm
