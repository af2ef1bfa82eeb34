// The parameter-file container: save then load restores every stored value
// (the depth-of-field passes always come back as 2), envelope blocks are
// required, raw tails are not. The composite's settings need no GL context.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "IntroTestSupport.h"
#include "Part.h"
#include "PartParameters.h"
#include "application/Logger.h"
#include "post/BlitEngine.h"
#include "post/GlowEngine.h"
#include "post/SSAOEngine.h"
#include "scene/Envelope.h"

namespace {

using ember::BlitEngine;
using ember::Envelope;
using ember::Ref;
using introtest::openLog;
using introtest::ramp;
using introtest::readLog;
using qm::PartParameters;

Ref<BlitEngine> offlineBlit() {
    Ref<BlitEngine> blit(new BlitEngine());
    blit->createOfflineEffects();
    return blit;
}

// The fields of a part like the Intro: six envelopes and a 20-float tail.
struct IntroLike {
    Ref<Envelope> env[6];
    float tail[20];
    PartParameters list;
    IntroLike() {
        for (int i = 0; i < 20; ++i) tail[i] = -1.0f;
        for (auto& e : env) list.envelope(&e);
        list.floats(tail, 20);
    }
};

std::string savedIntro() {
    IntroLike src;
    for (int i = 0; i < 6; ++i) src.env[i] = ramp(float(i), float(10 * i), float(i + 8), float(-i));
    for (int i = 0; i < 20; ++i) src.tail[i] = 0.5f * float(i) + 0.125f;
    Ref<BlitEngine> blit = offlineBlit();
    blit->passCounts[BlitEngine::SlotBlur] = 7;
    blit->passCounts[BlitEngine::SlotGlow] = 3;
    blit->effectFlags[BlitEngine::SlotGlow] = true;
    blit->gammaParams[0] = 1.7f;
    blit->getGlowEngine()->color[1] = 0.6f;
    std::stringstream out;
    EXPECT_TRUE(src.list.save(out, *blit));
    return out.str();
}

TEST(PartParameters, SaveThenLoadRestoresEveryValueWithTwoBlurPasses) {
    const std::string bytes = savedIntro();
    // BLIT, six envelopes of two keys, 80 bytes of tail.
    ASSERT_EQ(bytes.size(), size_t(BlitEngine::BlockSize + 6 * (20 + 2 * 40) + 80));
    EXPECT_EQ(bytes.substr(BlitEngine::BlockSize, 4), "ENVL");

    IntroLike dst;
    Ref<BlitEngine> blit = offlineBlit();
    std::istringstream in(bytes);
    ASSERT_TRUE(dst.list.load(in, *blit));
    EXPECT_EQ(blit->passCounts[BlitEngine::SlotBlur], 2);
    EXPECT_EQ(blit->passCounts[BlitEngine::SlotGlow], 3);
    EXPECT_TRUE(blit->effectFlags[BlitEngine::SlotGlow]);
    EXPECT_EQ(blit->variant, 2);
    EXPECT_EQ(blit->gammaParams[0], 1.7f);
    EXPECT_EQ(blit->getGlowEngine()->color[1], 0.6f);
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(dst.env[i]);
        EXPECT_EQ(dst.env[i]->keyCount(), 2);
        EXPECT_FLOAT_EQ(dst.env[i]->evaluate(float(i) + 4.0f), (10.0f * i - i) * 0.5f);
    }
    for (int i = 0; i < 20; ++i) EXPECT_EQ(dst.tail[i], 0.5f * float(i) + 0.125f);

    // Written again, the file is the same except for the forced pass count.
    std::stringstream again;
    ASSERT_TRUE(dst.list.save(again, *blit));
    std::string expected = bytes;
    const size_t blurPasses = 4 + 4 * (1 + 4 + 4 + 2 + 3) + 7;
    expected[blurPasses] = 2;
    EXPECT_EQ(again.str(), expected);
}

TEST(PartParameters, IntroCutInsideItsTailStillLoads) {
    const std::string bytes = savedIntro();
    // Keep three and a half floats of the tail.
    IntroLike dst;
    Ref<BlitEngine> blit = offlineBlit();
    std::istringstream in(bytes.substr(0, bytes.size() - 80 + 14));
    ASSERT_TRUE(dst.list.load(in, *blit));
    EXPECT_EQ(dst.tail[0], 0.125f);
    EXPECT_EQ(dst.tail[2], 1.125f);
    EXPECT_EQ(dst.tail[3], -1.0f);  // cut inside: the old value stays
    EXPECT_EQ(dst.tail[19], -1.0f);
}

TEST(PartParameters, HouseCutAfterItsFourthEnvelopeFails) {
    openLog();
    // House: five envelopes, no tail.
    Ref<Envelope> src[5], dst[5];
    PartParameters save, load;
    for (int i = 0; i < 5; ++i) {
        src[i] = ramp(0.0f, float(i), 4.0f, 1.0f);
        save.envelope(&src[i]);
        load.envelope(&dst[i]);
    }
    Ref<BlitEngine> blit = offlineBlit();
    std::stringstream out;
    ASSERT_TRUE(save.save(out, *blit));
    const std::string bytes = out.str();
    const size_t four = BlitEngine::BlockSize + 4 * (20 + 2 * 40);
    {
        std::istringstream whole(bytes);
        EXPECT_TRUE(load.load(whole, *offlineBlit()));
    }
    std::istringstream cut(bytes.substr(0, four));
    EXPECT_FALSE(load.load(cut, *offlineBlit()));
    // The four read before the failure keep their new contents.
    EXPECT_EQ(dst[3]->evaluate(0.0f), 3.0f);
    EXPECT_NE(readLog().find("Envelope::read"), std::string::npos) << readLog();
}

TEST(PartParameters, WrongBlockTagsFail) {
    std::string bytes = savedIntro();
    struct Case {
        size_t offset;
        const char* why;
    };
    const Case cases[] = {{0, "BLIT tag"},
                          {4 + 4 * 14 + 7 + 28, "effect block tag"},
                          {size_t(BlitEngine::BlockSize), "first ENVL"},
                          {size_t(BlitEngine::BlockSize + 3 * 100), "fourth ENVL"}};
    for (const Case& c : cases) {
        std::string damaged = bytes;
        damaged[c.offset] = 'X';
        IntroLike dst;
        std::istringstream in(damaged);
        EXPECT_FALSE(dst.list.load(in, *offlineBlit())) << c.why;
    }
}

TEST(PartParameters, SingleKeyCameraEnvelopeIsConstant) {
    Ref<Envelope> camera(new Envelope());
    Envelope::Key k;
    k.value = 0.0f;
    camera->addKey(k);
    PartParameters list;
    list.envelope(&camera);
    std::stringstream out;
    ASSERT_TRUE(list.save(out, *offlineBlit()));
    Ref<Envelope> loaded;
    PartParameters read;
    read.envelope(&loaded);
    ASSERT_TRUE(read.load(out, *offlineBlit()));
    for (float beat : {-10.0f, 0.0f, 17.5f, 95.9f, 500.0f}) EXPECT_EQ(loaded->evaluate(beat), 0.0f);
}

TEST(PartParameters, MissingFileFailsWithALogLine) {
    openLog();
    struct Probe : ember::Part {
        bool initiate() override { return true; }
        void terminate() override {}
        void update(float, float) override {}
        void render(ember::Device*, float, float) override {}
    };
    Ref<Probe> part(new Probe());
    EXPECT_FALSE(PartParameters::loadFile(*part, "no-such-part.dat"));
    EXPECT_NE(readLog().find("data/no-such-part.dat"), std::string::npos);
}

}  // namespace
