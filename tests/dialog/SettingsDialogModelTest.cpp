#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "application/SettingsDialogModel.h"

using namespace ember;

namespace {
using Resolution = SettingsDialogModel::Resolution;

DisplayMode mode(int w, int h, int hz = 60, int bits = 32, int bytes = 4) {
    return DisplayMode{w, h, bits, bytes, hz};
}

// The demo's own pre-filled values.
ApplicationSettings demoSettings() {
    ApplicationSettings s;
    s.title = "Quillmoor / Marrowgate";
    s.width = 1280;
    s.height = 720;
    s.fullscreen = true;
    s.verticalSync = true;
    s.samples = 1;
    s.anisotropy = 1;
    s.glVersion = 3;
    return s;
}

std::vector<std::string> labels(const SettingsDialogModel& m) {
    std::vector<std::string> out;
    for (const Resolution& r : m.resolutions()) out.push_back(SettingsDialogModel::resolutionLabel(r));
    return out;
}
}  // namespace

TEST(SettingsDialogModel, OffersWideModesAndSelectsTheExactMatch) {
    const std::vector<DisplayMode> modes = {mode(1920, 1200), mode(1920, 1080), mode(1280, 1024),
                                            mode(1280, 800),  mode(1280, 720),  mode(1024, 768),
                                            mode(800, 600),   mode(640, 400),   mode(640, 360)};
    SettingsDialogModel m(demoSettings(), modes);
    EXPECT_EQ(labels(m), (std::vector<std::string>{"1920 * 1200", "1920 * 1080", "1280 * 800", "1280 * 720",
                                                   "640 * 400"}));
    ASSERT_EQ(m.selectedResolution(), 3);
    EXPECT_EQ(m.resolutions()[3], (Resolution{1280, 720}));
    EXPECT_EQ(m.title(), "Quillmoor / Marrowgate");
}

TEST(SettingsDialogModel, ModeFilterTable) {
    struct Case {
        DisplayMode mode;
        int colorBits;
        bool kept;
    };
    const Case cases[] = {
        {mode(1280, 720), 32, true},
        {mode(1280, 800), 32, true},
        {mode(1024, 768), 32, false},             // 4:3
        {mode(1366, 768), 32, true},              // 1366 * 9 / 16 = 768 (truncated)
        {mode(1360, 768), 32, false},             // 765 would be 16:9
        {mode(640, 400), 32, true},               // smallest accepted
        {mode(624, 390), 32, false},              // 16:10 but narrower than 640
        {mode(640, 360), 32, false},              // 16:9 but lower than 400
        {mode(1280, 720, 60, 24, 4), 32, true},   // padded RGB: 4 bytes count as 32 bits
        {mode(1280, 720, 60, 24, 3), 32, false},  // packed 24-bit RGB
        {mode(1280, 720, 60, 24, 3), 24, true},
        {mode(1280, 720, 60, 16, 2), 32, false},
        {mode(1280, 720, 60, 16, 2), 16, true},
        {mode(0, 0), 32, false},
        {mode(-1280, -720), 32, false},
        {mode(2147483647, 1207959551), 32, true},  // width * 9 computed without overflow
    };
    for (const Case& c : cases)
        EXPECT_EQ(SettingsDialogModel::acceptsMode(c.mode, c.colorBits), c.kept)
            << c.mode.width << "x" << c.mode.height << " " << c.mode.bitsPerPixel << "/"
            << c.mode.bytesPerPixel;
}

