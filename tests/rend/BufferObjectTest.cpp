#include <cstring>

#include "ProgramTestSupport.h"
#include "rend/BufferObject.h"

namespace {

using namespace ember;
using rendtest::GLObjectTest;

class BufferObjectTest : public GLObjectTest {};

TEST(BufferObjectKinds, InitialTargetsAndSizes) {
    VertexBuffer vb;
    IndexBuffer ib;
    EXPECT_EQ(vb.target(), BufferTarget::Array);
    EXPECT_EQ(ib.target(), BufferTarget::ElementArray);
    EXPECT_EQ(vb.usage(), BufferUsage::StaticDraw);
    EXPECT_EQ(vb.access(), MapAccess::NotMapped);
    EXPECT_EQ(ib.indexSize(), 2);
    EXPECT_EQ(vb.glName(), 0u);
}

TEST(BufferObjectKinds, SemanticNamesAndGLTables) {
    const char* names[] = {"POSITION", "NORMAL",     "COLOR",       "TANGENT",
                           "TEXCOORD", "BONE_INDEX", "BONE_WEIGHT", "UNKNOWN"};
    for (int i = 0; i < AttributeSemanticCount; ++i)
        EXPECT_STREQ(attributeSemanticName(static_cast<AttributeSemantic>(i)), names[i]);
    EXPECT_STREQ(attributeSemanticName(static_cast<AttributeSemantic>(99)), "UNKNOWN");
    EXPECT_EQ(bufferTargetToGL(BufferTarget::ShaderStorage), static_cast<GLenum>(GL_SHADER_STORAGE_BUFFER));
    EXPECT_EQ(bufferTargetToGL(BufferTarget::Texture), static_cast<GLenum>(GL_TEXTURE_BUFFER));
    EXPECT_EQ(bufferUsageToGL(BufferUsage::DynamicCopy), static_cast<GLenum>(GL_DYNAMIC_COPY));
    EXPECT_EQ(bufferUsageToGL(BufferUsage::StreamDraw), static_cast<GLenum>(GL_STREAM_DRAW));
}

TEST(VertexBufferAttributes, AddAttributeRules) {
    struct Case {
        int32_t offset;
        bool accepted;
    } cases[] = {{0, true}, {12, true}, {16, true}, {17, false}, {-1, false}};
    for (const Case& c : cases) {
        VertexBuffer vb;
        vb.setStride(16);
        EXPECT_EQ(vb.addAttribute(AttributeSemantic::Position, c.offset, 4), c.accepted) << c.offset;
        EXPECT_EQ(vb.slotCount(), c.accepted ? 1 : 0);
    }

    VertexBuffer vb;
    vb.setStride(64);
    for (int i = 0; i < VertexBuffer::MaxSlots; ++i)
        ASSERT_TRUE(vb.addAttribute(static_cast<AttributeSemantic>(i), i * 4, 1));
    EXPECT_FALSE(vb.addAttribute(AttributeSemantic::Unknown, 0, 1));
    EXPECT_EQ(vb.slotCount(), 7);
    EXPECT_EQ(vb.slot(6).semantic, AttributeSemantic::BoneWeight);
    EXPECT_EQ(vb.slot(6).offset, 24);

    // Without a stride only offset 0 fits.
    VertexBuffer empty;
    EXPECT_FALSE(empty.addAttribute(AttributeSemantic::Normal, 4, 3));
    EXPECT_TRUE(empty.addAttribute(AttributeSemantic::Normal, 0, 3));
}

TEST_F(BufferObjectTest, CreateOnceDataMapAndDestroy) {
    VertexBuffer vb;
    ASSERT_TRUE(vb.create());
    const GLuint name = vb.glName();
    EXPECT_NE(name, 0u);
    EXPECT_FALSE(vb.create());
    EXPECT_EQ(vb.glName(), name);

    const float data[4] = {1.0f, 2.0f, 3.0f, 4.0f};
    vb.bufferData(BufferUsage::DynamicDraw, sizeof(data), data);
    EXPECT_EQ(vb.usage(), BufferUsage::DynamicDraw);
    GLint size = 0, usage = 0, bound = 0;
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_USAGE, &usage);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(size, 16);
    EXPECT_EQ(usage, GL_DYNAMIC_DRAW);
    EXPECT_EQ(static_cast<GLuint>(bound), name);

    auto* p = static_cast<float*>(vb.map(MapAccess::WriteOnly));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(vb.access(), MapAccess::WriteOnly);
    p[2] = 42.0f;
    EXPECT_TRUE(vb.unmap());
    EXPECT_EQ(vb.access(), MapAccess::NotMapped);
    float back[4] = {};
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, sizeof(back), back);
    EXPECT_EQ(back[0], 1.0f);
    EXPECT_EQ(back[2], 42.0f);

    vb.unbind();
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);

    vb.destroy();
    EXPECT_EQ(vb.glName(), 0u);
    EXPECT_FALSE(glIsBuffer(name));
    EXPECT_TRUE(vb.create());  // created again after destroy
    expectNoGLErrorLogged();
}

TEST_F(BufferObjectTest, DestructorDeletesTheGLBuffer) {
    GLuint name = 0;
    {
        Ref<IndexBuffer> ib(new IndexBuffer());
        ASSERT_TRUE(ib->create());
        ib->bind();
        name = ib->glName();
        EXPECT_TRUE(glIsBuffer(name));
    }
    EXPECT_FALSE(glIsBuffer(name));
    expectNoGLErrorLogged();
}

}  // namespace
