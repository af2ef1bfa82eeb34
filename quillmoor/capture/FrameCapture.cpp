#include "capture/FrameCapture.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "DemoApplication.h"
#include "Timeline.h"
#include "application/Logger.h"
#include "capture/FrameStats.h"
#include "capture/OfflineDemo.h"
#include "capture/PngWriter.h"
#include "capture/VideoEncoder.h"
#include "rend/DeviceError.h"
#include "rend/Query.h"
#include "sound/Song.h"
#include "sound/SoundDevice.h"
#include "sound/audio/AudioFormat.h"

namespace qm {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The directory a file is written into ("." for a bare name).
std::string directoryOf(const std::string& path) {
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

bool writableDirectory(const std::string& directory) {
    std::error_code ec;
    return std::filesystem::is_directory(directory, ec) && access(directory.c_str(), W_OK | X_OK) == 0;
}

// Progress with an estimate of the time left, at most once a second; on a
// terminal the line is rewritten in place.
class Progress {
public:
    Progress(int64_t total, bool enabled) : total_(total), enabled_(enabled && total > 1) {
        tty_ = isatty(STDERR_FILENO) != 0;
    }
    void update(int64_t done) {
        if (!enabled_) return;
        const double elapsed = secondsSince(start_);
        if (done < total_ && elapsed - lastShown_ < 1.0) return;
        lastShown_ = elapsed;
        const double eta =
            done > 0 ? elapsed / static_cast<double>(done) * static_cast<double>(total_ - done) : 0.0;
        std::fprintf(stderr, "%sframe %lld/%lld (%3.0f%%), %.1f s elapsed, ETA %.1f s%s", tty_ ? "\r" : "",
                     static_cast<long long>(done), static_cast<long long>(total_),
                     100.0 * static_cast<double>(done) / static_cast<double>(total_), elapsed, eta,
                     tty_ ? "   " : "\n");
        if (tty_ && done == total_) std::fprintf(stderr, "\n");
        std::fflush(stderr);
    }

private:
    int64_t total_;
    bool enabled_;
    bool tty_ = false;
    Clock::time_point start_ = Clock::now();
    double lastShown_ = 0.0;
};

// Names of the timeline entries whose interval holds beat, as updateParts matches them.
std::vector<std::string> activeParts(float beat) {
    std::vector<std::string> names;
    for (const ember::PartEntry& entry : ember::timelineEntries())
        if (beat >= entry.begin && beat < entry.end) names.push_back(entry.name);
    return names;
}

}  // namespace

int64_t FrameCapture::sampleOffset(int64_t frame, int32_t fps) {
    return frame * static_cast<int64_t>(ember::audio::kSampleRate) / fps;
}

std::string FrameCapture::framePath(const std::string& directory, int64_t frame) {
    char name[32];
    std::snprintf(name, sizeof(name), "frame_%06lld.png", static_cast<long long>(frame));
    std::string dir = directory;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir + name;
}

int FrameCapture::checkOutput(const CaptureOptions& options, std::string* error) {
    using Mode = CaptureOptions::Mode;
    switch (options.mode) {
        case Mode::Still:
        case Mode::Video: {
            std::error_code ec;
            if (std::filesystem::is_directory(options.output, ec)) {
                *error = "output " + options.output + " is a directory";
                return kExitOutput;
            }
            const std::string directory = directoryOf(options.output);
            if (!writableDirectory(directory)) {
                *error = "cannot write into " + directory + " (missing or not writable)";
                return kExitOutput;
            }
            if (options.mode == Mode::Video && VideoEncoder::findFfmpeg().empty()) {
                *error = "ffmpeg not found on PATH (needed for video output)";
                return kExitOutput;
            }
            return kExitOk;
        }
        case Mode::Frames: {
            std::error_code ec;
            std::filesystem::create_directories(options.output, ec);
            if (ec || !writableDirectory(options.output)) {
                *error = "cannot write into " + options.output + (ec ? ": " + ec.message() : std::string());
                return kExitOutput;
            }
            return kExitOk;
        }
        default:
            return kExitOk;
    }
}

int FrameCapture::run(OfflineRun& offline) {
    using Mode = CaptureOptions::Mode;
    ember::Logger& log = ember::Logger::instance();

    const Clock::time_point loadStart = Clock::now();
    if (!offline.start()) {
        std::fprintf(stderr, "quillmoor-capture: the demo failed to load (see log.txt)\n");
        offline.stop();
        return kExitLoad;
    }
    const double loadSeconds = secondsSince(loadStart);

    ember::DemoApplication& demo = offline.demo();
    ember::Song* song = demo.demoSong();
    ember::SoundDevice* sound = demo.demoSoundDevice();
    const bool still = options_.mode == Mode::Still;
    const double from = still ? options_.beat : options_.from;
    const double to = still ? options_.beat : options_.to;
    const double songBeats = song->bytesToSeconds(song->lengthInBytes()) * song->bpm() / 60.0;
    // The clock is the song: a frame past its end would have no time.
    const bool inside = to > from ? to <= songBeats + 1e-6 : from < songBeats;
    if (!inside || !song->seekToBeat(static_cast<float>(from))) {
        std::fprintf(stderr, "quillmoor-capture: beats %g to %g lie outside the song (%.3f beats)\n", from,
                     to, songBeats);
        offline.stop();
        return kExitUsage;
    }

    const int64_t frames = std::max<int64_t>(1, options_.frameCount(song->bpm()));
    const bool video = options_.mode == Mode::Video;
    log.writeFormatted("Capture: beats %g to %g, %lld frames at %d fps, %dx%d", from, to,
                       static_cast<long long>(frames), options_.fps, options_.width, options_.height);

    VideoEncoder encoder;
    std::string error;
    if (video && !encoder.open(options_.output, options_.width, options_.height, options_.fps, &error)) {
        std::fprintf(stderr, "quillmoor-capture: %s\n", error.c_str());
        offline.stop();
        return kExitOutput;
    }

    ember::Ref<ember::Query> timer(new ember::Query(ember::QueryTarget::TimeElapsed));
    timer->create();
    FrameStats stats;
    Progress progress(frames, !options_.quiet);
    std::vector<uint8_t> rgb;
    std::vector<int16_t> pcm;
    int64_t mixed = 0;
    int exitCode = kExitOk;
    const Clock::time_point captureStart = Clock::now();

    for (int64_t k = 0; k < frames; ++k) {
        const int64_t target = sampleOffset(k, options_.fps);
        if (target > mixed) {
            sound->advance(static_cast<uint32_t>(target - mixed), video ? &pcm : nullptr);
            mixed = target;
        }
        const float beat = demo.currentBeat();

        const Clock::time_point cpuStart = Clock::now();
        timer->begin();
        const uint64_t callsBefore = ember::glCheckCount();
        offline.renderFrame();
        const uint64_t glCalls = ember::glCheckCount() - callsBefore;
        timer->end();
        const double cpuMilliseconds = secondsSince(cpuStart) * 1000.0;
        if (!offline.surface().readRGB(&rgb)) {
            std::fprintf(stderr, "quillmoor-capture: reading frame %lld back failed (see log.txt)\n",
                         static_cast<long long>(k));
            exitCode = kExitLoad;
            break;
        }
        const double gpuMilliseconds = static_cast<double>(timer->getResult()) / 1.0e6;
        stats.add(activeParts(beat), cpuMilliseconds, gpuMilliseconds, static_cast<double>(glCalls));

        bool written = true;
        if (still)
            written = PngWriter::write(options_.output, options_.width, options_.height, rgb, &error);
        else if (options_.mode == Mode::Frames)
            written =
                PngWriter::write(framePath(options_.output, k), options_.width, options_.height, rgb, &error);
        else if (video)
            written = encoder.writeFrame(rgb, &error);
        if (!written) {
            std::fprintf(stderr, "quillmoor-capture: %s\n", error.c_str());
            exitCode = kExitOutput;
            break;
        }
        progress.update(k + 1);
    }

    if (exitCode == kExitOk && video) {
        // The audio covers exactly the frames' time: up to where frame N would start.
        const int64_t end = sampleOffset(frames, options_.fps);
        if (end > mixed) sound->advance(static_cast<uint32_t>(end - mixed), &pcm);
        if (!encoder.finish(pcm, &error)) {
            std::fprintf(stderr, "quillmoor-capture: %s\n", error.c_str());
            exitCode = kExitOutput;
        }
    } else if (video) {
        encoder.abort();
    }

    if (exitCode == kExitOk && options_.stats) {
        std::printf("load time: %.3f s\n", loadSeconds);
        std::printf("range: beats %g to %g, %lld frames at %d fps, %dx%d\n", from, to,
                    static_cast<long long>(frames), options_.fps, options_.width, options_.height);
        std::printf("%s", stats.format().c_str());
        const double captureSeconds = secondsSince(captureStart);
        std::printf("capture: %lld frames in %.3f s (%.1f frames/s, mixing, read-back and output included)\n",
                    static_cast<long long>(frames), captureSeconds,
                    captureSeconds > 0.0 ? static_cast<double>(frames) / captureSeconds : 0.0);
        std::fflush(stdout);
    }
    timer->destroy();
    timer.reset();
    offline.stop();
    return exitCode;
}

}  // namespace qm
