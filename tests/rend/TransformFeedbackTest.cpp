#include <vector>

#include "ProgramTestSupport.h"
#include "rend/BufferObject.h"
#include "rend/Query.h"
#include "rend/TransformFeedback.h"
#include "rend/VertexArrayObject.h"

namespace {

using namespace ember;
using rendtest::GLObjectTest;

class TransformFeedbackTest : public GLObjectTest {};

TEST_F(TransformFeedbackTest, ObjectCreateAndDestroy) {
    Ref<TransformFeedback> tf(new TransformFeedback());
    ASSERT_TRUE(tf->create());
    EXPECT_FALSE(tf->create());
    const GLuint name = tf->glName();
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, name);
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, 0);
    EXPECT_TRUE(glIsTransformFeedback(name));
    tf = nullptr;
    EXPECT_FALSE(glIsTransformFeedback(name));
    expectNoGLErrorLogged();
}

// Capture the way the device does it: buffer on indexed binding 0, points,
// the query around the draw. Exactly the drawn vertices arrive and are counted.
TEST_F(TransformFeedbackTest, CapturesExactlyTheDrawnVerticesAndTheQueryCountsThem) {
    const char* varyings[] = {"captured"};
    Ref<Program> program = rendtest::makeProgram("marrow/capture", {{ShaderStage::Vertex, R"(#version 330 core
in vec4 POSITION;
out vec4 captured;
void main() { captured = POSITION * 2.0 + vec4(1.0); gl_Position = POSITION; }
)"}});
    ASSERT_TRUE(program->compile(1, varyings, TransformFeedbackMode::Interleaved)) << rendtest::readLog();

    const int drawn = 5;
    Ref<VertexBuffer> source(new VertexBuffer());
    source->setStride(16);
    source->addAttribute(AttributeSemantic::Position, 0, 4);
    source->create();
    std::vector<float> points(8 * 4);
    for (size_t i = 0; i < points.size(); ++i) points[i] = static_cast<float>(i);
    source->bufferData(BufferUsage::StaticDraw, static_cast<GLsizeiptr>(points.size() * sizeof(float)),
                       points.data());
    source->unbind();

    // The target holds room for 8 vertices, prefilled with a marker.
    Ref<VertexBuffer> target(new VertexBuffer());
    target->setStride(16);
    target->create();
    std::vector<float> marker(8 * 4, -7.0f);
    target->bufferData(BufferUsage::DynamicCopy, static_cast<GLsizeiptr>(marker.size() * sizeof(float)),
                       marker.data());
    target->unbind();

    Ref<VertexArrayObject> vao =
        VertexArrayObjectBuilder::buildVertexArrayObject(program.get(), source.get(), nullptr);
    ASSERT_TRUE(vao);
    Ref<Query> query(new Query());
    EXPECT_EQ(query->target(), QueryTarget::TransformFeedbackPrimitivesWritten);
    ASSERT_TRUE(query->create());

    program->bind();
    vao->bind();
    glEnable(GL_RASTERIZER_DISCARD);
    glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, target->glName());
    glBeginTransformFeedback(GL_POINTS);
    query->begin();
    EXPECT_FALSE(query->ended());
    glDrawArrays(GL_POINTS, 0, drawn);
    glEndTransformFeedback();
    query->end();
    EXPECT_TRUE(query->ended());
    glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, 0);
    glDisable(GL_RASTERIZER_DISCARD);
    vao->unbind();
    program->unbind();

    EXPECT_EQ(query->getResult(), static_cast<uint32_t>(drawn));
    EXPECT_EQ(query->result(), static_cast<uint32_t>(drawn));

    std::vector<float> back(8 * 4);
    target->bind();
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(back.size() * sizeof(float)), back.data());
    target->unbind();
    for (int i = 0; i < 8 * 4; ++i) {
        const float expected = i < drawn * 4 ? points[i] * 2.0f + 1.0f : -7.0f;
        EXPECT_EQ(back[i], expected) << i;
    }

    query->destroy();
    EXPECT_EQ(query->glName(), 0u);
    EXPECT_FALSE(query->ended());
    expectNoGLErrorLogged();
}

TEST(QueryTargets, Table) {
    EXPECT_EQ(queryTargetToGL(QueryTarget::PrimitivesGenerated),
              static_cast<GLenum>(GL_PRIMITIVES_GENERATED));
    EXPECT_EQ(queryTargetToGL(QueryTarget::AnySamplesPassed), static_cast<GLenum>(GL_ANY_SAMPLES_PASSED));
    EXPECT_EQ(queryTargetToGL(QueryTarget::TimeElapsed), static_cast<GLenum>(GL_TIME_ELAPSED));
    Query q(QueryTarget::SamplesPassed);
    EXPECT_EQ(q.glTarget(), static_cast<GLenum>(GL_SAMPLES_PASSED));
    EXPECT_EQ(q.glName(), 0u);
}

}  // namespace
