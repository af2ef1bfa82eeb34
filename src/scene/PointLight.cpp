#include "scene/PointLight.h"

namespace ember {

PointLight::PointLight(const Vec3& color_, float intensity_, float range_)
    : Light(Light::Point, color_, intensity_), range(range_) {}

PointLight::~PointLight() = default;

}  // namespace ember
