#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "Flow.h"
#include "FlowModel.h"
#include "PartParameters.h"
#include "application/Logger.h"
#include "post/BlitEngine.h"
#include "scene/Envelope.h"

namespace {

using ember::BlitEngine;
using ember::Envelope;
using ember::Ref;

// The part with a composite engine of its own, as buildScene leaves it before reading the file.
class FlowWithComposite : public qm::Flow {
public:
    FlowWithComposite() {
        composite = new BlitEngine();
        composite->createOfflineEffects();
        blitEngine = composite;
    }
    Ref<BlitEngine> composite;
};

// "BLIT" and one "ENVL" block with a single key, as the content tool writes them.
std::string head(float cameraValue) {
    Ref<BlitEngine> blit(new BlitEngine());
    blit->createOfflineEffects();
    blit->passCounts[BlitEngine::SlotBlur] = 7;
    Ref<Envelope> envelope(new Envelope());
    Envelope::Key key;
    key.value = cameraValue;
    key.time = 96.0f;
    envelope->addKey(key);
    std::ostringstream out;
    qm::PartParameters parameters;
    parameters.envelope(&envelope);
    EXPECT_TRUE(parameters.save(out, *blit));
    return out.str();
}

std::string tailOf(const qm::FlowModel& model) {
    std::ostringstream out;
    EXPECT_TRUE(model.writeTail(out));
    return out.str();
}

class FlowParameterFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ember::Logger::instance().open("log.txt")); }
    void TearDown() override { ember::Logger::instance().close(); }
};

TEST_F(FlowParameterFile, AFileEndingAfterItsEnvelopeLoadsWithTheDefaults) {
    FlowWithComposite flow;
    std::istringstream in(head(0.0f));
    ASSERT_TRUE(flow.load(in));
    ASSERT_TRUE(flow.partEnvelope);
    EXPECT_EQ(flow.partEnvelope->keyCount(), 1);
    // The depth-of-field blur always runs two passes, whatever the file says.
    EXPECT_EQ(flow.composite->passCounts[BlitEngine::SlotBlur], 2);
    EXPECT_EQ(tailOf(flow.model()), tailOf(qm::FlowModel()));
}

TEST_F(FlowParameterFile, TheTailFollowsTheEnvelopeAndSaveWritesTheSameBytes) {
    qm::FlowModel values;
    for (int i = 0; i < 8; ++i) values.baseShapeInfo[i] = {0.0f, 0.0f, 0.9f + 0.01f * i, 0.3f};
    values.deltaX = 0.05f;
    values.noiseGain = 0.2f;
    const std::string file = head(0.0f) + tailOf(values);

    FlowWithComposite flow;
    std::istringstream in(file);
    ASSERT_TRUE(flow.load(in));
    EXPECT_FLOAT_EQ(flow.model().baseShapeInfo[3].z, 0.93f);
    EXPECT_FLOAT_EQ(flow.model().shapeInfo[3].z, 0.93f);
    EXPECT_FLOAT_EQ(flow.model().deltaX, 0.05f);
    EXPECT_FLOAT_EQ(flow.model().noiseGain, 0.2f);
    EXPECT_FLOAT_EQ(flow.model().envelope, 0.17f);

    std::ostringstream out;
    ASSERT_TRUE(flow.save(out));
    ASSERT_EQ(out.str().size(), file.size());
    // The blur pass count was forced on reading, so the saved composite differs there only.
    const std::string saved = out.str();
    EXPECT_EQ(saved.substr(saved.size() - 272), file.substr(file.size() - 272));
    EXPECT_EQ(saved.substr(0, 4), "BLIT");
}

TEST_F(FlowParameterFile, WrongBlocksFailTheLoad) {
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::string badEnvelope = head(0.0f);
    const size_t envl = badEnvelope.find("ENVL");
    ASSERT_NE(envl, std::string::npos);
    badEnvelope[envl] = 'X';
    const Case cases[] = {
        {"empty", ""},
        {"wrong composite tag", "BLOT" + head(0.0f).substr(4)},
        {"wrong envelope tag", badEnvelope},
        {"composite only", head(0.0f).substr(0, static_cast<size_t>(BlitEngine::BlockSize))},
    };
    for (const Case& c : cases) {
        FlowWithComposite flow;
        std::istringstream in(c.bytes);
        EXPECT_FALSE(flow.load(in)) << c.what;
    }
    // Without a composite engine there is nothing to read the file into.
    qm::Flow bare;
    std::istringstream in(head(0.0f));
    EXPECT_FALSE(bare.load(in));
}

TEST_F(FlowParameterFile, TheProjectionPutsTheTopOfTheViewAtMinusFour) {
    const ember::Mat4 p = qm::Flow::flowProjection();
    const ember::Vec3 top = p.transformPoint(ember::Vec3(-6.0f, -4.0f, 0.0f));
    const ember::Vec3 bottom = p.transformPoint(ember::Vec3(6.0f, 4.0f, 0.0f));
    EXPECT_FLOAT_EQ(top.x, -1.0f);
    EXPECT_FLOAT_EQ(top.y, 1.0f);
    EXPECT_FLOAT_EQ(bottom.x, 1.0f);
    EXPECT_FLOAT_EQ(bottom.y, -1.0f);
}

}  // namespace
