// "intro.dat": the Intro's composite settings, envelopes and shape vectors,
// written through the part parameter container so the file has the layout
// the part reads. Envelopes run in song beats: the clouds assemble in the
// first beats of their windows and scatter into the next, the field's morphs
// land on phrase starts (16, 32, 48), its spikes kick on the drum hits, the
// wobble quickens in the last phrase before the figure, and the figure steps
// eight frames a beat from 64 (one 64-frame loop every two bars).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <utility>

#include "Generator.h"
#include "PartParameters.h"
#include "post/BlitEngine.h"
#include "post/GlowEngine.h"
#include "post/SSAOEngine.h"
#include "scene/Envelope.h"

namespace qmgen {
namespace {

using ember::Envelope;
using ember::Ref;

// An envelope through (beat, value) keys of one shape.
Ref<Envelope> keys(std::initializer_list<std::pair<float, float>> points, int32_t shape,
                   int32_t post = Envelope::Constant) {
    Ref<Envelope> e(new Envelope());
    for (const auto& [t, v] : points) {
        Envelope::Key k;
        k.time = t;
        k.value = v;
        k.shape = shape;
        e->addKey(k);
    }
    e->postBehavior = post;
    return e;
}

bool writeIntroParameters(const std::string& dataDir) {
    Ref<Envelope> camera = keys({{0.0f, 0.0f}}, Envelope::Linear);
    // Cloud assembly: each layer builds up over two beats and holds; the last
    // two beats of a window blow it apart before the next one arrives.
    Ref<Envelope> assemble = keys({{0.0f, 0.0f},
                                   {2.5f, 1.0f},
                                   {14.0f, 1.0f},
                                   {16.0f, 0.0f},
                                   {18.5f, 1.0f},
                                   {30.0f, 1.0f},
                                   {32.0f, 0.0f},
                                   {34.5f, 1.0f},
                                   {61.0f, 1.0f},
                                   {64.0f, 0.0f},
                                   {66.0f, 1.0f}},
                                  Envelope::TCB);
    // Spike length: a kick on every drum hit of the phrase (0, 2, 4, 8, 10, 12).
    Ref<Envelope> effect(new Envelope());
    for (float phrase = 0.0f; phrase < 64.0f; phrase += 16.0f)
        for (float hit : {0.0f, 2.0f, 4.0f, 8.0f, 10.0f, 12.0f}) {
            Envelope::Key k;
            k.shape = Envelope::Linear;
            k.time = phrase + hit;
            k.value = 1.2f;
            effect->addKey(k);
            k.time = phrase + hit + 1.0f;
            k.value = 0.1f;
            effect->addKey(k);
        }
    Ref<Envelope> wobble =
        keys({{0.0f, 0.5f}, {32.0f, 0.5f}, {48.0f, 1.6f}, {60.0f, 3.1f}, {64.0f, 0.5f}}, Envelope::Linear);
    Ref<Envelope> morph = keys({{0.0f, 0.0f},
                                {15.0f, 0.0f},
                                {17.0f, 1.0f},
                                {31.0f, 1.0f},
                                {33.0f, 2.0f},
                                {47.0f, 2.0f},
                                {49.0f, 3.0f},
                                {64.0f, 3.0f}},
                               Envelope::Linear);
    Ref<Envelope> dance = keys({{64.0f, 0.0f}, {72.0f, 64.0f}}, Envelope::Linear, Envelope::LinearExtend);

    float superShape[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float morphParams[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    float sphere[4] = {5.0f, 4.0f, 0.22f, 1.7f};
    float spike[4] = {6.0f, 5.0f, 0.55f, 6.0f};
    float knot[4] = {2.0f, 3.0f, 1.15f, 0.32f};

    ember::BlitEngine blit;
    blit.createOfflineEffects();
    // Glow on the highlights, a shallow depth of field focused on the clouds
    // (8 units below the camera), the production gradient over the grade.
    blit.effectFlags[ember::BlitEngine::SlotGlow] = true;
    blit.effectFlags[ember::BlitEngine::SlotSSAO] = true;
    blit.passCounts[ember::BlitEngine::SlotGlow] = 2;
    blit.passCounts[ember::BlitEngine::SlotBlur] = 2;
    blit.lutFade = 0.35f;
    blit.dofParams[0] = 8.0f;
    blit.dofParams[1] = 1.6f;
    blit.dofParams[2] = 6.0f;
    blit.gammaParams[0] = 1.0f;
    blit.gammaParams[1] = 1.6f;
    blit.noiseParams[2] = 0.035f;
    float glow[4] = {0.55f, 0.5f, 0.45f, 0.6f};
    std::copy(glow, glow + 4, blit.getGlowEngine()->color);
    ember::SSAOEngine* ssao = blit.getSSAOEngine();
    ssao->radius = 0.12f;
    ssao->attPower = 1.5f;

    qm::PartParameters list;
    list.envelope(&camera)
        .envelope(&assemble)
        .envelope(&effect)
        .envelope(&wobble)
        .envelope(&morph)
        .envelope(&dance)
        .floats(superShape, 4)
        .floats(morphParams, 4)
        .floats(sphere, 4)
        .floats(spike, 4)
        .floats(knot, 4);
    const std::string path = dataDir + "/intro.dat";
    std::ofstream out(path, std::ios::binary);
    if (!out || !list.save(out, blit)) {
        std::fprintf(stderr, "intro.dat: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

QM_CONTENT_GENERATOR("intro-parameters", writeIntroParameters);

}  // namespace qmgen
