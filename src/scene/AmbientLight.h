#pragma once
#include "scene/Light.h"

namespace ember {

// Uniform light everywhere; parts create it directly.
class AmbientLight : public Light {
public:
    AmbientLight(const Vec3& color, float intensity);
    ~AmbientLight() override;
};

}  // namespace ember
