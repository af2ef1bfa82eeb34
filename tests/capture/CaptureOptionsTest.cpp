#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/CaptureOptions.h"

namespace {

using qm::CaptureOptions;
using Mode = CaptureOptions::Mode;

bool parse(const std::vector<std::string>& args, CaptureOptions* options, std::string* error) {
    std::vector<const char*> argv = {"quillmoor-capture"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    return qm::parseCaptureOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

struct GoodCase {
    std::vector<std::string> args;
    Mode mode;
    CaptureOptions::Scene scene;
    int width, height, fps;
    double from, to;
    bool stats;
};

TEST(CaptureOptions, AcceptsEveryModeWithItsDefaults) {
    using S = CaptureOptions::Scene;
    const std::vector<GoodCase> cases = {
        {{"--help"}, Mode::Help, S::Quillmoor, 1280, 720, 30, 0, 0, false},
        {{"--beat", "12.5", "--output", "a.png"}, Mode::Still, S::Quillmoor, 1280, 720, 30, 0, 0, false},
        {{"--beat", "3", "--stats"}, Mode::Measure, S::Quillmoor, 1280, 720, 30, 3, 3, true},
        {{"--from", "8", "--to", "12", "--output", "frames/"},
         Mode::Frames,
         S::Quillmoor,
         1280,
         720,
         30,
         8,
         12,
         false},
        {{"--from", "0", "--to", "4.5", "--fps", "24", "--size", "640x360", "--output", "out.mp4"},
         Mode::Video,
         S::Quillmoor,
         640,
         360,
         24,
         0,
         4.5,
         false},
        {{"--preset", "party", "--from", "1", "--to", "2", "--output", "p.mp4"},
         Mode::Video,
         S::Quillmoor,
         1920,
         1080,
         60,
         1,
         2,
         false},
        // Explicit values win over the preset, whatever the order.
        {{"--size", "1280x720", "--preset", "party", "--fps", "50", "--from", "1", "--to", "2", "-o",
          "p.mp4"},
         Mode::Video,
         S::Quillmoor,
         1280,
         720,
         50,
         1,
         2,
         false},
        {{"--scene", "beat-test", "--from", "2", "--to", "3", "--stats", "--quiet"},
         Mode::Measure,
         S::BeatTest,
         1280,
         720,
         30,
         2,
         3,
         true},
        {{"--size", "17x4096", "--beat", "0", "--output", "dir/odd.png"},
         Mode::Still,
         S::Quillmoor,
         17,
         4096,
         30,
         0,
         0,
         false},
    };
    for (const GoodCase& c : cases) {
        std::string joined;
        for (const std::string& a : c.args) joined += a + " ";
        SCOPED_TRACE(joined);
        CaptureOptions o;
        std::string error;
        ASSERT_TRUE(parse(c.args, &o, &error)) << error;
        EXPECT_EQ(o.mode, c.mode);
        EXPECT_EQ(o.scene, c.scene);
        EXPECT_EQ(o.width, c.width);
        EXPECT_EQ(o.height, c.height);
        EXPECT_EQ(o.fps, c.fps);
        if (c.mode != Mode::Still && c.mode != Mode::Help) {
            EXPECT_DOUBLE_EQ(o.from, c.from);
            EXPECT_DOUBLE_EQ(o.to, c.to);
        }
        EXPECT_EQ(o.stats, c.stats);
    }
}

struct BadCase {
    std::vector<std::string> args;
    const char* errorPart;
};

TEST(CaptureOptions, RejectsBadArgumentsWithAReason) {
    const std::vector<BadCase> cases = {
        {{}, "nothing to capture"},
        {{"--bogus"}, "unknown argument"},
        {{"--beat"}, "needs a value"},
        {{"--beat", "x", "--output", "a.png"}, "bad --beat"},
        {{"--beat", "-1", "--output", "a.png"}, "bad --beat"},
        {{"--beat", "nan", "--output", "a.png"}, "bad --beat"},
        {{"--beat", "1e400", "--output", "a.png"}, "bad --beat"},
        {{"--beat", "2", "--output", "a.mp4"}, "writes a .png"},
        {{"--beat", "2"}, "--beat needs --output"},
        {{"--beat", "2", "--from", "1", "--to", "3", "--output", "a.png"}, "exclude each other"},
        {{"--beat", "2", "--fps", "30", "--output", "a.png"}, "--fps applies to a range"},
        {{"--from", "1", "--output", "d/"}, "needs both"},
        {{"--from", "3", "--to", "3", "--output", "d/"}, "after --from"},
        {{"--from", "4", "--to", "3", "--output", "d/"}, "after --from"},
        {{"--from", "1", "--to", "3"}, "a range needs --output"},
        {{"--from", "1", "--to", "3", "--output", "frames"}, "directory ending in '/'"},
        {{"--from", "1", "--to", "3", "--output", "a.png"}, "directory ending in '/'"},
        {{"--from", "1", "--to", "3", "--fps", "0", "--output", "d/"}, "bad --fps"},
        {{"--from", "1", "--to", "3", "--fps", "241", "--output", "d/"}, "bad --fps"},
        {{"--from", "1", "--to", "3", "--fps", "29.97", "--output", "d/"}, "bad --fps"},
        {{"--size", "1280", "--beat", "1", "--output", "a.png"}, "bad --size"},
        {{"--size", "8x8", "--beat", "1", "--output", "a.png"}, "bad --size"},
        {{"--size", "1280x-720", "--beat", "1", "--output", "a.png"}, "bad --size"},
        {{"--size", "99999x720", "--beat", "1", "--output", "a.png"}, "bad --size"},
        {{"--size", "641x360", "--from", "1", "--to", "2", "--output", "v.mp4"}, "even width and height"},
        {{"--scene", "nope", "--beat", "1", "--output", "a.png"}, "unknown --scene"},
        {{"--preset", "tv", "--from", "1", "--to", "2", "--output", "v.mp4"}, "unknown --preset"},
        {{"--preset", "party", "--from", "1", "--to", "2", "--output", "d/"}, "makes a video"},
        {{"--beat", "1", "--output", ""}, "empty --output"},
    };
    for (const BadCase& c : cases) {
        std::string joined;
        for (const std::string& a : c.args) joined += a + " ";
        SCOPED_TRACE(joined);
        CaptureOptions o;
        std::string error;
        EXPECT_FALSE(parse(c.args, &o, &error));
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
    }
}

TEST(CaptureOptions, HelpWinsOverOtherwiseIncompleteArguments) {
    CaptureOptions o;
    std::string error;
    ASSERT_TRUE(parse({"--from", "3", "--help"}, &o, &error));
    EXPECT_EQ(o.mode, Mode::Help);
    EXPECT_NE(std::string(qm::captureUsage()).find("Exit codes"), std::string::npos);
}

TEST(CaptureOptions, FrameCountCoversTheHalfOpenRange) {
    struct Case {
        double from, to;
        int fps, bpm;
        int64_t frames;
    } cases[] = {
        {8, 12.6666, 30, 140, 60},  // 2 s less a hair: 60 frames, not 61
        {8, 12.666666667, 30, 140, 60},
        {8, 12, 30, 120, 60},  // exactly 2 s: frame 60 would start at the end
        {0, 1, 30, 140, 13},   // 0.4286 s
        {0, 4, 60, 140, 103},
        {3, 3.001, 24, 140, 1},
    };
    for (const Case& c : cases) {
        CaptureOptions o;
        o.mode = Mode::Frames;
        o.from = c.from;
        o.to = c.to;
        o.fps = c.fps;
        EXPECT_EQ(o.frameCount(c.bpm), c.frames) << c.from << ".." << c.to << " at " << c.fps;
    }
    CaptureOptions still;
    still.mode = Mode::Still;
    EXPECT_EQ(still.frameCount(140), 1);
}

}  // namespace
