#pragma once
#include "CurlNoise3D.h"
#include "GradientNoise3D.h"

namespace qm {

// Curl noise whose potential is three decorrelated samples of one
// GradientNoise3D: (N(x, y, z), N(y + 31.416, z - 47.853, x + 12.793),
// N(z - 233.145, x - 113.408, y - 185.31)).
class SimpleCurl3D : public CurlNoise3D {
public:
    // step is the finite-difference step of curl(); it must be above zero for
    // curl() to give anything but the zero vector.
    explicit SimpleCurl3D(float step);

    ember::Vec3 potential(float x, float y, float z) const override;
    // Adds dt to time; the potential does not depend on it.
    void advance(float dt) override;

    // Curl of the potential at point with the step given at construction.
    ember::Vec3 curl(const ember::Vec3& point) const { return curlWithStep(point, step); }

    float time = 0.0f;
    float step;
    GradientNoise3D noise;
};

}  // namespace qm
