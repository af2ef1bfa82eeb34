#include "scene/Transform.h"

#include <cmath>

namespace ember {

Mat4 Transform::rotationMatrix(const Vec3& r) {
    float ch = std::cos(r.x), sh = std::sin(r.x);
    float cp = std::cos(r.y), sp = std::sin(r.y);
    float cb = std::cos(r.z), sb = std::sin(r.z);
    Mat4 h, p, b;
    h(0, 0) = ch;
    h(0, 2) = -sh;
    h(2, 0) = sh;
    h(2, 2) = ch;
    p(1, 1) = cp;
    p(1, 2) = sp;
    p(2, 1) = -sp;
    p(2, 2) = cp;
    b(0, 0) = cb;
    b(0, 1) = sb;
    b(1, 0) = -sb;
    b(1, 1) = cb;
    return h * p * b;
}

void Transform::updateLocal() {
    if (flags == 0 || (flags & LocalFrozen)) return;
    auto placeTranslation = [this](Mat4& m) {
        m.m[3] = position.x;
        m.m[7] = position.y;
        m.m[11] = position.z;
    };
    switch (flags & ComponentMask) {
        case 0x0:
            return;
        case 0x1:
            local = Mat4::translation(position.x, position.y, position.z);
            return;
        case 0x2:
            local = rotationMatrix(rotation);
            return;
        case 0x4:
            local = Mat4::scaling(scale.x, scale.y, scale.z);
            return;
        case 0x3:
            local = rotationMatrix(rotation);
            placeTranslation(local);
            return;
        case 0x5:
            local = Mat4::scaling(scale.x, scale.y, scale.z);
            placeTranslation(local);
            return;
        case 0x7:
            local = rotationMatrix(rotation) * Mat4::scaling(scale.x, scale.y, scale.z);
            placeTranslation(local);
            return;
        default:
            local = Mat4::translation(position.x, position.y, position.z) * rotationMatrix(rotation) *
                    Mat4::scaling(scale.x, scale.y, scale.z) *
                    Mat4::translation(-pivot.x, -pivot.y, -pivot.z);
            return;
    }
}

void Transform::updateWorld(const Transform* parent) {
    if (flags & WorldFrozen) return;
    world = parent ? parent->world * local : local;
    worldPosition = Vec3(world.m[3], world.m[7], world.m[11]);
}

void Transform::updateComponentFlags() {
    auto nonZero = [](const Vec3& v) { return v.x != 0.0f || v.y != 0.0f || v.z != 0.0f; };
    flags &= ~ComponentMask;
    if (nonZero(position)) flags |= Position;
    if (nonZero(rotation)) flags |= Rotation;
    if (scale.x != 1.0f || scale.y != 1.0f || scale.z != 1.0f) flags |= Scale;
    if (nonZero(pivot)) flags |= Pivot;
}

}  // namespace ember
