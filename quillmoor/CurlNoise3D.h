#pragma once
#include "core/Math.h"
#include "core/Object.h"

namespace qm {

// A divergence-free 3D velocity field, the curl of a vector potential.
// The base potential is zero everywhere; fields derive and supply their own.
class CurlNoise3D : public ember::Object {
public:
    ~CurlNoise3D() override = default;

    // Whether the field is confined to the box [lo, hi]. The fields here fill
    // all of space, so the answer is false.
    virtual bool isBounded(const ember::Vec3& lo, const ember::Vec3& hi) const;
    // The vector potential at (x, y, z).
    virtual ember::Vec3 potential(float x, float y, float z) const;
    // Moves the field forward in time by dt seconds.
    virtual void advance(float dt);

    // Curl of the potential at point by central differences of width 2h.
    // Returns the zero vector when h is not above zero (the quotient would be
    // 0/0 or infinite) or not finite.
    ember::Vec3 curlWithStep(const ember::Vec3& point, float h) const;
};

}  // namespace qm
