#include <cstring>
#include <vector>

#include "ProgramTestSupport.h"
#include "rend/BufferObject.h"
#include "rend/RenderBuffer.h"
#include "rend/Texture1D.h"
#include "rend/Texture2D.h"
#include "rend/Texture3D.h"
#include "rend/TextureBuffer.h"
#include "rend/TextureCube.h"

namespace {

using namespace ember;
using rendtest::GLObjectTest;

class TextureTest : public GLObjectTest {};

GLint texParameter(GLenum target, GLenum name) {
    GLint value = 0;
    glGetTexParameteriv(target, name, &value);
    return value;
}

GLint levelParameter(GLenum target, GLenum name, GLint level = 0) {
    GLint value = 0;
    glGetTexLevelParameteriv(target, level, name, &value);
    return value;
}

TEST(TextureTables, FormatTableRows) {
    struct Case {
        TextureFormat format;
        GLenum internal, pixelFormat, pixelType;
    } cases[] = {
        {TextureFormat::R8, GL_R8, GL_RED, GL_UNSIGNED_BYTE},
        {TextureFormat::Depth16, GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT},
        {TextureFormat::Depth24, GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_FLOAT},
        {TextureFormat::Depth24Stencil8, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8},
        {TextureFormat::RGBA16F, GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT},
        {TextureFormat::RG32F, GL_RG32F, GL_RG, GL_FLOAT},
        {TextureFormat::Depth32FStencil8, GL_DEPTH32F_STENCIL8, GL_DEPTH_STENCIL,
         GL_FLOAT_32_UNSIGNED_INT_24_8_REV},
        {TextureFormat::DXT5, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, GL_NONE, GL_NONE},
        {TextureFormat::None, GL_NONE, GL_NONE, GL_NONE},
    };
    for (const Case& c : cases) {
        const TextureFormatInfo& info = textureFormatInfo(c.format);
        EXPECT_EQ(info.internalFormat, c.internal) << static_cast<int>(c.format);
        EXPECT_EQ(info.pixelFormat, c.pixelFormat) << static_cast<int>(c.format);
        EXPECT_EQ(info.pixelType, c.pixelType) << static_cast<int>(c.format);
    }
    EXPECT_TRUE(isUncompressedFormat(TextureFormat::Depth32FStencil8));
    EXPECT_FALSE(isUncompressedFormat(TextureFormat::DXT1));
    // The cube faces: positives first, unlike GL.
    EXPECT_EQ(cubeFaceToGL(CubeFace::PositiveZ), static_cast<GLenum>(GL_TEXTURE_CUBE_MAP_POSITIVE_Z));
    EXPECT_EQ(cubeFaceToGL(CubeFace::NegativeX), static_cast<GLenum>(GL_TEXTURE_CUBE_MAP_NEGATIVE_X));
    EXPECT_EQ(attachmentToGL(Attachment::DepthStencil), static_cast<GLenum>(GL_DEPTH_STENCIL_ATTACHMENT));
}

TEST(TextureTables, InitialStateIsGLDefault) {
    Texture2D t;
    const TextureState& s = t.textureState();
    EXPECT_EQ(s.magFilter, TextureFilter::Linear);
    EXPECT_EQ(s.minFilter, TextureFilter::NearestMipmapLinear);
    EXPECT_EQ(s.wrapR, TextureWrap::Repeat);
    EXPECT_EQ(s.swizzle[3], Swizzle::Alpha);
    EXPECT_FALSE(s.compare);
    EXPECT_EQ(t.format(), TextureFormat::None);
    EXPECT_EQ(t.type(), TextureType::Texture2D);
    EXPECT_EQ(t.glTarget(), static_cast<GLenum>(GL_TEXTURE_2D));
}

// Default swizzles, as GL holds them after creation.
TEST_F(TextureTest, DefaultSwizzlePerFormat) {
    const GLint R = GL_RED, G = GL_GREEN, B = GL_BLUE, A = GL_ALPHA, ONE = GL_ONE;
    struct Case {
        TextureFormat format;
        GLint swizzle[4];
    } cases[] = {
        {TextureFormat::R8, {R, R, R, ONE}},     {TextureFormat::R16F, {R, R, R, ONE}},
        {TextureFormat::R32F, {R, R, R, ONE}},   {TextureFormat::RG8, {R, R, R, G}},
        {TextureFormat::RG32F, {R, R, R, G}},    {TextureFormat::RGB8, {R, G, B, ONE}},
        {TextureFormat::RGB32F, {R, G, B, ONE}}, {TextureFormat::RGBA8, {R, G, B, A}},
        {TextureFormat::RGBA16F, {R, G, B, A}},  {TextureFormat::RGBA32F, {R, G, B, A}},
        {TextureFormat::Depth16, {R, R, R, R}},  {TextureFormat::Depth24, {R, R, R, R}},
        {TextureFormat::Depth32, {R, R, R, R}},  {TextureFormat::Depth24Stencil8, {R, R, R, R}},
        {TextureFormat::Depth32F, {R, G, B, A}}, {TextureFormat::Depth32FStencil8, {R, G, B, A}},
    };
    for (const Case& c : cases) {
        Ref<Texture2D> t(new Texture2D());
        ASSERT_TRUE(t->create(8, 8, c.format));
        EXPECT_EQ(t->format(), c.format);
        t->bind();
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_R + i), c.swizzle[i])
                << "format " << static_cast<int>(c.format) << " channel " << i;
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_INTERNAL_FORMAT),
                  static_cast<GLint>(textureFormatInfo(c.format).internalFormat));
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_WIDTH), 8);
        t->unbind();
    }
    expectNoGLErrorLogged();
}

