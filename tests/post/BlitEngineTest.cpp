// The final composite on the real context: initiate against the registries,
// the variant table, the effect chain by priority, the composite's uniforms,
// and the "BLIT" settings block.
#include <cstring>

#include "PostTestSupport.h"
#include "post/EffectRandom.h"
#include "post/GlowEngine.h"
#include "post/LightStreaksEngine.h"
#include "post/RadialBlurEngine.h"
#include "post/SSAOEngine.h"

namespace {

using namespace ember;
using posttest::DrawRecord;
using posttest::readLog;

constexpr int32_t kW = 64, kH = 48;

class BlitEngineTest : public posttest::PostTest {
protected:
    void SetUp() override {
        PostTest::SetUp();
        if (IsSkipped()) return;
        registerTargets(kW, kH);
        registerLookups();
        // The composite's own output goes to an off-screen stand-in for the window.
        window_ = makeTarget("window", makeTexture(kW, kH, TextureFormat::RGBA8).get());
        Framebuffer::setWindowStandIn(window_.get());
        resetRecords();
    }

    // Kinds of the draws, in order.
    std::vector<int32_t> kinds() {
        std::vector<int32_t> out;
        for (const DrawRecord& r : records()) out.push_back(r.kind);
        return out;
    }

    Ref<Framebuffer> window_;
};

struct VariantCase {
    std::vector<int32_t> flags;  // slots set
    int32_t variant;
    std::vector<int32_t> draws;  // probe kinds in draw order (1 pass each, blur 1 pass)
};

// 1 ssao, 2 blur, 3 glow, 4 radial blur, 5 light streaks, 6 motion blur, 100 + v composite.
TEST_F(BlitEngineTest, VariantTableAndEffectChainByPriority) {
    const VariantCase cases[] = {
        {{}, 0, {1, 100}},
        {{BlitEngine::SlotSSAO}, 4, {1, 2, 2, 104}},
        {{BlitEngine::SlotGlow}, 2, {1, 3, 3, 102}},
        {{BlitEngine::SlotLightStreaks}, 2, {1, 5, 5, 5, 5, 102}},
        {{BlitEngine::SlotRadialBlur}, 2, {1, 4, 4, 102}},
        {{BlitEngine::SlotGlow, BlitEngine::SlotSSAO}, 6, {1, 3, 3, 2, 2, 106}},
        {{BlitEngine::SlotGlow, BlitEngine::SlotLightStreaks}, 2, {1, 3, 3, 102}},
        {{BlitEngine::SlotLightStreaks, BlitEngine::SlotRadialBlur}, 2, {1, 5, 5, 5, 5, 102}},
        {{BlitEngine::SlotSSAO, BlitEngine::SlotMotionBlur}, 4, {1, 6, 104}},
        {{BlitEngine::SlotMotionBlur}, 0, {1, 100}},
        {{BlitEngine::SlotBlur, BlitEngine::SlotUnused}, 0, {1, 100}},
    };
    registerProbePrograms();
    Ref<BlitEngine> blit(new BlitEngine());
    ASSERT_TRUE(blit->initiate("qm_gradient", kW, kH)) << readLog();
    std::fill(blit->passCounts, blit->passCounts + BlitEngine::EffectSlotCount, 1);
    for (const VariantCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.flags));
        std::fill(blit->effectFlags, blit->effectFlags + BlitEngine::EffectSlotCount, false);
        for (int32_t slot : c.flags) blit->effectFlags[slot] = true;
        blit->updateVariant();
        EXPECT_EQ(blit->variant, c.variant);
        resetRecords();
        blit->render(device_.get());
        EXPECT_EQ(kinds(), c.draws);
    }
    EXPECT_EQ(readLog().find(" : GL_"), std::string::npos) << readLog();
}

