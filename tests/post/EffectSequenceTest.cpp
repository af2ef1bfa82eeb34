// The multi-pass effects' render sequences on the real context: which target
// each draw covers, which sampler set it reads, the uniforms it gets, and the
// fixed SSAO kernel. A probe program records every draw.
#include <cmath>
#include <cstring>

#include "PostTestSupport.h"
#include "post/BlurEngine.h"
#include "post/GlowEngine.h"
#include "post/LightStreaksEngine.h"
#include "post/MotionBlurEngine.h"
#include "post/RadialBlurEngine.h"
#include "post/SSAOEngine.h"

namespace {

using namespace ember;
using posttest::DrawRecord;
using posttest::readLog;

constexpr int32_t kTempW = 16, kTempH = 8, kFinalW = 32, kFinalH = 16;

class EffectSequenceTest : public posttest::PostTest {
protected:
    void SetUp() override {
        PostTest::SetUp();
        if (IsSkipped()) return;
        temp_ = makeTarget("t", makeTexture(kTempW, kTempH, TextureFormat::RGBA16F).get());
        final_ = makeTarget("f", makeTexture(kFinalW, kFinalH, TextureFormat::RGBA16F).get());
        resetRecords();
    }

    // Three sets for sampler "tex" whose textures are 1, 2 and 3 texels wide,
    // so a record's source says which set the draw read.
    SamplerSetList threeSets(Program* program) {
        SamplerSetList sets;
        for (int32_t width = 1; width <= 3; ++width) {
            SamplerSetBuilder builder;
            builder.setProgram(program);
            builder.addTexture(makeTexture(width, 1, TextureFormat::RGBA8).get(), "tex");
            sets.push_back(builder.samplerSet());
        }
        return sets;
    }

    Ref<Framebuffer> temp_, final_;
};

// Draws into the temporary target cover its width; into the final one, its width.
constexpr int32_t T = kTempW, F = kFinalW;

struct BlurCase {
    int32_t passes;
    std::vector<int32_t> targets;
    std::vector<int32_t> sources;
};

TEST_F(EffectSequenceTest, BlurDrawsTwicePerPassReadingSourceThenFinalAndTemporary) {
    const BlurCase cases[] = {
        {0, {}, {}},
        {1, {T, F}, {1, 2}},
        {3, {T, F, T, F, T, F}, {1, 2, 3, 2, 3, 2}},
    };
    Ref<Program> probe = makeProbe("post/blur", 2);
    Ref<BlurEngine> blur(new BlurEngine(probe.get()));
    ASSERT_TRUE(blur->initiate(temp_.get(), final_.get()));
    const SamplerSetList sets = threeSets(probe.get());
    for (const BlurCase& c : cases) {
        SCOPED_TRACE(c.passes);
        resetRecords();
        blur->render(device_.get(), sets, c.passes);
        const std::vector<DrawRecord> draws = records();
        ASSERT_EQ(draws.size(), c.targets.size());
        for (size_t i = 0; i < draws.size(); ++i) {
            EXPECT_EQ(draws[i].maxX, c.targets[i]) << "draw " << i;
            EXPECT_EQ(draws[i].source, c.sources[i]) << "draw " << i;
            // Horizontal steps in the temporary target's texels, vertical ones in the final's.
            if (i % 2 == 0) {
                EXPECT_FLOAT_EQ(draws[i].texel[0], 1.0f / kTempW);
                EXPECT_FLOAT_EQ(draws[i].texel[1], 0.0f);
            } else {
                EXPECT_FLOAT_EQ(draws[i].texel[0], 0.0f);
                EXPECT_FLOAT_EQ(draws[i].texel[1], 1.0f / kFinalH);
            }
        }
    }
    EXPECT_FALSE(device_->blendState().enabled);
    EXPECT_EQ(readLog().find(" : GL_"), std::string::npos) << readLog();
}

TEST_F(EffectSequenceTest, GlowWithOnePassDrawsTheColourThenBlack) {
    Ref<Program> probe = makeProbe("post/glow", 3);
    Ref<GlowEngine> glow(new GlowEngine(probe.get()));
    ASSERT_TRUE(glow->initiate(temp_.get(), final_.get()));
    glow->color[0] = 0.25f;
    glow->color[1] = 0.5f;
    glow->color[2] = 0.75f;
    glow->color[3] = 2.0f;
    glow->render(device_.get(), threeSets(probe.get()), 1);
    const std::vector<DrawRecord> draws = records();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].maxX, T);
    EXPECT_EQ(draws[0].source, 1);
    EXPECT_EQ(std::vector<float>(draws[0].color, draws[0].color + 4),
              (std::vector<float>{0.25f, 0.5f, 0.75f, 2.0f}));
    EXPECT_FLOAT_EQ(draws[0].texel[1], 0.0f);
    EXPECT_EQ(draws[1].maxX, F);
    EXPECT_EQ(draws[1].source, 2);
    EXPECT_EQ(std::vector<float>(draws[1].color, draws[1].color + 4), (std::vector<float>{0, 0, 0, 1}));
    EXPECT_FLOAT_EQ(draws[1].texel[0], 0.0f);
}

