#include "scene/LinearLight.h"

namespace ember {

LinearLight::LinearLight(const Vec3& color_, float intensity_, float range_, float length_)
    : Light(Light::Linear, color_, intensity_), range(range_), length(length_) {}

LinearLight::~LinearLight() = default;

}  // namespace ember
