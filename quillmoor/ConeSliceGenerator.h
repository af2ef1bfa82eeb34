#pragma once
#include "ShapeGenerator.h"

namespace qm {

// A stack of cone cross-sections for volumetric light slices: `slices` rings of
// `segments` points each, ring i (1 .. slices) at z = length * i / slices,
// with radius growing linearly from the apex (which is not a vertex) to
// length * tan(angle). Every vertex has normal (0, 0, 1).
// Filled rings are triangle fans: slices * (segments - 2) * 3 indices.
// Unfilled rings are separate triangles over every second point:
// slices * 3 * ceil(segments / 2) indices (slices * (segments + segments / 2)
// for even segment counts).
class ConeSliceGenerator : public ShapeGenerator {
public:
    // Fails (false, logged) when segments < 3 (the profile angle would divide by
    // zero or a fan would be empty), slices < 1, or the vertex count does not
    // fit 16-bit indices.
    bool generate(ShapeMesh& out) const override;

    int32_t slices = 8;
    int32_t segments = 4;
    float length = 10.0f;
    float angle = 0.78539819f;
    bool filled = true;
};

}  // namespace qm
