#pragma once
#include "scene/Light.h"

namespace ember {

// A light at infinity along the node's +Z axis.
class DirectionalLight : public Light {
public:
    DirectionalLight(const Vec3& color, float intensity);
    ~DirectionalLight() override;

    // Carried for the light record's layout; the renderer does not read them.
    float parameter0 = 1.0f / 6.0f;
    float parameter1 = 256.0f;
};

}  // namespace ember
