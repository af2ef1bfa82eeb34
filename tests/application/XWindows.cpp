#include "XWindows.h"

#include <X11/Xlib.h>

#include <chrono>
#include <thread>

namespace apptest {

namespace {

Window findWindow(Display* display, Window parent, const std::string& title) {
    char* name = nullptr;
    if (XFetchName(display, parent, &name) && name) {
        const bool match = title == name;
        XFree(name);
        if (match) return parent;
    }
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) found = findWindow(display, children[i], title);
    if (children) XFree(children);
    return found;
}

} // namespace

unsigned long waitForWindow(const std::string& title, double seconds) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    Window found = 0;
    while (!found && std::chrono::steady_clock::now() < end) {
        found = findWindow(display, DefaultRootWindow(display), title);
        if (!found) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    XCloseDisplay(display);
    return found;
}

bool requestClose(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XEvent close = {};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(display, window, False, NoEventMask, &close) != 0;
    XFlush(display);
    XCloseDisplay(display);
    return sent;
}

} // namespace apptest
