#pragma once
#include <cstdint>
#include <string>

#include "capture/CaptureOptions.h"

namespace qm {

class OfflineRun;

// Drives an offline demo through a capture: seeks the song to the start of
// the range, then for frame k mixes the offline output up to exactly
// floor(k × 44,100 / fps) sample frames after the start (so the song clock,
// and with it the beat, is that of k / fps, without drift), renders one
// runtime frame off-screen, reads it back and writes it out. Reports on
// stderr (errors, progress) and stdout (--stats).
class FrameCapture {
public:
    explicit FrameCapture(const CaptureOptions& options) : options_(options) {}

    // Checks the output before anything loads: the directory for frames is
    // created, the file's directory must be writable, a video needs ffmpeg.
    // kExitOk, or kExitOutput with *error set.
    static int checkOutput(const CaptureOptions& options, std::string* error);

    // The whole run; returns a CaptureExit code.
    int run(OfflineRun& offline);

    // Sample frames between the range start and frame k at fps.
    static int64_t sampleOffset(int64_t frame, int32_t fps);
    // "DIR/frame_000042.png" for frame 42.
    static std::string framePath(const std::string& directory, int64_t frame);

private:
    CaptureOptions options_;
};

}  // namespace qm
