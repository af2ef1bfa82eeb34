#pragma once
#include "scene/Light.h"

namespace ember {

// A cone of light along +Z. cosCone = cos(cone), cosEdge = cos(cone - edge): cone is the half-angle, edge the
// width of the soft rim (radians); edge 0 gives a hard edge.
class SpotLight : public Light {
public:
    SpotLight(const Vec3& color, float intensity, float range, float coneAngle, float edgeAngle);
    ~SpotLight() override;

    float range;
    float cosCone;
    float cosEdge;
};

}  // namespace ember
