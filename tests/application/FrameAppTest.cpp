// The frame test application (tests/apps/frame_app.cpp) started as a
// subprocess on the test's X display: context versions, refused versions,
// failed starts, and the two ways a user ends it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "TestDir.h"
#include "XWindows.h"
#include "rend/OffscreenSurface.h"

namespace {

const char* const kAppPath = EMBER_BINARY_DIR "/tests/ember-frame-app";

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Position of a whole line (without its indentation) in the log, or npos.
size_t findLine(const std::string& log, const std::string& line) {
    size_t at = 0;
    while ((at = log.find(line, at)) != std::string::npos) {
        const bool starts = at == 0 || log[at - 1] == '\n' || log[at - 1] == '\t';
        const size_t end = at + line.size();
        if (starts && (end == log.size() || log[end] == '\n')) return at;
        at = end;
    }
    return std::string::npos;
}

// One run of the test application in the current directory.
class AppProcess {
public:
    AppProcess(const std::vector<std::string>& args,
               const std::vector<std::pair<std::string, std::string>>& env = {}) {
        pid_ = fork();
        if (pid_ == 0) {
            for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(kAppPath));
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(kAppPath, argv.data());
            _exit(127);
        }
    }
    ~AppProcess() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool running() {
        if (exited_) return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            exited_ = true;
            status_ = status;
        }
        return !exited_;
    }
    // Waits for the process to end; false when it did not within the limit.
    bool wait(double seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (running()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }
    int exitCode() const { return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1000 - WTERMSIG(status_); }
    bool started() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = 0;
};

std::string readLog() {
    return apptest::readFile("log.txt");
}

// Waits until the log holds the line (or the process ended, or time ran out).
bool waitForLine(AppProcess& app, const std::string& line, double seconds = 60) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (findLine(readLog(), line) != std::string::npos) return true;
        if (!app.running()) return findLine(readLog(), line) != std::string::npos;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Runs the application to its end and returns the log.
std::string runToEnd(const std::vector<std::string>& args,
                     const std::vector<std::pair<std::string, std::string>>& env = {}) {
    AppProcess app(args, env);
    EXPECT_TRUE(app.started());
    EXPECT_TRUE(app.wait(120)) << "application did not end";
    EXPECT_EQ(app.exitCode(), 0);
    return readLog();
}

bool haveDisplay() {
    return std::getenv("DISPLAY") != nullptr;
}

#define REQUIRE_DISPLAY() \
    if (!haveDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run)"

// "test: context M.m core C forward F samples S ..." as the application logged it.
struct ContextLine {
    int major = 0, minor = 0, core = 0, forward = 0, samples = 0;
};
bool parseContext(const std::string& log, ContextLine& out) {
    const size_t at = log.find("test: context ");
    if (at == std::string::npos) return false;
    return std::sscanf(log.c_str() + at, "test: context %d.%d core %d forward %d samples %d", &out.major,
                       &out.minor, &out.core, &out.forward, &out.samples) == 5;
}

struct VersionCase {
    int index;
    int major, minor;
    const char* check;  // version line of the driver report, or null
};

const VersionCase kVersions[] = {{0, 3, 3, "GLEW_VERSION_3_3"}, {1, 4, 0, "GLEW_VERSION_4_0"},
                                 {2, 4, 1, "GLEW_VERSION_4_1"}, {3, 4, 2, "GLEW_VERSION_4_2"},
                                 {4, 4, 3, "GLEW_VERSION_4_3"}, {7, 3, 3, nullptr}};

std::string versionText(int major, int minor) {
    return std::to_string(major) + "." + std::to_string(minor);
}

