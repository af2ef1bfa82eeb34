// "flow.dat": the flow part's composite settings, its camera envelope and the shape and flow
// parameters, written through the engine's own writers so the layout lives in one place.
#include <cstdio>
#include <fstream>
#include <string>

#include "FlowModel.h"
#include "Generator.h"
#include "PartParameters.h"
#include "post/BlitEngine.h"
#include "post/GlowEngine.h"
#include "scene/Envelope.h"

namespace qmgen {
namespace {

bool generateFlowParameters(const std::string& dataDir) {
    ember::Ref<ember::BlitEngine> blit(new ember::BlitEngine());
    blit->createOfflineEffects();
    // A soft glow lifts the densest ink and the disc rims without blooming the dust.
    blit->effectFlags[ember::BlitEngine::SlotGlow] = true;
    blit->passCounts[ember::BlitEngine::SlotGlow] = 2;
    if (ember::GlowEngine* glow = blit->getGlowEngine()) {
        glow->color[0] = 0.55f;
        glow->color[1] = 0.5f;
        glow->color[2] = 0.45f;
        glow->color[3] = 0.35f;
    }
    blit->updateVariant();

    // One camera: the envelope stays at 0 for the whole part.
    ember::Ref<ember::Envelope> cameraChoice(new ember::Envelope());
    ember::Envelope::Key key;
    key.value = 0.0f;
    key.time = 96.0f;
    cameraChoice->addKey(key);

    qm::FlowModel model;
    // Disc radii (drawn 1.25 times this many twelfths of the screen wide) and how hard each
    // disc pushes the ink aside; the rest are the flow's own scales.
    const float radius[qm::FlowModel::ShapeCount] = {1.0f, 0.95f, 1.05f, 0.98f, 1.02f, 0.94f, 1.06f, 0.96f};
    for (int i = 0; i < qm::FlowModel::ShapeCount; ++i) {
        model.baseShapeInfo[i] = {0.0f, 0.0f, radius[i], 0.3f};
        model.shapeParams[i] = {0.0f, 0.0f, 0.0f, 1.0f};
    }
    model.deltaX = 0.1f;
    model.envelope = 0.17f;
    model.noiseLengthScale = 0.1f;
    model.noiseGain = 0.1f;

    const std::string path = dataDir + "/flow.dat";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        std::fprintf(stderr, "flow: cannot write %s\n", path.c_str());
        return false;
    }
    qm::PartParameters parameters;
    parameters.envelope(&cameraChoice);
    if (!parameters.save(out, *blit) || !model.writeTail(out)) {
        std::fprintf(stderr, "flow: writing %s failed\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

QM_CONTENT_GENERATOR("flowparameters", generateFlowParameters);

}  // namespace qmgen
