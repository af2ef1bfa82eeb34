#include "ShapeGenerator.h"

namespace qm {

bool ShapeGenerator::generate(ShapeMesh& out) const {
    out = ShapeMesh();
    return true;
}

}  // namespace qm
