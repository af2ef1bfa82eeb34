#include "loaders/RAWMeshWriter.h"

#include <algorithm>
#include <cstring>

#include "application/Logger.h"

namespace ember {

namespace {

void u16(std::ostream& out, uint32_t v) {
    const char b[2] = {char(v & 0xff), char((v >> 8) & 0xff)};
    out.write(b, 2);
}
void u32(std::ostream& out, uint32_t v) {
    const char b[4] = {char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff), char(v >> 24)};
    out.write(b, 4);
}
void tag(std::ostream& out, const char* t) {
    out.write(t, 4);
}

}  // namespace

bool RAWMeshWriter::write(std::ostream& out, const RawMeshData& data) {
    std::vector<AttributeSlot> slots;
    const int32_t stride = RAWMeshLoader::vertexLayout(data.flags, slots);
    if (stride == 0 || data.vertices.size() != size_t(data.vertexCount) * size_t(stride)) {
        Logger::instance().writeLine("RAWMeshWriter::write() vertex data does not match its count");
        return false;
    }
    if ((data.indexSize != 2 && data.indexSize != 4) ||
        data.indices.size() != size_t(data.indexCount) * size_t(data.indexSize)) {
        Logger::instance().writeLine("RAWMeshWriter::write() index data does not match its count");
        return false;
    }
    const uint32_t version = RAWMeshLoader::Version;
    tag(out, "RMSH");
    u16(out, version);
    u16(out, 0);
    tag(out, "VTXA");
    u16(out, version);
    u16(out, 0);
    u32(out, data.flags | (data.skinned ? RAWMeshLoader::HasSkinning : 0u));
    u32(out, data.vertexCount);
    out.write(reinterpret_cast<const char*>(data.vertices.data()), std::streamsize(data.vertices.size()));
    tag(out, "IDX ");
    u16(out, version);
    u16(out, uint32_t(data.indexSize));
    u32(out, data.indexCount);
    out.write(reinterpret_cast<const char*>(data.indices.data()), std::streamsize(data.indices.size()));
    tag(out, "IBIN");
    u16(out, version);
    u16(out, 0);
    u32(out, uint32_t(data.bins.size()));
    for (const MeshBin& bin : data.bins) {
        u32(out, bin.firstIndex);
        u32(out, bin.reserved);
        u32(out, bin.indexCount);
        u32(out, bin.minIndex);
        u32(out, bin.maxIndex);
        u32(out, bin.primitiveType);
    }
    if (data.skinned) {
        tag(out, "SKIN");
        u32(out, version);
        u32(out, uint32_t(data.boneNames.size()));
        u32(out, uint32_t(data.skinEntries.size()));
        for (const std::string& name : data.boneNames) {
            char bytes[RAWMeshLoader::BoneNameBytes] = {};
            std::memcpy(bytes, name.data(), std::min(name.size(), sizeof(bytes) - 1));
            out.write(bytes, sizeof(bytes));
        }
        for (const SkinEntry& e : data.skinEntries) {
            u32(out, e.first);
            u32(out, e.second);
            uint32_t bits;
            std::memcpy(&bits, &e.weight, 4);
            u32(out, bits);
        }
    }
    if (!out) {
        Logger::instance().writeLine("RAWMeshWriter::write() stream failed");
        return false;
    }
    return true;
}

}  // namespace ember
