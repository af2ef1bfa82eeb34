// The audio layer on its own: decoding, the offline mixer, syncs, the SDL device.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "SoundFixtures.h"
#include "sound/audio/AudioOutput.h"
#include "sound/audio/WaveFile.h"

using namespace ember::audio;
using namespace soundtest;

namespace {

std::vector<int16_t> mixFrames(AudioOutput& out, uint32_t frames) {
    std::vector<int16_t> pcm;
    EXPECT_TRUE(out.mixOffline(frames, &pcm));
    return pcm;
}

// Source frame index of every mixed frame.
std::vector<int64_t> framesOf(const std::vector<int16_t>& pcm) {
    std::vector<int64_t> frames;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) frames.push_back(frameOf(&pcm[i]));
    return frames;
}

struct SyncLog {
    AudioOutput* output = nullptr;
    std::vector<uint64_t> positions;  // stream position seen by each call
    uint64_t jumpTo = AudioOutput::kInvalid;
};

void recordSync(SyncHandle, StreamHandle stream, uint32_t, void* user) {
    SyncLog* log = static_cast<SyncLog*>(user);
    // No allocation on a real mixer; the tests reserve enough room up front.
    log->positions.push_back(log->output->position(stream));
    if (log->jumpTo != AudioOutput::kInvalid) log->output->setPosition(stream, log->jumpTo);
}

}  // namespace

// ---------------------------------------------------------------- decoding

// How a decoded file is checked.
enum class Expect {
    Exact,  // lossless at the output rate: the marked PCM comes back unchanged
    Ideal,  // lossless but resampled: the sines, evaluated at 44.1 kHz, come back
    Signal  // lossy: a signal of about the right length and level
};

