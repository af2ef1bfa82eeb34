#pragma once
#include <cstdint>

#include "core/Math.h"

namespace ember {

// The placement of a node: components, the local matrix composed from them and
// the world matrix (parent world * local). The component bits say which
// components take part in the composition, so the common cases (translation
// only, rotation and translation, ...) skip the full product; the frozen bits
// let static parts of a scene cost nothing per frame.
class Transform {
public:
    // Flag bits.
    static constexpr uint32_t Position = 0x01;     // position is not zero
    static constexpr uint32_t Rotation = 0x02;     // rotation is not zero
    static constexpr uint32_t Scale = 0x04;        // scale is not one
    static constexpr uint32_t Pivot = 0x08;        // pivot is not zero
    static constexpr uint32_t LocalFrozen = 0x10;  // local matrix is never recomposed
    static constexpr uint32_t WorldFrozen = 0x20;  // world matrix is never recomposed
    static constexpr uint32_t Animated = 0x40;     // driven by controllers, never frozen
    static constexpr uint32_t ComponentMask = 0x0F;

    uint32_t flags = 0;
    Vec3 position{0, 0, 0};
    Vec3 rotation{0, 0, 0};  // heading, pitch, bank in radians
    Vec3 scale{1, 1, 1};
    Vec3 pivot{0, 0, 0};  // in local coordinates
    Mat4 local;
    Vec3 worldPosition{0, 0, 0};  // world * origin
    Mat4 world;

    // Recomposes local from the components selected by the low four flag bits.
    // Does nothing when flags is 0 or the local matrix is frozen (0x10), so a
    // matrix written by hand stays as it is.
    void updateLocal();
    // world = parent->world * local (local alone without a parent), then
    // worldPosition = world * (0,0,0,1). Does nothing when the world matrix is
    // frozen (0x20).
    void updateWorld(const Transform* parent);

    // Sets the four component bits from the current component values (position
    // or rotation not zero, scale not one, pivot not zero) and leaves the other
    // bits alone. For code that places nodes by hand.
    void updateComponentFlags();

    // R = Rh * Rp * Rb for rotation (h, p, b): bank first, heading last.
    static Mat4 rotationMatrix(const Vec3& rotation);
};

}  // namespace ember
