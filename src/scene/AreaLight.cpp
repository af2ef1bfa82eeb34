#include "scene/AreaLight.h"

namespace ember {

AreaLight::AreaLight(const Vec3& color_, float intensity_, float parameter_)
    : Light(Light::Area, color_, intensity_), parameter(parameter_) {}

AreaLight::~AreaLight() = default;

}  // namespace ember
