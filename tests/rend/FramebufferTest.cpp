#include <vector>

#include "ProgramTestSupport.h"
#include "rend/BufferObject.h"
#include "rend/Framebuffer.h"
#include "rend/RenderBuffer.h"
#include "rend/Texture1D.h"
#include "rend/Texture2D.h"
#include "rend/Texture3D.h"
#include "rend/TextureCube.h"
#include "rend/VertexArrayObject.h"

namespace {

using namespace ember;
using rendtest::GLObjectTest;

class FramebufferTest : public GLObjectTest {};

Ref<Texture2D> texture2D(int32_t w, int32_t h, TextureFormat format) {
    Ref<Texture2D> t(new Texture2D());
    t->create(w, h, format);
    return t;
}

GLint attachmentParameter(GLenum attachment, GLenum name) {
    GLint value = 0;
    glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, attachment, name, &value);
    return value;
}

GLint integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

TEST_F(FramebufferTest, SizeComesFromTheFirstAttachment) {
    Framebuffer fb;
    fb.setAttachment(Attachment::Color0, texture2D(512, 512, TextureFormat::RGBA8).get());
    fb.setAttachment(Attachment::Color1, texture2D(256, 256, TextureFormat::RGBA8).get());
    ASSERT_TRUE(fb.create()) << rendtest::readLog();
    EXPECT_EQ(fb.width(), 512);
    EXPECT_EQ(fb.height(), 512);
    EXPECT_EQ(fb.drawBufferCount(), 2);
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING), 0);
    expectNoGLErrorLogged();
}

TEST_F(FramebufferTest, SizeByKindOfTheFirstAttachment) {
    Ref<Texture1D> t1(new Texture1D());
    t1->create(64, TextureFormat::RGBA8);
    Ref<Texture3D> t3(new Texture3D());
    t3->create(32, 16, 4, TextureFormat::RGBA8);
    Ref<RenderBuffer> rb(new RenderBuffer());
    rb->create(48, 24, TextureFormat::RGBA8);
    struct Case {
        Texture* texture;
        int32_t width, height;
    } cases[] = {{t1.get(), 64, 1}, {t3.get(), 32, 16}, {rb.get(), 48, 24}};
    for (const Case& c : cases) {
        Framebuffer fb;
        fb.setAttachment(Attachment::Color0, c.texture);
        if (c.texture == t3.get()) fb.setAttachmentLayer(Attachment::Color0, 3);
        ASSERT_TRUE(fb.create()) << rendtest::readLog();
        EXPECT_EQ(fb.width(), c.width);
        EXPECT_EQ(fb.height(), c.height);
        fb.bind();
        EXPECT_EQ(static_cast<GLuint>(
                      attachmentParameter(GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME)),
                  c.texture->glName());
        if (c.texture == t3.get()) {
            EXPECT_EQ(attachmentParameter(GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_LAYER), 3);
        }
        fb.unbind();
    }
    expectNoGLErrorLogged();
}

