#pragma once
#include <cstdint>
#include <string>

namespace qm {

// Exit codes of quillmoor-capture, for scripts.
enum CaptureExit : int {
    kExitOk = 0,
    kExitUsage = 2,   // bad arguments, or a range the song does not cover
    kExitLoad = 3,    // window, GL context, off-screen target or demo content failed
    kExitOutput = 4,  // output not writable, ffmpeg missing or failing, PNG not written
};

// What one capture run does, parsed from its command line.
struct CaptureOptions {
    enum class Mode {
        Help,     // print the usage and exit
        Still,    // one frame at `beat` into a PNG file (or only measured)
        Frames,   // the range into numbered PNG files in a directory
        Video,    // the range into an H.264/AAC video through ffmpeg
        Measure,  // the range rendered and measured, nothing written
    };
    enum class Scene { Quillmoor, BeatTest };

    Mode mode = Mode::Help;
    Scene scene = Scene::Quillmoor;
    int32_t width = 1280;
    int32_t height = 720;
    int32_t fps = 30;
    double beat = 0;  // Still
    double from = 0;  // Frames, Video, Measure: the range [from, to)
    double to = 0;
    std::string output;  // file (Still, Video) or directory (Frames); empty for Measure
    bool stats = false;
    bool quiet = false;

    // Frames whose time k / fps lies inside [from, to) at the given tempo;
    // 1 for a still.
    int64_t frameCount(int32_t bpm) const;
};

// Parses argv[1..argc-1]. True with *options filled, or false with *error
// holding a one-line reason (the caller prints it with the usage and exits
// with kExitUsage). Never touches the file system.
bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions* options, std::string* error);

// The --help text.
const char* captureUsage();

}  // namespace qm
