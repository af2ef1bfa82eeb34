#pragma once
#include "scene/Light.h"

namespace ember {

// An omnidirectional light with a range.
class PointLight : public Light {
public:
    PointLight(const Vec3& color, float intensity, float range);
    ~PointLight() override;

    float range;
};

}  // namespace ember
