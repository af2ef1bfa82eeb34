// Meshes, plain and gzip-compressed: everything the loader checks and builds
// before a GL buffer exists (readMeshData and the software mesh with its
// triangles), opened by name as the demo opens them.
#include "FuzzTargets.h"
#include "MemoryFile.h"
#include "loaders/RAWMeshLoader.h"

namespace {

void loadAs(const uint8_t* data, size_t size, const char* suffix) {
    ember::fuzz::MemoryFile file(data, size, suffix);
    if (!file.ok()) return;
    ember::Ref<ember::RAWMeshLoader> loader(new ember::RAWMeshLoader);
    ember::Ref<ember::SoftwareMesh> mesh = loader->loadSoftwareMesh(file.path());
    if (!mesh) return;
    volatile float sum = 0.0f;
    for (uint32_t i = 0; i < mesh->vertexCount; ++i) sum = sum + mesh->position(i).x;
}

}  // namespace

EMBER_FUZZ_TARGET(mesh) {
    loadAs(data, size, ".rmsh");
    return 0;
}

EMBER_FUZZ_TARGET(mesh_gz) {
    loadAs(data, size, ".rmzh");
    return 0;
}
