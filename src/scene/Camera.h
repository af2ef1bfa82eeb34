#pragma once
#include "core/Math.h"
#include "scene/Node.h"

namespace ember {

// A viewpoint. The view matrix is the inverse of the camera's LOCAL matrix, not
// its world matrix: cameras are top-level nodes (the scene loader links them
// beside the tree), and a parent would be ignored.
class Camera : public Node {
public:
    // fov: vertical field of view in degrees; zNear, zFar: clip distances. The
    // projection is identity until setProjection.
    Camera(float fov, float zNear, float zFar);
    ~Camera() override;

    // projection = the frustum with top = zNear * tan(fov / 2), right = top *
    // aspect (aspect = width / height), left = -right, bottom = -top.
    void setProjection(float aspect);
    // view = inverse(transform.local).
    void postUpdate(float time) override;

    Mat4 projection;
    Mat4 view;
    float fov;
    float zNear;
    float zFar;
};

}  // namespace ember
