// A minimal application on the frame, driven by the application tests as a
// subprocess: it clears the screen every frame, quits on Escape release, and
// writes what it sees into log.txt (lines starting with "test:").
//
// Options: --gl N (glVersion index), --samples N, --srgb, --fullscreen,
// --size WxH, --title T, --frames N (quit after N frames),
// --fail-initiate (onInitiate returns false), --show-cursor,
// --inject (queues a burst of input events before the first frame and logs
// every frame while they are handled),
// --report-gl-version M.m (GL_VERSION reports M.m: a driver that creates the
// context but claims a lower version, for the version-check failure path).
#include <GL/glew.h>
#include <SDL.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "application/ApplicationAdapter.h"
#include "application/Logger.h"
#include "application/MessageBox.h"

namespace {

std::string gReportedVersion;  // empty: report the driver's own

}  // namespace

// Interposes the GL entry point (exported from the executable) so that GLEW
// and the driver report read the claimed version; everything else is the driver's.
extern "C" const GLubyte* glGetString(GLenum name) {
    using Fn = const GLubyte* (*)(GLenum);
    static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "glGetString"));
    const GLubyte* text = real ? real(name) : nullptr;
    if (name != GL_VERSION || gReportedVersion.empty() || !text) return text;
    static std::string claimed;
    const char* rest = std::strchr(reinterpret_cast<const char*>(text), ' ');
    claimed = gReportedVersion + (rest ? rest : "");
    return reinterpret_cast<const GLubyte*>(claimed.c_str());
}

// GLEW resolves even glGetString through the GLX loader.
extern "C" void (*glXGetProcAddressARB(const GLubyte* name))() {
    using Fn = void (*(*)(const GLubyte*))();
    static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "glXGetProcAddressARB"));
    if (std::strcmp(reinterpret_cast<const char*>(name), "glGetString") == 0)
        return reinterpret_cast<void (*)()>(&glGetString);
    return real ? real(name) : nullptr;
}

namespace {

class FrameApp : public ember::ApplicationAdapter {
public:
    int frameLimit = 0;
    bool failInitiate = false;

