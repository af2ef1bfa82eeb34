#include "ProgramTestSupport.h"
#include "rend/BufferObject.h"
#include "rend/VertexArrayObject.h"

namespace {

using namespace ember;
using rendtest::GLObjectTest;

class VertexArrayObjectTest : public GLObjectTest {};

Ref<VertexBuffer> meshBuffer() {
    // POSITION (4 floats), NORMAL (3), TEXCOORD (2): 36 bytes a vertex.
    Ref<VertexBuffer> vb(new VertexBuffer());
    vb->setStride(36);
    vb->addAttribute(AttributeSemantic::Position, 0, 4);
    vb->addAttribute(AttributeSemantic::Normal, 16, 3);
    vb->addAttribute(AttributeSemantic::TexCoord, 28, 2);
    vb->create();
    vb->bufferData(BufferUsage::StaticDraw, 36 * 3, nullptr);
    vb->unbind();
    return vb;
}

GLint attribute(GLuint location, GLenum name) {
    GLint value = 0;
    glGetVertexAttribiv(location, name, &value);
    return value;
}

TEST_F(VertexArrayObjectTest, OnlyTheSemanticsTheProgramReadsAreEnabled) {
    Ref<Program> program = rendtest::makeProgram("pos", {{ShaderStage::Vertex, rendtest::kPassVertex},
                                                         {ShaderStage::Fragment, rendtest::kColorFragment}});
    ASSERT_TRUE(program->compile());
    const GLuint position = static_cast<GLuint>(program->findAttribute("POSITION")->location);
    Ref<VertexBuffer> vb = meshBuffer();

    Ref<VertexArrayObject> vao =
        VertexArrayObjectBuilder::buildVertexArrayObject(program.get(), vb.get(), nullptr);
    ASSERT_TRUE(vao);
    EXPECT_NE(vao->glName(), 0u);
    EXPECT_EQ(vao->indexSize(), 2);

    // The build leaves nothing bound.
    GLint bound = -1;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);

    vao->bind();
    GLint maxAttribs = 0;
    glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &maxAttribs);
    for (GLuint i = 0; i < static_cast<GLuint>(maxAttribs); ++i)
        EXPECT_EQ(attribute(i, GL_VERTEX_ATTRIB_ARRAY_ENABLED), i == position ? 1 : 0) << i;
    EXPECT_EQ(attribute(position, GL_VERTEX_ATTRIB_ARRAY_SIZE), 4);
    EXPECT_EQ(attribute(position, GL_VERTEX_ATTRIB_ARRAY_STRIDE), 36);
    EXPECT_EQ(attribute(position, GL_VERTEX_ATTRIB_ARRAY_TYPE), GL_FLOAT);
    EXPECT_EQ(static_cast<GLuint>(attribute(position, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING)), vb->glName());
    vao->unbind();
    expectNoGLErrorLogged();
}

TEST_F(VertexArrayObjectTest, OffsetsFollowTheSlotsAndTheIndexBufferIsRecorded) {
    Ref<Program> program = rendtest::makeProgram("posnormal", {{ShaderStage::Vertex, R"(#version 330 core
in vec4 POSITION;
in vec2 TEXCOORD;
void main() { gl_Position = POSITION + vec4(TEXCOORD, 0.0, 0.0); }
)"}});
    ASSERT_TRUE(program->compile());
    Ref<VertexBuffer> vb = meshBuffer();

    struct Case {
        int32_t indexSize;
        int32_t expected;
    } cases[] = {{2, 2}, {4, 4}, {3, 2}};
    for (const Case& c : cases) {
        Ref<IndexBuffer> ib(new IndexBuffer());
        ib->setIndexSize(c.indexSize);
        ib->create();
        Ref<VertexArrayObject> vao =
            VertexArrayObjectBuilder::buildVertexArrayObject(program.get(), vb.get(), ib.get());
        ASSERT_TRUE(vao);
        EXPECT_EQ(vao->indexSize(), c.expected) << c.indexSize;
        vao->bind();
        GLint element = 0;
        glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &element);
        EXPECT_EQ(static_cast<GLuint>(element), ib->glName());
        ASSERT_NE(program->findAttribute("TEXCOORD"), nullptr);
        const GLuint texcoord = static_cast<GLuint>(program->findAttribute("TEXCOORD")->location);
        void* offset = nullptr;
        glGetVertexAttribPointerv(texcoord, GL_VERTEX_ATTRIB_ARRAY_POINTER, &offset);
        EXPECT_EQ(reinterpret_cast<intptr_t>(offset), 28);
        EXPECT_EQ(attribute(texcoord, GL_VERTEX_ATTRIB_ARRAY_SIZE), 2);
        vao->unbind();
    }
    expectNoGLErrorLogged();
}

TEST_F(VertexArrayObjectTest, NullInputsBuildNothing) {
    Ref<VertexBuffer> vb = meshBuffer();
    EXPECT_FALSE(VertexArrayObjectBuilder::buildVertexArrayObject(nullptr, vb.get(), nullptr));
    Ref<Program> program(new Program("empty"));
    EXPECT_FALSE(VertexArrayObjectBuilder::buildVertexArrayObject(program.get(), nullptr, nullptr));
}

TEST_F(VertexArrayObjectTest, CreateBindDestroy) {
    Ref<VertexArrayObject> vao(new VertexArrayObject());
    ASSERT_TRUE(vao->create());
    EXPECT_FALSE(vao->create());
    vao->bind();
    GLint bound = 0;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), vao->glName());
    vao->unbind();
    const GLuint name = vao->glName();
    vao = nullptr;
    EXPECT_FALSE(glIsVertexArray(name));
    expectNoGLErrorLogged();
}

}  // namespace
