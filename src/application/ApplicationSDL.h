#pragma once
#include <cstdint>

#include "application/Application.h"
#include "core/Object.h"
#include "rend/OffscreenSurface.h"

union SDL_Event;

namespace ember {

// The process-level operations on SDL2: the window, the OpenGL core context,
// the event pump (one event per loop turn, then one frame), buffer swap and
// quit. Events of the application's window become the event hooks; closing
// the window, Escape handling in the demo and the end of the timeline all end
// in quit(), whose posted close event the pump sees before any handler.
class ApplicationSDL : public Application {
public:
    ApplicationSDL();
    // Releases whatever a failed start left behind (context, window, video).
    ~ApplicationSDL() override;

    bool run() override;
    bool initiate() override;
    void terminate() override;
    bool processMessages() override;
    // Presents the back buffer. In the scaled full screen the frame is first
    // blitted, filtered and fitted with black bars, to the window's back buffer.
    void swapBuffers() override;
    // Logs "Post QUIT message" and posts the close event; nothing without a window.
    void quit() override;
    SDL_Window* getWindowHandle() override { return window_; }

    // The context version a glVersion index asks for: 0 = 3.3, 1 = 4.0,
    // 2 = 4.1, 3 = 4.2, 4 = 4.3, anything else 3.3.
    static void contextVersion(int glVersion, int& major, int& minor);

    // True while full screen shows the width x height frame scaled to the
    // desktop-sized window (the display mode could not be changed).
    bool isFullscreenScaled() const { return scaledFrame_ != nullptr; }

protected:
    // Initialises SDL video, creates the borderless window of width x height
    // client size centred on its display with its GL context
    // (createGLContext), shows it, switches to full screen when asked, hides
    // the cursor unless showCursor, and calls onResize with the size the demo
    // renders at. Full screen changes the display mode when the display has
    // exactly width x height and grants the change; otherwise the window
    // takes the desktop's full screen and the frame is scaled to it (the
    // frame itself is created once GL is initialised); when even that is
    // refused it stays windowed. Logs which of the three it is. Returns false
    // after logging the failed step; nothing is left created.
    bool createWindow();
    // Creates the forward-compatible core context of the glVersion index on
    // the window and makes it current. No other version is tried. Returns
    // false after logging the SDL call, its error and the version.
    bool createGLContext();
    // Full-screen display mode of exactly width x height; false (logged) when
    // the display does not offer it or refuses the change.
    bool changeDisplayMode(int width, int height, int bitsPerPixel);
    // The desktop's full-screen window, its display mode unchanged; false
    // (logged) when refused.
    bool enterDesktopFullscreen();
    // Releases the scaled frame (when there is one) and the context.
    void destroyGLContext();
    // Keeps the loaded GL driver module mapped until the process exits.
    static void holdGLDriver();
    // Shows the cursor again, destroys the window, lets the screen saver run.
    void destroyWindow();
    // The window procedure: turns one SDL event of the window into the hooks.
    void handleEvent(const SDL_Event& event);

private:
    // Sets the framebuffer and context attributes for the next window; the
    // special format adds sRGB and multisampling when the settings ask for them.
    void setFramebufferAttributes(bool specialFormat);
    bool createWindowAndContext(bool specialFormat);
    void shutdownVideo();
    // Creates the off-screen frame of width x height that stands in for the
    // window in the scaled full screen; on failure (logged) the window goes
    // back to windowed and the demo draws to it directly.
    void createScaledFrame();
    // Back from full screen to a centred window of width x height.
    void restoreWindowed();

    SDL_Window* window_ = nullptr;
    void* glContext_ = nullptr;  // SDL_GLContext
    bool videoInitialised_ = false;
    bool cursorHidden_ = false;
    bool scaledFullscreen_ = false;  // desktop full screen taken, frame not yet created
    Ref<OffscreenSurface> scaledFrame_;
    uint32_t closeEvent_ = 0;  // registered event type posted by quit()
};

}  // namespace ember
