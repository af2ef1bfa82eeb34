#pragma once
#include "scene/Light.h"

namespace ember {

// A light projecting a cube map; nothing in the demo creates one, the renderer still handles the kind. Its
// parameter goes to all three kind-parameter slots of the light record.
class CubeLight : public Light {
public:
    CubeLight(const Vec3& color, float intensity, Texture* texture, float parameter);
    ~CubeLight() override;

    Ref<Texture> texture;  // a cube map
    float parameter;
};

}  // namespace ember
