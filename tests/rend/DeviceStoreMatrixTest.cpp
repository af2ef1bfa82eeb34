#include "DeviceTestSupport.h"
#include "ProgramTestSupport.h"

namespace {

using namespace ember;
using devicetest::DeviceTest;

constexpr const char* kProjectionVertex = R"(#version 330 core
in vec4 POSITION;
uniform mat4 ProjectionMatrix;
uniform mat4 ViewMatrix;
void main() { gl_Position = ProjectionMatrix * ViewMatrix * POSITION; }
)";

// Stored matrices reach a program only when it is bound (the projection) or
// never (the view matrix, read back by code); storing costs no GL call.
TEST_F(DeviceTest, StoredMatricesAreNotUploadedUntilBinding) {
    Ref<Program> program = rendtest::makeProgram(
        "store",
        {{ShaderStage::Vertex, kProjectionVertex}, {ShaderStage::Fragment, rendtest::kColorFragment}});
    ASSERT_TRUE(program->compile());
    device_->resetDevice();
    device_->setProgram(program.get());
    const Mat4 projection = Mat4::perspective(1.0f, 1.5f, 0.1f, 10.0f);
    const Mat4 view = Mat4::translation(1, 2, 3);
    mark();
    device_->storeMatrix(StandardMatrix::ProjectionMatrix, projection);
    device_->storeMatrix(StandardMatrix::ViewMatrix, view);
    device_->storeNormalMatrix(StandardMatrix::ViewNormalMatrix, view.upper3());
    device_->storeMatrix(StandardMatrix::NormalMatrix, view);  // a 3x3 entry: ignored
    EXPECT_EQ(callsSinceMark(), 0u);
    EXPECT_EQ(device_->matrix(StandardMatrix::ViewMatrix)[3], 1.0f);
    EXPECT_EQ(device_->matrix(StandardMatrix::NormalMatrix)[0], 1.0f);  // still identity

    const GLint location = glGetUniformLocation(program->glName(), "ProjectionMatrix");
    float sent[16] = {};
    glGetUniformfv(program->glName(), location, sent);
    EXPECT_EQ(sent[0], 1.0f);  // the identity from resetDevice
    device_->setProgram(nullptr);
    device_->setProgram(program.get());
    glGetUniformfv(program->glName(), location, sent);
    EXPECT_FLOAT_EQ(sent[0], projection(0, 0));
    EXPECT_FLOAT_EQ(sent[11], projection(3, 2));  // column-major in GL
    float viewSent[16] = {};
    glGetUniformfv(program->glName(), glGetUniformLocation(program->glName(), "ViewMatrix"), viewSent);
    EXPECT_EQ(viewSent[12], 0.0f);  // not among the matrices uploaded on binding
}

}  // namespace
