// SoundDevice and Song: tempo conversions, loops and their edge cases, on the
// offline output (sample-exact) and on SDL's dummy device.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "SoundFixtures.h"
#include "application/Logger.h"
#include "sound/Song.h"
#include "sound/SoundDevice.h"
#include "sound/audio/AudioOutput.h"

using namespace ember;
using namespace soundtest;

namespace {

constexpr uint64_t kFrame = 4;  // bytes per 16-bit stereo frame

// An offline device with a started output and a marked song of `frames` frames
// at 120 bpm (one beat = 0.5 s = 22050 frames), playing from 0.
struct OfflineSong {
    Ref<SoundDevice> device;
    Ref<Song> song;

    explicit OfflineSong(uint64_t frames, const char* file = "song.wav") {
        EXPECT_TRUE(writeMarkedWav(file, frames));
        device = new SoundDevice();
        EXPECT_TRUE(device->initiateOffline());
        song = Song::open(file, device.get());
        EXPECT_TRUE(song);
        if (!song) return;
        song->setTempo(120);
        device->start();
        song->play();
    }

    // Source frame index of each of the next `frames` mixed frames.
    std::vector<int64_t> advance(uint32_t frames) {
        std::vector<int16_t> pcm;
        EXPECT_TRUE(device->advance(frames, &pcm));
        std::vector<int64_t> out;
        for (size_t i = 0; i + 1 < pcm.size(); i += 2) out.push_back(frameOf(&pcm[i]));
        return out;
    }
};

}  // namespace

TEST(SoundDevice, LifecycleOfflineAndFailures) {
    Ref<SoundDevice> device(new SoundDevice());
    EXPECT_FALSE(device->isInitialised());
    EXPECT_EQ(device->latency(), 0u);
    EXPECT_EQ(device->output(), nullptr);
    EXPECT_FALSE(device->advance(100));
    device->start();  // not initialised: nothing happens

    ASSERT_TRUE(device->initiateOffline());
    EXPECT_TRUE(device->isInitialised());
    EXPECT_TRUE(device->isOffline());
    EXPECT_EQ(device->latency(), 0u);
    EXPECT_FALSE(device->initiateOffline());
    EXPECT_FALSE(device->initiate(nullptr));
    EXPECT_TRUE(device->advance(100));

    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    Ref<SoundDevice> broken(new SoundDevice());
    std::string reason;
    EXPECT_FALSE(broken->initiate(nullptr, &reason));
    EXPECT_NE(reason.find("no-such-driver"), std::string::npos) << reason;
    EXPECT_FALSE(broken->isInitialised());
    EXPECT_EQ(broken->latency(), 0u);
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    // Without a device the silent output takes over.
    ASSERT_TRUE(broken->initiateSilent());
    EXPECT_TRUE(broken->isInitialised());
    EXPECT_TRUE(broken->isSilent());
    EXPECT_FALSE(broken->isOffline());
    EXPECT_EQ(broken->latency(), 0u);
    EXPECT_FALSE(broken->advance(100));  // its time is real time, not the caller's
    EXPECT_FALSE(broken->initiateSilent());
}

TEST(Song, ConstructionDefaultsAndTempo) {
    OfflineSong s(1000);
    ASSERT_TRUE(s.song);
    EXPECT_NE(s.song->stream(), 0u);
    EXPECT_EQ(s.song->syncHandle(), 0u);
    EXPECT_EQ(s.song->latency(), 0u);
    EXPECT_EQ(s.song->lengthInBytes(), 1000 * kFrame);
    Ref<Song> fresh = Song::open("song.wav", s.device.get());
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->bpm(), 60);
    EXPECT_EQ(fresh->beatsPerMillisecond(), 0.0f);
    EXPECT_EQ(fresh->positionInBytes(), 0u);
    fresh->setTempo(120);
    EXPECT_EQ(fresh->bpm(), 120);
    EXPECT_FLOAT_EQ(fresh->beatsPerMillisecond(), 0.002f);
}

