#include "ConeSliceGenerator.h"

#include <cmath>

#include "application/Logger.h"

namespace qm {

bool ConeSliceGenerator::generate(ShapeMesh& out) const {
    out = ShapeMesh();
    if (segments < 3 || slices < 1 || static_cast<int64_t>(slices) * segments > 65536) {
        ember::Logger::instance().writeLocated(
            "quillmoor/ConeSliceGenerator", "ConeSliceGenerator::generate", __LINE__,
            "Cannot build a cone of " + std::to_string(slices) + " slices and " + std::to_string(segments) +
                " segments (needs at least 1 slice, 3 segments, 65536 vertices)");
        return false;
    }

    const int32_t vertexCount = slices * segments;
    // Unfilled rings use every second point as a triangle start; an odd count
    // adds one triangle that wraps back to the start of the ring.
    const int32_t indexCount = filled ? slices * (segments - 2) * 3 : slices * 3 * ((segments + 1) / 2);

    const float radius = length * std::sin(angle) / std::cos(angle);
    std::vector<float> px(segments), py(segments), tu(segments), tv(segments);
    for (int32_t j = 0; j < segments; ++j) {
        const float phi = static_cast<float>(j) * 6.2831855f / static_cast<float>(segments - 1);
        const float s = std::sin(phi), c = std::cos(phi);
        px[j] = (c + s) * radius;
        py[j] = (c - s) * radius;
        tu[j] = (c + s + 1.0f) / 2.0f;
        tv[j] = (c - s + 1.0f) / 2.0f;
    }

    out.vertices.reserve(vertexCount);
    for (int32_t i = 1; i <= slices; ++i) {
        const float f = static_cast<float>(i) / static_cast<float>(slices);
        for (int32_t j = 0; j < segments; ++j) {
            ShapeVertex v{{px[j] * f, py[j] * f, length * f}, {0.0f, 0.0f, 1.0f}, {tu[j], tv[j]}};
            out.vertices.push_back(v);
        }
    }

    out.indices.reserve(indexCount);
    for (int32_t r = 0; r < slices; ++r) {
        const int32_t base = segments * r;
        if (filled) {
            for (int32_t k = 1; k <= segments - 2; ++k) {
                out.indices.push_back(static_cast<uint16_t>(base));
                out.indices.push_back(static_cast<uint16_t>(base + k));
                out.indices.push_back(static_cast<uint16_t>(base + k + 1));
            }
        } else {
            for (int32_t k = 0; k < segments; k += 2) {
                out.indices.push_back(static_cast<uint16_t>(base + k));
                out.indices.push_back(static_cast<uint16_t>(base + (k + 1) % segments));
                out.indices.push_back(static_cast<uint16_t>(base + (k + 2) % segments));
            }
        }
    }

    out.firstIndex = 0;
    out.lastIndex = indexCount - 1;
    out.indexCount = indexCount;
    out.minVertex = 0;
    out.maxVertex = vertexCount - 1;
    out.primitive = 4;
    return true;
}

}  // namespace qm
