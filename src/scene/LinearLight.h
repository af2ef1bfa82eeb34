#pragma once
#include "scene/Light.h"

namespace ember {

// A light segment from the node's origin to length along +Z (range: falloff distance).
class LinearLight : public Light {
public:
    LinearLight(const Vec3& color, float intensity, float range, float length);
    ~LinearLight() override;

    float range;
    float length;
};

}  // namespace ember