TEST(FrameApp, EachVersionIndexGivesACoreContextOfAtLeastThatVersion) {
    REQUIRE_DISPLAY();
    for (const VersionCase& c : kVersions) {
        SCOPED_TRACE("glVersion " + std::to_string(c.index));
        apptest::TestDir dir;
        const std::string log = runToEnd({"--gl", std::to_string(c.index), "--frames", "3"});
        EXPECT_NE(findLine(log, "Create OpenGL context for version " + versionText(c.major, c.minor)),
                  std::string::npos)
            << log.substr(0, 400);
        ContextLine context;
        ASSERT_TRUE(parseContext(log, context)) << log.substr(0, 400);
        EXPECT_GE(context.major * 10 + context.minor, c.major * 10 + c.minor);
        EXPECT_EQ(context.core, 1);
        EXPECT_EQ(context.forward, 1);
        if (c.check) {
            EXPECT_NE(findLine(log, c.check), std::string::npos);
        }
        EXPECT_FALSE(contains(log, "Missing GLEW_VERSION"));
        // The start order: context, driver report, frames, quit, end.
        const size_t created = log.find("Create OpenGL context");
        const size_t driver = findLine(log, "[driver]");
        const size_t glx = findLine(log, "[glx]");
        const size_t running = findLine(log, "test: frame loop running");
        const size_t posted = findLine(log, "Post QUIT message");
        const size_t terminated = findLine(log, "test: terminate");
        const size_t quit = findLine(log, "Application has quit");
        ASSERT_NE(quit, std::string::npos);
        EXPECT_LT(created, driver);
        EXPECT_LT(driver, glx);
        EXPECT_LT(glx, running);
        EXPECT_LT(running, posted);
        EXPECT_LT(posted, terminated);
        EXPECT_LT(terminated, quit);
        // The GL start state leaves no error behind for the demo.
        EXPECT_TRUE(contains(log, "error 0x0")) << log.substr(log.find("test: context"), 80);
    }
}

