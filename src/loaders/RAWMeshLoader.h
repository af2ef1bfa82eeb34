#pragma once
#include <cstdint>
#include <vector>

#include "loaders/MeshLoader.h"

namespace ember {

// The contents of a mesh file, read and checked but not yet on the GPU.
struct RawMeshData {
    uint32_t flags = 0;  // lowest byte of the attribute flags
    int32_t stride = 0;
    std::vector<AttributeSlot> slots;
    uint32_t vertexCount = 0;
    std::vector<uint8_t> vertices;  // vertexCount x stride bytes
    int32_t indexSize = 2;
    uint32_t indexCount = 0;
    std::vector<uint8_t> indices;  // indexCount x indexSize bytes, little-endian
    std::vector<MeshBin> bins;
    bool skinned = false;
    std::vector<std::string> boneNames;
    std::vector<SkinEntry> skinEntries;
};

// Meshes in the engine's packed format: "rmsh" files as they are, "rmzh"
// files gzip-compressed. Every count is checked against the limits below and
// against the bytes the file actually holds before anything is kept; every
// index must address a vertex and every bin must lie inside the index data.
class RAWMeshLoader : public MeshLoader {
public:
    static constexpr uint32_t Version = 0x0101;
    static constexpr uint32_t MaxVertexCount = 1u << 24;
    static constexpr uint32_t MaxIndexCount = 1u << 26;
    static constexpr uint32_t MaxBinCount = 1u << 20;
    static constexpr uint32_t MaxBoneCount = 1u << 16;
    static constexpr uint32_t MaxSkinEntryCount = 1u << 24;
    static constexpr size_t BoneNameBytes = 128;

    // Attribute flag bits.
    enum : uint32_t {
        HasPosition = 0x01,
        HasNormal = 0x02,
        HasTangent = 0x04,
        HasTexCoord = 0x08,
        HasColor = 0x10,
        HasSkinning = 0x20,
    };

    RAWMeshLoader() : MeshLoader("rmsh:rmzh") {}

    Ref<Mesh> loadMeshFromStream(std::istream& in) override;
    // A path containing ".rmzh" is read through the gzip stream.
    Ref<Mesh> loadMesh(const std::string& path) override;
    Ref<SoftwareMesh> loadSoftwareMesh(const std::string& path) override;

    // Reads and checks a whole mesh file. False after one log line on failure.
    static bool readMeshData(std::istream& in, RawMeshData& data);
    // The packed vertex layout of flags, in attribute order; returns the stride.
    static int32_t vertexLayout(uint32_t flags, std::vector<AttributeSlot>& slots);
    // Creates the GL buffers for checked data (the CPU copies are released).
    static Ref<Mesh> createMesh(RawMeshData& data);
};

}  // namespace ember
