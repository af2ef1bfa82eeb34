// Drives the real GTK settings dialog the way a person would: synthetic
// pointer clicks and key presses (xdotool, XTEST) on a private Xvfb server,
// usually of 1280 x 800, whose only display mode is its own size at 24 bits in
// 4 bytes.
// Leaves a screenshot of the dialog in build/review/dialog.png.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>

namespace {

const std::string kProbe = std::string(EMBER_BINARY_DIR) + "/tests/settings-dialog-probe";

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

pid_t spawn(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
            const std::vector<std::string>& unset, int stdoutFd, int keepFd = -1) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
    for (const std::string& k : unset) unsetenv(k.c_str());
    if (stdoutFd >= 0) dup2(stdoutFd, STDOUT_FILENO);
    for (int fd = 3; fd < 256; ++fd)
        if (fd != keepFd) close(fd);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

// Waits for pid up to seconds; kills it when it does not end. Returns the exit
// status, or -1 when it had to be killed.
int waitFor(pid_t pid, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

// Reads one line from fd within seconds; false at end of file or timeout.
bool readLine(int fd, std::string& line, int seconds) {
    line.clear();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char c;
        if (read(fd, &c, 1) != 1) return false;
        if (c == '\n') return true;
        line += c;
    }
}

// A private X server, so the display's modes are known and nothing else is on it.
class XServer {
public:
    explicit XServer(const std::string& screen = "1280x800x24") {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten",
                      "tcp", "-noreset"},
                     {}, {}, -1, fds[1]);
        close(fds[1]);
        std::string number;
        if (readLine(fds[0], number, 30) && !number.empty()) display_ = ":" + number;
        close(fds[0]);
    }
    ~XServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitFor(pid_, 10);
        }
    }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// One run of the probe: the dialog, its layout once shown, and its outcome.
class DialogRun {
public:
    DialogRun(const std::string& display, std::vector<std::string> options) : display_(display) {
        int fds[2];
        if (pipe(fds) != 0) return;
        std::vector<std::string> args = {kProbe};
        args.insert(args.end(), options.begin(), options.end());
        std::map<std::string, std::string> env;
        std::vector<std::string> unset = {"WAYLAND_DISPLAY"};
        if (display.empty())
            unset.push_back("DISPLAY");
        else
            env["DISPLAY"] = display;
        env["GDK_BACKEND"] = "x11";
        env["GTK_THEME"] = "Adwaita";
        env["NO_AT_BRIDGE"] = "1";
        pid_ = spawn(args, env, unset, fds[1]);
        close(fds[1]);
        out_ = fds[0];
    }
    ~DialogRun() {
        if (pid_ > 0) waitFor(pid_, 1);
        if (out_ >= 0) close(out_);
    }

    // Reads the layout report; false when the dialog did not appear.
    bool waitShown() {
        std::string line;
        while (readLine(out_, line, 60)) {
            std::istringstream in(line);
            std::string kind, name;
            in >> kind;
            if (kind == "window") {
                in >> window_ >> frame_.x >> frame_.y >> frame_.w >> frame_.h;
            } else if (kind == "widget") {
                Rect r;
                in >> name >> r.x >> r.y >> r.w >> r.h;
                widgets_[name] = r;
            } else if (kind == "choice") {
                in >> name;
                std::getline(in >> std::ws, choices_[name]);
            } else if (kind == "ready") {
                return true;
            } else {
                lines_.push_back(line);  // the dialog ended before showing
                return false;
            }
        }
        return false;
    }

    bool has(const std::string& name) const { return widgets_.count(name) != 0; }
    const Rect& widget(const std::string& name) const { return widgets_.at(name); }
    // The entry a drop-down list shows ("-" when blank, "" when there is no such list).
    std::string choice(const std::string& name) const {
        auto found = choices_.find(name);
        return found == choices_.end() ? std::string() : found->second;
    }

    // Left click at (dx, dy) inside the named widget; negative dx counts from its right edge.
    void click(const std::string& name, int dx, int dy) {
        const Rect& r = widget(name);
        const int x = r.x + (dx >= 0 ? dx : r.w + dx), y = r.y + dy;
        xdotool("mousemove --window " + std::to_string(window_) + " " + std::to_string(x) + " " +
                std::to_string(y) + " click 1");
    }
    // Presses on the slider's knob at its left end and drags it past the right end.
    void dragKnobToRightEnd(const std::string& name) {
        const Rect& r = widget(name);
        const std::string w = std::to_string(window_), y = std::to_string(r.y + r.h / 2);
        xdotool("mousemove --window " + w + " " + std::to_string(r.x + r.h / 3) + " " + y + " mousedown 1");
        xdotool("mousemove --window " + w + " " + std::to_string(r.x + r.w / 2) + " " + y);
        xdotool("mousemove --window " + w + " " + std::to_string(r.x + r.w + 40) + " " + y + " mouseup 1");
    }
    void clickCentre(const std::string& name) { click(name, widget(name).w / 2, widget(name).h / 2); }
    void key(const std::string& keys) {
        xdotool("windowfocus --sync " + std::to_string(window_));
        xdotool("key " + keys);
    }
    // What a window manager sends when the title bar's close button is clicked.
    void closeWindow() {
        Display* d = XOpenDisplay(display_.c_str());
        ASSERT_NE(d, nullptr);
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = static_cast<Window>(window_);
        e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(d, static_cast<Window>(window_), False, NoEventMask, &e);
        XCloseDisplay(d);
    }
    // Captures the dialog's part of the screen into path.
    bool screenshot(const std::string& path) {
        std::ostringstream cmd;
        cmd << "DISPLAY=" << display_ << " import -window root -crop " << frame_.w << "x" << frame_.h << "+"
            << frame_.x << "+" << frame_.y << " +repage '" << path << "'";
        return std::system(cmd.str().c_str()) == 0;
    }