TEST(SettingsDialogModel, SelectsTheExactSizeThenTheSameWidthThenOffersThePrefill) {
    struct Case {
        const char* what;
        int width, height;  // pre-filled
        std::vector<DisplayMode> modes;
        std::vector<std::string> listed;
        int selected;    // -1: nothing
        Resolution run;  // what "Run" writes
    };
    const Case cases[] = {
        {"the last entry of the pre-filled width",
         1280,
         720,
         {mode(1920, 1080), mode(1280, 800), mode(1152, 720)},
         {"1920 * 1080", "1280 * 800", "1152 * 720"},
         1,
         {1280, 800}},
        // A 1920 x 1080 desktop without a 1280 x 720 mode: the box is never blank.
        {"no entry of that width",
         1280,
         720,
         {mode(1920, 1080), mode(1680, 1050)},
         {"1920 * 1080", "1680 * 1050", "1280 * 720"},
         2,
         {1280, 720}},
        {"no mode passes the filter", 1280, 720, {mode(1024, 768)}, {"1280 * 720"}, 0, {1280, 720}},
        {"no modes at all", 1280, 720, {}, {"1280 * 720"}, 0, {1280, 720}},
        {"a pre-filled size of nothing", 0, 0, {mode(1920, 1080)}, {"1920 * 1080"}, -1, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ApplicationSettings prefilled = demoSettings();
        prefilled.width = c.width;
        prefilled.height = c.height;
        SettingsDialogModel m(prefilled, c.modes);
        EXPECT_EQ(labels(m), c.listed);
        EXPECT_EQ(m.selectedResolution(), c.selected);
        ApplicationSettings out = prefilled;
        m.apply(out);
        EXPECT_EQ(out.width, c.run.width);
        EXPECT_EQ(out.height, c.run.height);
    }
}

TEST(SettingsDialogModel, RefreshRatesCollapseAndTheListIsBounded) {
    SettingsDialogModel m(
        demoSettings(), {mode(1920, 1080, 75), mode(1920, 1080, 60), mode(1280, 720, 75), mode(1280, 720, 60),
                         mode(1920, 1080, 50), mode(1280, 720, 60, 24, 4)});
    EXPECT_EQ(labels(m), (std::vector<std::string>{"1920 * 1080", "1280 * 720"}));
    EXPECT_EQ(m.selectedResolution(), 1);

    std::vector<DisplayMode> many;
    for (int w = 640; many.size() < 5000; w += 16) many.push_back(mode(w, w * 10 / 16));
    SettingsDialogModel bounded(demoSettings(), many);
    EXPECT_EQ(bounded.resolutions().size(), static_cast<size_t>(SettingsDialogModel::maxResolutions));
    EXPECT_EQ(bounded.resolutions().back().width, 640 + 16 * (SettingsDialogModel::maxResolutions - 1));
}

TEST(SettingsDialogModel, SelectionFollowsTheViewer) {
    SettingsDialogModel m(demoSettings(), {mode(1920, 1080), mode(1280, 720)});
    m.selectResolution(0);
    ApplicationSettings out = demoSettings();
    m.apply(out);
    EXPECT_EQ(out.width, 1920);
    EXPECT_EQ(out.height, 1080);
    m.selectResolution(7);
    EXPECT_EQ(m.selectedResolution(), -1);
}

TEST(SettingsDialogModel, FullScreenClearsAndDisablesAlwaysOnTop) {
    ApplicationSettings windowed = demoSettings();
    windowed.fullscreen = false;
    windowed.alwaysOnTop = true;
    SettingsDialogModel m(windowed, {mode(1280, 720)});
    EXPECT_TRUE(m.alwaysOnTop());
    EXPECT_TRUE(m.alwaysOnTopEnabled());

    m.setFullscreen(true);
    EXPECT_FALSE(m.alwaysOnTop());
    EXPECT_FALSE(m.alwaysOnTopEnabled());
    m.setAlwaysOnTop(true);  // the disabled box cannot be ticked
    EXPECT_FALSE(m.alwaysOnTop());
    ApplicationSettings out = windowed;
    m.apply(out);
    EXPECT_TRUE(out.fullscreen);
    EXPECT_FALSE(out.alwaysOnTop);

    m.setFullscreen(false);
    EXPECT_TRUE(m.alwaysOnTopEnabled());
    EXPECT_FALSE(m.alwaysOnTop());
    m.setAlwaysOnTop(true);
    m.apply(out);
    EXPECT_FALSE(out.fullscreen);
    EXPECT_TRUE(out.alwaysOnTop);

    // Opened in full screen: the box keeps its tick but cannot be changed.
    SettingsDialogModel opened(demoSettings(), {});
    EXPECT_TRUE(opened.fullscreen());
    EXPECT_TRUE(opened.alwaysOnTop());
    EXPECT_FALSE(opened.alwaysOnTopEnabled());
}

TEST(SettingsDialogModel, SliderTableAndLabels) {
    const int expected[] = {1, 2, 4, 8, 16};
    for (int p = 0; p <= 4; ++p) {
        EXPECT_EQ(SettingsDialogModel::sliderValue(p), expected[p]);
        EXPECT_EQ(SettingsDialogModel::sliderLabel(p), std::to_string(expected[p]) + "x");
    }
    EXPECT_EQ(SettingsDialogModel::sliderValue(9), 16);
    EXPECT_EQ(SettingsDialogModel::sliderValue(-3), 1);
}

TEST(SettingsDialogModel, DisabledMultisamplingYieldsOneAndAnisotropyEndYieldsSixteen) {
    SettingsDialogModel m(demoSettings(), {mode(1280, 720)});
    EXPECT_FALSE(m.multisamplingEnabled());
    EXPECT_TRUE(m.anisotropyEnabled());
    EXPECT_EQ(m.multisamplingLabel(), "1x");
    EXPECT_EQ(m.anisotropyLabel(), "1x");

    m.setMultisamplingPosition(3);
    EXPECT_EQ(m.multisamplingPosition(), 0);
    m.setAnisotropyPosition(4);
    EXPECT_EQ(m.anisotropyLabel(), "16x");
    ApplicationSettings out = demoSettings();
    m.apply(out);
    EXPECT_EQ(out.samples, 1);
    EXPECT_EQ(out.anisotropy, 16);

    m.setAnisotropyPosition(12);  // past the end stays at the end
    EXPECT_EQ(m.anisotropyPosition(), 4);
}

TEST(SettingsDialogModel, SlidersStartAtOneWhateverThePrefill) {
    struct Case {
        int samples, anisotropy;
        bool multisampling, anisotropic;
    };
    const Case cases[] = {{1, 1, false, true},
                          {0, 0, false, false},
                          {4, 16, true, true},
                          {8, 0, true, false},
                          {2, -1, true, false}};
    for (const Case& c : cases) {
        ApplicationSettings s = demoSettings();
        s.samples = c.samples;
        s.anisotropy = c.anisotropy;
        SettingsDialogModel m(s, {});
        EXPECT_EQ(m.multisamplingEnabled(), c.multisampling) << c.samples;
        EXPECT_EQ(m.anisotropyEnabled(), c.anisotropic) << c.anisotropy;
        EXPECT_EQ(m.multisamplingPosition(), 0);
        EXPECT_EQ(m.anisotropyPosition(), 0);
        m.setMultisamplingPosition(2);
        ApplicationSettings out = s;
        m.apply(out);
        EXPECT_EQ(out.samples, c.multisampling ? 4 : 1);
        EXPECT_EQ(out.anisotropy, 1);
    }
}

TEST(SettingsDialogModel, RunWritesOnlyTheDialogFields) {
    ApplicationSettings s = demoSettings();
    s.colorBits = 32;
    s.depthBits = 16;
    s.stencilBits = 0;
    s.showCursor = true;
    s.sRGB = true;
    SettingsDialogModel m(s, {mode(1920, 1080), mode(1280, 720)});
    m.setVerticalSync(false);
    m.setFullscreen(false);
    ApplicationSettings out = s;
    m.apply(out);
    EXPECT_FALSE(out.verticalSync);
    EXPECT_EQ(out.title, s.title);
    EXPECT_EQ(out.depthBits, 16);
    EXPECT_EQ(out.stencilBits, 0);
    EXPECT_TRUE(out.showCursor);
    EXPECT_TRUE(out.sRGB);
    EXPECT_EQ(out.glVersion, 3);
    EXPECT_EQ(out.colorBits, 32);
}
