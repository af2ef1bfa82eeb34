#include "capture/CaptureOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace qm {

namespace {

bool endsWith(const std::string& text, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

// A whole decimal number in [low, high], nothing after it.
bool parseInt(const std::string& text, int32_t low, int32_t high, int32_t* value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    long v = std::strtol(text.c_str(), nullptr, 10);
    if (v < low || v > high) return false;
    *value = static_cast<int32_t>(v);
    return true;
}

// A finite, non-negative decimal beat.
bool parseBeat(const std::string& text, double* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end == text.c_str() || *end != '\0' || !std::isfinite(v) || v < 0.0 || v > 1.0e6)
        return false;
    *value = v;
    return true;
}

// "WxH", each side 16..16384.
bool parseSize(const std::string& text, int32_t* width, int32_t* height) {
    const size_t x = text.find('x');
    if (x == std::string::npos) return false;
    return parseInt(text.substr(0, x), 16, 16384, width) && parseInt(text.substr(x + 1), 16, 16384, height);
}

}  // namespace

int64_t CaptureOptions::frameCount(int32_t bpm) const {
    if (mode == Mode::Still) return 1;
    if (bpm <= 0) return 0;
    const double seconds = (to - from) * 60.0 / bpm;
    // Frame k belongs to the range while k / fps < duration; the tolerance
    // keeps "--to" values written with a few decimals from adding a frame.
    return static_cast<int64_t>(std::ceil(seconds * fps - 1e-6));
}

bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions* options, std::string* error) {
    CaptureOptions o;
    bool haveBeat = false, haveFrom = false, haveTo = false, haveSize = false, haveFps = false;
    bool help = false;
    std::string preset;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) {
                *error = "option " + arg + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--stats") {
            o.stats = true;
        } else if (arg == "--quiet") {
            o.quiet = true;
        } else if (arg == "--size") {
            if (!value(&v)) return false;
            if (!parseSize(v, &o.width, &o.height)) {
                *error = "bad --size '" + v + "' (expected WxH, each 16 to 16384)";
                return false;
            }
            haveSize = true;
        } else if (arg == "--fps") {
            if (!value(&v)) return false;
            if (!parseInt(v, 1, 240, &o.fps)) {
                *error = "bad --fps '" + v + "' (expected a whole number from 1 to 240)";
                return false;
            }
            haveFps = true;
        } else if (arg == "--beat" || arg == "--from" || arg == "--to") {
            if (!value(&v)) return false;
            double* target = arg == "--beat" ? &o.beat : (arg == "--from" ? &o.from : &o.to);
            if (!parseBeat(v, target)) {
                *error = "bad " + arg + " '" + v + "' (expected a beat, 0 or more)";
                return false;
            }
            (arg == "--beat" ? haveBeat : (arg == "--from" ? haveFrom : haveTo)) = true;
        } else if (arg == "--output" || arg == "-o") {
            if (!value(&v)) return false;
            if (v.empty()) {
                *error = "empty --output";
                return false;
            }
            o.output = v;
        } else if (arg == "--scene") {
            if (!value(&v)) return false;
            if (v == "quillmoor")
                o.scene = CaptureOptions::Scene::Quillmoor;
            else if (v == "beat-test")
                o.scene = CaptureOptions::Scene::BeatTest;
            else {
                *error = "unknown --scene '" + v + "' (quillmoor or beat-test)";
                return false;
            }
        } else if (arg == "--preset") {
            if (!value(&preset)) return false;
            if (preset != "party") {
                *error = "unknown --preset '" + preset + "' (party)";
                return false;
            }
        } else {
            *error = "unknown argument '" + arg + "'";
            return false;
        }
    }

    if (help) {
        o.mode = CaptureOptions::Mode::Help;
        *options = o;
        return true;
    }
    // The preset fills in what the command line leaves open.
    if (preset == "party") {
        if (!haveSize) o.width = 1920, o.height = 1080;
        if (!haveFps) o.fps = 60;
    }

    if (haveBeat && (haveFrom || haveTo)) {
        *error = "--beat and --from/--to exclude each other";
        return false;
    }
    if (!haveBeat && !(haveFrom && haveTo)) {
        *error = haveFrom || haveTo ? "a range needs both --from and --to"
                                    : "nothing to capture (--beat or --from/--to)";
        return false;
    }
    if (!haveBeat && o.to <= o.from) {
        *error = "--to must lie after --from";
        return false;
    }

    const bool png = endsWith(o.output, ".png");
    const bool video = endsWith(o.output, ".mp4");
    const bool directory = endsWith(o.output, "/");
    if (haveBeat) {
        if (haveFps) {
            *error = "--fps applies to a range, not to --beat";
            return false;
        }
        if (o.output.empty()) {
            if (!o.stats) {
                *error = "--beat needs --output FILE.png or --stats";
                return false;
            }
            o.mode = CaptureOptions::Mode::Measure;
            o.from = o.beat;
            o.to = o.beat;
        } else if (png) {
            o.mode = CaptureOptions::Mode::Still;
        } else {
            *error = "--beat writes a .png file, not '" + o.output + "'";
            return false;
        }
    } else if (o.output.empty()) {
        if (!o.stats) {
            *error = "a range needs --output DIR/ or FILE.mp4, or --stats";
            return false;
        }
        o.mode = CaptureOptions::Mode::Measure;
    } else if (directory) {
        o.mode = CaptureOptions::Mode::Frames;
    } else if (video) {
        o.mode = CaptureOptions::Mode::Video;
        // 4:2:0 chroma halves both sides.
        if (o.width % 2 != 0 || o.height % 2 != 0) {
            *error = "a video needs an even width and height";
            return false;
        }
    } else {
        *error = "a range writes into a directory ending in '/' or a .mp4 file, not '" + o.output + "'";
        return false;
    }
    if (preset == "party" && o.mode != CaptureOptions::Mode::Video) {
        *error = "--preset party makes a video (--output FILE.mp4)";
        return false;
    }
    *options = o;
    return true;
}

const char* captureUsage() {
    return "Usage: quillmoor-capture [options]\n"
           "Renders the demo off-screen, clocked by the song, and writes what it rendered.\n"
           "\n"
           "  --beat B --output FILE.png          one still at beat B\n"
           "  --from A --to B --output DIR/       numbered frames DIR/frame_000000.png ... for [A, B)\n"
           "  --from A --to B --output FILE.mp4   H.264 (yuv420p) video with the song's AAC audio\n"
           "  --fps N             frames per second of a range (1-240, default 30)\n"
           "  --size WxH          frame size (default 1280x720; any size, not only display modes)\n"
           "  --preset party      video at 1920x1080, 60 fps (--size/--fps still override)\n"
           "  --scene NAME        quillmoor (default) or beat-test (a white flash after every beat)\n"
           "  --stats             print the load time and per-part CPU and GPU frame times;\n"
           "                      without --output the range is only rendered and measured\n"
           "  --quiet             no progress on stderr\n"
           "  --help              this text\n"
           "\n"
           "Frame k of a range shows beat A + k/fps in beats' time: the offline audio mix is the clock.\n"
           "Runs under X11 (Xvfb is enough); without DISPLAY it uses SDL's offscreen (EGL) video driver.\n"
           "\n"
           "Exit codes: 0 done, 2 bad arguments or a range outside the song, 3 the demo failed to\n"
           "load (window, GL context, content), 4 the output failed (not writable, ffmpeg missing\n"
           "or failing).\n";
}

}  // namespace qm
