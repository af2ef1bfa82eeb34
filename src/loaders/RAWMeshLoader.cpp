#include "loaders/RAWMeshLoader.h"

#include <cstring>
#include <fstream>

#include "application/Logger.h"
#include "loaders/gzstream.h"

namespace ember {

namespace {

// Total bytes of one block of vertex, index or skinning data.
constexpr uint64_t MaxBlockBytes = uint64_t(256) << 20;
// Large blocks are read in steps of this size, so a count that promises more
// than the file holds costs no more memory than the file itself.
constexpr size_t ReadStep = size_t(4) << 20;
// The fourteen GL primitive modes, points to triangle strip adjacency.
constexpr uint32_t PrimitiveTypeCount = 14;

uint16_t u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t u32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
float f32(const uint8_t* p) {
    const uint32_t bits = u32(p);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

bool readExact(std::istream& in, void* out, size_t count) {
    if (count == 0) return true;
    in.read(static_cast<char*>(out), static_cast<std::streamsize>(count));
    return static_cast<size_t>(in.gcount()) == count;
}

// Reads count bytes into out, growing it only as data actually arrives.
bool readBlock(std::istream& in, uint64_t count, std::vector<uint8_t>& out) {
    out.clear();
    while (out.size() < count) {
        const size_t step = static_cast<size_t>(std::min<uint64_t>(ReadStep, count - out.size()));
        const size_t at = out.size();
        out.resize(at + step);
        if (!readExact(in, out.data() + at, step)) {
            out.clear();
            out.shrink_to_fit();
            return false;
        }
    }
    return true;
}

bool truncated(const char* where) {
    Logger::instance().writeFormatted("Unexpected end of mesh file in %s", where);
    return false;
}

bool fail(const char* line) {
    Logger::instance().writeLine(line);
    return false;
}

int streamPosition(std::istream& in) {
    return static_cast<int>(static_cast<std::streamoff>(in.tellg()));
}

bool checkTag(const uint8_t* header, const char* tag) {
    return std::memcmp(header, tag, 4) == 0;
}

}  // namespace

int32_t RAWMeshLoader::vertexLayout(uint32_t flags, std::vector<AttributeSlot>& slots) {
    struct Attribute {
        uint32_t bit;
        AttributeSemantic semantic;
        int32_t bytes;
        int32_t components;
    };
    static const Attribute attributes[] = {
        {HasPosition, AttributeSemantic::Position, 12, 3}, {HasNormal, AttributeSemantic::Normal, 12, 3},
        {HasTangent, AttributeSemantic::Tangent, 16, 4},   {HasTexCoord, AttributeSemantic::TexCoord, 8, 2},
        {HasColor, AttributeSemantic::Color, 4, 4},
    };
    slots.clear();
    int32_t stride = 0;
    for (const Attribute& attribute : attributes) {
        if ((flags & attribute.bit) == 0) continue;
        AttributeSlot slot;
        slot.semantic = attribute.semantic;
        slot.offset = stride;
        slot.components = attribute.components;
        slots.push_back(slot);
        stride += attribute.bytes;
    }
    return stride;
}

bool RAWMeshLoader::readMeshData(std::istream& in, RawMeshData& data) {
    Logger& log = Logger::instance();
    data = RawMeshData();

    uint8_t header[16];
    if (!readExact(in, header, 8)) return truncated("mesh header");
    if (!checkTag(header, "RMSH")) return fail("Invalid mesh header");
    if (u16(header + 4) != Version) return fail("Invalid mesh header version");

    if (!readExact(in, header, 16)) return truncated("vertex attrib header");
    if (!checkTag(header, "VTXA")) return fail("Invalid vertex attrib header");
    if (u16(header + 4) != Version) return fail("Invalid vertex attrib header version");
    data.flags = header[8];
    data.vertexCount = u32(header + 12);
    data.stride = vertexLayout(data.flags, data.slots);
    data.skinned = (data.flags & HasSkinning) != 0;
    if (data.stride == 0) {
        log.writeFormatted("Invalid vertex attrib flags 0x%02x (no attributes)", data.flags);
        return false;
    }
    if (data.vertexCount > MaxVertexCount ||
        uint64_t(data.vertexCount) * uint64_t(data.stride) > MaxBlockBytes) {
        log.writeFormatted("Invalid vertex count %u", data.vertexCount);
        return false;
    }
    if (!readBlock(in, uint64_t(data.vertexCount) * uint64_t(data.stride), data.vertices))
        return truncated("vertex data");

    if (!readExact(in, header, 12)) return truncated("index header");
    if (!checkTag(header, "IDX ")) return fail("Invalid index header");
    if (u16(header + 4) != Version) return fail("Invalid index header version");
    const uint32_t indexSize = u16(header + 6);
    data.indexCount = u32(header + 8);
    if (indexSize != 2 && indexSize != 4) {
        log.writeFormatted("Invalid index size %u", indexSize);
        return false;
    }
    data.indexSize = static_cast<int32_t>(indexSize);
    if (data.indexCount > MaxIndexCount || uint64_t(data.indexCount) * indexSize > MaxBlockBytes) {
        log.writeFormatted("Invalid index count %u", data.indexCount);
        return false;
    }
    if (!readBlock(in, uint64_t(data.indexCount) * indexSize, data.indices)) return truncated("index data");
    // An index past the vertex data would make the GPU read outside the buffer.
    for (uint32_t i = 0; i < data.indexCount; ++i) {
        const uint8_t* p = data.indices.data() + size_t(i) * indexSize;
        const uint32_t index = indexSize == 2 ? u16(p) : u32(p);
        if (index >= data.vertexCount) {
            log.writeFormatted("Index %u at position %u addresses no vertex (%u vertices)", index, i,
                               data.vertexCount);
            return false;
        }
    }

    if (!readExact(in, header, 12)) return truncated("index-bin header");
    if (!checkTag(header, "IBIN")) {
        log.writeFormatted("Invalid index-bin header at pos %d", streamPosition(in));
        return false;
    }
    if (u16(header + 4) != Version) return fail("Invalid index-bin header version");
    const uint32_t binCount = u32(header + 8);
    if (binCount > MaxBinCount) {
        log.writeFormatted("Invalid index-bin count %u", binCount);
        return false;
    }
    std::vector<uint8_t> records;
    if (!readBlock(in, uint64_t(binCount) * 24, records)) return truncated("index-bins");
    data.bins.resize(binCount);
    for (uint32_t b = 0; b < binCount; ++b) {
        const uint8_t* p = records.data() + size_t(b) * 24;
        MeshBin& bin = data.bins[b];
        bin.firstIndex = u32(p);
        bin.reserved = u32(p + 4);
        bin.indexCount = u32(p + 8);
        bin.minIndex = u32(p + 12);
        bin.maxIndex = u32(p + 16);
        bin.primitiveType = u32(p + 20);
        if (uint64_t(bin.firstIndex) + bin.indexCount > data.indexCount || bin.minIndex > bin.maxIndex ||
            (bin.indexCount > 0 && bin.maxIndex >= data.vertexCount) ||
            bin.primitiveType >= PrimitiveTypeCount) {
            log.writeFormatted("Invalid index-bin %u (first %u, count %u, range %u..%u, primitive %u)", b,
                               bin.firstIndex, bin.indexCount, bin.minIndex, bin.maxIndex, bin.primitiveType);
            return false;
        }
    }

    if (data.skinned) {
        if (!readExact(in, header, 16)) return truncated("skinning header");
        if (!checkTag(header, "SKIN")) {
            log.writeFormatted("Invalid skinning header at pos %d", streamPosition(in));
            return false;
        }
        if (u32(header + 4) != Version) return fail("Invalid skinning header version");
        const uint32_t boneCount = u32(header + 8);
        const uint32_t entryCount = u32(header + 12);
        if (boneCount > MaxBoneCount) {
            log.writeFormatted("Invalid skinning bone count %u", boneCount);
            return false;
        }
        if (entryCount > MaxSkinEntryCount) {
            log.writeFormatted("Invalid skinning entry count %u", entryCount);
            return false;
        }
        std::vector<uint8_t> block;
        if (!readBlock(in, uint64_t(boneCount) * BoneNameBytes, block)) return truncated("bone names");
        data.boneNames.reserve(boneCount);
        for (uint32_t i = 0; i < boneCount; ++i) {
            const char* name = reinterpret_cast<const char*>(block.data() + size_t(i) * BoneNameBytes);
            // The name ends at the first zero byte within its 128 bytes, or at their end.
            data.boneNames.emplace_back(name, strnlen(name, BoneNameBytes));
        }
        if (!readBlock(in, uint64_t(entryCount) * 12, block)) return truncated("skinning entries");
        data.skinEntries.resize(entryCount);
        for (uint32_t i = 0; i < entryCount; ++i) {
            const uint8_t* p = block.data() + size_t(i) * 12;
            data.skinEntries[i] = SkinEntry{u32(p), u32(p + 4), f32(p + 8)};
        }
    }
    return true;
}

Ref<Mesh> RAWMeshLoader::createMesh(RawMeshData& data) {
    Ref<VertexBuffer> vertexBuffer(new VertexBuffer);
    vertexBuffer->setStride(data.stride);
    for (const AttributeSlot& slot : data.slots)
        vertexBuffer->addAttribute(slot.semantic, slot.offset, slot.components);
    vertexBuffer->create();
    vertexBuffer->bind();
    vertexBuffer->bufferData(BufferUsage::StaticDraw, static_cast<GLsizeiptr>(data.vertices.size()),
                             data.vertices.empty() ? nullptr : data.vertices.data());
    vertexBuffer->unbind();
    std::vector<uint8_t>().swap(data.vertices);

    Ref<IndexBuffer> indexBuffer(new IndexBuffer);
    indexBuffer->setIndexSize(data.indexSize);
    indexBuffer->create();
    indexBuffer->bind();
    indexBuffer->bufferData(BufferUsage::StaticDraw, static_cast<GLsizeiptr>(data.indices.size()),
                            data.indices.empty() ? nullptr : data.indices.data());
    indexBuffer->unbind();
    std::vector<uint8_t>().swap(data.indices);

    Ref<Mesh> mesh(new Mesh(vertexBuffer, indexBuffer, std::move(data.bins)));
    mesh->setCounts(data.vertexCount, data.indexCount);
    mesh->boneNames() = std::move(data.boneNames);
    mesh->skinEntries() = std::move(data.skinEntries);
    return mesh;
}

Ref<Mesh> RAWMeshLoader::loadMeshFromStream(std::istream& in) {
    RawMeshData data;
    if (!readMeshData(in, data)) return Ref<Mesh>();
    return createMesh(data);
}

namespace {

// Opens path as the loader does: through zlib when it names a compressed mesh.
template <class Fn>
auto withMeshStream(const std::string& path, Fn&& fn) {
    if (path.find(".rmzh") != std::string::npos) {
        gzifstream in(path.c_str());
        return fn(static_cast<std::istream&>(in), !in.fail());
    }
    std::ifstream in(path.c_str(), std::ios::in | std::ios::binary);
    return fn(static_cast<std::istream&>(in), in.is_open() && !in.fail());
}

}  // namespace

Ref<Mesh> RAWMeshLoader::loadMesh(const std::string& path) {
    return withMeshStream(
        path, [this](std::istream& in, bool open) { return open ? loadMeshFromStream(in) : Ref<Mesh>(); });
}

Ref<SoftwareMesh> RAWMeshLoader::loadSoftwareMesh(const std::string& path) {
    RawMeshData data;
    const bool ok =
        withMeshStream(path, [&data](std::istream& in, bool open) { return open && readMeshData(in, data); });
    if (!ok) return Ref<SoftwareMesh>();

    Ref<SoftwareMesh> mesh(new SoftwareMesh);
    mesh->stride = data.stride;
    mesh->vertexCount = data.vertexCount;
    mesh->slots = data.slots;
    mesh->vertices = std::move(data.vertices);
    mesh->indices.resize(data.indexCount);
    for (uint32_t i = 0; i < data.indexCount; ++i) {
        const uint8_t* p = data.indices.data() + size_t(i) * size_t(data.indexSize);
        mesh->indices[i] = data.indexSize == 2 ? u16(p) : u32(p);
    }
    mesh->bins = std::move(data.bins);
    if (data.flags & HasPosition) {
        for (const MeshBin& bin : mesh->bins) {
            if (bin.primitiveType != 4) continue;
            for (uint32_t t = 0; t + 3 <= bin.indexCount; t += 3) {
                SoftwareMesh::Triangle triangle;
                for (int k = 0; k < 3; ++k) triangle.index[k] = mesh->indices[bin.firstIndex + t + k];
                const Vec3 a = mesh->position(triangle.index[0]);
                const Vec3 b = mesh->position(triangle.index[1]);
                const Vec3 c = mesh->position(triangle.index[2]);
                triangle.normal = (b - a).cross(c - a).normalized();
                triangle.distance = -triangle.normal.dot(a);
                mesh->triangles.push_back(triangle);
            }
        }
    }
    return mesh;
}

}  // namespace ember
