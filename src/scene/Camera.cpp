#include "scene/Camera.h"

#include <cmath>

namespace ember {

Camera::Camera(float fov_, float zNear_, float zFar_)
    : Node(NodeType::Camera), fov(fov_), zNear(zNear_), zFar(zFar_) {}

Camera::~Camera() = default;

void Camera::setProjection(float aspect) {
    float n = zNear, f = zFar;
    float t = n * static_cast<float>(std::tan(fov * 0.5 * DEGREE));
    float r = t * aspect, l = -r, b = -t;
    Mat4 p;
    p(0, 0) = 2 * n / (r - l);
    p(0, 2) = (r + l) / (r - l);
    p(1, 1) = 2 * n / (t - b);
    p(1, 2) = (t + b) / (t - b);
    p(2, 2) = -(f + n) / (f - n);
    p(2, 3) = -2 * f * n / (f - n);
    p(3, 2) = -1;
    p(3, 3) = 0;
    projection = p;
}

void Camera::postUpdate(float) {
    view = transform.local.inverse();
}

}  // namespace ember