TEST_F(FramebufferTest, DepthOnlyDrawsToNoneAndTakesTheDepthSize) {
    Framebuffer fb;
    fb.setAttachment(Attachment::Depth, texture2D(128, 64, TextureFormat::Depth24).get());
    ASSERT_TRUE(fb.create()) << rendtest::readLog();
    EXPECT_EQ(fb.width(), 128);
    EXPECT_EQ(fb.height(), 64);
    EXPECT_EQ(fb.drawBufferCount(), 0);
    fb.bind();
    EXPECT_EQ(static_cast<GLuint>(integer(GL_DRAW_FRAMEBUFFER_BINDING)), fb.glName());
    EXPECT_EQ(integer(GL_DRAW_BUFFER0), GL_NONE);
    EXPECT_EQ(glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    fb.unbind();
    EXPECT_EQ(integer(GL_DRAW_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(integer(GL_DRAW_BUFFER0), GL_BACK);
    EXPECT_EQ(integer(GL_READ_BUFFER), GL_BACK);
    expectNoGLErrorLogged();
}

TEST_F(FramebufferTest, DrawBuffersFollowTheColourSlotsInOrder) {
    Framebuffer fb;
    fb.setAttachment(Attachment::Color2, texture2D(16, 16, TextureFormat::RGBA8).get());
    fb.setAttachment(Attachment::Color0, texture2D(16, 16, TextureFormat::RGBA16F).get());
    fb.setAttachment(Attachment::DepthStencil, texture2D(16, 16, TextureFormat::Depth24Stencil8).get());
    ASSERT_TRUE(fb.create()) << rendtest::readLog();
    ASSERT_EQ(fb.drawBufferCount(), 2);
    EXPECT_EQ(fb.drawBuffers()[0], static_cast<GLenum>(GL_COLOR_ATTACHMENT0));
    EXPECT_EQ(fb.drawBuffers()[1], static_cast<GLenum>(GL_COLOR_ATTACHMENT2));
    fb.bind();
    EXPECT_EQ(integer(GL_DRAW_BUFFER0), GL_COLOR_ATTACHMENT0);
    EXPECT_EQ(integer(GL_DRAW_BUFFER1), GL_COLOR_ATTACHMENT2);
    EXPECT_EQ(static_cast<GLuint>(
                  attachmentParameter(GL_DEPTH_STENCIL_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME)),
              fb.texture(Attachment::DepthStencil)->glName());
    fb.unbind();
    expectNoGLErrorLogged();
}

TEST_F(FramebufferTest, AttachmentsOutsideTheSlotsAreIgnored) {
    Ref<Texture2D> t = texture2D(8, 8, TextureFormat::RGBA8);
    Framebuffer fb;
    fb.setAttachment(static_cast<Attachment>(11), t.get());
    fb.setAttachment(static_cast<Attachment>(-1), t.get());
    fb.setAttachmentLayer(static_cast<Attachment>(12), 3);
    EXPECT_EQ(t->refCount(), 1);
    EXPECT_EQ(fb.slot(static_cast<Attachment>(11)), nullptr);
    for (int i = 0; i < AttachmentCount; ++i) EXPECT_EQ(fb.texture(static_cast<Attachment>(i)), nullptr);
}

TEST_F(FramebufferTest, CubeLayerTwoRendersIntoPositiveZ) {
    Ref<TextureCube> cube(new TextureCube());
    cube->create(8, 8, TextureFormat::RGBA8);
    Framebuffer fb;
    fb.setAttachment(Attachment::Color0, cube.get());
    fb.setAttachmentLayer(Attachment::Color0, 2);
    ASSERT_TRUE(fb.create()) << rendtest::readLog();
    fb.bind();
    EXPECT_EQ(attachmentParameter(GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_CUBE_MAP_FACE),
              GL_TEXTURE_CUBE_MAP_POSITIVE_Z);
    const float red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    glClearBufferfv(GL_COLOR, 0, red);
    fb.unbind();

    cube->bind();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int face = 0; face < 6; ++face) {
        std::vector<uint8_t> pixels(8 * 8 * 4, 7);
        glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        const bool positiveZ = GL_TEXTURE_CUBE_MAP_POSITIVE_X + face == GL_TEXTURE_CUBE_MAP_POSITIVE_Z;
        EXPECT_EQ(pixels[0], positiveZ ? 255 : 0) << "face " << face;
        EXPECT_EQ(pixels[8 * 8 * 4 - 4], positiveZ ? 255 : 0) << "face " << face;
    }
    cube->unbind();
    expectNoGLErrorLogged();
}

TEST_F(FramebufferTest, NegativeCubeLayerAttachesAllFaces) {
    Ref<TextureCube> cube(new TextureCube());
    cube->create(8, 8, TextureFormat::RGBA8);
    Framebuffer fb;
    fb.setAttachment(Attachment::Color0, cube.get());
    fb.setAttachmentLayer(Attachment::Color0, -1);
    ASSERT_TRUE(fb.create()) << rendtest::readLog();
    fb.bind();
    EXPECT_EQ(attachmentParameter(GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_LAYERED), GL_TRUE);
    fb.unbind();
    expectNoGLErrorLogged();
}

TEST_F(FramebufferTest, IncompleteFramebufferIsDeletedAndLogged) {
    // A colour texture without storage cannot be rendered to.
    Ref<Texture2D> empty = texture2D(32, 32, TextureFormat::None);
    Framebuffer fb;
    fb.setAttachment(Attachment::Color0, empty.get());
    EXPECT_FALSE(fb.create());
    EXPECT_EQ(fb.glName(), 0u);
    EXPECT_EQ(fb.drawBufferCount(), 0);
    EXPECT_EQ(fb.texture(Attachment::Color0), empty.get());
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING), 0);
    const std::vector<std::string> lines = rendtest::logLines();
    ASSERT_EQ(lines.size(), 1u) << rendtest::readLog();
    EXPECT_EQ(
        lines[0].rfind("src/rend/Framebuffer Framebuffer::create  +199 : GL_FRAMEBUFFER_INCOMPLETE_", 0), 0u)
        << lines[0];

    // A storage-backed texture in the same slot makes it work the second time.
    fb.setAttachment(Attachment::Color0, texture2D(32, 32, TextureFormat::RGBA8).get());
    EXPECT_EQ(empty->refCount(), 1);
    EXPECT_TRUE(fb.create());
}