TEST(Song, Bpm120At30SecondsIsBeat60) {
    // 31 s of 8 kHz mono: converted to 44.1 kHz stereo when opened.
    ASSERT_TRUE(
        writeSound("long.wav", sinePcm(8000 * 31, 1, 8000), 1, 8000, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    Ref<SoundDevice> device(new SoundDevice());
    ASSERT_TRUE(device->initiateOffline());
    Ref<Song> song = Song::open("long.wav", device.get());
    ASSERT_TRUE(song);
    song->setBpm(120);
    song->setBeatsPerMillisecond(120 * (1.0f / 60.0f) * 0.001f);
    EXPECT_NEAR(song->bytesToSeconds(song->lengthInBytes()), 31.0, 0.01);
    device->start();
    song->play();
    for (int second = 0; second < 30; ++second) ASSERT_TRUE(device->advance(44100));
    EXPECT_EQ(song->positionInBytes(), 30u * 44100 * kFrame);
    EXPECT_DOUBLE_EQ(song->positionInSeconds(), 30.0);
    EXPECT_FLOAT_EQ(song->positionInBeats(), 60.0f);
    // And back: beat 60 is the same byte position.
    EXPECT_TRUE(song->seekToBeat(24.0f));
    EXPECT_DOUBLE_EQ(song->positionInSeconds(), 12.0);
    EXPECT_TRUE(song->seekToBeat(60.0f));
    EXPECT_EQ(song->positionInBytes(), 30u * 44100 * kFrame);
}

TEST(Song, SeekBeyondTheEndKeepsThePosition) {
    OfflineSong s(44100);  // 1 s = 2 beats
    ASSERT_TRUE(s.song);
    s.advance(100);
    EXPECT_TRUE(s.song->seekToBeat(1.0f));
    EXPECT_EQ(s.song->positionInBytes(), 22050 * kFrame);
    EXPECT_FALSE(s.song->seekToBeat(2.0f));  // exactly the end
    EXPECT_FALSE(s.song->seekToBeat(50.0f));
    EXPECT_EQ(s.song->positionInBytes(), 22050 * kFrame);
}

TEST(Song, PositionAdvancesByExactlyTheFramesMixed) {
    OfflineSong s(50000);
    ASSERT_TRUE(s.song);
    uint64_t expected = 0;
    for (uint32_t chunk : {1u, 735u, 736u, 2048u, 4410u, 7u}) {
        const std::vector<int64_t> frames = s.advance(chunk);
        EXPECT_EQ(frames.front(), static_cast<int64_t>(expected));
        EXPECT_EQ(frames.back(), static_cast<int64_t>(expected + chunk - 1));
        expected += chunk;
        EXPECT_EQ(s.song->positionInBytes(), expected * kFrame);
    }
}

// Loop ranges in beats (120 bpm: 22050 frames a beat), clamped and converted.
struct LoopCase {
    const char* name;
    float startBeat;
    float endBeat;
    uint64_t loopStartFrame;
    uint64_t loopEndFrame;
};

class SongLoop : public ::testing::TestWithParam<LoopCase> {};

TEST_P(SongLoop, RangeIsClampedAndPlaysBackSampleExact) {
    const LoopCase& c = GetParam();
    const uint64_t length = 110250;  // 2.5 s, 5 beats
    OfflineSong s(length);
    ASSERT_TRUE(s.song);
    s.advance(1234);
    s.song->setLoop(c.startBeat, c.endBeat);
    EXPECT_EQ(s.song->loopStart(), c.loopStartFrame * kFrame);
    EXPECT_EQ(s.song->loopEnd(), c.loopEndFrame * kFrame);
    EXPECT_NE(s.song->syncHandle(), 0u);
    // Installing a loop jumps to its start at once.
    EXPECT_EQ(s.song->positionInBytes(), c.loopStartFrame * kFrame);

    // Three passes and a bit, in chunks that do not line up with the loop.
    const uint64_t span = c.loopEndFrame - c.loopStartFrame;
    std::vector<int64_t> frames;
    while (frames.size() < 3 * span + 500) {
        const std::vector<int64_t> chunk = s.advance(4096);
        frames.insert(frames.end(), chunk.begin(), chunk.end());
    }
    for (size_t i = 0; i < frames.size(); ++i)
        ASSERT_EQ(frames[i], static_cast<int64_t>(c.loopStartFrame + i % span)) << "mixed frame " << i;
    const uint64_t mixed = frames.size();
    EXPECT_EQ(s.song->positionInBytes(), (c.loopStartFrame + mixed % span) * kFrame);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, SongLoop,
    ::testing::Values(LoopCase{"Inside", 1.0f, 3.0f, 22050, 66150},
                      LoopCase{"EndBeyondStreamEndsAtStreamEnd", 2.0f, 100.0f, 44100, 110250},
                      LoopCase{"NegativeStartBeginsAtZero", -3.0f, 1.0f, 0, 22050},
                      LoopCase{"WholeStream", -1.0f, 5.0f, 0, 110250},
                      LoopCase{"FractionalBeats", 0.2f, 0.7f, 4410, 15435}),
    [](const ::testing::TestParamInfo<LoopCase>& info) { return std::string(info.param.name); });

TEST(Song, LoopInBytesClampsLikeTheBeatRange) {
    OfflineSong s(1000);
    ASSERT_TRUE(s.song);
    struct Case {
        uint64_t start, end, loopStart, loopEnd;
    };
    for (const Case& c : {Case{100 * kFrame, 400 * kFrame, 100 * kFrame, 400 * kFrame},
                          Case{1001 * kFrame, 400 * kFrame, 0, 400 * kFrame},  // start beyond: 0
                          Case{UINT64_MAX, UINT64_MAX, 0, 1000 * kFrame},      // unsigned comparisons
                          Case{1000 * kFrame, 1000 * kFrame, 1000 * kFrame, 1000 * kFrame}}) {
        s.song->setLoopInBytes(c.start, c.end);
        EXPECT_EQ(s.song->loopStart(), c.loopStart) << c.start;
        EXPECT_EQ(s.song->loopEnd(), c.loopEnd) << c.end;
    }
}

TEST(Song, InstallingALoopTwiceLeavesOneSync) {
    OfflineSong s(110250);
    ASSERT_TRUE(s.song);
    audio::AudioOutput* out = s.device->output();
    s.song->setLoop(0.0f, 4.0f);
    const uint32_t first = s.song->syncHandle();
    s.song->setLoop(1.0f, 2.0f);
    const uint32_t second = s.song->syncHandle();
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(out->syncCount(s.song->stream()), 1);
    EXPECT_FALSE(out->removeSync(s.song->stream(), first));  // already gone
    // Only the second range plays: never past beat 2, never before beat 1.
    for (int64_t f : s.advance(200000)) {
        ASSERT_GE(f, 22050);
        ASSERT_LT(f, 44100);
    }
}

TEST(Song, FailingJumpInTheCallbackGoesToZero) {
    OfflineSong s(1000);
    ASSERT_TRUE(s.song);
    // A loop start at the very end is kept (it is not beyond the stream) but
    // the stream cannot be positioned there: the loop end jumps to 0 instead.
    s.song->setLoopInBytes(1000 * kFrame, 600 * kFrame);
    EXPECT_EQ(s.song->loopStart(), 1000 * kFrame);
    EXPECT_EQ(s.song->positionInBytes(), 0u);  // the jump on installation failed too
    const std::vector<int64_t> frames = s.advance(1500);
    for (size_t i = 0; i < frames.size(); ++i) ASSERT_EQ(frames[i], static_cast<int64_t>(i % 600)) << i;
}

TEST(Song, OpeningAMissingOrCorruptFileFailsCleanly) {
    ASSERT_TRUE(Logger::instance().open("song-log.txt"));
    writeBytes("corrupt.ogg", std::string("OggS") + std::string(3000, '\x11'));
    Ref<SoundDevice> device(new SoundDevice());
    EXPECT_FALSE(Song::open("song.wav", device.get()));  // device not initialised
    ASSERT_TRUE(device->initiateOffline());
    EXPECT_FALSE(Song::open("missing.ogg", device.get()));
    EXPECT_FALSE(Song::open("corrupt.ogg", device.get()));
    EXPECT_FALSE(Song::open("song.wav", nullptr));
    Logger::destroy();
    const std::string log = readBytes("song-log.txt");
    EXPECT_NE(log.find("Song::open"), std::string::npos) << log;
    EXPECT_NE(log.find("missing.ogg"), std::string::npos) << log;
    EXPECT_NE(log.find("corrupt.ogg"), std::string::npos) << log;
    // The device is still fine for a good file.
    ASSERT_TRUE(writeMarkedWav("good.wav", 100));
    EXPECT_TRUE(Song::open("good.wav", device.get()));
}

TEST(Song, OggSongPlaysAndLoops) {
    ASSERT_TRUE(writeSound("song.ogg", sinePcm(88200, 2, 44100), 2, 44100, SF_FORMAT_OGG | SF_FORMAT_VORBIS));
    Ref<SoundDevice> device(new SoundDevice());
    ASSERT_TRUE(device->initiateOffline());
    Ref<Song> song = Song::open("song.ogg", device.get());
    ASSERT_TRUE(song);
    song->setTempo(120);
    device->start();
    song->play();
    std::vector<int16_t> first;
    device->advance(22050, &first);  // beat 0..1
    song->setLoop(0.0f, 1.0f);       // back to 0, loop over beat 0..1
    std::vector<int16_t> looped;
    device->advance(3 * 22050, &looped);
    for (int pass = 0; pass < 3; ++pass)
        ASSERT_TRUE(std::equal(first.begin(), first.end(), looped.begin() + pass * first.size())) << pass;
}

TEST(Song, SongMayOutliveItsDeviceReference) {
    OfflineSong s(5000);
    ASSERT_TRUE(s.song);
    s.song->setLoop(0.0f, 0.1f);
    // The demo drops the song first; here the device reference goes first and
    // the song keeps the output alive until it is freed.
    s.device = nullptr;
    EXPECT_TRUE(s.song->device()->isInitialised());
    EXPECT_TRUE(s.song->device()->advance(100));
    s.song = nullptr;
}

TEST(Song, DummyDevicePlaysWithWallClockTimeAndLeavesNothingBehind) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_TRUE(writeMarkedWav("dummy.wav", 44100 * 10));
    const int threadsBefore = threadCount();
    {
        Ref<SoundDevice> device(new SoundDevice());
        ASSERT_TRUE(device->initiate(nullptr));
        EXPECT_FALSE(device->isOffline());
        EXPECT_GT(device->latency(), 0u);
        Ref<Song> song = Song::open("dummy.wav", device.get());
        ASSERT_TRUE(song);
        song->setTempo(120);
        EXPECT_EQ(song->latency(), device->latency());
        device->start();
        song->play();
        // At the start the beat is negative by the latency.
        EXPECT_LT(song->positionInBeats(), 0.0f);
        song->setLoop(4.0f, 8.0f);  // 2 s .. 4 s
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (song->positionInBytes() <= song->loopStart() && std::chrono::steady_clock::now() < deadline) {
            song->update();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_GT(song->positionInBytes(), song->loopStart());
        EXPECT_LT(song->positionInBytes(), song->loopEnd());
        EXPECT_GT(song->positionInBeats(), 3.0f);
        // The demo's order: the song goes first, then the device.
        song = nullptr;
        device = nullptr;
    }
    EXPECT_EQ(threadCount(), threadsBefore);
}
