#include "capture/OffscreenSurface.h"

#include <GL/glew.h>

#include <cstring>

#include "application/Logger.h"
#include "rend/DeviceError.h"

namespace qm {

using namespace ember;

namespace {

const char* const kSource = "quillmoor/capture/OffscreenSurface";

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

}  // namespace qm
