#include "scene/ProjectiveLight.h"

#include <cmath>

namespace ember {

ProjectiveLight::ProjectiveLight(const Vec3& color_, float intensity_, float range_, float fov_,
                                 float coneAngle, float edgeAngle, float aspect_, Texture* texture_)
    : Light(Light::Projective, color_, intensity_),
      range(range_),
      fov(fov_),
      cosCone(std::cos(coneAngle)),
      cosEdge(std::cos(coneAngle - edgeAngle)),
      aspect(aspect_),
      texture(texture_) {}

ProjectiveLight::~ProjectiveLight() = default;

void ProjectiveLight::updateProjector(const Mat4& view) {
    Mat4 lightFromView = (view * transform.world).inverse();
    const float f = 1.1f * range;
    const float t = static_cast<float>(std::tan(fov * 0.5 * DEGREE));
    const float r = t * aspect;
    Mat4 p;
    p(0, 0) = 1.0f / r;
    p(1, 1) = 1.0f / t;
    p(2, 2) = -(f + 1.0f) / (f - 1.0f);
    p(2, 3) = -2.0f * f / (f - 1.0f);
    p(3, 2) = -1.0f;
    p(3, 3) = 0.0f;
    // A quarter scale, not a half: the projected image covers only the central
    // half of the texture; y is flipped to match the image's row order.
    Mat4 b;
    b(0, 0) = 0.25f;
    b(0, 3) = 0.5f;
    b(1, 1) = -0.25f;
    b(1, 3) = 0.5f;
    b(2, 2) = 0.25f;
    b(2, 3) = 0.5f;
    projectorMatrix = b * p * lightFromView;
}

}  // namespace ember
