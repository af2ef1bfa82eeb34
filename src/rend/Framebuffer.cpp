#include "rend/Framebuffer.h"

#include "rend/DeviceError.h"
#include "rend/RenderBuffer.h"
#include "rend/Texture1D.h"
#include "rend/Texture2D.h"
#include "rend/Texture3D.h"
#include "rend/TextureCube.h"

namespace ember {

Framebuffer* Framebuffer::windowStandIn_ = nullptr;

namespace {
const char* const kSource = "src/rend/Framebuffer";

bool validAttachment(Attachment attachment) {
    auto i = static_cast<uint32_t>(attachment);
    return i < static_cast<uint32_t>(AttachmentCount);
}

bool isColorAttachment(Attachment attachment) {
    auto i = static_cast<uint32_t>(attachment);
    return i <= static_cast<uint32_t>(Attachment::Color7);
}

// Width and height of an attachable texture; (0, 0) for kinds that are not attached.
void textureSize(const Texture& texture, int32_t& width, int32_t& height) {
    switch (texture.type()) {
        case TextureType::Texture1D:
            width = static_cast<const Texture1D&>(texture).width();
            height = 1;
            break;
        case TextureType::Texture2D:
            width = static_cast<const Texture2D&>(texture).width();
            height = static_cast<const Texture2D&>(texture).height();
            break;
        case TextureType::Texture3D:
            width = static_cast<const Texture3D&>(texture).width();
            height = static_cast<const Texture3D&>(texture).height();
            break;
        case TextureType::TextureCube:
            width = static_cast<const TextureCube&>(texture).width();
            height = static_cast<const TextureCube&>(texture).height();
            break;
        case TextureType::RenderBuffer:
            width = static_cast<const RenderBuffer&>(texture).width();
            height = static_cast<const RenderBuffer&>(texture).height();
            break;
        default:
            width = 0;
            height = 0;
            break;
    }
}
}  // namespace

Framebuffer::~Framebuffer() {
    if (glName_ != 0) destroy();
}

void Framebuffer::setAttachment(Attachment attachment, Texture* texture) {
    if (!validAttachment(attachment)) return;
    Slot& slot = slots_[static_cast<int32_t>(attachment)];
    slot.texture = texture;
    slot.level = 0;
    slot.layer = 0;
}

void Framebuffer::setAttachmentLevel(Attachment attachment, int32_t level) {
    if (validAttachment(attachment)) slots_[static_cast<int32_t>(attachment)].level = level;
}

void Framebuffer::setAttachmentLayer(Attachment attachment, int32_t layer) {
    if (validAttachment(attachment)) slots_[static_cast<int32_t>(attachment)].layer = layer;
}

const Framebuffer::Slot* Framebuffer::slot(Attachment attachment) const {
    return validAttachment(attachment) ? &slots_[static_cast<int32_t>(attachment)] : nullptr;
}

Texture* Framebuffer::texture(Attachment attachment) const {
    const Slot* s = slot(attachment);
    return s ? s->texture.get() : nullptr;
}

bool Framebuffer::create() {
    const char* const function = "Framebuffer::create";
    if (glName_ != 0) {
        // Re-creating must not leak the previous GL object.
        glDeleteFramebuffers(1, &glName_);
        checkGLError(__LINE__, function, kSource);
        glName_ = 0;
    }
    glGenFramebuffers(1, &glName_);
    checkGLError(__LINE__, function, kSource);
    glBindFramebuffer(GL_FRAMEBUFFER, glName_);
    checkGLError(__LINE__, function, kSource);
    drawBufferCount_ = 0;
    width_ = 0;
    height_ = 0;

    for (int32_t i = 0; i < AttachmentCount; ++i) {
        const Slot& slot = slots_[i];
        Texture* texture = slot.texture.get();
        if (!texture) continue;
        if (width_ == 0 || height_ == 0) textureSize(*texture, width_, height_);

        const Attachment attachment = static_cast<Attachment>(i);
        const GLenum glAttachment = attachmentToGL(attachment);
        switch (texture->type()) {
            case TextureType::Texture1D:
                glFramebufferTexture1D(GL_DRAW_FRAMEBUFFER, glAttachment, GL_TEXTURE_1D, texture->glName(),
                                       slot.level);
                checkGLError(__LINE__, function, kSource);
                break;
            case TextureType::Texture2D:
                glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, glAttachment, GL_TEXTURE_2D, texture->glName(),
                                       slot.level);
                checkGLError(__LINE__, function, kSource);
                break;
            case TextureType::Texture3D:
                glFramebufferTexture3D(GL_DRAW_FRAMEBUFFER, glAttachment, GL_TEXTURE_3D, texture->glName(),
                                       slot.level, slot.layer);
                checkGLError(__LINE__, function, kSource);
                break;
            case TextureType::TextureCube:
                if (slot.layer < 0) {
                    glFramebufferTexture(GL_DRAW_FRAMEBUFFER, glAttachment, texture->glName(), slot.level);
                } else {
                    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, glAttachment,
                                           cubeFaceToGL(static_cast<CubeFace>(slot.layer)), texture->glName(),
                                           slot.level);
                }
                checkGLError(__LINE__, function, kSource);
                break;
            case TextureType::RenderBuffer:
                glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, glAttachment, GL_RENDERBUFFER,
                                          texture->glName());
                checkGLError(__LINE__, function, kSource);
                break;
            default:
                break;
        }
        if (isColorAttachment(attachment)) drawBuffers_[drawBufferCount_++] = glAttachment;
    }

    if (drawBufferCount_ == 0) {
        glDrawBuffer(GL_NONE);
        checkGLError(__LINE__, function, kSource);
        glReadBuffer(GL_NONE);
        checkGLError(__LINE__, function, kSource);
    }

    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    checkGLError(__LINE__, function, kSource);
    glBindFramebuffer(GL_FRAMEBUFFER, windowStandIn_ ? windowStandIn_->glName_ : 0);
    checkGLError(__LINE__, function, kSource);
    if (status == GL_FRAMEBUFFER_COMPLETE) return true;

    glDeleteFramebuffers(1, &glName_);
    checkGLError(__LINE__, function, kSource);
    glName_ = 0;
    drawBufferCount_ = 0;
    checkFramebufferStatus(status);
    return false;
}

