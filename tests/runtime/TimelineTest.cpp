#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Timeline.h"
#include "application/Logger.h"

using namespace ember;

namespace {

// Records every call it receives in a shared journal.
struct JournalPart : Part {
    JournalPart(std::string n, std::vector<std::string>* j, bool ok = true, int* deaths = nullptr)
        : name(std::move(n)), journal(j), initiateResult(ok), destroyed(deaths) {}
    ~JournalPart() override {
        if (destroyed) ++*destroyed;
    }
    bool initiate() override {
        journal->push_back("initiate " + name);
        return initiateResult;
    }
    void terminate() override { journal->push_back("terminate " + name); }
    void update(float beat, float) override {
        std::ostringstream s;
        s << "update " << name << " " << beat;
        journal->push_back(s.str());
    }
    void render(Device*, float, float) override { journal->push_back("render " + name); }

    std::string name;
    std::vector<std::string>* journal;
    bool initiateResult;
    int* destroyed;
};

class TimelineTest : public ::testing::Test {
protected:
    void TearDown() override {
        terminateParts();
        Logger::destroy();
    }
    std::vector<std::string> journal;
};

}  // namespace

TEST_F(TimelineTest, ActivePartsFollowClosedOpenIntervals) {
    addPart("Intro", 0, new JournalPart("A", &journal), 96);
    addPart("Flow", 96, new JournalPart("B", &journal), 224);
    addPart("Late", 300, new JournalPart("C", &journal), 400);

    struct Case {
        float beat;
        bool running;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {0.0f, true, {"update A 0", "render A"}},
        {95.9f, true, {"update A 95.9", "render A"}},
        {96.0f, true, {"update B 96", "render B"}},
        {-0.01f, true, {}},           // before the song is heard: nothing drawn, demo goes on
        {250.0f, false, {}},          // a gap ends the demo like the end does
        {400.0f, false, {}},          // the end beat belongs to nobody
        {std::nanf(""), false, {}},   // not a number matches no interval
    };
    for (const Case& c : cases) {
        journal.clear();
        EXPECT_EQ(updateParts(nullptr, c.beat, 0.016f), c.running) << "beat " << c.beat;
        EXPECT_EQ(journal, c.calls) << "beat " << c.beat;
    }
}

TEST_F(TimelineTest, OverlappingPartsRunInRegistrationOrder) {
    addPart("second", 10, new JournalPart("S", &journal), 20);
    addPart("first", 0, new JournalPart("F", &journal), 15);
    EXPECT_TRUE(updateParts(nullptr, 12.0f, 0.0f));
    EXPECT_EQ(journal, (std::vector<std::string>{"update S 12", "render S", "update F 12", "render F"}));
}

TEST_F(TimelineTest, EmptyTimelineInitiatesAndEndsAtFirstNonNegativeBeat) {
    EXPECT_TRUE(initiateParts());
    EXPECT_TRUE(updateParts(nullptr, -0.5f, 0.0f));
    EXPECT_FALSE(updateParts(nullptr, 0.0f, 0.0f));
}

TEST_F(TimelineTest, FailedInitiationStopsAndEveryPartIsStillTerminated) {
    Logger::instance().open("log.txt");
    int deaths = 0;
    addPart("One", 0, new JournalPart("1", &journal, true, &deaths), 1);
    addPart("Two", 1, new JournalPart("2", &journal, false, &deaths), 2);
    addPart("Three", 2, new JournalPart("3", &journal, true, &deaths), 3);
    EXPECT_FALSE(initiateParts());
    terminateParts();
    EXPECT_EQ(journal, (std::vector<std::string>{"initiate 1", "initiate 2", "terminate 1", "terminate 2",
                                                 "terminate 3"}));
    EXPECT_EQ(deaths, 3);  // the timeline held the only references
    EXPECT_TRUE(timelineEntries().empty());
    Logger::destroy();
    std::ifstream log("log.txt");
    std::string all((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "Unable to initiate Two\n");
}
