#include "CurlNoise3D.h"

#include <cmath>

namespace qm {

using ember::Vec3;

bool CurlNoise3D::isBounded(const Vec3&, const Vec3&) const {
    return false;
}

Vec3 CurlNoise3D::potential(float, float, float) const {
    return Vec3();
}

void CurlNoise3D::advance(float) {}

Vec3 CurlNoise3D::curlWithStep(const Vec3& p, float h) const {
    if (!(h > 0.0f) || !std::isfinite(h)) return Vec3();
    const float x = p.x, y = p.y, z = p.z;
    const Vec3 xp = potential(x + h, y, z), xm = potential(x - h, y, z);
    const Vec3 yp = potential(x, y + h, z), ym = potential(x, y - h, z);
    const Vec3 zp = potential(x, y, z + h), zm = potential(x, y, z - h);
    const float twoH = 2.0f * h;
    return Vec3(((yp.z - ym.z) - (zp.y - zm.y)) / twoH, ((zp.x - zm.x) - (xp.z - xm.z)) / twoH,
                ((xp.y - xm.y) - (yp.x - ym.x)) / twoH);
}

}  // namespace qm
