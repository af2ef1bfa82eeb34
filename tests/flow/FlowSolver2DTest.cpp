#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FlowModel.h"
#include "FlowSolver2D.h"
#include "application/Logger.h"
#include "loaders/ImageLoader.h"
#include "loaders/ShaderLoader.h"
#include "rend/Device.h"
#include "rend/Program.h"
#include "rend/Shader.h"
#include "support/GLTestContext.h"

namespace {

using namespace ember;
using qm::FlowParticle;
using qm::FlowSolver2D;

std::string readLog() {
    std::ifstream in("log.txt");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Moves every particle by (1, 2) per unit of "timeStep"; z and w pass through.
constexpr const char* kShiftSource = R"(#version 330 core
layout(location = 0) in vec4 POSITION;
uniform float timeStep;
out vec4 outParticle;
void main() { outParticle = POSITION + vec4(1.0, 2.0, 0.0, 0.0) * timeStep; }
)";

class FlowSolver2DTest : public ::testing::Test {
protected:
    void SetUp() override {
        EMBER_REQUIRE_GL();
        while (glGetError() != GL_NO_ERROR) {
        }
        ASSERT_TRUE(Logger::instance().open("log.txt"));
        device_ = new Device();
        device_->resetDevice();
    }
    void TearDown() override {
        device_ = nullptr;
        Logger::instance().close();
    }

    Ref<Program> compileFeedbackProgram(Program* program) {
        const char* varyings[] = {"outParticle"};
        EXPECT_TRUE(program->compile(1, varyings, TransformFeedbackMode::Interleaved)) << readLog();
        return Ref<Program>(program);
    }

    Ref<Program> shiftProgram() {
        Ref<Program> program(new Program("marrow/shift"));
        Ref<Shader> shader(new Shader(ShaderStage::Vertex, "marrow/shift"));
        shader->setSource(kShiftSource);
        program->setShader(ShaderStage::Vertex, shader.get());
        return compileFeedbackProgram(program.get());
    }

    // One frame's advection pass as the part runs it: discard on, program bound, one step.
    void advect(Program* program, FlowSolver2D& solver, float timeStep) {
        device_->disableRasterization();
        device_->setProgram(program);
        program->setUniform1f("timeStep", timeStep);
        solver.advect(device_.get());
        device_->enableRasterization();
        device_->setProgram(nullptr);
    }

    // A program of the demo from its stage files, as the manifest loads it: a feedback program
    // from its vertex and geometry stages, a drawing program from vertex and fragment stages.
    Ref<Program> demoProgram(const std::string& name, bool feedback) {
        const std::string dir = std::string(EMBER_SOURCE_DIR) + "/data/shaders/";
        ShaderLoader loader(dir);
        Ref<Program> program(new Program(name));
        const ShaderStage second = feedback ? ShaderStage::Geometry : ShaderStage::Fragment;
        Ref<Shader> vertex = loader.load(dir + name + ".vert", ShaderStage::Vertex);
        Ref<Shader> other = loader.load(dir + name + (feedback ? ".geom" : ".frag"), second);
        if (!vertex || !other) {
            ADD_FAILURE() << readLog();
            return Ref<Program>();
        }
        program->setShader(ShaderStage::Vertex, vertex.get());
        program->setShader(second, other.get());
        if (feedback) return compileFeedbackProgram(program.get());
        EXPECT_TRUE(program->compile()) << readLog();
        return program;
    }

    static std::vector<float> contents(VertexBuffer* buffer, int count) {
        std::vector<float> v(static_cast<size_t>(count) * 4);
        buffer->bind();
        glGetBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(v.size() * sizeof(float)), v.data());
        buffer->unbind();
        return v;
    }

    static void expectNoGLError() { EXPECT_EQ(readLog().find(" : GL_"), std::string::npos) << readLog(); }

    Ref<Device> device_;
};

