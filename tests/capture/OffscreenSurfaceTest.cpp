#include <GL/glew.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "application/Logger.h"

#include "capture/OffscreenSurface.h"
#include "rend/Device.h"
#include "rend/Framebuffer.h"
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
    Ref<qm::OffscreenSurface> surface(new qm::OffscreenSurface());
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
    Ref<qm::OffscreenSurface> surface(new qm::OffscreenSurface());
    EXPECT_FALSE(surface->create(maxSize + 1, 16));
    std::vector<uint8_t> rgb;
    EXPECT_FALSE(surface->readRGB(&rgb));
}

}  // namespace
