#include <GL/glew.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "application/Logger.h"
#include "rend/Device.h"
#include "rend/Framebuffer.h"
#include "rend/OffscreenSurface.h"
#include "rend/Texture2D.h"
#include "support/GLTestContext.h"

namespace {

using namespace ember;

// The pixel at (x, y), y counted from the top.
std::vector<uint8_t> pixelAt(const std::vector<uint8_t>& rgb, int width, int x, int y) {
    const size_t at = (static_cast<size_t>(y) * width + x) * 3;
    return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

TEST(OffscreenSurface, StandsInForTheBackBufferAtAnySize) {
    EMBER_REQUIRE_GL();
    // Every GL error the engine meets goes to the log, which must stay empty.
    ASSERT_TRUE(Logger::instance().open("surface-log.txt"));
    const int w = 123, h = 45;  // no display mode has this size
    Ref<ember::OffscreenSurface> surface(new ember::OffscreenSurface());
    ASSERT_TRUE(surface->create(w, h));
    Ref<Device> device(new Device());

    // A part's usual path: draw into its own target, then return to the back
    // buffer and draw there; the back buffer must be the surface.
    Ref<Texture2D> color(new Texture2D());
    ASSERT_TRUE(color->create(16, 16, TextureFormat::RGBA8));
    Ref<Framebuffer> target(new Framebuffer());
    target->setAttachment(Attachment::Color0, color.get());
    surface->activate();
    ASSERT_TRUE(target->create());  // leaves the stand-in bound, not the window
    EXPECT_NE(Framebuffer::windowStandIn(), nullptr);
    device->setClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    device->clear(GL_COLOR_BUFFER_BIT);
    device->setFramebuffer(target.get());
    device->setClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    device->clear(GL_COLOR_BUFFER_BIT);
    device->setBackbuffer(w, h);
    // A depth-only pass (shadow maps) in between leaves no GL error either.
    Ref<Texture2D> depth(new Texture2D());
    ASSERT_TRUE(depth->create(16, 16, TextureFormat::Depth24));
    Ref<Framebuffer> shadow(new Framebuffer());
    shadow->setAttachment(Attachment::Depth, depth.get());
    ASSERT_TRUE(shadow->create());
    device->setFramebuffer(shadow.get());
    device->clear(GL_DEPTH_BUFFER_BIT);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    device->setBackbuffer(w, h);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 10, 5);  // bottom-left corner in GL terms
    device->setClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    device->clear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    std::vector<uint8_t> rgb;
    ASSERT_TRUE(surface->readRGB(&rgb));
    ASSERT_EQ(rgb.size(), static_cast<size_t>(w * h * 3));
    // Rows come top first: GL's bottom-left corner is the last row.
    EXPECT_EQ(pixelAt(rgb, w, 0, h - 1), (std::vector<uint8_t>{255, 0, 0}));
    EXPECT_EQ(pixelAt(rgb, w, 9, h - 5), (std::vector<uint8_t>{255, 0, 0}));
    EXPECT_EQ(pixelAt(rgb, w, 10, h - 1), (std::vector<uint8_t>{0, 0, 255}));
    EXPECT_EQ(pixelAt(rgb, w, 0, 0), (std::vector<uint8_t>{0, 0, 255}));
    EXPECT_EQ(pixelAt(rgb, w, w - 1, 0), (std::vector<uint8_t>{0, 0, 255}));

    device->setFramebuffer(nullptr);
    surface->destroy();
    EXPECT_EQ(Framebuffer::windowStandIn(), nullptr);
    target->destroy();
    shadow->destroy();
    GLint bound = -1;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);

