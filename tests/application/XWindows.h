#pragma once
#include <string>

namespace apptest {

// The window with this exact title on the X display (empty: $DISPLAY),
// waiting up to the given time for it to appear; 0 when there is none.
unsigned long waitForWindow(const std::string& title, const std::string& display = "", double seconds = 60);
// Asks the window to close the way a window manager does (WM_DELETE_WINDOW).
bool requestClose(unsigned long window, const std::string& display = "");

// Size of the default screen of the X display (empty: $DISPLAY).
bool screenSize(int& width, int& height, const std::string& display = "");

// A private Xvfb server for tests that need the keyboard focus to themselves.
class PrivateDisplay {
public:
    PrivateDisplay();
    ~PrivateDisplay();
    // ":N", or empty when no server could be started.
    const std::string& name() const { return name_; }

private:
    int pid_ = -1;
    std::string name_;
};

}  // namespace apptest
