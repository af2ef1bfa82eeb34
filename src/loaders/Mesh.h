#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/Math.h"
#include "core/Object.h"
#include "rend/BufferObject.h"
#include "rend/Registry.h"

namespace ember {

// One draw call of a mesh: glDrawRangeElements(primitiveType, minIndex,
// maxIndex, indexCount, firstIndex * index size).
struct MeshBin {
    uint32_t firstIndex = 0;  // position in the index buffer, in indices
    uint32_t reserved = 0;    // kept from the file, not used for drawing
    uint32_t indexCount = 0;
    uint32_t minIndex = 0;       // smallest vertex index used
    uint32_t maxIndex = 0;       // largest vertex index used
    uint32_t primitiveType = 4;  // PrimitiveType value; 4 = triangles
};

// One skinning record as stored in the file; the engine keeps it unread.
struct SkinEntry {
    uint32_t first = 0;
    uint32_t second = 0;
    float weight = 0.0f;
};

// A mesh on the GPU: its vertex and index buffers, the bins drawn from them
// and the optional skinning data.
class Mesh : public Object {
public:
    Mesh(Ref<VertexBuffer> vertexBuffer, Ref<IndexBuffer> indexBuffer, std::vector<MeshBin> bins)
        : vertexBuffer_(std::move(vertexBuffer)),
          indexBuffer_(std::move(indexBuffer)),
          bins_(std::move(bins)) {}

    // Set by the code that registers the mesh.
    const std::string& name() const { return name_; }
    void setName(const std::string& name) { name_ = name; }

    VertexBuffer* vertexBuffer() const { return vertexBuffer_.get(); }
    IndexBuffer* indexBuffer() const { return indexBuffer_.get(); }
    const std::vector<MeshBin>& bins() const { return bins_; }
    int32_t binCount() const { return static_cast<int32_t>(bins_.size()); }
    uint32_t vertexCount() const { return vertexCount_; }
    uint32_t indexCount() const { return indexCount_; }
    void setCounts(uint32_t vertices, uint32_t indices) {
        vertexCount_ = vertices;
        indexCount_ = indices;
    }

    std::vector<std::string>& boneNames() { return boneNames_; }
    const std::vector<std::string>& boneNames() const { return boneNames_; }
    std::vector<SkinEntry>& skinEntries() { return skinEntries_; }
    const std::vector<SkinEntry>& skinEntries() const { return skinEntries_; }

private:
    std::string name_;
    Ref<VertexBuffer> vertexBuffer_;
    Ref<IndexBuffer> indexBuffer_;
    std::vector<MeshBin> bins_;
    uint32_t vertexCount_ = 0;
    uint32_t indexCount_ = 0;
    std::vector<std::string> boneNames_;
    std::vector<SkinEntry> skinEntries_;
};

// A CPU-side copy of a mesh file: the interleaved vertex records with their
// layout, the indices widened to 32 bits, the bins, and one plane per
// triangle of the triangle bins (meshes with positions only).
class SoftwareMesh : public Object {
public:
    struct Triangle {
        uint32_t index[3];
        Vec3 normal;     // unit face normal (zero for a degenerate triangle)
        float distance;  // plane: normal . p + distance = 0
    };

    std::string name;
    int32_t stride = 0;
    uint32_t vertexCount = 0;
    std::vector<AttributeSlot> slots;
    std::vector<uint8_t> vertices;
    std::vector<uint32_t> indices;
    std::vector<MeshBin> bins;
    std::vector<Triangle> triangles;

    // Position of vertex i; (0, 0, 0) when the mesh has no positions.
    Vec3 position(uint32_t i) const;
};

// Meshes by name, filled by the content manifest; the first registration wins.
using MeshRegistry = Registry<Mesh>;
MeshRegistry& meshRegistry();

}  // namespace ember
