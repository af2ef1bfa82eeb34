#include "SimpleCurl3D.h"

namespace qm {

SimpleCurl3D::SimpleCurl3D(float differenceStep) : step(differenceStep) {}

ember::Vec3 SimpleCurl3D::potential(float x, float y, float z) const {
    return ember::Vec3(noise.noise(x, y, z), noise.noise(y + 31.416f, z - 47.853f, x + 12.793f),
                       noise.noise(z - 233.145f, x - 113.408f, y - 185.31f));
}

void SimpleCurl3D::advance(float dt) {
    time += dt;
}

}  // namespace qm