TEST_F(EffectSequenceTest, RadialBlurSendsBothTexelComponentsAndItsParameters) {
    Ref<Program> probe = makeProbe("post/radial_blur", 4);
    Ref<RadialBlurEngine> radial(new RadialBlurEngine(probe.get()));
    ASSERT_TRUE(radial->initiate(temp_.get(), final_.get()));
    radial->render(device_.get(), threeSets(probe.get()), 2);
    const std::vector<DrawRecord> draws = records();
    ASSERT_EQ(draws.size(), 4u);
    const int32_t sources[] = {1, 2, 3, 2};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(draws[i].source, sources[i]);
        const bool toTemp = i % 2 == 0;
        EXPECT_EQ(draws[i].maxX, toTemp ? T : F);
        EXPECT_FLOAT_EQ(draws[i].texel[0], toTemp ? 1.0f / kTempW : 1.0f / kFinalW);
        EXPECT_FLOAT_EQ(draws[i].texel[1], toTemp ? 1.0f / kTempH : 1.0f / kFinalH);
        const float first[4] = {0.5f, 0.5f, 0.5f, 2.0f}, later[4] = {0, 0, 0, 1};
        EXPECT_EQ(0, std::memcmp(draws[i].color, i == 0 ? first : later, sizeof(first)));
    }
}

struct StreakCase {
    int32_t passes;
    size_t draws;
};

TEST_F(EffectSequenceTest, LightStreaksRoundPassesUpToEvenAndEndInTheFinalTarget) {
    const StreakCase cases[] = {{0, 0}, {1, 4}, {2, 4}, {3, 8}};
    Ref<Program> probe = makeProbe("post/lightstreaks", 5);
    Ref<LightStreaksEngine> streaks(new LightStreaksEngine(probe.get()));
    ASSERT_TRUE(streaks->initiate(temp_.get(), final_.get()));
    const SamplerSetList sets = threeSets(probe.get());
    for (const StreakCase& c : cases) {
        SCOPED_TRACE(c.passes);
        resetRecords();
        streaks->render(device_.get(), sets, c.passes);
        const std::vector<DrawRecord> draws = records();
        ASSERT_EQ(draws.size(), c.draws);
        for (size_t i = 0; i < draws.size(); ++i) {
            SCOPED_TRACE(i);
            const size_t pass = i / 2;
            const bool second = i % 2 == 1;
            EXPECT_EQ(draws[i].maxX, pass % 2 == 0 ? T : F);
            EXPECT_EQ(draws[i].source, pass == 0 ? 1 : pass % 2 == 1 ? 2 : 3);
            EXPECT_FLOAT_EQ(draws[i].b, static_cast<float>(pass + 1));
            const float* direction = second ? streaks->direction1 : streaks->direction0;
            EXPECT_FLOAT_EQ(draws[i].direction[0], direction[0]);
            EXPECT_FLOAT_EQ(draws[i].direction[1], direction[1]);
            EXPECT_FLOAT_EQ(draws[i].weights[1], 0.1875f);
            EXPECT_FLOAT_EQ(draws[i].color[3], i == 0 ? 2.0f : 1.0f);
        }
        if (!draws.empty()) {
            EXPECT_EQ(draws.back().maxX, F);
        }
        EXPECT_FALSE(device_->blendState().enabled);
    }
}

