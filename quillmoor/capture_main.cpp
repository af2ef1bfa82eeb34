// quillmoor-capture: the demo rendered off-screen with the offline audio
// output as its clock, into stills, numbered frames or a video, with frame
// timings on request. See captureUsage() for the command line and exit codes.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "Quillmoor.h"
#include "application/MessageBox.h"
#include "capture/BeatTestDemo.h"
#include "capture/CaptureOptions.h"
#include "capture/FrameCapture.h"
#include "capture/OfflineDemo.h"

namespace {

// No message box may wait for a click in a batch run; the reason goes to
// stderr and the details are in the log.
void reportMessage(const std::string&, const std::string& text) {
    std::fprintf(stderr, "quillmoor-capture: %s\n", text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    qm::CaptureOptions options;
    std::string error;
    if (!qm::parseCaptureOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "quillmoor-capture: %s\n\n%s", error.c_str(), qm::captureUsage());
        return qm::kExitUsage;
    }
    if (options.mode == qm::CaptureOptions::Mode::Help) {
        std::printf("%s", qm::captureUsage());
        return qm::kExitOk;
    }
    const int checked = qm::FrameCapture::checkOutput(options, &error);
    if (checked != qm::kExitOk) {
        std::fprintf(stderr, "quillmoor-capture: %s\n", error.c_str());
        return checked;
    }

    // A dead ffmpeg must show up as a failed write, not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    // Without any display the frames can still be rendered through EGL.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("SDL_VIDEODRIVER"))
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ember::MessageBox::setObserver(reportMessage);

    std::unique_ptr<qm::OfflineRun> offline;
    ember::ApplicationSettings settings;
    if (options.scene == qm::CaptureOptions::Scene::BeatTest) {
        settings = qm::BeatTestDemo::defaultSettings();
        settings.width = options.width;
        settings.height = options.height;
        offline.reset(new qm::OfflineDemo<qm::BeatTestDemo>(settings));
    } else {
        settings = qm::Quillmoor::defaultSettings();
        settings.width = options.width;
        settings.height = options.height;
        offline.reset(new qm::OfflineDemo<qm::Quillmoor>(settings));
    }
    qm::FrameCapture capture(options);
    const int code = capture.run(*offline);
    offline.reset();
    return code;
}