void Framebuffer::destroy() {
    if (glName_ != 0) {
        glDeleteFramebuffers(1, &glName_);
        checkGLError(__LINE__, "Framebuffer::destroy", kSource);
    }
    glName_ = 0;
    drawBufferCount_ = 0;
    for (Slot& slot : slots_) slot = Slot();
}

void Framebuffer::bind() {
    const char* const function = "Framebuffer::bind";
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, glName_);
    checkGLError(__LINE__, function, kSource);
    if (drawBufferCount_ == 0) {
        glDrawBuffer(GL_NONE);
        checkGLError(__LINE__, function, kSource);
        // Reading stays on the window's back buffer, or on its stand-in; the
        // read binding may still be an earlier target, whose read buffer
        // cannot be GL_BACK (nor the stand-in's attachment when that is 0).
        glBindFramebuffer(GL_READ_FRAMEBUFFER, windowStandIn_ ? windowStandIn_->glName_ : 0);
        checkGLError(__LINE__, function, kSource);
        glReadBuffer(windowStandIn_ ? GL_COLOR_ATTACHMENT0 : GL_BACK);
        checkGLError(__LINE__, function, kSource);
    } else {
        glDrawBuffers(drawBufferCount_, drawBuffers_);
        checkGLError(__LINE__, function, kSource);
    }
}

void Framebuffer::unbind() {
    const char* const function = "Framebuffer::unbind";
    if (windowStandIn_) {
        bindWindow();
        return;
    }
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    checkGLError(__LINE__, function, kSource);
    glDrawBuffer(GL_BACK);
    checkGLError(__LINE__, function, kSource);
    glReadBuffer(GL_BACK);
    checkGLError(__LINE__, function, kSource);
}

void Framebuffer::setWindowStandIn(Framebuffer* framebuffer) { windowStandIn_ = framebuffer; }

void Framebuffer::bindWindow() {
    const char* const function = "Framebuffer::bindWindow";
    if (!windowStandIn_) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        checkGLError(__LINE__, function, kSource);
        glDrawBuffer(GL_BACK);
        checkGLError(__LINE__, function, kSource);
        glReadBuffer(GL_BACK);
        checkGLError(__LINE__, function, kSource);
        return;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, windowStandIn_->glName_);
    checkGLError(__LINE__, function, kSource);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    checkGLError(__LINE__, function, kSource);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    checkGLError(__LINE__, function, kSource);
}

}  // namespace ember
