#pragma once
#include "core/Object.h"

namespace ember {

class Node;

// Animation attached to a node: every frame the node runs its controllers in
// list order, before its local matrix is recomposed, so a controller writes the
// transform components (position, rotation, scale), the enabled flag or a
// light's intensity and the node picks them up in the same frame. Controllers
// never change the transform's flag bits; whoever attaches one sets them.
class Controller : public Object {
public:
    ~Controller() override = default;

    // Evaluates the controller at time (beats) and writes the result into node.
    virtual void update(Node& node, float time) = 0;
};

}  // namespace ember