    // Waits for the probe to end; returns its exit code and fills result and settings.
    int finish(std::string& result, std::map<std::string, int>& settings) {
        std::string line;
        while (readLine(out_, line, 60)) lines_.push_back(line);
        const int code = waitFor(pid_, 30);
        pid_ = -1;
        for (const std::string& l : lines_) {
            if (l.rfind("result ", 0) == 0) result = l.substr(7);
            std::istringstream in(l);
            std::string pair;
            while (in >> pair) {
                const size_t eq = pair.find('=');
                if (eq != std::string::npos) settings[pair.substr(0, eq)] = std::atoi(pair.c_str() + eq + 1);
            }
        }
        return code;
    }

private:
    void xdotool(const std::string& args) {
        const std::string cmd = "DISPLAY=" + display_ + " xdotool " + args;
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }

    std::string display_;
    pid_t pid_ = -1;
    int out_ = -1;
    unsigned long window_ = 0;
    Rect frame_;
    std::map<std::string, Rect> widgets_;
    std::map<std::string, std::string> choices_;
    std::vector<std::string> lines_;
};

// The demo's own pre-filled values.
std::vector<std::string> demoOptions() {
    return {"--width",         "1280", "--height",  "720", "--fullscreen", "1", "--always-on-top", "1",
            "--vertical-sync", "1",    "--samples", "1",   "--anisotropy", "1"};
}

// A picture for the dialog: the demo's own when it has been built, else a stand-in.
std::string dialogPicture() {
    const std::string demo = std::string(EMBER_RUN_DIR) + "/data/loading/dialog.png";
    if (access(demo.c_str(), R_OK) == 0) return demo;
    std::system("convert -size 384x216 gradient:'#1b2735-#6a4c3b' standin.png");
    return "standin.png";
}

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (access(kProbe.c_str(), X_OK) != 0) GTEST_SKIP() << "probe not built: " << kProbe;
        if (std::system("command -v Xvfb xdotool import >/dev/null") != 0)
            GTEST_SKIP() << "Xvfb, xdotool and ImageMagick are needed";
        server_ = std::make_unique<XServer>();
        ASSERT_FALSE(server_->display().empty()) << "Xvfb did not start";
    }
    std::unique_ptr<XServer> server_;
};

}  // namespace

TEST_F(SettingsDialogTest, RunReturnsTheChosenValues) {
    std::vector<std::string> options = demoOptions();
    options.insert(options.end(), {"--picture", dialogPicture()});
    DialogRun dialog(server_->display(), options);
    ASSERT_TRUE(dialog.waitShown());
    for (const char* name :
         {"picture", "resolution", "fullscreen", "always-on-top", "vertical-sync", "multisampling",
          "multisampling-value", "anisotropy", "anisotropy-value", "run", "cancel"})
        EXPECT_TRUE(dialog.has(name)) << name;
    // The picture sits left of the controls at its own size (plus the frame).
    EXPECT_LT(dialog.widget("picture").x + dialog.widget("picture").w, dialog.widget("resolution").x);
    EXPECT_GE(dialog.widget("picture").w, 384);
    EXPECT_GE(dialog.widget("picture").h, 216);

    mkdir((std::string(EMBER_BINARY_DIR) + "/review").c_str(), 0755);
    EXPECT_TRUE(dialog.screenshot(std::string(EMBER_BINARY_DIR) + "/review/dialog.png"));

    dialog.clickCentre("fullscreen");            // untick: always on top can be used again
    dialog.clickCentre("always-on-top");         // and is unticked
    dialog.clickCentre("vertical-sync");         // untick
    dialog.dragKnobToRightEnd("anisotropy");     // 16x
    dialog.dragKnobToRightEnd("multisampling");  // disabled: stays 1x
    EXPECT_TRUE(dialog.screenshot(std::string(EMBER_BINARY_DIR) + "/review/dialog-edited.png"));
    dialog.clickCentre("run");

    std::string result;
    std::map<std::string, int> s;
    EXPECT_EQ(dialog.finish(result, s), 0);
    EXPECT_EQ(result, "run");
    // The server offers only 1280 x 800, so the pre-filled 1280 x 720 falls back to it.
    EXPECT_EQ(s["width"], 1280);
    EXPECT_EQ(s["height"], 800);
    EXPECT_EQ(s["fullscreen"], 0);
    EXPECT_EQ(s["alwaysOnTop"], 0);
    EXPECT_EQ(s["verticalSync"], 0);
    EXPECT_EQ(s["samples"], 1);
    EXPECT_EQ(s["anisotropy"], 16);
}

