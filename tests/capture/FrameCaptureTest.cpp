#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "capture/CaptureOptions.h"
#include "capture/FrameCapture.h"
#include "capture/FrameStats.h"
#include "capture/PngWriter.h"
#include "capture/VideoEncoder.h"
#include "loaders/PNGLoader.h"

namespace {

namespace fs = std::filesystem;
using qm::CaptureOptions;
using qm::FrameCapture;

TEST(FrameCapture, SampleOffsetsAccumulateWithoutDrift) {
    for (int fps : {1, 24, 25, 30, 60, 144, 240}) {
        SCOPED_TRACE(fps);
        // After any whole number of seconds the clock sits on the exact sample.
        for (int64_t seconds : {1, 7, 3600})
            EXPECT_EQ(FrameCapture::sampleOffset(seconds * fps, fps), seconds * 44100);
        // Steps differ by at most one sample from the ideal 44100 / fps.
        const int64_t low = 44100 / fps, high = (44100 + fps - 1) / fps;
        for (int64_t k = 0; k < 3 * fps; ++k) {
            const int64_t step = FrameCapture::sampleOffset(k + 1, fps) - FrameCapture::sampleOffset(k, fps);
            EXPECT_GE(step, low);
            EXPECT_LE(step, high);
        }
    }
    EXPECT_EQ(FrameCapture::sampleOffset(0, 30), 0);
    EXPECT_EQ(FrameCapture::sampleOffset(1, 24), 1837);
    EXPECT_EQ(FrameCapture::sampleOffset(2, 24), 3675);
}

TEST(FrameCapture, NumbersFramesInTheDirectory) {
    EXPECT_EQ(FrameCapture::framePath("out/", 0), "out/frame_000000.png");
    EXPECT_EQ(FrameCapture::framePath("out", 42), "out/frame_000042.png");
    EXPECT_EQ(FrameCapture::framePath("a/b/", 1234567), "a/b/frame_1234567.png");
}

TEST(FrameCapture, ChecksTheOutputBeforeLoading) {
    const fs::path base = fs::current_path() / "check-output";
    fs::remove_all(base);
    fs::create_directories(base / "existing");
    std::ofstream(base / "plain.txt") << "x";
    const fs::path fakeBin = base / "bin";
    fs::create_directories(fakeBin);

    struct Case {
        CaptureOptions::Mode mode;
        std::string output;
        bool withFfmpeg;
        int expected;
    } cases[] = {
        {CaptureOptions::Mode::Still, (base / "a.png").string(), true, qm::kExitOk},
        {CaptureOptions::Mode::Still, (base / "missing" / "a.png").string(), true, qm::kExitOutput},
        {CaptureOptions::Mode::Still, (base / "existing").string(), true, qm::kExitOutput},
        {CaptureOptions::Mode::Frames, (base / "new" / "deeper/").string(), true, qm::kExitOk},
        {CaptureOptions::Mode::Frames, (base / "plain.txt" / "frames/").string(), true, qm::kExitOutput},
        {CaptureOptions::Mode::Video, (base / "v.mp4").string(), true, qm::kExitOk},
        {CaptureOptions::Mode::Video, (base / "v.mp4").string(), false, qm::kExitOutput},
        {CaptureOptions::Mode::Video, (base / "nope" / "v.mp4").string(), true, qm::kExitOutput},
        {CaptureOptions::Mode::Measure, "", true, qm::kExitOk},
    };
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        setenv("PATH", c.withFfmpeg ? path.c_str() : fakeBin.c_str(), 1);
        CaptureOptions o;
        o.mode = c.mode;
        o.output = c.output;
        std::string error;
        const int code = FrameCapture::checkOutput(o, &error);
        setenv("PATH", path.c_str(), 1);
        EXPECT_EQ(code, c.expected) << error;
        if (code != qm::kExitOk) {
            EXPECT_FALSE(error.empty());
        }
    }
    EXPECT_TRUE(fs::is_directory(base / "new" / "deeper"));
    EXPECT_FALSE(fs::exists(base / "a.png")) << "the check must not leave files behind";
}

