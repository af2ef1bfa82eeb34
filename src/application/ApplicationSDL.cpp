#include "application/ApplicationSDL.h"

#include <EGL/egl.h>
#include <GL/glew.h>
#include <GL/glxew.h>
#include <SDL.h>
#include <dlfcn.h>
#include <link.h>

#include <cstring>

#include "application/KeyTranslation.h"
#include "application/Logger.h"
#include "application/MessageBox.h"

namespace ember {

ApplicationSDL::ApplicationSDL() = default;

ApplicationSDL::~ApplicationSDL() {
    // After a failed start the window and context are still there; the
    // process is about to end, but leaving SDL initialised would leak them.
    destroyGLContext();
    destroyWindow();
}

void ApplicationSDL::contextVersion(int glVersion, int& major, int& minor) {
    switch (glVersion) {
        case 1:
            major = 4;
            minor = 0;
            break;
        case 2:
            major = 4;
            minor = 1;
            break;
        case 3:
            major = 4;
            minor = 2;
            break;
        case 4:
            major = 4;
            minor = 3;
            break;
        default:
            major = 3;
            minor = 3;
            break;
    }
}

bool ApplicationSDL::run() {
    if (!onConfigure()) return false;
    if (!initiate()) return false;

    while (processMessages()) onFrame();

    terminate();
    destroyGLContext();
    destroyWindow();
    Logger::instance().writeLine("Application has quit");
    return true;
}

bool ApplicationSDL::initiate() {
    Logger& log = Logger::instance();
    if (!createWindow()) {
        log.writeLine("createWindow failed");
        return false;
    }

    // Experimental mode resolves the core-profile entry points too. GLEW's
    // window-system part is GLX; on an EGL context only that part fails, after
    // the GL entry points are in place.
    glewExperimental = GL_TRUE;
    GLenum glewError = glewInit();
    if (glewError == GLEW_ERROR_NO_GLX_DISPLAY && eglGetCurrentContext() != EGL_NO_CONTEXT)
        glewError = GLEW_OK;
    if (glewError != GLEW_OK) {
        log.writeLine("Unable to initiate GLEW");
        log.writeLine(reinterpret_cast<const char*>(glewGetErrorString(glewError)));
        MessageBox::showWarning("Unable to initiate GLEW", window_);
        return false;
    }

    if (log.checkExtensions(settings_.glVersion) != 0) {
        log.writeLine("checkExtensions failed");
        MessageBox::showWarning("Unable to initiate OpenGL 3.3", window_);
        return false;
    }

    if (settings_.samples > 1) glEnable(GL_MULTISAMPLE);
    if (settings_.sRGB) glEnable(GL_FRAMEBUFFER_SRGB);
    // Fails harmlessly where the driver has no swap control.
    SDL_GL_SetSwapInterval(settings_.verticalSync ? 1 : 0);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    glHint(GL_TEXTURE_COMPRESSION_HINT, GL_NICEST);
    glHint(GL_FRAGMENT_SHADER_DERIVATIVE_HINT, GL_NICEST);

    // The driver report leaves an error behind on core contexts; the demo
    // starts with a clean error state. The bound only guards against a
    // driver that never reports GL_NO_ERROR.
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
    }

    if (scaledFullscreen_) createScaledFrame();

    if (onInitiate()) return true;

    log.writeLine("onInitiate failed");
    MessageBox::showWarning("Failed to load demo", window_);
    onTerminate();
    destroyGLContext();
    destroyWindow();
    return false;
}

void ApplicationSDL::terminate() {
    onTerminate();
}

bool ApplicationSDL::processMessages() {
    SDL_Event event;
    if (!SDL_PollEvent(&event)) return true;
    // The close event posted by quit() (or a quit request from the system)
    // ends the loop before any handler sees it.
    if (event.type == SDL_QUIT || (closeEvent_ != 0 && event.type == closeEvent_)) return false;
    handleEvent(event);
    return true;
}

void ApplicationSDL::swapBuffers() {
    if (!window_ || !glContext_) return;
    if (scaledFrame_) {
        int width = 0, height = 0;
        SDL_GL_GetDrawableSize(window_, &width, &height);
        scaledFrame_->blitScaled(nullptr, width, height);
    }
    SDL_GL_SwapWindow(window_);
}