TEST_F(FramebufferTest, DestroyReleasesTheAttachments) {
    Ref<Texture2D> t = texture2D(8, 8, TextureFormat::RGBA8);
    Ref<Framebuffer> fb(new Framebuffer());
    fb->setAttachment(Attachment::Color0, t.get());
    ASSERT_TRUE(fb->create());
    const GLuint name = fb->glName();
    EXPECT_EQ(t->refCount(), 2);
    fb->destroy();
    EXPECT_EQ(fb->glName(), 0u);
    EXPECT_EQ(fb->drawBufferCount(), 0);
    EXPECT_EQ(t->refCount(), 1);
    EXPECT_FALSE(glIsFramebuffer(name));
    EXPECT_EQ(fb->texture(Attachment::Color0), nullptr);
    expectNoGLErrorLogged();
}

// Render to texture: a program draws a triangle into a framebuffer, the pixels
// come back through the texture.
TEST_F(FramebufferTest, RenderToTextureRoundTrip) {
    Ref<Program> program = rendtest::makeProgram(
        "marrow/triangle",
        {{ShaderStage::Vertex, rendtest::kPassVertex}, {ShaderStage::Fragment, rendtest::kColorFragment}});
    ASSERT_TRUE(program->compile()) << rendtest::readLog();

    // A triangle covering the lower-left half of clip space.
    const float vertices[] = {-1, -1, 0, 1, 1, -1, 0, 1, -1, 1, 0, 1};
    Ref<VertexBuffer> vb(new VertexBuffer());
    vb->setStride(16);
    vb->addAttribute(AttributeSemantic::Position, 0, 4);
    vb->create();
    vb->bufferData(BufferUsage::StaticDraw, sizeof(vertices), vertices);
    vb->unbind();
    Ref<VertexArrayObject> vao =
        VertexArrayObjectBuilder::buildVertexArrayObject(program.get(), vb.get(), nullptr);
    ASSERT_TRUE(vao);

    Ref<Texture2D> target = texture2D(32, 32, TextureFormat::RGBA8);
    Ref<Framebuffer> fb(new Framebuffer());
    fb->setAttachment(Attachment::Color0, target.get());
    ASSERT_TRUE(fb->create());

    fb->bind();
    glViewport(0, 0, fb->width(), fb->height());
    const float blue[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    glClearBufferfv(GL_COLOR, 0, blue);
    program->bind();
    program->setUniform4f("color", 0.0f, 1.0f, 0.0f, 1.0f);
    vao->bind();
    glDisable(GL_CULL_FACE);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    vao->unbind();
    program->unbind();
    fb->unbind();

    std::vector<uint8_t> pixels(32 * 32 * 4);
    target->bind();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    target->unbind();
    auto pixel = [&pixels](int x, int y) { return &pixels[static_cast<size_t>((y * 32 + x) * 4)]; };
    // Inside the triangle (near the lower-left corner): green. Outside (upper right): the clear colour.
    EXPECT_EQ(pixel(2, 2)[0], 0);
    EXPECT_EQ(pixel(2, 2)[1], 255);
    EXPECT_EQ(pixel(2, 2)[2], 0);
    EXPECT_EQ(pixel(29, 29)[1], 0);
    EXPECT_EQ(pixel(29, 29)[2], 255);
    int green = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) green += pixel(x, y)[1] == 255 ? 1 : 0;
    // Half the target, give or take the diagonal.
    EXPECT_GT(green, 32 * 32 / 2 - 40);
    EXPECT_LT(green, 32 * 32 / 2 + 40);

    // Reading through the framebuffer gives the same pixels.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fb->glName());
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    uint8_t read[4] = {};
    glReadPixels(2, 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, read);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    EXPECT_EQ(read[1], 255);
    glEnable(GL_CULL_FACE);
    expectNoGLErrorLogged();
}

}  // namespace