TEST_F(FlowSolver2DTest, InitiateFillsTheFrontBufferAndPingPongsWithoutCopies) {
    Ref<Program> program = shiftProgram();
    const std::vector<FlowParticle> start = {{0, 0, 0.5f, 0.25f}, {1, 1, 0, 0}, {-2, 3, 0, 0}};
    FlowSolver2D solver;
    ASSERT_TRUE(solver.initiate(program.get(), start.data(), 3));
    EXPECT_EQ(solver.front(), 0);
    EXPECT_EQ(solver.back(), 1);
    EXPECT_EQ(solver.count(), 3);
    EXPECT_EQ(solver.buffer(0)->stride(), 16);
    EXPECT_EQ(solver.buffer(0)->usage(), BufferUsage::DynamicDraw);
    std::vector<float> v = contents(solver.buffer(0), 3);
    EXPECT_EQ(v[2], 0.5f);
    EXPECT_EQ(v[9], 3.0f);
    const GLuint names[2] = {solver.buffer(0)->glName(), solver.buffer(1)->glName()};

    advect(program.get(), solver, 0.5f);
    EXPECT_EQ(solver.front(), 1);
    EXPECT_EQ(solver.back(), 0);
    // The frame path never waits for the count: the query has ended but holds no result yet.
    EXPECT_TRUE(solver.query(1)->ended());
    EXPECT_EQ(solver.query(1)->result(), 0u);
    EXPECT_EQ(solver.query(1)->getResult(), 3u);
    v = contents(solver.buffer(1), 3);
    const float once[12] = {0.5f, 1.0f, 0.5f, 0.25f, 1.5f, 2.0f, 0, 0, -1.5f, 4.0f, 0, 0};
    for (int i = 0; i < 12; ++i) EXPECT_FLOAT_EQ(v[static_cast<size_t>(i)], once[i]) << i;

    advect(program.get(), solver, 1.0f);
    EXPECT_EQ(solver.front(), 0);
    EXPECT_EQ(solver.query(0)->getResult(), 3u);
    v = contents(solver.buffer(0), 3);
    EXPECT_FLOAT_EQ(v[0], 1.5f);
    EXPECT_FLOAT_EQ(v[1], 3.0f);
    EXPECT_FLOAT_EQ(v[8], -0.5f);
    EXPECT_EQ(solver.buffer(0)->glName(), names[0]);
    EXPECT_EQ(solver.buffer(1)->glName(), names[1]);
    EXPECT_FALSE(device_->transformFeedbackActive());
    expectNoGLError();
}

TEST_F(FlowSolver2DTest, AnEmptySystemSetsUpAndDrawsNothing) {
    Ref<Program> program = shiftProgram();
    ember::DecodedImage blank;
    blank.width = 8;
    blank.height = 4;
    blank.channels = 4;
    blank.pixels = static_cast<uint8_t*>(std::calloc(8 * 4 * 4, 1));
    const std::vector<FlowParticle> particles = qm::FlowModel::textParticles(blank);
    ASSERT_TRUE(particles.empty());
    FlowSolver2D solver;
    ASSERT_TRUE(solver.initiate(program.get(), particles.data(), 0));
    EXPECT_EQ(solver.count(), 0);
    advect(program.get(), solver, 1.0f);
    EXPECT_EQ(solver.query(solver.front())->getResult(), 0u);
    device_->setProgram(program.get());
    solver.draw(device_.get());
    device_->setProgram(nullptr);
    expectNoGLError();
}

TEST_F(FlowSolver2DTest, RefusesBadArguments) {
    Ref<Program> program = shiftProgram();
    FlowSolver2D solver;
    const FlowParticle one;
    EXPECT_FALSE(solver.initiate(nullptr, &one, 1));
    EXPECT_FALSE(solver.initiate(program.get(), nullptr, 4));
    EXPECT_FALSE(solver.initiate(program.get(), &one, -1));
    EXPECT_EQ(solver.buffer(0), nullptr);
    EXPECT_NE(readLog().find("FlowSolver2D::initiate"), std::string::npos);
    // Advecting or drawing a solver that was never set up does nothing.
    solver.advect(device_.get());
    solver.draw(device_.get());
    EXPECT_EQ(solver.front(), 0);
}

