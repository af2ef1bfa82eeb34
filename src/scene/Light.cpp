#include "scene/Light.h"

namespace ember {

Light::Light(int32_t kind, const Vec3& color_, float intensity_)
    : Node(NodeType::LightBit + (kind & NodeType::LightKindMask)), color(color_), intensity(intensity_) {}

Light::~Light() = default;

}  // namespace ember