TEST_F(EffectSequenceTest, LightStreaksWithoutPassesClearTheFinalTarget) {
    Ref<Program> probe = makeProbe("post/lightstreaks", 5);
    Ref<LightStreaksEngine> streaks(new LightStreaksEngine(probe.get()));
    ASSERT_TRUE(streaks->initiate(temp_.get(), final_.get()));
    device_->setFramebuffer(final_.get());
    device_->setClearColor(1, 1, 1, 1);
    device_->clear(GL_COLOR_BUFFER_BIT);
    device_->setClearColor(0, 0, 0, 0);
    streaks->render(device_.get(), threeSets(probe.get()), 0);
    const std::vector<float> pixels = readTexture(final_->texture(Attachment::Color0), kFinalW, kFinalH);
    for (float v : pixels) ASSERT_EQ(v, 0.0f);
}

TEST_F(EffectSequenceTest, MotionBlurAndSSAODrawOncePerRenderIntoTheFinalTarget) {
    Ref<Program> motionProbe = makeProbe("post/motion_blur", 6);
    Ref<MotionBlurEngine> motion(new MotionBlurEngine(motionProbe.get()));
    ASSERT_TRUE(motion->initiate(temp_.get(), final_.get()));
    SamplerSetBuilder builder;
    builder.setProgram(motionProbe.get());
    builder.addTexture(makeTexture(3, 1, TextureFormat::RGBA8).get(), "color_buffer");
    motion->render(device_.get(), {builder.samplerSet()}, 5);

    programRegistry().add("post/ssao", makeProbe("post/ssao", 1));
    Ref<SSAOEngine> ssao(new SSAOEngine());
    ASSERT_TRUE(ssao->initiate(final_.get(), final_.get()));
    builder.setProgram(ssao->program());
    builder.addTexture(makeTexture(2, 1, TextureFormat::RGBA8).get(), "color_buffer");
    ssao->render(device_.get(), {builder.samplerSet()}, 7);

    const std::vector<DrawRecord> draws = records();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].kind, 6);
    EXPECT_EQ(draws[0].maxX, F);
    EXPECT_EQ(draws[0].source, 3);
    EXPECT_FLOAT_EQ(draws[0].texel[1], 1.0f / kFinalH);
    EXPECT_EQ(draws[1].kind, 1);
    EXPECT_EQ(draws[1].maxX, F);
    EXPECT_EQ(draws[1].source, 2);
    EXPECT_FLOAT_EQ(draws[1].texel[0], 1.0f / kFinalW);
}

// The kernel comes from the 16807 generator seeded with 1: its first sample
// uses the states 16807 and 282475249 (16807^2), whose upper 23 bits become
// the mantissas of floats in [2, 4).
TEST_F(EffectSequenceTest, SSAOKernelIsFixedAndUploaded) {
    registerProgram("post/ssao");
    Ref<SSAOEngine> first(new SSAOEngine());
    ASSERT_TRUE(first->initiate(final_.get(), final_.get()));
    const float u = (2.0f * (1.0f + 32.0f / 8388608.0f) - 3.0f) * 16.0f;  // 16807 >> 9 = 32
    const uint32_t bits = (282475249u >> 9) | 0x40000000u;
    float f;
    std::memcpy(&f, &bits, 4);
    const float w = (f - 3.0f) * 16.0f;
    EXPECT_FLOAT_EQ(first->giSamples()[0], u / kFinalW);
    EXPECT_FLOAT_EQ(first->giSamples()[1], w / kFinalH);
    EXPECT_FLOAT_EQ(first->giSamples()[2], 1.0f - std::sqrt(u * u + w * w) / std::sqrt(512.0f));
    for (int k = 0; k < SSAOEngine::SampleCount; ++k) {
        EXPECT_GT(first->giSamples()[k * 3 + 2], 0.0f);
        EXPECT_LE(first->giSamples()[k * 3 + 2], 1.0f);
    }

    // A second initiate draws the same kernel, and the program holds it.
    Ref<SSAOEngine> second(new SSAOEngine());
    ASSERT_TRUE(second->initiate(final_.get(), final_.get()));
    EXPECT_EQ(0, std::memcmp(first->giSamples(), second->giSamples(), sizeof(float) * 48));
    const GLint location = glGetUniformLocation(second->program()->glName(), "gi_samples[15]");
    ASSERT_GE(location, 0);
    float uploaded[3];
    glGetUniformfv(second->program()->glName(), location, uploaded);
    EXPECT_EQ(0, std::memcmp(uploaded, second->giSamples() + 45, sizeof(uploaded)));
}