void ApplicationSDL::createScaledFrame() {
    Logger& log = Logger::instance();
    scaledFullscreen_ = false;
    Ref<OffscreenSurface> frame(new OffscreenSurface());
    if (!frame->create(settings_.width, settings_.height)) {
        log.writeLine("Unable to create the scaled full-screen frame; continuing windowed");
        restoreWindowed();
        settings_.fullscreen = false;
        return;
    }
    frame->activate();
    scaledFrame_ = frame;
}

void ApplicationSDL::quit() {
    if (!window_) return;
    Logger& log = Logger::instance();
    log.writeLine("Post QUIT message");
    SDL_Event event;
    SDL_zero(event);
    event.type = closeEvent_ != 0 ? closeEvent_ : static_cast<uint32_t>(SDL_QUIT);
    if (event.type == closeEvent_) {
        event.user.windowID = SDL_GetWindowID(window_);
    }
    if (SDL_PushEvent(&event) < 0) log.writeFormatted("SDL_PushEvent failed: %s", SDL_GetError());
}

bool ApplicationSDL::createWindow() {
    Logger& log = Logger::instance();
    if (!videoInitialised_) {
        // Closing the window must go through quit(), not through SDL's own
        // quit event; and the screen saver stays off while the demo runs.
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            log.writeFormatted("SDL_InitSubSystem(SDL_INIT_VIDEO) failed: %s", SDL_GetError());
            return false;
        }
        videoInitialised_ = true;
        uint32_t type = SDL_RegisterEvents(1);
        closeEvent_ = type != static_cast<uint32_t>(-1) ? type : 0;
    }

    bool created = false;
    if (settings_.sRGB || settings_.samples > 1) {
        log.writeFormatted("Trying to find a %s pixelformat with %d x MSAA", settings_.sRGB ? "sRGB" : "",
                           settings_.samples);
        created = createWindowAndContext(true);
        if (!created) {
            log.writeLine("Falling back to a plain pixelformat");
        }
    }
    if (!created) created = createWindowAndContext(false);
    if (!created) {
        destroyWindow();
        return false;
    }

    SDL_ShowWindow(window_);
    bool modeChanged = false;
    if (settings_.fullscreen) {
        modeChanged = changeDisplayMode(settings_.width, settings_.height, settings_.colorBits);
        if (modeChanged) {
            log.writeFormatted("Full screen: display mode changed to %dx%d", settings_.width,
                               settings_.height);
        } else if (enterDesktopFullscreen()) {
            // The demo keeps rendering at its chosen size; swapBuffers scales
            // that frame to whatever the desktop is.
            scaledFullscreen_ = true;
            int width = 0, height = 0;
            SDL_GL_GetDrawableSize(window_, &width, &height);
            const OffscreenSurface::Placement p =
                OffscreenSurface::fit(settings_.width, settings_.height, width, height);
            log.writeFormatted("Full screen: desktop %dx%d, the %dx%d frame scaled to %dx%d at (%d, %d)",
                               width, height, settings_.width, settings_.height, p.width, p.height, p.x, p.y);
        } else {
            settings_.fullscreen = false;
            log.writeFormatted("Full screen refused: windowed at %dx%d", settings_.width, settings_.height);
        }
    }
    SDL_DisableScreenSaver();
    if (!settings_.showCursor) {
        SDL_ShowCursor(SDL_DISABLE);
        cursorHidden_ = true;
    }

    int width = settings_.width, height = settings_.height;
    if (!scaledFullscreen_) SDL_GetWindowSize(window_, &width, &height);
    onResize(width, height);

    // Give the display time to settle in the new mode before the first frame.
    if (modeChanged) SDL_Delay(2000);
    return true;
}

void ApplicationSDL::setFramebufferAttributes(bool specialFormat) {
    SDL_GL_ResetAttributes();
    const int channel = settings_.colorBits >= 24 ? 8 : (settings_.colorBits >= 15 ? 5 : 4);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, settings_.colorBits >= 32 ? 8 : 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, settings_.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, settings_.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    const bool multisample = specialFormat && settings_.samples > 1;
    SDL_GL_SetAttribute(SDL_GL_FRAMEBUFFER_SRGB_CAPABLE, specialFormat && settings_.sRGB ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, multisample ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, multisample ? settings_.samples : 0);

    int major = 3, minor = 3;
    contextVersion(settings_.glVersion, major, minor);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, major);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, minor);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_FORWARD_COMPATIBLE_FLAG);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
}