    Logger::instance().close();
    std::ifstream in("surface-log.txt");
    const std::string logged((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(logged.find(" : GL_"), std::string::npos) << logged;
}

TEST(OffscreenSurface, RefusesSizesBeyondTheDriver) {
    EMBER_REQUIRE_GL();
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    Ref<ember::OffscreenSurface> surface(new ember::OffscreenSurface());
    EXPECT_FALSE(surface->create(maxSize + 1, 16));
    std::vector<uint8_t> rgb;
    EXPECT_FALSE(surface->readRGB(&rgb));
    EXPECT_FALSE(surface->blitScaled(nullptr, 64, 64));
}

TEST(OffscreenSurface, FitKeepsTheAspectAndCentres) {
    using P = OffscreenSurface::Placement;
    struct Case {
        int frameWidth, frameHeight, width, height;
        P placement;
    };
    const Case cases[] = {
        {1280, 720, 1920, 1080, {0, 0, 1920, 1080}},    // same aspect: fills
        {1280, 720, 1280, 720, {0, 0, 1280, 720}},      // same size
        {1280, 720, 1920, 1200, {0, 60, 1920, 1080}},   // 16:9 on 16:10: bars top and bottom
        {1280, 720, 1600, 1200, {0, 150, 1600, 900}},   // 16:9 on 4:3
        {640, 480, 1920, 1080, {240, 0, 1440, 1080}},   // 4:3 on 16:9: bars left and right
        {1280, 800, 2560, 1080, {416, 0, 1728, 1080}},  // 16:10 on 21:9
        {1280, 720, 3841, 2160, {1, 0, 3840, 2160}},    // odd leftover: the extra pixel goes right
        {100, 100, 1, 1, {0, 0, 1, 1}},
        {1280, 720, 0, 1080, {0, 0, 0, 0}},
        {0, 720, 1920, 1080, {0, 0, 0, 0}},
        {-1280, 720, 1920, 1080, {0, 0, 0, 0}},
        {65536, 1, 2147483647, 2147483647, {0, 1073725440, 2147483647, 32768}},  // no overflow
    };
    for (const Case& c : cases) {
        const P p = OffscreenSurface::fit(c.frameWidth, c.frameHeight, c.width, c.height);
        EXPECT_EQ(p, c.placement) << c.frameWidth << "x" << c.frameHeight << " into " << c.width << "x"
                                  << c.height << ": got " << p.x << "," << p.y << " " << p.width << "x"
                                  << p.height;
    }
}

// The colour at GL coordinates (x, y) of the framebuffer bound for reading.
std::vector<uint8_t> readAt(int x, int y) {
    uint8_t rgba[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return {rgba[0], rgba[1], rgba[2]};
}

TEST(OffscreenSurface, BlitsScaledWithBlackBarsAndLeavesTheStateAlone) {
    EMBER_REQUIRE_GL();
    const std::vector<uint8_t> black = {0, 0, 0}, red = {255, 0, 0}, blue = {0, 0, 255};
    struct Case {
        int width, height;     // destination
        int insideX, insideY;  // a pixel in the frame's bottom-left quarter
        int barX, barY;        // a pixel in a bar (-1: no bars)
    };
    // A 64 x 36 frame: red in its left half, blue in its right half.
    const Case cases[] = {
        {128, 72, 10, 10, -1, -1},  // doubled, no bars
        {128, 128, 10, 30, 64, 5},  // square: bars below and above (frame at y 28..100)
        {200, 72, 40, 10, 10, 36},  // wide: bars left and right (frame at x 36..164)
    };
    Ref<OffscreenSurface> surface(new OffscreenSurface());
    ASSERT_TRUE(surface->create(64, 36));
    Ref<Device> device(new Device());
    surface->activate();
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 32, 36);
    device->setClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    device->clear(GL_COLOR_BUFFER_BIT);
    glScissor(32, 0, 32, 36);
    device->setClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    device->clear(GL_COLOR_BUFFER_BIT);
    // A state the blit must keep: scissor on, green masked, a grey clear colour.
    glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_TRUE);
    glClearColor(0.5f, 0.5f, 0.5f, 0.5f);

    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        Ref<Texture2D> color(new Texture2D());
        ASSERT_TRUE(color->create(c.width, c.height, TextureFormat::RGBA8));
        Ref<Framebuffer> target(new Framebuffer());
        target->setAttachment(Attachment::Color0, color.get());
        ASSERT_TRUE(target->create());
        ASSERT_TRUE(surface->blitScaled(target.get(), c.width, c.height));
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

        GLint draw = -1, read = -1;
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw);
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
        EXPECT_EQ(static_cast<GLuint>(draw), Framebuffer::windowStandIn()->glName());
        EXPECT_EQ(static_cast<GLuint>(read), Framebuffer::windowStandIn()->glName());
        EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
        GLboolean mask[4] = {};
        glGetBooleanv(GL_COLOR_WRITEMASK, mask);
        EXPECT_EQ(mask[1], GL_FALSE);
        GLfloat clearColor[4] = {};
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
        EXPECT_FLOAT_EQ(clearColor[0], 0.5f);

        glBindFramebuffer(GL_READ_FRAMEBUFFER, target->glName());
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        EXPECT_EQ(readAt(c.insideX, c.insideY), red);
        EXPECT_EQ(readAt(c.width - 1 - c.insideX, c.height - 1 - c.insideY), blue);
        if (c.barX >= 0) {
            EXPECT_EQ(readAt(c.barX, c.barY), black);
            EXPECT_EQ(readAt(c.width - 1 - c.barX, c.height - 1 - c.barY), black);
        }
        Framebuffer::bindWindow();
        target->destroy();
    }
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_SCISSOR_TEST);
    surface->destroy();
}

}  // namespace