// The start state follows the settings: multisampling and sRGB when asked,
// the hints at their nicest either way. A format the driver cannot match
// falls back to a plain one.
TEST(FrameApp, FormatAndStartState) {
    REQUIRE_DISPLAY();
    struct Case {
        std::vector<std::string> args;
        const char* trying;  // the format search line, or null
        bool fallback;
        int samples;
        const char* state;
    };
    const Case cases[] = {
        {{}, nullptr, false, 0, "test: state framebuffer-srgb 0 nicest 1"},
        {{"--samples", "4", "--srgb"},
         "Trying to find a sRGB pixelformat with 4 x MSAA",
         false,
         4,
         "test: state framebuffer-srgb 1 nicest 1"},
        {{"--samples", "4"},
         "Trying to find a  pixelformat with 4 x MSAA",
         false,
         4,
         "test: state framebuffer-srgb 0 nicest 1"},
        {{"--samples", "64"},
         "Trying to find a  pixelformat with 64 x MSAA",
         true,
         0,
         "test: state framebuffer-srgb 0 nicest 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        apptest::TestDir dir;
        std::vector<std::string> args = {"--gl", "3", "--frames", "2"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const std::string log = runToEnd(args);
        if (c.trying) {
            EXPECT_NE(findLine(log, c.trying), std::string::npos) << log.substr(0, 400);
        } else {
            EXPECT_FALSE(contains(log, "Trying to find"));
        }
        EXPECT_EQ(findLine(log, "Falling back to a plain pixelformat") != std::string::npos, c.fallback)
            << log.substr(0, 400);
        ContextLine context;
        ASSERT_TRUE(parseContext(log, context)) << log.substr(0, 400);
        EXPECT_EQ(context.samples, c.samples);
        EXPECT_NE(findLine(log, c.state), std::string::npos) << log.substr(log.find("test: context"), 200);
        EXPECT_NE(findLine(log, "Application has quit"), std::string::npos);
    }
}

// A driver limited below the request refuses the context: the start fails
// with the logged lines, no other version is tried, and the exit code is 0.
TEST(FrameApp, ContextBelowTheRequestIsRefused) {
    REQUIRE_DISPLAY();
    struct Case {
        const char* limit;
        int index;
        const char* requested;
        std::vector<std::string> extra;
    };
    const Case cases[] = {
        {"4.1", 3, "4.2", {}}, {"3.3", 1, "4.0", {}}, {"4.2", 4, "4.3", {"--samples", "4"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("limit ") + c.limit + " index " + std::to_string(c.index));
        apptest::TestDir dir;
        std::vector<std::string> args = {"--gl", std::to_string(c.index), "--frames", "2"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const std::string log = runToEnd(args, {{"MESA_GL_VERSION_OVERRIDE", c.limit}});
        const size_t failed = log.find("SDL_GL_CreateContext failed: ");
        ASSERT_NE(failed, std::string::npos) << log;
        const std::string failedLine = log.substr(failed, log.find('\n', failed) - failed);
        EXPECT_TRUE(contains(failedLine, std::string(" for ") + c.requested)) << failedLine;
        EXPECT_LT(failed, findLine(log, "createGLContext failed"));
        EXPECT_LT(findLine(log, "createGLContext failed"), findLine(log, "createWindow failed"));
        EXPECT_NE(findLine(log, "createWindow failed"), std::string::npos);
        EXPECT_FALSE(contains(log, "Create OpenGL context for version"));
        EXPECT_FALSE(contains(log, "[driver]"));
        EXPECT_FALSE(contains(log, "test: message box"));  // this failure shows no box
        EXPECT_FALSE(contains(log, "Application has quit"));
        // Every attempt asked for the same version.
        size_t at = 0;
        while ((at = log.find("SDL_GL_CreateContext failed", at)) != std::string::npos) {
            const std::string line = log.substr(at, log.find('\n', at) - at);
            EXPECT_TRUE(contains(line, std::string(" for ") + c.requested)) << line;
            ++at;
        }
    }
}

// A context that is created but whose driver reports a lower version fails
// the version check: the report names the missing version and the viewer is
// told that OpenGL 3.3 could not be initiated.
TEST(FrameApp, MissingVersionFailsTheStart) {
    REQUIRE_DISPLAY();
    apptest::TestDir dir;
    const std::string log = runToEnd({"--gl", "3", "--frames", "2", "--report-gl-version", "4.1"});
    const size_t missing = findLine(log, "Missing GLEW_VERSION_4_2");
    ASSERT_NE(missing, std::string::npos) << log.substr(0, 400);
    EXPECT_NE(log.find("\tMissing GLEW_VERSION_4_2\n[extensions]\n"), std::string::npos);
    const size_t failed = findLine(log, "checkExtensions failed");
    const size_t box = findLine(log, "test: message box \"Emberline\": Unable to initiate OpenGL 3.3");
    ASSERT_NE(failed, std::string::npos);
    ASSERT_NE(box, std::string::npos);
    EXPECT_LT(missing, failed);
    EXPECT_LT(failed, box);
    EXPECT_FALSE(contains(log, "test: context"));  // onInitiate never ran
    EXPECT_FALSE(contains(log, "Application has quit"));
}

TEST(FrameApp, FailedInitiateTerminatesAndTellsTheViewer) {
    REQUIRE_DISPLAY();
    apptest::TestDir dir;
    const std::string log = runToEnd({"--fail-initiate"});
    const size_t failed = findLine(log, "onInitiate failed");
    const size_t box = findLine(log, "test: message box \"Emberline\": Failed to load demo");
    const size_t terminated = findLine(log, "test: terminate");
    ASSERT_NE(failed, std::string::npos) << log.substr(0, 400);
    ASSERT_NE(box, std::string::npos);
    ASSERT_NE(terminated, std::string::npos);
    EXPECT_LT(failed, box);
    EXPECT_LT(box, terminated);
    EXPECT_FALSE(contains(log, "test: frame loop running"));
    EXPECT_FALSE(contains(log, "Application has quit"));
}

// Full screen takes a display mode of exactly the configured size; any other
// size takes the desktop-sized window and scales the frame, which keeps the
// configured size for the application. Windowed, the window is centred.
TEST(FrameApp, FullScreenModeScaledOrWindowed) {
    REQUIRE_DISPLAY();
    int width = 0, height = 0;
    ASSERT_TRUE(apptest::screenSize(width, height));
    const std::string screen = std::to_string(width) + "x" + std::to_string(height);
    struct Case {
        int width, height;
        bool fullscreen;
        std::string path;    // the log line naming the path taken ("" for none)
        std::string window;  // where the window is: "x y w x h"
    };
    const ember::OffscreenSurface::Placement p = ember::OffscreenSurface::fit(1001, 701, width, height);
    // No X screen offers the odd size as a display mode; the screen's own size it does.
    const Case cases[] = {
        {1001, 701, true,
         "Full screen: desktop " + screen + ", the 1001x701 frame scaled to " + std::to_string(p.width) +
             "x" + std::to_string(p.height) + " at (" + std::to_string(p.x) + ", " + std::to_string(p.y) +
             ")",
         "0 0 " + std::to_string(width) + " x " + std::to_string(height)},
        {width, height, true, "Full screen: display mode changed to " + screen,
         "0 0 " + std::to_string(width) + " x " + std::to_string(height)},
        {640, 360, false, "",
         std::to_string((width - 640) / 2) + " " + std::to_string((height - 360) / 2) + " 640 x 360"},
    };
    for (const Case& c : cases) {
        const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
        SCOPED_TRACE(size);
        apptest::TestDir dir;
        std::vector<std::string> args = {"--size", size, "--frames", "3"};
        if (c.fullscreen) args.insert(args.begin(), "--fullscreen");
        const std::string log = runToEnd(args);
        const bool refused = c.path.find("scaled") != std::string::npos;
        EXPECT_EQ(findLine(log, "ChangeDisplaySettings failed") != std::string::npos, refused)
            << log.substr(0, 600);
        if (!c.path.empty()) {
            EXPECT_NE(findLine(log, c.path), std::string::npos) << log.substr(0, 600);
        }
        EXPECT_EQ(contains(log, "frame scaled"), refused);
        EXPECT_NE(findLine(log, "test: window " + c.window), std::string::npos) << log.substr(0, 600);
        // The application always sees the size it asked for.
        EXPECT_NE(findLine(log, "test: resize " + std::to_string(c.width) + " x " + std::to_string(c.height)),
                  std::string::npos);
        EXPECT_NE(findLine(log, "test: frame loop running"), std::string::npos);
        EXPECT_NE(findLine(log, "Application has quit"), std::string::npos);
    }
}

// A burst of queued input is handled one event per frame, each reaching its
// hook with the engine's codes.
TEST(FrameApp, OneEventPerFrame) {
    REQUIRE_DISPLAY();
    apptest::TestDir dir;
    const std::string log = runToEnd({"--inject", "--frames", "30"});
    const std::vector<std::string> expected = {
        "test: mouse move 10 20",        "test: mouse down 5 6 button 2",
        "test: mouse up 5 6 button 3",   "test: mouse down 7 8 button 5",
        "test: mouse down 7 8 button 4", "test: mouse down 7 8 button 4",
        "test: key down 286 repeat 1",   "test: key up 13"};
    size_t previous = findLine(log, "test: frame 1");
    ASSERT_NE(previous, std::string::npos) << log.substr(0, 600);
    for (const std::string& line : expected) {
        SCOPED_TRACE(line);
        const size_t at = log.find(line + "\n", previous);
        ASSERT_NE(at, std::string::npos);
        // Exactly one frame between two handled events.
        const std::string between = log.substr(previous, at - previous);
        EXPECT_NE(between.find("test: frame"), std::string::npos) << between;
        EXPECT_EQ(between.find("test: mouse"), std::string::npos) << between;
        EXPECT_EQ(between.find("test: key"), std::string::npos) << between;
        previous = at + line.size();
    }
    EXPECT_NE(findLine(log, "Application has quit"), std::string::npos);
}

TEST(FrameApp, CursorAndScreenSaverWhileRunning) {
    REQUIRE_DISPLAY();
    struct Case {
        std::vector<std::string> args;
        const char* line;
    };
    const Case cases[] = {{{"--frames", "2"}, "test: cursor 0 screensaver 0"},
                          {{"--frames", "2", "--show-cursor"}, "test: cursor 1 screensaver 0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        apptest::TestDir dir;
        const std::string log = runToEnd(c.args);
        EXPECT_NE(findLine(log, c.line), std::string::npos) << log.substr(0, 300);
    }
}

// --- The two ways a user ends the application -----------------------------------------

std::string uniqueTitle(const char* what) {
    return std::string("Emberline ") + what + " " + std::to_string(getpid());
}

int xdotool(const std::string& display, const std::string& arguments) {
    const std::string prefix = display.empty() ? "" : "DISPLAY=" + display + " ";
    return std::system((prefix + "xdotool " + arguments).c_str());
}

bool haveXdotool() {
    return std::system("command -v xdotool >/dev/null 2>&1") == 0;
}

// Escape ends the application on release, not on press.
TEST(FrameApp, EscapeQuitsOnRelease) {
    REQUIRE_DISPLAY();
    if (!haveXdotool()) GTEST_SKIP() << "xdotool missing";
    apptest::TestDir dir;
    // Windows of tests running beside this one would take the focus, and SDL
    // releases held keys when its window loses it: a display of our own.
    apptest::PrivateDisplay own;
    const std::string display = own.name();
    std::vector<std::pair<std::string, std::string>> env;
    if (!display.empty()) env.push_back({"DISPLAY", display});
    const std::string title = uniqueTitle("escape");
    AppProcess app({"--title", title}, env);
    ASSERT_TRUE(waitForLine(app, "test: frame loop running")) << readLog();

    const unsigned long window = apptest::waitForWindow(title, display);
    ASSERT_NE(window, 0u);

    // Should the focus still go elsewhere (no private display), a press that
    // was not seen is released and tried again.
    const std::string focus = "windowfocus --sync " + std::to_string(window) + " ";
    bool pressed = false;
    for (int attempt = 0; attempt < 5 && !pressed; ++attempt) {
        ASSERT_EQ(xdotool(display, focus + "keydown Escape"), 0);
        pressed = waitForLine(app, "test: key down 27 repeat 0", 5);
        if (!pressed) xdotool(display, "keyup Escape");
    }
    ASSERT_TRUE(pressed) << readLog();
    // Frames go on after the press; a quit would end the process at once.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(app.running());
    EXPECT_FALSE(contains(readLog(), "Post QUIT message"));

    ASSERT_EQ(xdotool(display, focus + "keyup Escape"), 0);
    ASSERT_TRUE(app.wait(60)) << "no quit on release";
    EXPECT_EQ(app.exitCode(), 0);
    const std::string log = readLog();
    const size_t up = findLine(log, "test: key up 27");
    const size_t posted = findLine(log, "Post QUIT message");
    const size_t terminated = findLine(log, "test: terminate");
    const size_t quit = findLine(log, "Application has quit");
    ASSERT_NE(up, std::string::npos);
    ASSERT_NE(quit, std::string::npos);
    EXPECT_LT(findLine(log, "[driver]"), up);
    EXPECT_LT(up, posted);
    EXPECT_LT(posted, terminated);
    EXPECT_LT(terminated, quit);
    EXPECT_FALSE(contains(log, "Got CLOSE message"));
}

// Closing the window (what a window manager does on the close button) goes
// through the same quit path.
TEST(FrameApp, ClosingTheWindowQuitsThroughTheSamePath) {
    REQUIRE_DISPLAY();
    apptest::TestDir dir;
    const std::string title = uniqueTitle("close");
    AppProcess app({"--title", title});
    ASSERT_TRUE(waitForLine(app, "test: frame loop running")) << readLog();

    const unsigned long window = apptest::waitForWindow(title);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(apptest::requestClose(window));

    ASSERT_TRUE(app.wait(60)) << "window close did not end the application";
    EXPECT_EQ(app.exitCode(), 0);
    const std::string log = readLog();
    const size_t got = findLine(log, "Got CLOSE message");
    const size_t posted = findLine(log, "Post QUIT message");
    const size_t terminated = findLine(log, "test: terminate");
    const size_t quit = findLine(log, "Application has quit");
    ASSERT_NE(got, std::string::npos) << log.substr(log.size() > 600 ? log.size() - 600 : 0);
    ASSERT_NE(quit, std::string::npos);
    EXPECT_NE(findLine(log, "[driver]"), std::string::npos);
    EXPECT_NE(log.find("\tGL_RENDERER: "), std::string::npos);
    EXPECT_LT(got, posted);
    EXPECT_LT(posted, terminated);
    EXPECT_LT(terminated, quit);
}

}  // namespace
