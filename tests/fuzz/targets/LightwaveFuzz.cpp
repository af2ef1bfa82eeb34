// LightWave scenes (plain or gzip: the loader tells them apart itself):
// read, then every create operation the demo runs, and the scene animated
// at a few times so the envelopes read from the file are evaluated.
#include <vector>

#include "FuzzTargets.h"
#include "LightwaveSceneLoader.h"
#include "MemoryFile.h"
#include "loaders/Mesh.h"
#include "scene/Camera.h"
#include "scene/Group.h"
#include "scene/Scene.h"

EMBER_FUZZ_TARGET(lightwave) {
    using namespace ember;
    fuzz::MemoryFile file(data, size);
    if (!file.ok()) return 0;
    Ref<LightwaveSceneLoader> loader(new LightwaveSceneLoader(140));
    if (!loader->open(file.path())) return 0;
    std::vector<MeshBin> bins(4);
    for (size_t i = 0; i < bins.size(); ++i) {
        bins[i].firstIndex = static_cast<uint32_t>(30 * i);
        bins[i].indexCount = 30;
        bins[i].maxIndex = 20;
    }
    Ref<Mesh> mesh(new Mesh(nullptr, nullptr, bins));
    Ref<Node> top(new Group());
    std::vector<Ref<Camera>> cameras;
    loader->createCameras(top.get(), cameras, 45, 0.25f, 512);
    loader->createLights(top.get());
    loader->createObjects(top.get(), mesh.get(), 0, 1 << 20, 0);
    loader->findItem("Camera");
    Ref<Scene> scene(new Scene(top.get()));
    scene->cacheTransforms();
    for (float t : {-1.0f, 0.0f, 0.5f, 3.0f, 60.0f, 1.0e6f}) scene->update(t);
    return 0;
}
