#include <gtest/gtest.h>

#include "TestDir.h"
#include "application/ApplicationAdapter.h"
#include "application/ApplicationSettings.h"
#include "application/Logger.h"

namespace {

TEST(ApplicationSettings, Defaults) {
    const ember::ApplicationSettings s;
    EXPECT_EQ(s.title, "");
    EXPECT_EQ(s.width, 1024);
    EXPECT_EQ(s.height, 768);
    EXPECT_EQ(s.colorBits, 32);
    EXPECT_EQ(s.depthBits, 24);
    EXPECT_EQ(s.stencilBits, 8);
    EXPECT_EQ(s.samples, 1);
    EXPECT_FALSE(s.fullscreen);
    EXPECT_FALSE(s.verticalSync);
    EXPECT_FALSE(s.showCursor);
    EXPECT_TRUE(s.alwaysOnTop);
    EXPECT_EQ(s.glVersion, 0);
    EXPECT_FALSE(s.sRGB);
    EXPECT_EQ(s.anisotropy, 0);
}

TEST(ApplicationSettings, ContextVersionOfEachIndex) {
    struct Case {
        int index, major, minor;
    };
    const Case cases[] = {{0, 3, 3}, {1, 4, 0}, {2, 4, 1}, {3, 4, 2}, {4, 4, 3}, {5, 3, 3}, {-1, 3, 3}};
    for (const Case& c : cases) {
        int major = 0, minor = 0;
        ember::ApplicationSDL::contextVersion(c.index, major, minor);
        EXPECT_EQ(major, c.major) << c.index;
        EXPECT_EQ(minor, c.minor) << c.index;
    }
}

class IdleApplication : public ember::ApplicationAdapter {
public:
    bool configured = false;
    bool onConfigure() override {
        configured = true;
        return false;  // cancelled: nothing else may happen
    }
    bool onInitiate() override { return true; }
    void onTerminate() override {}
    void onFrame() override {}
};

// The application opens "log.txt" afresh, holds default settings, and a
// cancelled configuration ends run() before any window exists.
TEST(Application, LogSettingsAndCancelledStart) {
    apptest::TestDir dir;
    ember::Logger::destroy();
    {
        std::ofstream old("log.txt");
        old << "from an earlier run\n";
    }
    auto* app = new IdleApplication();
    EXPECT_EQ(app->settings().width, 1024);
    EXPECT_EQ(app->settings().title, "");
    EXPECT_EQ(app->getWindowHandle(), nullptr);
    app->swapBuffers();  // nothing to present yet
    app->quit();         // nothing to close yet
    EXPECT_FALSE(app->run());
    EXPECT_TRUE(app->configured);
    EXPECT_EQ(app->getWindowHandle(), nullptr);
    ember::Logger::instance().writeLine("while running");
    delete app;
    ember::Logger::instance().writeLine("after the application");
    EXPECT_EQ(apptest::readFile("log.txt"), "while running\n");
    ember::Logger::destroy();
}

}  // namespace
