#pragma once
#include <GL/glew.h>

#include <cstdint>

#include "core/Object.h"
#include "rend/Texture.h"

namespace ember {

// An off-screen render target of up to eleven attachments, slot i belonging to
// Attachment i. Configured with setAttachment, then created; it can be
// destroyed and created again.
class Framebuffer : public Object {
public:
    struct Slot {
        Ref<Texture> texture;  // null leaves the slot empty
        int32_t level = 0;
        // Slice of a 3D texture, or the CubeFace of a cube; negative on a cube
        // attaches all six faces (layered rendering).
        int32_t layer = 0;
    };

    Framebuffer() = default;
    ~Framebuffer() override;

    // Stores texture (may be null) in the attachment's slot with level 0 and
    // layer 0; attachments outside Color0..DepthStencil are ignored.
    void setAttachment(Attachment attachment, Texture* texture);
    // Level and layer of an attachment set before; ignored outside the slots.
    void setAttachmentLevel(Attachment attachment, int32_t level);
    void setAttachmentLayer(Attachment attachment, int32_t layer);

    // Creates the GL framebuffer, attaches every filled slot and takes its size
    // from the first one. Returns false when GL reports it incomplete: the GL
    // object is deleted and the status logged; the textures stay in their slots.
    // Leaves framebuffer 0 bound.
    bool create();
    // Deletes the GL object and releases every attachment.
    void destroy();

    // Binds for drawing with its draw buffers (GL_NONE without colour attachments).
    void bind();
    // Returns drawing to the window's back buffer (or its stand-in).
    void unbind();

    // Off-screen runs stand a framebuffer in for the window: while one is set,
    // "the window's back buffer" (unbind, the end of create, the device's
    // setBackbuffer) means that framebuffer with its first colour attachment
    // as draw and read buffer. Null, the default, restores the window. The
    // pointer is borrowed: the caller clears it before the framebuffer goes.
    static void setWindowStandIn(Framebuffer* framebuffer);
    static Framebuffer* windowStandIn() { return windowStandIn_; }
    // Binds the window's back buffer, or the stand-in, for drawing and reading.
    static void bindWindow();

    GLuint glName() const { return glName_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int32_t drawBufferCount() const { return drawBufferCount_; }
    const GLenum* drawBuffers() const { return drawBuffers_; }
    // The slot of an attachment; null outside the slots.
    const Slot* slot(Attachment attachment) const;
    Texture* texture(Attachment attachment) const;

private:
    Slot slots_[AttachmentCount];
    GLuint glName_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    GLenum drawBuffers_[8] = {};
    int32_t drawBufferCount_ = 0;

    static Framebuffer* windowStandIn_;
};

}  // namespace ember
