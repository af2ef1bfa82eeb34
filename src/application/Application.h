#pragma once
#include "application/ApplicationSettings.h"

struct SDL_Window;

namespace ember {

// The application's interface: the process-level operations (run, initiate,
// message pump, buffer swap, quit) and the hooks a concrete application fills
// in (configuration, start, frame, end, input and window events). The virtual
// slot order is fixed. The application object is not reference counted: the
// entry point owns it and deletes it after run() returns.
class Application {
public:
    // Makes sure the process-wide log exists and opens "log.txt" in the working
    // directory (truncated). A file that cannot be opened leaves the log silent.
    Application();
    // Closes the log file and destroys the logger.
    virtual ~Application();

    // The whole life of the application: configure, initiate, loop, terminate.
    // Returns false when the start was cancelled or failed (logged).
    virtual bool run() = 0;
    // Window, GL context, GL entry points, driver report, GL start state, then
    // onInitiate. Returns false on failure (logged, message box where due).
    virtual bool initiate() = 0;
    // onTerminate and the release of what initiate allocated for input.
    virtual void terminate() = 0;
    // Handles at most one queued event; false means leave the main loop.
    virtual bool processMessages() = 0;
    // Presents the back buffer; nothing before the window and context exist.
    virtual void swapBuffers() = 0;
    // Asks for an orderly end; nothing when there is no window.
    virtual void quit() = 0;
    // The window (null before it is created).
    virtual SDL_Window* getWindowHandle() = 0;

    // False cancels the start before any window exists.
    virtual bool onConfigure() = 0;
    virtual bool onInitiate() = 0;
    virtual void onTerminate() = 0;
    virtual void onFrame() = 0;
    virtual void onMouseMove(int x, int y) = 0;
    // button: 1 left, 2 right, 3 middle, 4 wheel towards the user, 5 wheel away.
    virtual void onMouseDown(int x, int y, int button) = 0;
    virtual void onMouseUp(int x, int y, int button) = 0;
    // key: an engine key code (27 Escape, 13 Return, 273-276 arrows, 282-293
    // F1-F12, ...); repeat: 0 for a first press, non-zero for an auto-repeat.
    virtual void onKeyDown(int key, int repeat) = 0;
    virtual void onKeyUp(int key, int repeat) = 0;
    virtual void onFocusGained() = 0;
    virtual void onFocusLost() = 0;
    // Client size of the window: once after creation, then on every change.
    virtual void onResize(int width, int height) = 0;

    const ApplicationSettings& settings() const { return settings_; }
    void setSettings(const ApplicationSettings& settings) { settings_ = settings; }

protected:
    ApplicationSettings settings_;

private:
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
};

}  // namespace ember
