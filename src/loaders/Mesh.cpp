#include "loaders/Mesh.h"

#include <cstring>

namespace ember {

Vec3 SoftwareMesh::position(uint32_t i) const {
    for (const AttributeSlot& slot : slots) {
        if (slot.semantic != AttributeSemantic::Position) continue;
        const size_t at = size_t(i) * size_t(stride) + size_t(slot.offset);
        if (i >= vertexCount || at + 12 > vertices.size()) break;
        float xyz[3];
        std::memcpy(xyz, vertices.data() + at, sizeof(xyz));
        return Vec3(xyz[0], xyz[1], xyz[2]);
    }
    return Vec3();
}

MeshRegistry& meshRegistry() {
    return MeshRegistry::instance();
}

}  // namespace ember
