#pragma once
#include "scene/Node.h"

namespace ember {

// The inner node of every loaded hierarchy; no behaviour of its own.
class Group : public Node {
public:
    Group();
    ~Group() override;
};

}  // namespace ember
