#include "scene/State.h"

namespace ember {

State::State() : Node(NodeType::State) {}

State::~State() = default;

}  // namespace ember