    bool onInitiate() override {
        ember::Logger& log = ember::Logger::instance();
        GLint major = 0, minor = 0, profile = 0, flags = 0, samples = 0;
        glGetIntegerv(GL_MAJOR_VERSION, &major);
        glGetIntegerv(GL_MINOR_VERSION, &minor);
        glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
        glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
        glGetIntegerv(GL_SAMPLES, &samples);
        log.writeFormatted("test: context %d.%d core %d forward %d samples %d error 0x%x", major, minor,
                           (profile & GL_CONTEXT_CORE_PROFILE_BIT) ? 1 : 0,
                           (flags & GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT) ? 1 : 0, samples, glGetError());
        // Multisampling is on by default in GL, and Mesa's visuals are sRGB-capable
        // either way: the sRGB switch is what the settings decide.
        GLint lineHint = 0, derivativeHint = 0;
        glGetIntegerv(GL_LINE_SMOOTH_HINT, &lineHint);
        glGetIntegerv(GL_FRAGMENT_SHADER_DERIVATIVE_HINT, &derivativeHint);
        log.writeFormatted("test: state framebuffer-srgb %d nicest %d",
                           glIsEnabled(GL_FRAMEBUFFER_SRGB) ? 1 : 0,
                           lineHint == GL_NICEST && derivativeHint == GL_NICEST ? 1 : 0);
        glGetError();
        log.writeFormatted("test: cursor %d screensaver %d", SDL_ShowCursor(SDL_QUERY),
                           SDL_IsScreenSaverEnabled() ? 1 : 0);
        int x = 0, y = 0, width = 0, height = 0;
        SDL_GetWindowPosition(getWindowHandle(), &x, &y);
        SDL_GetWindowSize(getWindowHandle(), &width, &height);
        log.writeFormatted("test: window %d %d %d x %d", x, y, width, height);
        if (inject) injectEvents();
        return !failInitiate;
    }
    void onTerminate() override { ember::Logger::instance().writeLine("test: terminate"); }
    void onFrame() override {
        ++frames_;
        if (frames_ == 1) ember::Logger::instance().writeLine("test: frame loop running");
        if (inject && frames_ <= 20) ember::Logger::instance().writeFormatted("test: frame %d", frames_);
        glClearColor(0.1f, 0.2f + 0.1f * static_cast<float>(frames_ % 8), 0.3f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        swapBuffers();
        if (frameLimit > 0 && frames_ == frameLimit) quit();
    }
    void onKeyDown(int key, int repeat) override {
        ember::Logger::instance().writeFormatted("test: key down %d repeat %d", key, repeat);
    }
    void onKeyUp(int key, int) override {
        ember::Logger::instance().writeFormatted("test: key up %d", key);
        if (key == 27) quit();
    }
    void onResize(int width, int height) override {
        ember::Logger::instance().writeFormatted("test: resize %d x %d", width, height);
    }
    void onMouseMove(int x, int y) override {
        ember::Logger::instance().writeFormatted("test: mouse move %d %d", x, y);
    }
    void onMouseDown(int x, int y, int button) override {
        ember::Logger::instance().writeFormatted("test: mouse down %d %d button %d", x, y, button);
    }
    void onMouseUp(int x, int y, int button) override {
        ember::Logger::instance().writeFormatted("test: mouse up %d %d button %d", x, y, button);
    }
    void onFocusGained() override { ember::Logger::instance().writeLine("test: focus gained"); }
    void onFocusLost() override { ember::Logger::instance().writeLine("test: focus lost"); }

    ember::ApplicationSettings& editSettings() { return settings_; }
    bool inject = false;

private:
    // The same events the window system would deliver, queued all at once.
    void injectEvents() {
        const Uint32 id = SDL_GetWindowID(getWindowHandle());
        SDL_Event e;
        SDL_zero(e);
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = id;
        e.motion.x = 10;
        e.motion.y = 20;
        SDL_PushEvent(&e);
        SDL_zero(e);
        e.type = SDL_MOUSEBUTTONDOWN;
        e.button.windowID = id;
        e.button.button = SDL_BUTTON_RIGHT;
        e.button.state = SDL_PRESSED;
        e.button.x = 5;
        e.button.y = 6;
        SDL_PushEvent(&e);
        e.type = SDL_MOUSEBUTTONUP;
        e.button.button = SDL_BUTTON_MIDDLE;
        e.button.state = SDL_RELEASED;
        SDL_PushEvent(&e);
        const struct {
            int y;
            Uint32 direction;
        } wheels[] = {{1, SDL_MOUSEWHEEL_NORMAL}, {-1, SDL_MOUSEWHEEL_NORMAL}, {1, SDL_MOUSEWHEEL_FLIPPED}};
        for (const auto& wheel : wheels) {
            SDL_zero(e);
            e.type = SDL_MOUSEWHEEL;
            e.wheel.windowID = id;
            e.wheel.y = wheel.y;
            e.wheel.direction = wheel.direction;
            e.wheel.mouseX = 7;
            e.wheel.mouseY = 8;
            SDL_PushEvent(&e);
        }
        SDL_zero(e);
        e.type = SDL_KEYDOWN;
        e.key.windowID = id;
        e.key.state = SDL_PRESSED;
        e.key.repeat = 1;
        e.key.keysym.sym = SDLK_F5;
        SDL_PushEvent(&e);
        e.type = SDL_KEYUP;
        e.key.state = SDL_RELEASED;
        e.key.repeat = 0;
        e.key.keysym.sym = SDLK_RETURN;
        SDL_PushEvent(&e);
    }

    int frames_ = 0;
};

void observeMessageBox(const std::string& caption, const std::string& text) {
    ember::Logger::instance().writeFormatted("test: message box \"%s\": %s", caption.c_str(), text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    ember::MessageBox::setObserver(observeMessageBox);
    FrameApp* app = new FrameApp();
    ember::ApplicationSettings& settings = app->editSettings();
    settings.title = "Emberline frame test";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : "";
        if (arg == "--gl")
            settings.glVersion = std::atoi(value), ++i;
        else if (arg == "--samples")
            settings.samples = std::atoi(value), ++i;
        else if (arg == "--srgb")
            settings.sRGB = true;
        else if (arg == "--fullscreen")
            settings.fullscreen = true;
        else if (arg == "--size")
            std::sscanf(value, "%dx%d", &settings.width, &settings.height), ++i;
        else if (arg == "--title")
            settings.title = value, ++i;
        else if (arg == "--frames")
            app->frameLimit = std::atoi(value), ++i;
        else if (arg == "--fail-initiate")
            app->failInitiate = true;
        else if (arg == "--inject")
            app->inject = true;
        else if (arg == "--show-cursor")
            settings.showCursor = true;
        else if (arg == "--report-gl-version")
            gReportedVersion = value, ++i;
    }
    app->run();
    delete app;
    return 0;
}
