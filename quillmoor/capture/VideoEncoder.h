#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace qm {

// Turns captured frames and the PCM mixed for the same range into an MP4
// (H.264 yuv420p, AAC) through the ffmpeg program: the frames stream through
// a pipe into a video-only file beside the output, the PCM goes into a WAV
// file, and a final ffmpeg run muxes both. Temporary files are removed.
class VideoEncoder {
public:
    VideoEncoder() = default;
    ~VideoEncoder();

    // The ffmpeg executable found on PATH; empty when there is none.
    static std::string findFfmpeg();

    // Starts the video encoder. False with *error set when ffmpeg is missing
    // or cannot be started.
    bool open(const std::string& path, int32_t width, int32_t height, int32_t fps, std::string* error);
    // One frame of width × height × 3 bytes (RGB, top row first).
    bool writeFrame(const std::vector<uint8_t>& rgb, std::string* error);
    // Ends the video, writes pcm (interleaved 16-bit stereo at 44,100 Hz) and
    // muxes it. False with *error set; the output is then removed.
    bool finish(const std::vector<int16_t>& pcm, std::string* error);
    // Stops the encoder and removes every file it made.
    void abort();

private:
    bool closePipe();
    void removeTemporaries();

    std::string ffmpeg_;
    std::string path_;
    std::string videoPath_;
    std::string audioPath_;
    std::string logPath_;
    FILE* pipe_ = nullptr;
    size_t frameBytes_ = 0;
};

// The text quoted for a POSIX shell.
std::string shellQuote(const std::string& text);

}  // namespace qm
