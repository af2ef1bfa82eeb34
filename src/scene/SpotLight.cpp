#include "scene/SpotLight.h"

#include <cmath>

namespace ember {

SpotLight::SpotLight(const Vec3& color_, float intensity_, float range_, float coneAngle, float edgeAngle)
    : Light(Light::Spot, color_, intensity_),
      range(range_),
      cosCone(std::cos(coneAngle)),
      cosEdge(std::cos(coneAngle - edgeAngle)) {}

SpotLight::~SpotLight() = default;

}  // namespace ember