TEST(PngWriter, WritesPixelsTheLoaderReadsBackExactly) {
    const int w = 7, h = 3;  // odd width: rows are not 4-byte aligned
    std::vector<uint8_t> rgb(w * h * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 37 + 11);
    const std::string path = "pattern.png";
    std::string error;
    ASSERT_TRUE(qm::PngWriter::write(path, w, h, rgb, &error)) << error;

    ember::Ref<ember::PNGLoader> loader(new ember::PNGLoader());
    ember::DecodedImage image;
    ASSERT_TRUE(loader->readImage(path, image));
    ASSERT_EQ(image.width, w);
    ASSERT_EQ(image.height, h);
    const uint8_t* pixels = static_cast<const uint8_t*>(image.pixels);
    // The loader may flip rows for GL; compare row sets in either order.
    bool topDown = true, bottomUp = true;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x) {
            topDown &= pixels[y * w * 3 + x] == rgb[y * w * 3 + x];
            bottomUp &= pixels[(h - 1 - y) * w * 3 + x] == rgb[y * w * 3 + x];
        }
    EXPECT_TRUE(topDown || bottomUp);

    // Equal pixels, equal files.
    ASSERT_TRUE(qm::PngWriter::write("pattern2.png", w, h, rgb, &error));
    std::ifstream a(path, std::ios::binary), b("pattern2.png", std::ios::binary);
    std::string da((std::istreambuf_iterator<char>(a)), {}), db((std::istreambuf_iterator<char>(b)), {});
    EXPECT_EQ(da, db);
}

TEST(PngWriter, FailsCleanlyOnBadInput) {
    std::string error;
    std::vector<uint8_t> rgb(4 * 4 * 3, 0);
    EXPECT_FALSE(qm::PngWriter::write("missing-dir/x.png", 4, 4, rgb, &error));
    EXPECT_NE(error.find("cannot write"), std::string::npos);
    EXPECT_FALSE(qm::PngWriter::write("short.png", 4, 5, rgb, &error));
    EXPECT_FALSE(std::filesystem::exists("short.png"));
}

TEST(FrameStats, SummarisesPerPartWithNearestRankPercentile) {
    qm::FrameStats stats;
    for (int i = 1; i <= 20; ++i) stats.add({"tunnel"}, i, 2.0 * i, 1000.0 + i);
    stats.add({}, 5.0, 1.0);
    stats.add({"tunnel", "overlay"}, 100.0, 50.0, 4000.0);

    ASSERT_EQ(stats.parts(), (std::vector<std::string>{"tunnel", qm::FrameStats::kNoPart, "overlay"}));
    qm::FrameStats::Summary cpu = stats.cpu("tunnel");
    EXPECT_EQ(cpu.frames, 21);
    EXPECT_DOUBLE_EQ(cpu.mean, (210.0 + 100.0) / 21.0);
    EXPECT_DOUBLE_EQ(cpu.p95, 20.0);  // rank ceil(0.95 × 21) = 20
    EXPECT_DOUBLE_EQ(cpu.worst, 100.0);
    EXPECT_DOUBLE_EQ(stats.gpu("tunnel").worst, 50.0);
    EXPECT_DOUBLE_EQ(stats.glCalls("tunnel").mean, (20 * 1000.0 + 210.0 + 4000.0) / 21.0);
    EXPECT_DOUBLE_EQ(stats.glCalls("tunnel").worst, 4000.0);
    EXPECT_DOUBLE_EQ(stats.glCalls(qm::FrameStats::kNoPart).worst, 0.0);
    EXPECT_EQ(stats.cpu("overlay").frames, 1);
    EXPECT_EQ(stats.cpu("absent").frames, 0);

    EXPECT_DOUBLE_EQ(qm::FrameStats::percentile({}, 95), 0.0);
    EXPECT_DOUBLE_EQ(qm::FrameStats::percentile({3, 1, 2}, 50), 2.0);
    EXPECT_DOUBLE_EQ(qm::FrameStats::percentile({3, 1, 2}, 100), 3.0);
    const std::string table = stats.format();
    EXPECT_NE(table.find("tunnel"), std::string::npos);
    EXPECT_NE(table.find("gpu p95"), std::string::npos);
    EXPECT_NE(table.find("gl mean"), std::string::npos);
}

TEST(VideoEncoder, QuotesPathsForTheShell) {
    EXPECT_EQ(qm::shellQuote("a b"), "'a b'");
    EXPECT_EQ(qm::shellQuote("it's"), "'it'\\''s'");
    EXPECT_EQ(qm::shellQuote("$(rm -rf x)"), "'$(rm -rf x)'");
}

}  // namespace
