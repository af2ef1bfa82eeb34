// The Intro part without its renderer: the per-frame values update computes
// from the envelopes, the camera choice, the parameter file's item order, and
// buildScene refusing damaged instance files (on a real GL context, since the
// good files become buffer textures before a bad one is met).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "InstanceFile.h"
#include "Intro.h"
#include "IntroTestSupport.h"
#include "StutterClock.h"
#include "application/Logger.h"
#include "post/BlitEngine.h"
#include "rend/Registry.h"
#include "scene/Camera.h"
#include "scene/Envelope.h"
#include "scene/Scene.h"
#include "support/GLTestContext.h"

namespace {

using ember::Envelope;
using ember::Ref;
using introtest::openLog;
using introtest::ramp;
using introtest::readLog;
using qm::InstanceFile;
using qm::Intro;

Ref<Envelope> constant(float v) {
    Ref<Envelope> e(new Envelope());
    Envelope::Key k;
    k.value = v;
    e->addKey(k);
    return e;
}

TEST(Intro, UpdateTurnsEnvelopesAndTheClockIntoUniformValues) {
    Ref<Intro> intro(new Intro());
    intro->wobbleEnvelope = ramp(0.0f, 2.0f, 96.0f, 10.0f);
    intro->morphParamsEnvelope = ramp(0.0f, 0.0f, 16.0f, 1.0f);
    intro->effectEnvelope = ramp(0.0f, 1.0f, 64.0f, -1.0f);
    intro->morphEnvelope = ramp(0.0f, 0.0f, 64.0f, 3.0f);
    // Frame values from -24 at beat 64 rising 8 a beat: negative values truncate toward zero.
    intro->danceEnvelope = ramp(64.0f, -24.0f, 72.0f, 40.0f);
    intro->danceFrames.clear();
    for (int32_t k = 0; k < 5; ++k) intro->danceFrames.insert(intro->danceFrames.end(), {100 * k, 10 + k});
    intro->wobblePhase = 0.5f;
    for (float beat : {0.0f, 4.0f, 9.3f, 16.0f, 40.5f, 64.0f, 64.2f, 66.9f, 95.9f}) {
        intro->update(beat, 1.0f / 60.0f);
        const float frequency = 2.0f + 8.0f * beat / 96.0f;
        const float wobble = std::sin(frequency * beat + 0.5f) * 0.25f;
        EXPECT_FLOAT_EQ(intro->wobbleFrequency, frequency) << beat;
        EXPECT_NEAR(intro->wobble, wobble, 1e-5f) << beat;
        EXPECT_FLOAT_EQ(intro->morphParams[1], std::min(beat / 16.0f, 1.0f)) << beat;
        EXPECT_NEAR(intro->effectScale, (1.0f - std::min(beat, 64.0f) / 32.0f) + wobble, 1e-5f) << beat;
        EXPECT_NEAR(intro->morph, 3.0f * std::min(beat, 64.0f) / 64.0f, 1e-5f) << beat;
        EXPECT_EQ(intro->warpedTime, qm::StutterClock::warpedTime(beat)) << beat;
    }
    struct Frame {
        float beat;
        int32_t pair;
    };
    // 64.2: -22.4 -> -22, 4294967274 mod 5 = 4; 66.9: -0.8 -> 0; before 64 the
    // envelope holds -24: 4294967272 mod 5 = 2.
    const Frame frames[] = {{64.2f, 4}, {66.9f, 0}, {10.0f, 2}, {70.0f, 4}};
    for (const Frame& f : frames) {
        intro->update(f.beat, 0.0f);
        EXPECT_EQ(intro->instanceBufferOffset, 100 * f.pair) << f.beat;
        EXPECT_EQ(intro->danceInstances, 10 + f.pair) << f.beat;
    }
}

TEST(Intro, CameraEnvelopeFloorsAndClampsToTheCameraList) {
    Ref<Intro> intro(new Intro());
    for (int i = 0; i < 3; ++i) intro->cameras.push_back(new ember::Camera(45.0f, 0.25f, 512.0f));
    intro->partEnvelope = constant(0.0f);
    for (float beat : {0.0f, 15.0f, 50.0f, 95.9f}) {
        intro->update(beat, 0.0f);
        EXPECT_EQ(intro->camera.get(), intro->cameras[0].get()) << beat;
    }
    struct Case {
        float value;
        int32_t camera;
    };
    const Case cases[] = {{-3.0f, 0}, {-0.5f, 0}, {0.99f, 0}, {1.0f, 1}, {2.5f, 2}, {7.0f, 2}, {NAN, 0}};
    for (const Case& c : cases) {
        intro->partEnvelope = constant(c.value);
        intro->update(1.0f, 0.0f);
        EXPECT_EQ(intro->camera.get(), intro->cameras[c.camera].get()) << c.value;
    }
}

TEST(Intro, SaveThenLoadRestoresEnvelopesAndTheTailInFileOrder) {
    Ref<Intro> source(new Intro());
    Ref<ember::BlitEngine> blit(new ember::BlitEngine());
    blit->createOfflineEffects();
    blit->passCounts[0] = 9;
    // Intro reads its composite from the part; the test gives it the offline one.
    struct Access : Intro {
        static void give(Intro& i, ember::BlitEngine* b) { static_cast<Access&>(i).blitEngine = b; }
    };
    Access::give(*source, blit.get());
    source->partEnvelope = constant(0.0f);
    source->morphParamsEnvelope = constant(1.0f);
    source->effectEnvelope = constant(2.0f);
    source->wobbleEnvelope = constant(3.0f);
    source->morphEnvelope = constant(4.0f);
    source->danceEnvelope = constant(5.0f);
    float* tails[] = {source->superShapeParams, source->morphParams, source->sphereParams,
                      source->spikeParams, source->knotParams};
    for (int r = 0; r < 5; ++r)
        for (int i = 0; i < 4; ++i) tails[r][i] = float(10 * r + i);
    std::stringstream out;
    ASSERT_TRUE(source->save(out));
    const std::string bytes = out.str();
    ASSERT_EQ(bytes.size(), size_t(ember::BlitEngine::BlockSize + 6 * 60 + 80));
    // The tail starts with superShapeParams and ends with knotParams.
    float first, last;
    std::memcpy(&first, bytes.data() + bytes.size() - 80, 4);
    std::memcpy(&last, bytes.data() + bytes.size() - 4, 4);
    EXPECT_EQ(first, 0.0f);
    EXPECT_EQ(last, 43.0f);

    Ref<Intro> copy(new Intro());
    Ref<ember::BlitEngine> other(new ember::BlitEngine());
    other->createOfflineEffects();
    Access::give(*copy, other.get());
    std::istringstream in(bytes);
    ASSERT_TRUE(copy->load(in));
    EXPECT_EQ(other->passCounts[0], 2);
    const Ref<Envelope>* envelopes[] = {&copy->partEnvelope,   &copy->morphParamsEnvelope,
                                        &copy->effectEnvelope, &copy->wobbleEnvelope,
                                        &copy->morphEnvelope,  &copy->danceEnvelope};
    for (int i = 0; i < 6; ++i) EXPECT_EQ((*envelopes[i])->evaluate(33.0f), float(i));
    float* copied[] = {copy->superShapeParams, copy->morphParams, copy->sphereParams, copy->spikeParams,
                       copy->knotParams};
    for (int r = 0; r < 5; ++r)
        for (int i = 0; i < 4; ++i) EXPECT_EQ(copied[r][i], float(10 * r + i));
}

TEST(Intro, LoadWithoutCompositeFails) {
    openLog();
    Ref<Intro> intro(new Intro());
    std::istringstream in("BLIT");
    EXPECT_FALSE(intro->load(in));
    EXPECT_NE(readLog().find("Intro::load()"), std::string::npos);
}

// Writes the four instance files into data/models, replacing one by bytes.
void writeInstanceFiles(const std::string& damagedName, const std::string& damagedBytes) {
    std::filesystem::create_directories("data/models");
    InstanceFile cloud;
    cloud.records = {0, 0, 0, 0.1f, 1, 0, 0, 0.1f};
    InstanceFile dance = cloud;
    dance.frames = {0, 1, 1, 1};
    for (const char* name : {"marrow.vbo", "qm.vbo", "cred.vbo", "dance.avbo"}) {
        std::ofstream out(std::string("data/models/") + name, std::ios::binary);
        if (damagedName == name)
            out << damagedBytes;
        else if (std::string(name) == "dance.avbo")
            dance.write(out, true);
        else
            cloud.write(out, false);
    }
}

std::string header(int32_t stride, int32_t count) {
    std::string s;
    for (int32_t v : {stride, count})
        for (int i = 0; i < 4; ++i) s.push_back(char((uint32_t(v) >> (8 * i)) & 0xff));
    return s;
}

TEST(Intro, DamagedInstanceFilesFailBuildSceneWithALogLine) {
    EMBER_REQUIRE_GL();
    struct Case {
        const char* file;
        std::string bytes;
        const char* why;
    };
    const Case cases[] = {
        {"qm.vbo", header(16, 2) + std::string(20, '\0'), "truncated records"},
        {"cred.vbo", header(16, 0x40000000) + std::string(32, '\0'), "huge count"},
        {"marrow.vbo", header(0, 2) + std::string(32, '\0'), "zero stride"},
        {"dance.avbo", header(0x7ffffff0, 0), "huge frame table"},
        {"dance.avbo", header(0, 16) + header(2, 0), "no frames"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all("data");
        writeInstanceFiles(c.file, c.bytes);
        openLog();
        Ref<Intro> intro(new Intro());
        EXPECT_FALSE(intro->buildScene()) << c.why;
        EXPECT_NE(readLog().find(std::string("data/models/") + c.file), std::string::npos) << c.why << "\n"
                                                                                           << readLog();
        ember::textureRegistry().clear();
    }
    // A missing file fails the same way.
    std::filesystem::remove_all("data");
    writeInstanceFiles("", "");
    std::filesystem::remove("data/models/cred.vbo");
    openLog();
    Ref<Intro> intro(new Intro());
    EXPECT_FALSE(intro->buildScene());
    EXPECT_NE(readLog().find("data/models/cred.vbo"), std::string::npos);
    ember::textureRegistry().clear();
}

}  // namespace
