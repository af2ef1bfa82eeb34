#include "scene/Drawable.h"

namespace ember {

Drawable::Drawable(int32_t type) : Node(type) {}

Drawable::~Drawable() = default;

}  // namespace ember