// The demo's own advection program: one four-float output per particle, every output finite
// and inside the region the field wraps around, text particles kept as text.
TEST_F(FlowSolver2DTest, TheDemoAdvectionWritesOneOutputPerParticle) {
    Ref<Program> program = demoProgram("marrow/updateflow", true);
    ASSERT_TRUE(program);

    std::vector<FlowParticle> field = qm::FlowModel::fieldParticles();
    field.resize(4096);
    field.push_back({0.5f, 0.25f, 0.00001f, 0.00001f});
    FlowSolver2D solver;
    ASSERT_TRUE(solver.initiate(program.get(), field.data(), static_cast<int32_t>(field.size())));

    qm::FlowModel model;
    model.initiateShapes();
    model.updateShapes(100.0f, 0.016f);
    device_->disableRasterization();
    device_->setProgram(program.get());
    program->setUniform1f("time", 100.0f);
    program->setUniform1f("timeStep", 0.016f);
    program->setUniform1f("deltaX", model.deltaX);
    program->setUniform4fv("shapeInfo", 8, &model.shapeInfo[0].x);
    program->setUniform4fv("shapeParams", 8, &model.shapeParams[0].x);
    program->setUniform1f("envelope", model.envelope);
    program->setUniform1f("noiseLengthScale", model.noiseLengthScale);
    program->setUniform1f("noiseGain", model.noiseGain);
    for (int frame = 0; frame < 3; ++frame) solver.advect(device_.get());
    device_->enableRasterization();
    device_->setProgram(nullptr);

    EXPECT_EQ(solver.query(solver.front())->getResult(), static_cast<uint32_t>(field.size()));
    const std::vector<float> v = contents(solver.buffer(solver.front()), static_cast<int>(field.size()));
    for (size_t i = 0; i < field.size(); ++i) {
        ASSERT_TRUE(std::isfinite(v[i * 4]) && std::isfinite(v[i * 4 + 1])) << i;
        EXPECT_LE(std::fabs(v[i * 4] - field[i].x), 0.5f) << i;  // a few frames move little
        EXPECT_EQ(v[i * 4 + 3], field[i].w) << i;
    }
    expectNoGLError();
}

// Drawing a system and then binding another program must leave the system's vertex arrays
// intact: the device disables a program's inputs in the bound vertex array when it switches, so
// a vertex array left bound would feed the next advection the constant (0, 0, 0, 1).
TEST_F(FlowSolver2DTest, DrawingAndSwitchingProgramsKeepsTheVertexArraysIntact) {
    Ref<Program> update = shiftProgram();
    Ref<Program> draw = demoProgram("marrow/drawflow", false);
    ASSERT_TRUE(draw);
    const std::vector<FlowParticle> start = {{2, 3, 0.5f, 0.001f}, {-1, -2, 0.25f, 0.001f}};
    FlowSolver2D solver;
    ASSERT_TRUE(solver.initiate(update.get(), start.data(), 2));
    for (int frame = 0; frame < 3; ++frame) {
        advect(update.get(), solver, 1.0f);
        device_->setProgram(draw.get());
        solver.draw(device_.get());
        device_->setProgram(update.get());
        device_->setProgram(nullptr);
    }
    const std::vector<float> v = contents(solver.buffer(solver.front()), 2);
    EXPECT_FLOAT_EQ(v[0], 5.0f);
    EXPECT_FLOAT_EQ(v[1], 9.0f);
    EXPECT_FLOAT_EQ(v[3], 0.001f);
    EXPECT_FLOAT_EQ(v[4], 2.0f);
    EXPECT_FLOAT_EQ(v[7], 0.001f);
    expectNoGLError();
}

}  // namespace