struct DecodeCase {
    const char* name;
    const char* file;
    int format;
    int channels;
    int rate;
    uint64_t frames;
    Expect expect;
};

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, ConvertsToStereoAt44100) {
    const DecodeCase& c = GetParam();
    const std::vector<int16_t> source =
        c.expect == Expect::Exact ? markedPcm(c.frames) : sinePcm(c.frames, c.channels, c.rate);
    ASSERT_TRUE(writeSound(c.file, source, c.channels, c.rate, c.format));

    auto out = AudioOutput::openOffline();
    const StreamHandle stream = out->createStreamFromFile(c.file, kStreamPrescan);
    ASSERT_NE(stream, 0u) << out->lastError();

    const uint64_t expectedFrames = (c.frames * 44100 + c.rate / 2) / c.rate;
    const uint64_t frames = out->length(stream) / kBytesPerFrame;
    EXPECT_EQ(out->length(stream) % kBytesPerFrame, 0u);
    if (c.expect == Expect::Signal)
        EXPECT_NEAR(static_cast<double>(frames), static_cast<double>(expectedFrames), 64.0);
    else
        EXPECT_EQ(frames, expectedFrames);
    EXPECT_EQ(out->position(stream), 0u);
    EXPECT_FALSE(out->isPlaying(stream));

    ASSERT_TRUE(out->play(stream, true));
    out->start();
    const std::vector<int16_t> pcm = mixFrames(*out, static_cast<uint32_t>(frames));
    if (c.expect == Expect::Exact) {
        EXPECT_EQ(pcm, source);
    } else if (c.expect == Expect::Ideal) {
        // Left is the first channel's sine (220 Hz), right the second's (440 Hz;
        // mono plays on both sides). The filter's edges are left out.
        const double rightHz = c.channels == 1 ? 220.0 : 440.0;
        int worst = 0;
        for (uint64_t i = 200; i + 200 < frames; ++i) {
            const double l = 12000.0 * std::sin(2.0 * M_PI * 220.0 * i / 44100.0);
            const double r = 12000.0 * std::sin(2.0 * M_PI * rightHz * i / 44100.0);
            worst = std::max(worst, static_cast<int>(std::lround(std::fabs(pcm[2 * i] - l))));
            worst = std::max(worst, static_cast<int>(std::lround(std::fabs(pcm[2 * i + 1] - r))));
        }
        EXPECT_LT(worst, 16);
    } else {
        double level = 0;
        for (int16_t v : pcm) level += std::abs(v);
        EXPECT_GT(level / pcm.size(), 5000.0);  // a 12000 sine averages 7640
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DecodeTest,
    ::testing::Values(
        DecodeCase{"Wav", "marked.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, 30000, Expect::Exact},
        DecodeCase{"Flac", "marked.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100, 30000, Expect::Exact},
        DecodeCase{"MonoWav22050", "mono.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050, 22050,
                   Expect::Ideal},
        DecodeCase{"QuadWav48000", "quad.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 4, 48000, 24000,
                   Expect::Ideal},
        DecodeCase{"StereoFlac96000", "hi.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 96000, 50000,
                   Expect::Ideal},
        DecodeCase{"OddRateWav11111", "odd.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 11111, 11111,
                   Expect::Ideal},
        DecodeCase{"OggVorbis", "sine.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, 44100, 44100,
                   Expect::Signal},
        DecodeCase{"MonoOgg32000", "mono.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1, 32000, 32000,
                   Expect::Signal}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

TEST(AudioStreamFile, UnreadableFilesFailCleanly) {
    writeBytes("empty.ogg", "");
    writeBytes("garbage.ogg", std::string(5000, '\x5a'));
    writeBytes("garbage.wav", "RIFF\x10\x00\x00\x00WAVEjunkjunkjunkjunk");
    // A valid header with no samples.
    ASSERT_TRUE(writeSound("silent.wav", {}, 2, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    // An OGG file cut inside its headers.
    ASSERT_TRUE(
        writeSound("whole.ogg", sinePcm(44100, 2, 44100), 2, 44100, SF_FORMAT_OGG | SF_FORMAT_VORBIS));
    writeBytes("cut.ogg", readBytes("whole.ogg").substr(0, 200));

    auto out = AudioOutput::openOffline();
    for (const char* path :
         {"missing.ogg", "empty.ogg", "garbage.ogg", "garbage.wav", "silent.wav", "cut.ogg"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(out->createStreamFromFile(path, kStreamPrescan), 0u);
        EXPECT_NE(out->lastError().find(path), std::string::npos) << out->lastError();
    }
    // The output is still usable.
    ASSERT_TRUE(writeMarkedWav("fine.wav", 100));
    EXPECT_NE(out->createStreamFromFile("fine.wav", 0), 0u);
}

TEST(AudioStreamFile, WaveWriterRoundTrips) {
    auto out = AudioOutput::openOffline();
    const StreamHandle stream = out->createStreamFromPcm(markedPcm(5000), 0);
    ASSERT_NE(stream, 0u);
    out->play(stream, true);
    out->start();
    const std::vector<int16_t> pcm = mixFrames(*out, 6000);  // 1000 frames of silence after the end
    ASSERT_TRUE(writeWaveFile("roundtrip.wav", pcm));
    const StreamHandle back = out->createStreamFromFile("roundtrip.wav", 0);
    ASSERT_NE(back, 0u) << out->lastError();
    EXPECT_EQ(out->length(back), 6000u * kBytesPerFrame);
    EXPECT_FALSE(writeWaveFile("odd.wav", {1, 2, 3}));
    EXPECT_FALSE(writeWaveFile("no/such/dir/x.wav", pcm));
}

// ---------------------------------------------------------------- offline mixer

TEST(OfflineMixer, PositionAdvancesByExactlyTheFramesMixed) {
    auto out = AudioOutput::openOffline();
    const StreamHandle stream = out->createStreamFromPcm(markedPcm(100000), 0);
    out->play(stream, true);
    out->start();
    uint64_t total = 0;
    std::vector<int16_t> pcm;
    for (uint32_t chunk : {1u, 17u, 511u, 512u, 513u, 4410u, 1024u, 3u}) {
        ASSERT_TRUE(out->mixOffline(chunk, &pcm));
        total += chunk;
        EXPECT_EQ(out->position(stream), total * kBytesPerFrame) << "after a chunk of " << chunk;
    }
    const std::vector<int64_t> frames = framesOf(pcm);
    for (size_t i = 0; i < frames.size(); ++i) ASSERT_EQ(frames[i], static_cast<int64_t>(i));
}

TEST(OfflineMixer, StoppedOutputPlaysSilenceAndHoldsTime) {
    auto out = AudioOutput::openOffline();
    const StreamHandle stream = out->createStreamFromPcm(markedPcm(1000), 0);
    out->play(stream, true);
    out->setPosition(stream, 400);
    EXPECT_FALSE(out->isStarted());
    const std::vector<int16_t> pcm = mixFrames(*out, 300);
    EXPECT_EQ(pcm, std::vector<int16_t>(600, 0));
    EXPECT_EQ(out->position(stream), 400u);
    out->start();
    EXPECT_EQ(framesOf(mixFrames(*out, 1))[0], 100);
    out->stop();
    EXPECT_EQ(mixFrames(*out, 5), std::vector<int16_t>(10, 0));
    EXPECT_EQ(out->position(stream), 101u * kBytesPerFrame);
}

TEST(OfflineMixer, EndStopsOrWrapsWithTheLoopFlag) {
    for (bool loop : {false, true}) {
        SCOPED_TRACE(loop ? "loop" : "no loop");
        auto out = AudioOutput::openOffline();
        const StreamHandle stream = out->createStreamFromPcm(markedPcm(1000), loop ? kSampleLoop : 0);
        out->play(stream, true);
        out->start();
        const std::vector<int64_t> frames = framesOf(mixFrames(*out, 2500));
        for (size_t i = 0; i < frames.size(); ++i) {
            if (loop)
                ASSERT_EQ(frames[i], static_cast<int64_t>(i % 1000)) << i;
            else
                ASSERT_EQ(frames[i], i < 1000 ? static_cast<int64_t>(i) : 0) << i;
        }
        EXPECT_EQ(out->isPlaying(stream), loop);
        EXPECT_EQ(out->position(stream), loop ? 500u * kBytesPerFrame : out->length(stream));
    }
}

TEST(OfflineMixer, StreamsSumAndSaturate) {
    auto out = AudioOutput::openOffline();
    const StreamHandle a = out->createStreamFromPcm({30000, -30000, 100, -100, 5, 6}, 0);
    const StreamHandle b = out->createStreamFromPcm({10000, -10000, 100, -100}, 0);
    out->play(a, true);
    out->play(b, true);
    out->start();
    EXPECT_EQ(mixFrames(*out, 4), (std::vector<int16_t>{32767, -32768, 200, -200, 5, 6, 0, 0}));
    EXPECT_TRUE(out->freeStream(a));
    EXPECT_FALSE(out->freeStream(a));
    EXPECT_EQ(out->length(a), AudioOutput::kInvalid);
    EXPECT_FALSE(out->play(a, true));
}

TEST(OfflineMixer, DeviceOutputRefusesOfflineMixing) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::string error;
    auto out = AudioOutput::openDevice(&error);
    ASSERT_TRUE(out) << error;
    std::vector<int16_t> pcm;
    EXPECT_FALSE(out->mixOffline(10, &pcm));
    EXPECT_TRUE(pcm.empty());
}

TEST(Conversions, SecondsAndBytes) {
    struct Case {
        double seconds;
        uint64_t bytes;
    };
    for (const Case& c : {Case{0.0, 0}, Case{1.0, 176400}, Case{30.0, 5292000}, Case{-2.0, 0},
                          Case{0.6 / 44100.0, 4}, Case{0.4 / 44100.0, 0}, Case{2.5f, 441000}}) {
        EXPECT_EQ(secondsToBytes(c.seconds), c.bytes) << c.seconds;
    }
    EXPECT_DOUBLE_EQ(bytesToSeconds(176400), 1.0);
    EXPECT_DOUBLE_EQ(bytesToSeconds(176403), 1.0);  // a partial frame is its frame
    EXPECT_DOUBLE_EQ(bytesToSeconds(4), 1.0 / 44100.0);
    // A length that went through a float comes back to the same frame.
    for (uint64_t frames : {88200ull, 1234567ull, 10584000ull, 10584001ull, 10583999ull}) {
        const float seconds = static_cast<float>(bytesToSeconds(frames * 4));
        EXPECT_EQ(secondsToBytes(seconds), frames * 4) << frames;
    }

    auto out = AudioOutput::openOffline();
    const StreamHandle stream = out->createStreamFromPcm(markedPcm(10), 0);
    EXPECT_EQ(out->secondsToBytes(stream, 1.0), 176400u);
    EXPECT_DOUBLE_EQ(out->bytesToSeconds(stream, 88200), 0.5);
    EXPECT_EQ(out->secondsToBytes(stream + 1, 1.0), AudioOutput::kInvalid);
    EXPECT_LT(out->bytesToSeconds(0, 4), 0.0);
}

// ---------------------------------------------------------------- silent output

namespace {

std::atomic<int> gSilentSyncs{0};

void countAndRewind(SyncHandle, StreamHandle stream, uint32_t, void* user) {
    gSilentSyncs.fetch_add(1);
    static_cast<AudioOutput*>(user)->setPosition(stream, 0);
}

}  // namespace

TEST(SilentOutput, PlaysInRealTimeNeverAheadAndStopsDead) {
    using Clock = std::chrono::steady_clock;
    auto out = AudioOutput::openSilent();
    ASSERT_TRUE(out);
    EXPECT_EQ(out->kind(), AudioOutput::Kind::Silent);
    EXPECT_EQ(out->latencyMilliseconds(), 0u);
    EXPECT_FALSE(out->mixOffline(10, nullptr));
    const StreamHandle stream = out->createStreamFromPcm(markedPcm(10 * kSampleRate), 0);
    ASSERT_NE(stream, 0u);
    out->play(stream, true);
    // A sync a tenth of a second in rewinds the stream, as a song's loop does.
    const SyncHandle loop = out->setSync(stream, kSyncPos | kSyncMixTime, kSampleRate / 10 * kBytesPerFrame,
                                         &countAndRewind, out.get());
    ASSERT_NE(loop, 0u);

    // Not started: time stands still.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(out->position(stream), 0u);

    gSilentSyncs = 0;
    const Clock::time_point before = Clock::now();
    out->start();
    // Waits (with a generous bound) until the loop has come round twice.
    const Clock::time_point deadline = before + std::chrono::seconds(20);
    while (gSilentSyncs.load() < 2 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(gSilentSyncs.load(), 2);
    EXPECT_TRUE(out->removeSync(stream, loop));

    // Without the loop the position runs on, never ahead of the wall clock.
    const uint64_t first = out->position(stream);
    while (out->position(stream) <= first + kSampleRate / 20 * kBytesPerFrame && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const uint64_t played = out->position(stream);
    const double elapsed = std::chrono::duration<double>(Clock::now() - before).count();
    EXPECT_GT(played, first);
    // Everything mixed since start, loops included: at least the rewound
    // tenths plus what followed, at most the time that has passed.
    const double mixedSeconds = 2 * 0.1 + bytesToSeconds(played);
    EXPECT_LE(mixedSeconds, elapsed + 0.01);

    // Once stop returns nothing moves any more.
    out->stop();
    const uint64_t stopped = out->position(stream);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(out->position(stream), stopped);
}

// ---------------------------------------------------------------- syncs

TEST(Syncs, FireOnceAtTheExactFrameAndMayReposition) {
    auto out = AudioOutput::openOffline();
    const StreamHandle stream = out->createStreamFromPcm(markedPcm(2000), 0);
    SyncLog log;
    log.output = out.get();
    log.positions.reserve(16);
    log.jumpTo = 100 * kBytesPerFrame;
    const SyncHandle sync =
        out->setSync(stream, kSyncPos | kSyncMixTime, 700 * kBytesPerFrame + 3, &recordSync, &log);
    ASSERT_NE(sync, 0u);
    EXPECT_EQ(out->syncCount(stream), 1);
    out->play(stream, true);
    out->start();
    // Chunks that do not line up with the sync: it still fires at its frame.
    std::vector<int16_t> pcm;
    for (int i = 0; i < 7; ++i) out->mixOffline(333, &pcm);
    const std::vector<int64_t> frames = framesOf(pcm);
    // 0..699, then 100..699 again, then 100.. : the jump happens at every pass.
    std::vector<int64_t> expected;
    for (int64_t f = 0; f < 700; ++f) expected.push_back(f);
    while (expected.size() < frames.size())
        for (int64_t f = 100; f < 700 && expected.size() < frames.size(); ++f) expected.push_back(f);
    EXPECT_EQ(frames, expected);
    ASSERT_GE(log.positions.size(), 3u);
    for (uint64_t p : log.positions) EXPECT_EQ(p, 700u * kBytesPerFrame);

    // Setting the position onto the sync does not fire it; playing through it does.
    log.positions.clear();
    log.jumpTo = AudioOutput::kInvalid;
    EXPECT_TRUE(out->setPosition(stream, 700 * kBytesPerFrame));
    out->mixOffline(10, nullptr);
    EXPECT_TRUE(log.positions.empty());

    // Removed: never again.
    EXPECT_TRUE(out->removeSync(stream, sync));
    EXPECT_FALSE(out->removeSync(stream, sync));
    EXPECT_EQ(out->syncCount(stream), 0);
    out->setPosition(stream, 600 * kBytesPerFrame);
    out->mixOffline(500, nullptr);
    EXPECT_TRUE(log.positions.empty());
}

TEST(Syncs, SyncAtTheEndFiresBeforeTheStreamEnds) {
    auto out = AudioOutput::openOffline();
    const StreamHandle stream = out->createStreamFromPcm(markedPcm(500), 0);
    SyncLog log;
    log.output = out.get();
    log.positions.reserve(16);
    log.jumpTo = 200 * kBytesPerFrame;
    out->setSync(stream, kSyncPos | kSyncMixTime, out->length(stream), &recordSync, &log);
    out->play(stream, true);
    out->start();
    const std::vector<int64_t> frames = framesOf(mixFrames(*out, 800));
    EXPECT_EQ(frames[499], 499);
    EXPECT_EQ(frames[500], 200);
    EXPECT_EQ(frames[799], 499);
    EXPECT_TRUE(out->isPlaying(stream));
    // Reached twice: after frame 499 of the first pass, and at the very end of the request.
    EXPECT_EQ(log.positions.size(), 2u);
    EXPECT_EQ(out->position(stream), 200u * kBytesPerFrame);
}

TEST(Syncs, InvalidRequestsAreRefused) {
    auto out = AudioOutput::openOffline();
    const StreamHandle stream = out->createStreamFromPcm(markedPcm(100), 0);
    SyncLog log;
    EXPECT_EQ(out->setSync(stream, kSyncPos, 40, &recordSync, &log), 0u);  // not mix-time
    EXPECT_EQ(out->setSync(stream, kSyncPos | kSyncMixTime, 40, nullptr, &log), 0u);
    EXPECT_EQ(out->setSync(stream + 256, kSyncPos | kSyncMixTime, 40, &recordSync, &log), 0u);
    for (int i = 0; i < 8; ++i)
        EXPECT_NE(out->setSync(stream, kSyncPos | kSyncMixTime, 40, &recordSync, &log), 0u);
    EXPECT_EQ(out->setSync(stream, kSyncPos | kSyncMixTime, 40, &recordSync, &log), 0u);
    EXPECT_EQ(out->syncCount(stream), 8);
    // Positions: the last frame is fine, the end and beyond are not.
    EXPECT_TRUE(out->setPosition(stream, 99 * kBytesPerFrame + 2));
    EXPECT_EQ(out->position(stream), 99u * kBytesPerFrame);
    EXPECT_FALSE(out->setPosition(stream, 100 * kBytesPerFrame));
    EXPECT_FALSE(out->setPosition(stream, UINT64_MAX));
    EXPECT_EQ(out->position(stream), 99u * kBytesPerFrame);
}

// ---------------------------------------------------------------- SDL device

TEST(DeviceOutput, DummyDriverPlaysAndLeavesNoThreadBehind) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const int threadsBefore = threadCount();
    {
        std::string error;
        auto out = AudioOutput::openDevice(&error);
        ASSERT_TRUE(out) << error;
        EXPECT_EQ(out->kind(), AudioOutput::Kind::Device);
        EXPECT_GT(out->bufferFrames(), 0u);
        EXPECT_GT(out->latencyMilliseconds(), 0u);
        EXPECT_LT(out->latencyMilliseconds(), 1000u);
        const StreamHandle stream = out->createStreamFromPcm(markedPcm(44100 * 20), 0);
        ASSERT_NE(stream, 0u);
        out->play(stream, true);
        // Not started: time stands still.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(out->position(stream), 0u);
        out->start();
        // Wall-clock time moves the position (generous bound: a sanity check).
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (out->position(stream) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const uint64_t moving = out->position(stream);
        EXPECT_GT(threadCount(), threadsBefore);  // SDL's audio thread is running
        EXPECT_GT(moving, 0u);
        EXPECT_LT(moving, out->length(stream));
        EXPECT_EQ(moving % kBytesPerFrame, 0u);
        out->stop();
        const uint64_t stopped = out->position(stream);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(out->position(stream), stopped);
        out->start();
        EXPECT_TRUE(out->freeStream(stream));  // while the device runs
    }
    EXPECT_EQ(threadCount(), threadsBefore);
}

TEST(DeviceOutput, UnavailableDriverIsReportedAsFailure) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    std::string error;
    auto out = AudioOutput::openDevice(&error);
    EXPECT_FALSE(out);
    EXPECT_FALSE(error.empty());
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    out = AudioOutput::openDevice(&error);
    EXPECT_TRUE(out) << error;
}
