#pragma once
#include <cstdint>

#include "loaders/Mesh.h"
#include "scene/Drawable.h"

namespace ember {

// One bin of a mesh: a contiguous run of indices drawn with one call against
// whatever vertex array the enclosing VAOModel bound. Draws nothing correct
// outside that subtree.
class SubModel : public Drawable {
public:
    // Copies the bin record; instances below 2 means a plain draw.
    SubModel(const MeshBin& bin, int32_t instances);
    ~SubModel() override;

    // instances < 2: drawRangeElements(primitive, minIndex, maxIndex,
    // indexCount, firstIndex); otherwise drawElementsInstanced(primitive,
    // indexCount, firstIndex, instances). An index count of 0 still issues the
    // call. time is ignored.
    void draw(Device& device, float time) override;

    int32_t firstIndex;
    int32_t reserved;  // kept from the bin record, never read for drawing
    int32_t indexCount;
    int32_t minIndex;
    int32_t maxIndex;
    int32_t primitive;  // GL primitive mode as is (4 = triangles)
    int32_t instances;
};

}  // namespace ember
