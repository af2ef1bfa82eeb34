#include "scene/AmbientLight.h"

namespace ember {

AmbientLight::AmbientLight(const Vec3& color_, float intensity_)
    : Light(Light::Ambient, color_, intensity_) {}

AmbientLight::~AmbientLight() = default;

}  // namespace ember