bool ApplicationSDL::createWindowAndContext(bool specialFormat) {
    Logger& log = Logger::instance();
    // SDL picks the window's visual from the GL attributes at creation, so a
    // refused sRGB or multisampled format shows up here or at context creation.
    setFramebufferAttributes(specialFormat);

    uint32_t flags = SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN;
    if (settings_.alwaysOnTop || settings_.fullscreen) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    // Centred: SDL's "undefined" position is the display's top-left corner,
    // which is also where a window that fails to go full screen would stay.
    const int position = static_cast<int>(SDL_WINDOWPOS_CENTERED);
    window_ = SDL_CreateWindow(settings_.title.c_str(), position, position, settings_.width, settings_.height,
                               flags);
    if (!window_) {
        int major = 3, minor = 3;
        contextVersion(settings_.glVersion, major, minor);
        log.writeFormatted("SDL_CreateWindow failed: %s for %d.%d", SDL_GetError(), major, minor);
        return false;
    }
    holdGLDriver();
    if (!createGLContext()) {
        log.writeLine("createGLContext failed");
        SDL_DestroyWindow(window_);
        window_ = nullptr;
        return false;
    }
    return true;
}

bool ApplicationSDL::createGLContext() {
    Logger& log = Logger::instance();
    int major = 3, minor = 3;
    contextVersion(settings_.glVersion, major, minor);

    SDL_GLContext context = SDL_GL_CreateContext(window_);
    if (!context) {
        log.writeFormatted("SDL_GL_CreateContext failed: %s for %d.%d", SDL_GetError(), major, minor);
        return false;
    }
    if (SDL_GL_MakeCurrent(window_, context) != 0) {
        log.writeFormatted("SDL_GL_MakeCurrent failed: %s for %d.%d", SDL_GetError(), major, minor);
        SDL_GL_DeleteContext(context);
        return false;
    }
    glContext_ = context;
    holdGLDriver();
    log.writeFormatted("Create OpenGL context for version %d.%d", major, minor);
    return true;
}

namespace {
int pinDriverModule(dl_phdr_info* info, size_t, void*) {
    if (info->dlpi_name && std::strstr(info->dlpi_name, "_dri.so"))
        dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD);
    return 0;
}
}  // namespace

void ApplicationSDL::holdGLDriver() {
    // Mesa unloads its driver module when the last display or context goes,
    // at the very end of a run; what the driver allocated once for the whole
    // process then loses its call sites, and leak checkers can neither
    // attribute nor suppress it. One more reference on the loaded driver keeps
    // it mapped until the process exits, as in a process that never closes
    // its context. Called once the window and once the context exist: the
    // driver may load at either step.
    dl_iterate_phdr(pinDriverModule, nullptr);
}

bool ApplicationSDL::changeDisplayMode(int width, int height, int bitsPerPixel) {
    Logger& log = Logger::instance();
    const int display = SDL_GetWindowDisplayIndex(window_);
    SDL_DisplayMode wanted;
    SDL_zero(wanted);
    wanted.w = width;
    wanted.h = height;
    wanted.format = bitsPerPixel >= 24
                        ? SDL_PIXELFORMAT_RGB888
                        : (bitsPerPixel == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_UNKNOWN);
    SDL_DisplayMode mode;
    SDL_zero(mode);
    bool changed = false;
    if (display < 0) {
        log.writeFormatted("SDL_GetWindowDisplayIndex failed: %s", SDL_GetError());
    } else if (!SDL_GetClosestDisplayMode(display, &wanted, &mode)) {
        log.writeFormatted("SDL_GetClosestDisplayMode failed: %s for %dx%d %d bits", SDL_GetError(), width,
                           height, bitsPerPixel);
    } else if (mode.w != width || mode.h != height) {
        // Like a mode change, full screen takes this exact size or nothing.
        log.writeFormatted("SDL_GetClosestDisplayMode failed: no %dx%d %d bits mode (closest %dx%d)", width,
                           height, bitsPerPixel, mode.w, mode.h);
    } else if (SDL_SetWindowDisplayMode(window_, &mode) != 0) {
        log.writeFormatted("SDL_SetWindowDisplayMode failed: %s for %dx%d %d bits", SDL_GetError(), width,
                           height, bitsPerPixel);
    } else if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) != 0) {
        log.writeFormatted("SDL_SetWindowFullscreen failed: %s for %dx%d %d bits", SDL_GetError(), width,
                           height, bitsPerPixel);
    } else {
        changed = true;
    }
    if (!changed) log.writeLine("ChangeDisplaySettings failed");
    return changed;
}

