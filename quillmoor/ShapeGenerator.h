#pragma once
#include <cstdint>
#include <vector>

#include "core/Object.h"

namespace qm {

// One vertex of a generated shape: 32 bytes, laid out as the vertex buffer
// expects it: "POSITION" 3 floats at 0, "NORMAL" 3 floats at 12,
// "TEXCOORD" 2 floats at 24.
struct ShapeVertex {
    float position[3];
    float normal[3];
    float texCoord[2];
};
static_assert(sizeof(ShapeVertex) == 32, "shape vertices are uploaded with stride 32");

// CPU-side result of a shape generator: the vertex and 16-bit index arrays
// and the one draw range over them (the bin the mesh is drawn with).
struct ShapeMesh {
    std::vector<ShapeVertex> vertices;
    std::vector<uint16_t> indices;
    int32_t firstIndex = 0;
    int32_t lastIndex = -1;  // indexCount - 1
    int32_t indexCount = 0;
    int32_t minVertex = 0;
    int32_t maxVertex = -1;  // vertex count - 1
    int32_t primitive = 4;   // triangles
};

// Builds meshes procedurally. The GL upload is left to the caller, which owns
// the buffers.
class ShapeGenerator : public ember::Object {
public:
    ~ShapeGenerator() override = default;

    // Fills out with a new mesh (replacing its contents). Returns false, logs
    // and leaves out empty when the generator's parameters cannot make one.
    virtual bool generate(ShapeMesh& out) const;
};

}  // namespace qm