TEST_F(EffectSequenceTest, EffectBlocksRoundTripAndRefuseAWrongTag) {
    Ref<Program> probe = makeProbe("post/lightstreaks", 5);
    Ref<LightStreaksEngine> streaks(new LightStreaksEngine(probe.get()));
    for (int i = 0; i < 4; ++i) streaks->color[i] = 0.1f * (i + 1);
    streaks->direction0[0] = -3.0f;
    streaks->weights1[3] = 0.01f;
    std::stringstream block;
    ASSERT_TRUE(streaks->write(block));
    EXPECT_EQ(block.str().size(), static_cast<size_t>(LightStreaksEngine::BlockSize));
    EXPECT_EQ(block.str().substr(0, 4), "LSTK");
    Ref<LightStreaksEngine> copy(new LightStreaksEngine(probe.get()));
    ASSERT_TRUE(copy->read(block));
    EXPECT_EQ(0, std::memcmp(copy->color, streaks->color, sizeof(copy->color)));
    EXPECT_EQ(copy->direction0[0], -3.0f);
    EXPECT_EQ(copy->weights1[3], 0.01f);

    std::string wrong = block.str();
    wrong[0] = 'X';
    std::stringstream bad(wrong);
    Ref<GlowEngine> glow(new GlowEngine(probe.get()));
    EXPECT_FALSE(glow->read(bad));
    EXPECT_FLOAT_EQ(glow->color[0], 0.5f);
}

TEST_F(EffectSequenceTest, MissingProgramFailsInitiateWithOneLine) {
    Ref<BlurEngine> blur(new BlurEngine(nullptr));
    EXPECT_FALSE(blur->initiate(temp_.get(), final_.get()));
    Ref<SSAOEngine> ssao(new SSAOEngine());
    EXPECT_FALSE(ssao->initiate(temp_.get(), final_.get()));
    const std::string log = readLog();
    EXPECT_NE(log.find("BlurEngine::initiate() unable to find shader: post/blur"), std::string::npos) << log;
    EXPECT_NE(log.find("SSAOEngine::initiate() unable to find shader: post/ssao"), std::string::npos) << log;
    // Rendering an effect that never initiated draws nothing.
    blur->render(device_.get(), {}, 2);
    EXPECT_TRUE(records().empty());
}

TEST_F(EffectSequenceTest, SharedQuadLivesWhileAnEffectHoldsIt) {
    Ref<Program> probe = makeProbe("post/blur", 2);
    {
        Ref<BlurEngine> a(new BlurEngine(probe.get()));
        Ref<BlurEngine> b(new BlurEngine(probe.get()));
        ASSERT_TRUE(a->initiate(temp_.get(), final_.get()));
        ASSERT_TRUE(b->initiate(temp_.get(), final_.get()));
        EXPECT_EQ(a->quadBuffer(), b->quadBuffer());
        EXPECT_EQ(MultiPassEngine::sharedQuad(), a->quadBuffer());
        a.reset();
        EXPECT_NE(MultiPassEngine::sharedQuad(), nullptr);
    }
    EXPECT_EQ(MultiPassEngine::sharedQuad(), nullptr);
}

}  // namespace
