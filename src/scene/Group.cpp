#include "scene/Group.h"

namespace ember {

Group::Group() : Node(NodeType::Group) {}

Group::~Group() = default;

}  // namespace ember
