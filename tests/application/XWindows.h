#pragma once
#include <string>

namespace apptest {

// The window with this exact title on the current X display, waiting up to
// the given time for it to appear; 0 when there is none.
unsigned long waitForWindow(const std::string& title, double seconds = 60);
// Asks the window to close the way a window manager does (WM_DELETE_WINDOW).
bool requestClose(unsigned long window);

} // namespace apptest