bool ApplicationSDL::enterDesktopFullscreen() {
    Logger& log = Logger::instance();
    // SDL asks the window manager for full screen; an X server without one
    // (a kiosk session, Xvfb) would leave the window at its size. Covering the
    // display first makes the result the same with and without a manager.
    SDL_Rect bounds;
    const int display = SDL_GetWindowDisplayIndex(window_);
    if (display >= 0 && SDL_GetDisplayBounds(display, &bounds) == 0) {
        SDL_SetWindowPosition(window_, bounds.x, bounds.y);
        SDL_SetWindowSize(window_, bounds.w, bounds.h);
    }
    if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        log.writeFormatted("SDL_SetWindowFullscreen(SDL_WINDOW_FULLSCREEN_DESKTOP) failed: %s",
                           SDL_GetError());
        restoreWindowed();
        return false;
    }
    return true;
}

void ApplicationSDL::restoreWindowed() {
    SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowSize(window_, settings_.width, settings_.height);
    const int display = SDL_GetWindowDisplayIndex(window_);
    const int centred = static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display >= 0 ? display : 0));
    SDL_SetWindowPosition(window_, centred, centred);
}

void ApplicationSDL::destroyGLContext() {
    scaledFullscreen_ = false;
    if (!glContext_) return;
    if (scaledFrame_) {
        // The frame's GL objects go while their context is still current.
        if (window_) SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(glContext_));
        scaledFrame_->destroy();
        scaledFrame_.reset();
    }
    if (window_) SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(glContext_));
    glContext_ = nullptr;
}

void ApplicationSDL::destroyWindow() {
    if (window_) {
        if (cursorHidden_) {
            SDL_ShowCursor(SDL_ENABLE);
            cursorHidden_ = false;
        }
        SDL_DestroyWindow(window_);
        window_ = nullptr;
        SDL_EnableScreenSaver();
    }
    shutdownVideo();
}

void ApplicationSDL::shutdownVideo() {
    if (!videoInitialised_) return;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    videoInitialised_ = false;
    closeEvent_ = 0;
}

void ApplicationSDL::handleEvent(const SDL_Event& event) {
    if (!window_) return;
    const uint32_t id = SDL_GetWindowID(window_);
    // Events of other windows (none expected) are not ours; id 0 means the
    // event has no window (keyboard without focus bookkeeping yet).
    auto ours = [id](uint32_t windowID) { return windowID == id || windowID == 0; };

    switch (event.type) {
        case SDL_WINDOWEVENT:
            if (!ours(event.window.windowID)) return;
            switch (event.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    Logger::instance().writeLine("Got CLOSE message");
                    quit();
                    break;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    // Scaled, the demo's frame keeps its size; only the blit follows the window.
                    if (!scaledFrame_ && !scaledFullscreen_) onResize(event.window.data1, event.window.data2);
                    break;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    onFocusGained();
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    onFocusLost();
                    break;
                default:
                    break;
            }
            break;
        case SDL_KEYDOWN:
            if (!ours(event.key.windowID)) return;
            onKeyDown(translateKey(event.key.keysym.sym, event.key.keysym.mod), event.key.repeat);
            break;
        case SDL_KEYUP:
            if (!ours(event.key.windowID)) return;
            onKeyUp(translateKey(event.key.keysym.sym, event.key.keysym.mod), 0);
            break;
        case SDL_MOUSEMOTION:
            if (!ours(event.motion.windowID)) return;
            onMouseMove(event.motion.x, event.motion.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (!ours(event.button.windowID)) return;
            const int button = translateMouseButton(event.button.button);
            if (button == 0) return;
            if (event.type == SDL_MOUSEBUTTONDOWN)
                onMouseDown(event.button.x, event.button.y, button);
            else
                onMouseUp(event.button.x, event.button.y, button);
            break;
        }
        case SDL_MOUSEWHEEL: {
            if (!ours(event.wheel.windowID)) return;
            int delta = event.wheel.y;
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) delta = -delta;
            // The wheel reports as a button press: 5 turned away from the user, else 4.
            onMouseDown(event.wheel.mouseX, event.wheel.mouseY, delta > 0 ? 5 : 4);
            break;
        }
        default:
            break;
    }
}

}  // namespace ember
