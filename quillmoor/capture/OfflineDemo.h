#pragma once
#include <SDL.h>

#include <cstdint>

#include "DemoApplication.h"
#include "application/ApplicationSettings.h"
#include "rend/OffscreenSurface.h"
#include "sound/Song.h"
#include "sound/SoundDevice.h"

namespace qm {

// What a capture run needs from the demo it drives.
class OfflineRun {
public:
    virtual ~OfflineRun() = default;
    // Window and GL context, the off-screen frame, then the demo's own start
    // (content, parts, song). False after the logged reason.
    virtual bool start() = 0;
    // One runtime frame at the song's current position, into the off-screen frame.
    virtual void renderFrame() = 0;
    virtual ember::OffscreenSurface& surface() = 0;
    virtual ember::DemoApplication& demo() = 0;
    // Terminates the demo and releases context and window.
    virtual void stop() = 0;
};

// Any demo on the runtime, run offline: the settings come from the caller
// instead of a dialog, the audio output is the offline one (time moves only
// when the capture mixes), the frame goes into an off-screen surface of the
// settings' size while a small hidden window only carries the GL context,
// nothing is presented, and the end of the timeline does not end the run.
template <class Demo>
class OfflineDemo : public Demo, public OfflineRun {
public:
    explicit OfflineDemo(const ember::ApplicationSettings& settings) : frameSettings_(settings) {
        frameSettings_.fullscreen = false;
        frameSettings_.verticalSync = false;
        frameSettings_.samples = 1;
    }
    ~OfflineDemo() override { surface_->destroy(); }

    bool start() override {
        ember::ApplicationSettings window = frameSettings_;
        window.width = window.height = kWindowSize;
        window.alwaysOnTop = false;
        this->setSettings(window);
        return this->initiate();
    }

    bool onInitiate() override {
        // From here on the manifest's "screen" means the captured frame.
        this->setSettings(frameSettings_);
        this->anisotropy = static_cast<float>(frameSettings_.anisotropy);
        Demo::onResize(frameSettings_.width, frameSettings_.height);
        if (SDL_Window* window = this->getWindowHandle()) SDL_HideWindow(window);
        if (!surface_->create(frameSettings_.width, frameSettings_.height)) return false;
        surface_->activate();
        return Demo::onInitiate();
    }

    void onTerminate() override {
        Demo::onTerminate();
        surface_->destroy();
    }

    void renderFrame() override {
        surface_->activate();
        this->onFrame();
    }

    void stop() override {
        this->terminate();
        this->destroyGLContext();
        this->destroyWindow();
    }

    ember::OffscreenSurface& surface() override { return *surface_; }
    ember::DemoApplication& demo() override { return *this; }

    // The window's size never reaches the demo: its frame is the surface.
    void onResize(int, int) override { Demo::onResize(frameSettings_.width, frameSettings_.height); }
    // The capture decides how many frames there are.
    void quit() override {}
    void swapBuffers() override {}

protected:
    bool initiateSoundOutput() override { return this->soundDevice->initiateOffline(); }
    uint32_t fadePauseMilliseconds() const override { return 0; }
    // The song time between two captured frames, whatever a frame took to
    // render: the same range captures the same frames on every run, and
    // effects that integrate over the frame time move as they do when played.
    double measureFrameTime() override {
        ember::Song* song = this->demoSong();
        const double now = song ? song->positionInSeconds() : 0.0;
        const double seconds = havePrevious_ && now > previousSeconds_ ? now - previousSeconds_ : 0.0;
        previousSeconds_ = now;
        havePrevious_ = true;
        return seconds;
    }

private:
    static constexpr int32_t kWindowSize = 64;
    ember::ApplicationSettings frameSettings_;
    ember::Ref<ember::OffscreenSurface> surface_{new ember::OffscreenSurface()};
    double previousSeconds_ = 0.0;
    bool havePrevious_ = false;
};

}  // namespace qm