TEST_F(TextureTest, FixedPointDepthComparesWithLessFloatDepthDoesNot) {
    struct Case {
        TextureFormat format;
        bool compare;
    } cases[] = {
        {TextureFormat::Depth16, true},   {TextureFormat::Depth24, true},
        {TextureFormat::Depth32, true},   {TextureFormat::Depth24Stencil8, true},
        {TextureFormat::Depth32F, false}, {TextureFormat::Depth32FStencil8, false},
        {TextureFormat::RGBA8, false},
    };
    for (const Case& c : cases) {
        Ref<Texture2D> t(new Texture2D());
        t->create(16, 16, c.format);
        EXPECT_EQ(t->textureState().compare, c.compare);
        t->bind();
        EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE),
                  c.compare ? GL_COMPARE_REF_TO_TEXTURE : GL_NONE)
            << static_cast<int>(c.format);
        if (c.compare) {
            EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC), GL_LESS);
        }
        EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
        t->unbind();
    }
    expectNoGLErrorLogged();
}

TEST_F(TextureTest, CreateLeavesTheTextureUnbound) {
    Texture2D t;
    t.create(4, 4, TextureFormat::RGBA8);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
}

TEST_F(TextureTest, CompressedAndNoneGetNoStorageAndNoSwizzle) {
    for (TextureFormat format : {TextureFormat::DXT1, TextureFormat::DXT5, TextureFormat::None}) {
        Texture2D reference;
        uint64_t before = glCheckCount();
        reference.create(8, 8, TextureFormat::RGBA8);
        const uint64_t uncompressedCalls = glCheckCount() - before;

        Ref<Texture2D> t(new Texture2D());
        before = glCheckCount();
        t->create(8, 8, format);
        // Four swizzle parameters and the storage allocation are the difference.
        EXPECT_EQ(glCheckCount() - before, uncompressedCalls - 5) << static_cast<int>(format);
        t->bind();
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_WIDTH), 0);
        EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
        t->unbind();
    }
    expectNoGLErrorLogged();
}

TEST_F(TextureTest, SetTextureStateSendsOnlyChangedFiltersAndWraps) {
    Texture2D t;
    t.create(4, 4, TextureFormat::RGBA8);
    t.bind();
    TextureState state = t.textureState();

    // Same state again: the four swizzles and the compare mode only.
    uint64_t before = glCheckCount();
    t.setTextureState(state);
    EXPECT_EQ(glCheckCount() - before, 5u);

    state.magFilter = TextureFilter::Nearest;
    state.wrapT = TextureWrap::MirroredRepeat;
    state.compare = true;
    before = glCheckCount();
    t.setTextureState(state);
    EXPECT_EQ(glCheckCount() - before, 2u + 4u + 2u);
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T), GL_MIRRORED_REPEAT);
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC), GL_LESS);
    EXPECT_EQ(t.textureState().magFilter, TextureFilter::Nearest);
    EXPECT_TRUE(t.textureState().compare);

    state.swizzle[0] = Swizzle::Zero;
    t.setTextureState(state);
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_R), GL_ZERO);
    t.unbind();
    expectNoGLErrorLogged();
}

TEST_F(TextureTest, UploadAndMipmaps) {
    Texture2D t;
    t.create(4, 2, TextureFormat::RGBA8);
    std::vector<uint8_t> pixels(4 * 2 * 4);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 3);
    t.bind();
    t.uploadData(pixels.data());
    std::vector<uint8_t> back(pixels.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back.data());
    EXPECT_EQ(back, pixels);
    t.unbind();

    t.generateMipMaps();
    t.bind();
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_WIDTH, 1), 2);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_WIDTH, 2), 1);
    t.unbind();
    expectNoGLErrorLogged();
}

