#include "scene/DirectionalLight.h"

namespace ember {

DirectionalLight::DirectionalLight(const Vec3& color_, float intensity_)
    : Light(Light::Directional, color_, intensity_) {}

DirectionalLight::~DirectionalLight() = default;

}  // namespace ember
