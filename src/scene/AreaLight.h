#pragma once
#include "scene/Light.h"

namespace ember {

// An area light; nothing in the demo creates one, the renderer still handles the kind. Its parameter goes to
// all three kind-parameter slots of the light record.
class AreaLight : public Light {
public:
    AreaLight(const Vec3& color, float intensity, float parameter);
    ~AreaLight() override;

    float parameter;
};

}  // namespace ember