TEST_F(SettingsDialogTest, FullScreenClearsAlwaysOnTopAndEnterRuns) {
    DialogRun dialog(server_->display(), {"--width", "1920", "--height", "1080", "--fullscreen", "0",
                                          "--always-on-top", "1", "--vertical-sync", "0", "--samples", "4",
                                          "--anisotropy", "0", "--picture", "missing.png"});
    ASSERT_TRUE(dialog.waitShown());
    EXPECT_TRUE(dialog.has("picture"));  // an empty frame stands in for the missing picture
    dialog.clickCentre("fullscreen");
    dialog.clickCentre("always-on-top");      // disabled now: no effect
    dialog.clickCentre("multisampling");      // middle position: 4x
    dialog.dragKnobToRightEnd("anisotropy");  // disabled: stays 1x
    dialog.key("Return");                     // "Run" is the default button

    std::string result;
    std::map<std::string, int> s;
    EXPECT_EQ(dialog.finish(result, s), 0);
    EXPECT_EQ(result, "run");
    // No 1920-wide mode on this server: the pre-filled size is offered and kept.
    EXPECT_EQ(s["width"], 1920);
    EXPECT_EQ(s["height"], 1080);
    EXPECT_EQ(s["fullscreen"], 1);
    EXPECT_EQ(s["alwaysOnTop"], 0);
    EXPECT_EQ(s["samples"], 4);
    EXPECT_EQ(s["anisotropy"], 1);
}

TEST_F(SettingsDialogTest, TheResolutionBoxIsNeverBlank) {
    struct Case {
        const char* screen;
        const char* shown;  // the entry the box shows with the demo's pre-filled 1280 x 720
        int width, height;  // what "Run" yields
    };
    const Case cases[] = {
        {"1280x720x24", "1280 * 720", 1280, 720},   // the exact mode
        {"1280x800x24", "1280 * 800", 1280, 800},   // the same width
        {"1920x1080x24", "1280 * 720", 1280, 720},  // neither: the pre-filled size itself
    };
    mkdir((std::string(EMBER_BINARY_DIR) + "/review").c_str(), 0755);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screen);
        XServer server(c.screen);
        ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
        std::vector<std::string> options = demoOptions();
        options.insert(options.end(), {"--picture", dialogPicture()});
        DialogRun dialog(server.display(), options);
        ASSERT_TRUE(dialog.waitShown());
        EXPECT_EQ(dialog.choice("resolution"), c.shown);
        EXPECT_TRUE(
            dialog.screenshot(std::string(EMBER_BINARY_DIR) + "/review/desktop-dialog-" + c.screen + ".png"));
        dialog.key("Return");
        std::string result;
        std::map<std::string, int> s;
        EXPECT_EQ(dialog.finish(result, s), 0);
        EXPECT_EQ(result, "run");
        EXPECT_EQ(s["width"], c.width);
        EXPECT_EQ(s["height"], c.height);
    }
}

TEST_F(SettingsDialogTest, CancelEscapeAndClosingCancel) {
    enum class How { CancelButton, Escape, CloseWindow };
    for (How how : {How::CancelButton, How::Escape, How::CloseWindow}) {
        SCOPED_TRACE(static_cast<int>(how));
        DialogRun dialog(server_->display(), demoOptions());
        ASSERT_TRUE(dialog.waitShown());
        dialog.clickCentre("vertical-sync");  // a change that cancelling must drop
        if (how == How::CancelButton) dialog.clickCentre("cancel");
        if (how == How::Escape) dialog.key("Escape");
        if (how == How::CloseWindow) dialog.closeWindow();
        std::string result;
        std::map<std::string, int> s;
        EXPECT_EQ(dialog.finish(result, s), 0);
        EXPECT_EQ(result, "cancel");
        EXPECT_EQ(s["verticalSync"], 1);
        EXPECT_EQ(s["height"], 720);
    }
}

TEST_F(SettingsDialogTest, WithoutADisplayTheDemoRunsWithThePrefilledSettings) {
    DialogRun dialog("", {"--width", "1280", "--height", "720", "--vertical-sync", "1", "--samples", "1",
                          "--anisotropy", "1"});
    EXPECT_FALSE(dialog.waitShown());
    std::string result;
    std::map<std::string, int> s;
    EXPECT_EQ(dialog.finish(result, s), 0);
    EXPECT_EQ(result, "run");
    EXPECT_EQ(s["width"], 1280);
    EXPECT_EQ(s["height"], 720);
    EXPECT_EQ(s["verticalSync"], 1);
    EXPECT_EQ(s["anisotropy"], 1);
}
