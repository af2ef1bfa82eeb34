#pragma once
#include "scene/Node.h"

namespace ember {

class StateSet;

// A render-state node (type 0x103): the draw walk applies it when entering
// and unapplies it when leaving its subtree, so it affects exactly the
// drawables below it. unapply must undo exactly what apply pushed.
class State : public Node {
public:
    State();
    ~State() override;

    virtual void apply(StateSet& context) = 0;
    virtual void unapply(StateSet& context) = 0;
};

}  // namespace ember
