#include "XWindows.h"

#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

}  // namespace

unsigned long waitForWindow(const std::string& title, const std::string& displayName, double seconds) {
    Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
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

bool requestClose(unsigned long window, const std::string& displayName) {
    Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
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

bool screenSize(int& width, int& height, const std::string& displayName) {
    Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!display) return false;
    width = DisplayWidth(display, DefaultScreen(display));
    height = DisplayHeight(display, DefaultScreen(display));
    XCloseDisplay(display);
    return true;
}

PrivateDisplay::PrivateDisplay() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // The server writes its display number once it accepts connections.
    std::string number;
    pollfd wait = {fds[0], POLLIN, 0};
    while (pid_ > 0 && poll(&wait, 1, 20000) > 0) {
        char c = 0;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (!number.empty()) name_ = ":" + number;
}

PrivateDisplay::~PrivateDisplay() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

}  // namespace apptest
