#pragma once
#include "scene/Light.h"

namespace ember {

// A spot light that projects a texture. fov is in degrees; angles as SpotLight.
class ProjectiveLight : public Light {
public:
    ProjectiveLight(const Vec3& color, float intensity, float range, float fov, float coneAngle,
                    float edgeAngle, float aspect, Texture* texture);
    ~ProjectiveLight() override;

    // projectorMatrix = B * P * inverse(view * world): camera view space to
    // texture coordinates, with P the projection of near 1, far 1.1 * range,
    // vertical fov and aspect, and B a scale of one quarter (not one half) with
    // the y axis flipped, biased by 0.5. Depends on the camera, so it changes
    // when the camera moves even if the light is static.
    void updateProjector(const Mat4& view);

    float range;
    float fov;
    float cosCone;
    float cosEdge;
    float aspect;
    Ref<Texture> texture;
    Mat4 projectorMatrix;
};

}  // namespace ember
