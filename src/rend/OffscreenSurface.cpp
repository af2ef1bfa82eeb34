#include "rend/OffscreenSurface.h"

#include <GL/glew.h>

#include <cstring>

#include "application/Logger.h"
#include "rend/DeviceError.h"

namespace ember {

namespace {

const char* const kSource = "src/rend/OffscreenSurface";

}  // namespace

OffscreenSurface::~OffscreenSurface() {
    destroy();
}

bool OffscreenSurface::create(int32_t width, int32_t height) {
    Logger& log = Logger::instance();
    GLint maxTexture = 0, maxRenderbuffer = 0, maxViewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
    checkGLError(__LINE__, "OffscreenSurface::create", kSource);
    if (width > maxTexture || height > maxTexture || width > maxRenderbuffer || height > maxRenderbuffer ||
        width > maxViewport[0] || height > maxViewport[1]) {
        log.writeFormatted("Off-screen frame %dx%d exceeds the driver's limits (texture %d, renderbuffer %d)",
                           width, height, maxTexture, maxRenderbuffer);
        return false;
    }
    color_ = new Texture2D();
    depth_ = new RenderBuffer();
    if (!color_->create(width, height, TextureFormat::RGBA8) ||
        !depth_->create(width, height, TextureFormat::Depth24Stencil8)) {
        log.writeFormatted("Unable to create the %dx%d off-screen frame", width, height);
        destroy();
        return false;
    }
    framebuffer_ = new Framebuffer();
    framebuffer_->setAttachment(Attachment::Color0, color_.get());
    framebuffer_->setAttachment(Attachment::DepthStencil, depth_.get());
    if (!framebuffer_->create()) {
        log.writeFormatted("Unable to create the %dx%d off-screen framebuffer", width, height);
        destroy();
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

void OffscreenSurface::activate() {
    if (!framebuffer_) return;
    Framebuffer::setWindowStandIn(framebuffer_.get());
    Framebuffer::bindWindow();
    glViewport(0, 0, width_, height_);
    glScissor(0, 0, width_, height_);
    checkGLError(__LINE__, "OffscreenSurface::activate", kSource);
}

void OffscreenSurface::deactivate() {
    if (Framebuffer::windowStandIn() != framebuffer_.get() || !framebuffer_) return;
    Framebuffer::setWindowStandIn(nullptr);
    Framebuffer::bindWindow();
}

void OffscreenSurface::destroy() {
    deactivate();
    if (framebuffer_) framebuffer_->destroy();
    framebuffer_.reset();
    color_.reset();
    depth_.reset();
    width_ = height_ = 0;
}

bool OffscreenSurface::readRGB(std::vector<uint8_t>* rgb) {
    if (!framebuffer_) return false;
    const size_t row = static_cast<size_t>(width_) * 3;
    rows_.resize(row * static_cast<size_t>(height_));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_->glName());
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, rows_.data());
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        Logger::instance().writeFormatted("OffscreenSurface::readRGB: glReadPixels failed (0x%04x)", error);
        return false;
    }
    // GL's first row is the bottom one; images start at the top.
    rgb->resize(rows_.size());
    for (int32_t y = 0; y < height_; ++y)
        std::memcpy(rgb->data() + row * static_cast<size_t>(y),
                    rows_.data() + row * static_cast<size_t>(height_ - 1 - y), row);
    return true;
}

OffscreenSurface::Placement OffscreenSurface::fit(int32_t frameWidth, int32_t frameHeight, int32_t width,
                                                  int32_t height) {
    Placement p;
    if (frameWidth <= 0 || frameHeight <= 0 || width <= 0 || height <= 0) return p;
    // Compare the aspects in 64 bits: width * frameHeight overflows 32 bits
    // long before any display does.
    const int64_t wide = static_cast<int64_t>(width) * frameHeight;
    const int64_t tall = static_cast<int64_t>(height) * frameWidth;
    if (wide >= tall) {  // the destination is wider: bars left and right
        p.height = height;
        p.width =
            static_cast<int32_t>((static_cast<int64_t>(height) * frameWidth + frameHeight / 2) / frameHeight);
    } else {  // taller: bars top and bottom
        p.width = width;
        p.height =
            static_cast<int32_t>((static_cast<int64_t>(width) * frameHeight + frameWidth / 2) / frameWidth);
    }
    if (p.width > width) p.width = width;
    if (p.height > height) p.height = height;
    p.x = (width - p.width + 1) / 2;
    p.y = (height - p.height + 1) / 2;
    return p;
}

bool OffscreenSurface::blitScaled(Framebuffer* target, int32_t width, int32_t height) {
    const char* const function = "OffscreenSurface::blitScaled";
    if (!framebuffer_ || width <= 0 || height <= 0) return false;
    const Placement p = fit(width_, height_, width, height);

    // The frame loop and the loading screen keep their state in the device's
    // cache; everything changed here goes back as it was found.
    GLint drawBinding = 0, readBinding = 0, drawBuffer = GL_BACK, readBuffer = GL_BACK;
    GLboolean mask[4] = {GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE};
    GLfloat clearColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawBinding);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readBinding);
    glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    checkGLError(__LINE__, function, kSource);

    const GLuint destination = target ? target->glName() : 0;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, destination);
    checkGLError(__LINE__, function, kSource);
    glDrawBuffer(target ? GL_COLOR_ATTACHMENT0 : GL_BACK);
    checkGLError(__LINE__, function, kSource);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_->glName());
    checkGLError(__LINE__, function, kSource);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    checkGLError(__LINE__, function, kSource);
    glDisable(GL_SCISSOR_TEST);
    checkGLError(__LINE__, function, kSource);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    checkGLError(__LINE__, function, kSource);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    checkGLError(__LINE__, function, kSource);
    glClear(GL_COLOR_BUFFER_BIT);
    checkGLError(__LINE__, function, kSource);
    glBlitFramebuffer(0, 0, width_, height_, p.x, p.y, p.x + p.width, p.y + p.height, GL_COLOR_BUFFER_BIT,
                      GL_LINEAR);
    checkGLError(__LINE__, function, kSource);

    glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
    checkGLError(__LINE__, function, kSource);
    glColorMask(mask[0], mask[1], mask[2], mask[3]);
    checkGLError(__LINE__, function, kSource);
    if (scissor) glEnable(GL_SCISSOR_TEST);
    checkGLError(__LINE__, function, kSource);
    // Draw and read buffers belong to each framebuffer object: only the two
    // framebuffers used here can have lost theirs, and only when they are the
    // ones bound again.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readBinding));
    checkGLError(__LINE__, function, kSource);
    if (static_cast<GLuint>(readBinding) == framebuffer_->glName() ||
        static_cast<GLuint>(readBinding) == destination) {
        glReadBuffer(static_cast<GLenum>(readBuffer));
        checkGLError(__LINE__, function, kSource);
    }
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawBinding));
    checkGLError(__LINE__, function, kSource);
    if (static_cast<GLuint>(drawBinding) == destination) {
        glDrawBuffer(static_cast<GLenum>(drawBuffer));
        checkGLError(__LINE__, function, kSource);
    }
    return true;
}

}  // namespace ember