TEST_F(TextureTest, OtherKindsInitialStateAndStorage) {
    Texture1D t1;
    t1.create(32, TextureFormat::R8);
    t1.bind();
    EXPECT_EQ(texParameter(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(levelParameter(GL_TEXTURE_1D, GL_TEXTURE_WIDTH), 32);
    EXPECT_EQ(texParameter(GL_TEXTURE_1D, GL_TEXTURE_SWIZZLE_A), GL_ONE);
    const uint8_t ramp[32] = {1, 2, 3};
    t1.uploadData(ramp);
    uint8_t back[32] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_1D, 0, GL_RED, GL_UNSIGNED_BYTE, back);
    EXPECT_EQ(std::memcmp(back, ramp, sizeof(ramp)), 0);
    t1.unbind();

    Texture3D t3;
    t3.create(4, 5, 6, TextureFormat::RGBA8);
    EXPECT_EQ(t3.depth(), 6);
    t3.bind();
    EXPECT_EQ(texParameter(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(texParameter(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(levelParameter(GL_TEXTURE_3D, GL_TEXTURE_DEPTH), 6);
    t3.unbind();

    TextureCube cube;
    cube.create(16, 16, TextureFormat::RGBA16F);
    cube.bind();
    EXPECT_EQ(texParameter(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R})
        EXPECT_EQ(texParameter(GL_TEXTURE_CUBE_MAP, wrap), GL_CLAMP_TO_EDGE);
    for (int face = 0; face < 6; ++face)
        EXPECT_EQ(levelParameter(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, GL_TEXTURE_WIDTH), 16) << face;
    cube.unbind();

    TextureCube compressedCube;
    compressedCube.create(16, 16, TextureFormat::DXT1);
    compressedCube.bind();
    EXPECT_EQ(levelParameter(GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_WIDTH), 0);
    compressedCube.unbind();
    expectNoGLErrorLogged();
}

TEST_F(TextureTest, RenderBufferStorageAndNoTextureState) {
    Ref<RenderBuffer> rb(new RenderBuffer());
    EXPECT_TRUE(rb->create(64, 32, TextureFormat::Depth24Stencil8));
    const GLuint name = rb->glName();
    EXPECT_TRUE(glIsRenderbuffer(name));
    glBindRenderbuffer(GL_RENDERBUFFER, name);
    GLint width = 0, height = 0, internal = 0;
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &width);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &height);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_INTERNAL_FORMAT, &internal);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 32);
    EXPECT_EQ(internal, GL_DEPTH24_STENCIL8);

    const uint64_t before = glCheckCount();
    rb->setTextureState(TextureState());
    EXPECT_EQ(glCheckCount(), before);

    rb = nullptr;
    EXPECT_FALSE(glIsRenderbuffer(name));
    expectNoGLErrorLogged();
}

TEST_F(TextureTest, DestroyDeletesTheTexture) {
    Texture2D t;
    t.create(2, 2, TextureFormat::R8);
    const GLuint name = t.glName();
    EXPECT_TRUE(glIsTexture(name));
    t.destroy();
    EXPECT_EQ(t.glName(), 0u);
    EXPECT_FALSE(glIsTexture(name));
    t.destroy();  // twice is harmless
    expectNoGLErrorLogged();
}

TEST_F(TextureTest, TextureBufferExposesOneRGBA32FTexelPer16Bytes) {
    const int N = 10;
    Ref<VertexBuffer> vb(new VertexBuffer());
    vb->setStride(16);
    vb->addAttribute(AttributeSemantic::Position, 0, 4);
    vb->create();
    std::vector<float> points(N * 4, 0.5f);
    vb->bufferData(BufferUsage::StaticDraw, static_cast<GLsizeiptr>(points.size() * sizeof(float)),
                   points.data());
    vb->unbind();

    Ref<TextureBuffer> tb(new TextureBuffer());
    EXPECT_TRUE(tb->setBuffer(vb.get()));
    EXPECT_EQ(tb->buffer(), vb.get());
    EXPECT_EQ(tb->format(), TextureFormat::RGBA32F);
    EXPECT_EQ(vb->refCount(), 2);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_BUFFER, &bound);
    EXPECT_EQ(bound, 0);

    tb->bind();
    EXPECT_EQ(levelParameter(GL_TEXTURE_BUFFER, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA32F);
    EXPECT_EQ(levelParameter(GL_TEXTURE_BUFFER, GL_TEXTURE_BUFFER_DATA_STORE_BINDING),
              static_cast<GLint>(vb->glName()));
    EXPECT_EQ(levelParameter(GL_TEXTURE_BUFFER, GL_TEXTURE_BUFFER_SIZE) / 16, N);
    tb->unbind();

    // A new buffer replaces the old one, which is released.
    Ref<VertexBuffer> other(new VertexBuffer());
    other->create();
    other->bufferData(BufferUsage::StaticDraw, 32, nullptr);
    other->unbind();
    tb->setBuffer(other.get());
    EXPECT_EQ(vb->refCount(), 1);
    expectNoGLErrorLogged();
}

}  // namespace
