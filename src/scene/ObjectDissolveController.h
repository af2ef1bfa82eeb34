#pragma once
#include "core/Object.h"
#include "scene/Controller.h"
#include "scene/Envelope.h"

namespace ember {

// Hides an object while its dissolve envelope is above one half.
class ObjectDissolveController : public Controller {
public:
    // Holds a reference to the dissolve envelope (0 visible, 1 dissolved).
    explicit ObjectDissolveController(Envelope* dissolve);
    ~ObjectDissolveController() override;

    // enabled = not (e(t) > 0.5).
    void update(Node& node, float time) override;

private:
    Ref<Envelope> dissolve_;
};

}  // namespace ember