TEST_F(BlitEngineTest, FlagsWithoutUpdateVariantKeepTheOldProgram) {
    registerProbePrograms();
    Ref<BlitEngine> blit(new BlitEngine());
    ASSERT_TRUE(blit->initiate("qm_gradient", kW, kH));
    blit->effectFlags[BlitEngine::SlotGlow] = true;
    blit->render(device_.get());
    EXPECT_EQ(kinds(), (std::vector<int32_t>{1, 3, 3, 100}));
}

TEST_F(BlitEngineTest, CompositeUniformsAndPerFrameNoise) {
    registerProbePrograms();
    Ref<BlitEngine> blit(new BlitEngine());
    ASSERT_TRUE(blit->initiate("qm_gradient", kW, kH));
    blit->lutFade = 0.75f;
    const float distort[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    std::memcpy(blit->distortParams, distort, sizeof(distort));
    blit->gammaParams[0] = 2.2f;
    blit->noiseParams[2] = 0.05f;
    blit->effectFlags[BlitEngine::SlotSSAO] = true;
    blit->updateVariant();
    const float range[4] = {0.5f, 100.0f, 99.5f, -50.0f};
    std::memcpy(blit->cameraRange, range, sizeof(range));
    blit->dofParams[1] = 3.0f;
    blit->dofParams[2] = 7.0f;
    blit->render(device_.get());
    blit->render(device_.get());
    std::vector<DrawRecord> draws = records();
    std::vector<DrawRecord> composites;
    for (const DrawRecord& r : draws)
        if (r.kind >= 100) composites.push_back(r);
    ASSERT_EQ(composites.size(), 2u);

    // The generator seeded with 0x12345678 runs on across frames.
    EffectRandom random(0x12345678u);
    for (const DrawRecord& r : composites) {
        EXPECT_EQ(r.kind, 104);
        EXPECT_EQ(r.maxX, kW);
        EXPECT_EQ(r.source, kW);  // "color_buffer" is the SSAO result
        EXPECT_FLOAT_EQ(r.lutFade, 0.75f);
        EXPECT_FLOAT_EQ(r.gamma[0], 2.2f);
        EXPECT_EQ(0, std::memcmp(r.distort, distort, 12));
        EXPECT_EQ(r.distort[3], 0.0f);
        const float r0 = random.next(), r1 = random.next();
        EXPECT_EQ(r.noise[0], r0);
        EXPECT_EQ(r.noise[1], r1);
        EXPECT_FLOAT_EQ(r.noise[2], 0.05f);
        EXPECT_EQ(r.invViewport[0], 0.00390625f);
        EXPECT_EQ(r.invViewport[1], 0.00390625f);
        EXPECT_EQ(0, std::memcmp(r.cameraRange, range, sizeof(range)));
        EXPECT_FLOAT_EQ(r.dofParams[3], 4.0f);
    }
    EXPECT_EQ(blit->noiseSeed, random.state);
    EXPECT_FLOAT_EQ(blit->dofParams[3], 4.0f);
    // The very first pair, spelled out: 0x12345678 * 16807 and its successor.
    EffectRandom check(0x12345678u);
    const uint32_t s1 = 0x12345678u * 16807u;
    uint32_t bits = (s1 >> 9) | 0x40000000u;
    float expected;
    std::memcpy(&expected, &bits, 4);
    EXPECT_EQ(check.next(), expected - 3.0f);
    EXPECT_EQ(composites[0].noise[0], expected - 3.0f);
}

TEST_F(BlitEngineTest, WriteThenReadRestoresEveryStoredFieldBitForBit) {
    registerProbePrograms();
    Ref<BlitEngine> source(new BlitEngine());
    ASSERT_TRUE(source->initiate("qm_gradient", kW, kH));
    source->lutFade = 0.3f;
    for (int i = 0; i < 4; ++i) {
        source->distortParams[i] = 0.01f * (i + 1);
        source->dofParams[i] = 1.5f * (i + 1);
        source->getGlowEngine()->color[i] = 0.7f + i;
        source->getLightStreaksEngine()->weights0[i] = 0.3f / (i + 1);
        source->getRadialBlurEngine()->color[i] = -0.5f * i;
    }
    source->gammaParams[0] = 2.4f;
    source->gammaParams[1] = 1.3f;
    source->noiseParams[0] = 9.0f;
    source->noiseParams[2] = 0.04f;
    source->effectFlags[BlitEngine::SlotGlow] = true;
    source->effectFlags[BlitEngine::SlotSSAO] = true;
    source->effectFlags[BlitEngine::SlotUnused] = true;
    for (int i = 0; i < BlitEngine::EffectSlotCount; ++i) source->passCounts[i] = 10 + i;
    source->getLightStreaksEngine()->direction1[0] = 0.25f;
    source->getRadialBlurEngine()->origin[1] = 0.8f;
    source->getRadialBlurEngine()->radialBlurParams[1] = 3.0f;
    SSAOEngine* ssao = source->getSSAOEngine();
    ssao->near = 0.1f;
    ssao->far = 300.0f;
    ssao->radius = 0.6f;
    ssao->attPower = 2.0f;
    ssao->depthScale = 5.0f;

    std::stringstream first;
    ASSERT_TRUE(source->write(first));
    ASSERT_EQ(first.str().size(), static_cast<size_t>(BlitEngine::BlockSize));
    const std::string bytes = first.str();
    EXPECT_EQ(bytes.substr(0, 4), "BLIT");
    const size_t tagOffsets[] = {95, 99, 119, 187, 223, 227};
    const char* tags[] = {"BLUR", "GLOW", "LSTK", "SSAO", "MOTB", "RADB"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(bytes.substr(tagOffsets[i], 4), tags[i]);
    // Flags are single bytes, 0 or 1; pass counts least significant byte first.
    EXPECT_EQ(bytes[60 + BlitEngine::SlotGlow], 1);
    EXPECT_EQ(bytes[60 + BlitEngine::SlotBlur], 0);
    EXPECT_EQ(static_cast<uint8_t>(bytes[67]), 10);
    EXPECT_EQ(bytes[68], 0);

    Ref<BlitEngine> copy(new BlitEngine());
    ASSERT_TRUE(copy->initiate("qm_gradient", kW, kH));
    ASSERT_TRUE(copy->read(first));
    EXPECT_EQ(copy->variant, 6);
    std::stringstream second;
    ASSERT_TRUE(copy->write(second));
    EXPECT_EQ(second.str(), bytes);
    EXPECT_EQ(copy->getSSAOEngine()->far, 300.0f);
    EXPECT_EQ(copy->passCounts[6], 16);
}

TEST_F(BlitEngineTest, WrongTagsFailReadAndLeaveTheVariant) {
    registerProbePrograms();
    Ref<BlitEngine> source(new BlitEngine());
    ASSERT_TRUE(source->initiate("qm_gradient", kW, kH));
    source->effectFlags[BlitEngine::SlotSSAO] = true;
    source->lutFade = 0.5f;
    std::stringstream block;
    ASSERT_TRUE(source->write(block));
    const std::string good = block.str();

    const size_t tagOffsets[] = {0, 95, 99, 119, 187, 223, 227};
    for (size_t offset : tagOffsets) {
        SCOPED_TRACE(offset);
        std::string bad = good;
        bad[offset + 1] ^= 0x20;
        Ref<BlitEngine> target(new BlitEngine());
        ASSERT_TRUE(target->initiate("qm_gradient", kW, kH));
        std::stringstream in(bad);
        EXPECT_FALSE(target->read(in));
        EXPECT_EQ(target->variant, 0);
        // A wrong "BLIT" tag changes nothing; a wrong effect tag keeps the fields read so far.
        EXPECT_EQ(target->lutFade, offset == 0 ? 0.0f : 0.5f);
    }
    // A block cut short before its fields end changes nothing either.
    Ref<BlitEngine> target(new BlitEngine());
    ASSERT_TRUE(target->initiate("qm_gradient", kW, kH));
    std::stringstream shortBlock(good.substr(0, 40));
    EXPECT_FALSE(target->read(shortBlock));
    EXPECT_EQ(target->lutFade, 0.0f);
}

TEST_F(BlitEngineTest, DefaultsAndSamplerSetsOfTheVariants) {
    Ref<BlitEngine> blit(new BlitEngine());
    EXPECT_EQ(blit->variant, 0);
    EXPECT_EQ(blit->passCounts[0], 4);
    EXPECT_EQ(blit->noiseSeed, 0x12345678u);
    EXPECT_EQ(blit->cameraRange[3], -1024.0f);
    EXPECT_EQ(blit->gammaParams[1], 1.0f);

    registerRealPrograms();
    ASSERT_TRUE(blit->initiate("qm_gradient", kW, kH)) << readLog();
    EXPECT_EQ(blit->width, kW);
    for (int32_t v = 0; v < BlitEngine::VariantCount; ++v) {
        SCOPED_TRACE(v);
        ASSERT_NE(blit->program(v), nullptr);
        EXPECT_EQ(blit->program(v)->name(), BlitEngine::variantProgramName(v));
        ASSERT_NE(blit->samplerSet(v), nullptr);
        // Every sampler a variant declares got its texture.
        EXPECT_EQ(blit->samplerSet(v)->size(), blit->program(v)->samplerMap().size());
    }
    EXPECT_EQ(blit->effectSamplerSets(BlitEngine::SlotSSAO).size(), 1u);
    EXPECT_EQ(blit->effectSamplerSets(BlitEngine::SlotSSAO)[0]->size(), 4u);
    EXPECT_EQ(blit->effectSamplerSets(BlitEngine::SlotGlow).size(), 3u);
    EXPECT_EQ(blit->effectSamplerSets(BlitEngine::SlotUnused).size(), 0u);
    EXPECT_EQ(blit->effect(BlitEngine::SlotUnused), nullptr);
    EXPECT_EQ(BlitEngine::sharedQuad(), blit->quadBuffer());
    blit.reset();
    EXPECT_EQ(BlitEngine::sharedQuad(), nullptr);
    EXPECT_EQ(MultiPassEngine::sharedQuad(), nullptr);
}

struct MissingCase {
    const char* removed;
    const char* line;
};

TEST_F(BlitEngineTest, MissingProgramOrTargetFailsInitiateWithAClearLine) {
    const MissingCase cases[] = {
        {"post/ssao", "SSAOEngine::initiate() unable to find shader: post/ssao"},
        {"post/glow", "GlowEngine::initiate() unable to find shader: post/glow"},
        {"post/motion_blur", "MotionBlurEngine::initiate() unable to find shader: post/motion_blur"},
        {"post/blit_dof_ssao", "BlitEngine::initiate() unable to find shader: post/blit_dof_ssao"},
        {"dof", "BlitEngine::initiate() unable to find framebuffer: dof"},
    };
    registerProbePrograms();
    for (const MissingCase& c : cases) {
        SCOPED_TRACE(c.removed);
        Ref<Program> program = programRegistry().get(c.removed);
        Ref<Framebuffer> framebuffer = framebufferRegistry().get(c.removed);
        programRegistry().remove(c.removed);
        framebufferRegistry().remove(c.removed);
        Ref<BlitEngine> blit(new BlitEngine());
        EXPECT_FALSE(blit->initiate("qm_gradient", kW, kH));
        EXPECT_NE(readLog().find(c.line), std::string::npos) << readLog();
        // Nothing to draw with: render does nothing.
        resetRecords();
        blit->render(device_.get());
        if (std::string(c.removed) != "post/blit_dof_ssao") {
            EXPECT_TRUE(records().empty());
        }
        if (program) programRegistry().add(c.removed, program);
        if (framebuffer) framebufferRegistry().add(c.removed, framebuffer);
    }
}

}  // namespace
