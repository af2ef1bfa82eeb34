#include "scene/CubeLight.h"

namespace ember {

CubeLight::CubeLight(const Vec3& color_, float intensity_, Texture* texture_, float parameter_)
    : Light(Light::Cube, color_, intensity_), texture(texture_), parameter(parameter_) {}

CubeLight::~CubeLight() = default;

}  // namespace ember
