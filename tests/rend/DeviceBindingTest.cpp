#include <cstring>
#include <vector>

#include "DeviceTestSupport.h"
#include "rend/BufferObject.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Query.h"
#include "rend/Sampler.h"
#include "rend/Shader.h"
#include "rend/Texture2D.h"
#include "rend/VertexArrayObject.h"

namespace {

using namespace ember;
using devicetest::DeviceTest;
using devicetest::enabled;
using devicetest::getInt;

const char* const kPassVS =
    "#version 330 core\n"
    "in vec4 POSITION;\n"
    "void main() { gl_Position = POSITION; }\n";
const char* const kWhiteFS =
    "#version 330 core\n"
    "out vec4 colour;\n"
    "void main() { colour = vec4(1.0); }\n";

Ref<Program> makeProgram(const char* name, const char* vs, const char* fs, int32_t varyingCount = 0,
                         const char* const* varyings = nullptr) {
    Ref<Program> program(new Program(name));
    Ref<Shader> vertex(new Shader(ShaderStage::Vertex, std::string(name) + ".vert"));
    vertex->setSource(vs);
    program->setShader(ShaderStage::Vertex, vertex.get());
    if (fs) {
        Ref<Shader> fragment(new Shader(ShaderStage::Fragment, std::string(name) + ".frag"));
        fragment->setSource(fs);
        program->setShader(ShaderStage::Fragment, fragment.get());
    }
    EXPECT_TRUE(program->compile(varyingCount, varyings)) << name;
    return program;
}

Ref<Texture2D> makeTexture(int32_t width, int32_t height) {
    Ref<Texture2D> texture(new Texture2D());
    texture->create(width, height, TextureFormat::RGBA8);
    return texture;
}

Ref<Framebuffer> makeTarget(Texture2D* colour) {
    Ref<Framebuffer> framebuffer(new Framebuffer());
    framebuffer->setAttachment(Attachment::Color0, colour);
    EXPECT_TRUE(framebuffer->create());
    return framebuffer;
}

std::vector<uint8_t> readTexture(Texture2D* texture) {
    std::vector<uint8_t> pixels(static_cast<size_t>(texture->width() * texture->height() * 4));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, texture->glName());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return pixels;
}

// Vertex buffer of four-float positions.
Ref<VertexBuffer> makePositions(const std::vector<float>& xyzw) {
    Ref<VertexBuffer> buffer(new VertexBuffer());
    buffer->setStride(16);
    buffer->addAttribute(AttributeSemantic::Position, 0, 4);
    buffer->create();
    buffer->bufferData(BufferUsage::StaticDraw, static_cast<GLsizeiptr>(xyzw.size() * sizeof(float)),
                       xyzw.data());
    buffer->unbind();
    return buffer;
}

TEST_F(DeviceTest, FramebufferSetsViewportAndScissorBackbufferOnlyWhenOffscreen) {
    Ref<Texture2D> colour = makeTexture(64, 32);
    Ref<Framebuffer> target = makeTarget(colour.get());
    device_->setFramebuffer(target.get());
    EXPECT_EQ(device_->currentFramebuffer(), target.get());
    EXPECT_EQ(static_cast<GLuint>(getInt(GL_DRAW_FRAMEBUFFER_BINDING)), target->glName());
    GLint box[4];
    glGetIntegerv(GL_VIEWPORT, box);
    EXPECT_EQ(box[2], 64);
    EXPECT_EQ(box[3], 32);
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(box[2], 64);
    EXPECT_EQ(box[3], 32);

    // Null only unbinds: the viewport stays.
    device_->setFramebuffer(nullptr);
    EXPECT_EQ(getInt(GL_DRAW_FRAMEBUFFER_BINDING), 0);
    glGetIntegerv(GL_VIEWPORT, box);
    EXPECT_EQ(box[2], 64);

    // With the back buffer current, setBackbuffer changes nothing, not even the viewport.
    mark();
    device_->setBackbuffer(200, 100);
    EXPECT_EQ(callsSinceMark(), 0u);
    glGetIntegerv(GL_VIEWPORT, box);
    EXPECT_EQ(box[2], 64);

    device_->setFramebuffer(target.get());
    device_->setBackbuffer(200, 100);
    EXPECT_EQ(device_->currentFramebuffer(), nullptr);
    EXPECT_EQ(getInt(GL_DRAW_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(getInt(GL_DRAW_BUFFER), GL_BACK);
    glGetIntegerv(GL_VIEWPORT, box);
    EXPECT_EQ(box[2], 200);
    EXPECT_EQ(box[3], 100);
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(box[2], 200);
    EXPECT_EQ(box[3], 100);

    // The reset leaves the framebuffer alone.
    device_->setFramebuffer(target.get());
    device_->resetDevice();
    EXPECT_EQ(device_->currentFramebuffer(), target.get());
    EXPECT_EQ(static_cast<GLuint>(getInt(GL_DRAW_FRAMEBUFFER_BINDING)), target->glName());
    EXPECT_EQ(log(), "");
}

// Two points, A lighting pixel (0,0) and B pixel (3,3) of a 4x4 target; the
// indices before 10 all name A and those from 10 on name B, so a draw starting
// at index 10 lights (3,3) only when the byte offset matches the index size.
TEST_F(DeviceTest, IndexedDrawsOffsetByTheVertexArraysIndexSize) {
    Ref<Program> program = makeProgram("offset", kPassVS, kWhiteFS);
    Ref<VertexBuffer> points = makePositions({-0.75f, -0.75f, 0, 1, 0.75f, 0.75f, 0, 1});
    std::vector<uint32_t> wide(16, 0);
    std::vector<uint16_t> narrow(16, 0);
    for (int i = 10; i < 16; ++i) wide[i] = narrow[i] = 1;

    struct Case {
        int32_t indexSize;
        GLenum type;
        bool instanced;
    } cases[] = {{4, GL_UNSIGNED_INT, false}, {2, GL_UNSIGNED_SHORT, false}, {4, GL_UNSIGNED_INT, true}};
    for (const Case& c : cases) {
        Ref<IndexBuffer> indices(new IndexBuffer());
        indices->setIndexSize(c.indexSize);
        indices->create();
        if (c.indexSize == 4)
            indices->bufferData(BufferUsage::StaticDraw, 64, wide.data());
        else
            indices->bufferData(BufferUsage::StaticDraw, 32, narrow.data());
        indices->unbind();
        Ref<VertexArrayObject> vao =
            VertexArrayObjectBuilder::buildVertexArrayObject(program.get(), points.get(), indices.get());
        ASSERT_TRUE(vao);

        Ref<Texture2D> colour = makeTexture(4, 4);
        Ref<Framebuffer> target = makeTarget(colour.get());
        device_->setFramebuffer(target.get());
        device_->clearColorBuffer(0, 0, 0, 0, 0);
        device_->setProgram(program.get());
        device_->setVertexArrayObject(vao.get());
        EXPECT_EQ(device_->indexType(), c.type);
        EXPECT_EQ(device_->indexSize(), c.indexSize);
        EXPECT_EQ(static_cast<GLuint>(getInt(GL_VERTEX_ARRAY_BINDING)), vao->glName());
        if (c.instanced)
            device_->drawElementsInstanced(PrimitiveType::Points, 1, 10, 1);
        else
            device_->drawRangeElements(PrimitiveType::Points, 0, 1, 1, 10);
        device_->setBackbuffer(256, 256);

        std::vector<uint8_t> pixels = readTexture(colour.get());
        EXPECT_EQ(pixels[0], 0) << "A drawn, index size " << c.indexSize;
        EXPECT_EQ(pixels[(3 * 4 + 3) * 4], 255) << "B missing, index size " << c.indexSize;

        // Null returns to the default vertex array; the index type stays.
        device_->setVertexArrayObject(nullptr);
        EXPECT_EQ(device_->currentVertexArray(), nullptr);
        EXPECT_EQ(static_cast<GLuint>(getInt(GL_VERTEX_ARRAY_BINDING)),
                  device_->defaultVertexArray()->glName());
        device_->resetDevice();
    }
    EXPECT_EQ(log(), "");
}

TEST_F(DeviceTest, RenderToTextureThroughTheVertexBufferPath) {
    const char* vs =
        "#version 330 core\n"
        "in vec4 POSITION;\n"
        "in vec4 COLOR;\n"
        "out vec4 colour;\n"
        "void main() { colour = COLOR; gl_Position = POSITION; }\n";
    const char* fs =
        "#version 330 core\n"
        "in vec4 colour;\n"
        "out vec4 result;\n"
        "void main() { result = colour; }\n";
    Ref<Program> program = makeProgram("colour", vs, fs);
    // One counter-clockwise triangle covering the whole target; position then colour.
    const float c[4] = {0.2f, 0.4f, 0.6f, 1.0f};
    std::vector<float> data = {-1,   -1,   0,    1,    c[0], c[1], c[2], c[3], 3,    -1,   0,    1,
                               c[0], c[1], c[2], c[3], -1,   3,    0,    1,    c[0], c[1], c[2], c[3]};
    Ref<VertexBuffer> triangle(new VertexBuffer());
    triangle->setStride(32);
    triangle->addAttribute(AttributeSemantic::Position, 0, 4);
    triangle->addAttribute(AttributeSemantic::Color, 16, 4);
    triangle->addAttribute(AttributeSemantic::TexCoord, 16, 2);  // not read by the program: skipped
    triangle->create();
    triangle->bufferData(BufferUsage::StaticDraw, static_cast<GLsizeiptr>(data.size() * 4), data.data());

    Ref<Texture2D> colour = makeTexture(8, 8);
    Ref<Framebuffer> target = makeTarget(colour.get());
    device_->resetDevice();
    device_->setFramebuffer(target.get());
    device_->setClearColor(0, 0, 0, 0);
    device_->clear(GL_COLOR_BUFFER_BIT);
    device_->setProgram(program.get());
    mark();
    device_->setVertexBuffer(triangle.get());
    // The default vertex array and the buffer bound, then pointer and enable for
    // each of the two inputs the program has.
    EXPECT_EQ(callsSinceMark(), 6u);
    const AttributeInfo* position = program->findAttribute("POSITION");
    const AttributeInfo* col = program->findAttribute("COLOR");
    ASSERT_TRUE(position && col);
    GLint on = 0, stride = 0;
    glGetVertexAttribiv(static_cast<GLuint>(col->location), GL_VERTEX_ATTRIB_ARRAY_ENABLED, &on);
    glGetVertexAttribiv(static_cast<GLuint>(col->location), GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
    EXPECT_EQ(on, GL_TRUE);
    EXPECT_EQ(stride, 32);
    void* pointer = nullptr;
    glGetVertexAttribPointerv(static_cast<GLuint>(col->location), GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
    EXPECT_EQ(reinterpret_cast<intptr_t>(pointer), 16);

    device_->drawArrays(PrimitiveType::Triangles, 0, 3);
    device_->setBackbuffer(256, 256);
    std::vector<uint8_t> pixels = readTexture(colour.get());
    for (size_t p = 0; p < pixels.size(); p += 4) {
        ASSERT_NEAR(pixels[p + 0], 51, 1) << p / 4;
        ASSERT_NEAR(pixels[p + 1], 102, 1) << p / 4;
        ASSERT_NEAR(pixels[p + 2], 153, 1) << p / 4;
        ASSERT_EQ(pixels[p + 3], 255) << p / 4;
    }

    // Switching programs disables the previous program's attribute arrays.
    Ref<Program> other = makeProgram("other", kPassVS, kWhiteFS);
    device_->setProgram(other.get());
    glGetVertexAttribiv(static_cast<GLuint>(col->location), GL_VERTEX_ATTRIB_ARRAY_ENABLED, &on);
    EXPECT_EQ(on, GL_FALSE);
    glGetVertexAttribiv(static_cast<GLuint>(position->location), GL_VERTEX_ATTRIB_ARRAY_ENABLED, &on);
    EXPECT_EQ(on, GL_FALSE);
    EXPECT_EQ(static_cast<GLuint>(getInt(GL_CURRENT_PROGRAM)), other->glName());
    EXPECT_EQ(log(), "");
}

std::vector<float> uniformMatrix(Program* program, const char* name, int size) {
    std::vector<float> values(static_cast<size_t>(size * size), -1.0f);
    GLint location = glGetUniformLocation(program->glName(), name);
    EXPECT_GE(location, 0) << name;
    glGetUniformfv(program->glName(), location, values.data());
    return values;
}

// GL holds the matrices column by column; the engine's rows arrive transposed.
std::vector<float> transposed(const float* m, int size) {
    std::vector<float> t(static_cast<size_t>(size * size));
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c) t[static_cast<size_t>(c * size + r)] = m[r * size + c];
    return t;
}

TEST_F(DeviceTest, ProgramBindingUploadsTheMatricesItUses) {
    const char* vs =
        "#version 330 core\n"
        "uniform mat4 ProjectionMatrix;\n"
        "uniform mat4 ModelViewMatrix;\n"
        "uniform mat4 ShadowMatrix;\n"
        "uniform mat3 ViewNormalMatrix;\n"
        "in vec4 POSITION;\n"
        "void main() {\n"
        "  gl_Position = ProjectionMatrix * ModelViewMatrix * ShadowMatrix * POSITION\n"
        "              + vec4(ViewNormalMatrix[0], 0.0);\n"
        "}\n";
    Ref<Program> program = makeProgram("matrices", vs, kWhiteFS);
    device_->resetDevice();
    float projection[16], modelView[16], shadow[16], normal[9], texture[16];
    for (int i = 0; i < 16; ++i) {
        projection[i] = static_cast<float>(i + 1);
        modelView[i] = static_cast<float>(100 + i);
        shadow[i] = static_cast<float>(200 + i);
        texture[i] = static_cast<float>(300 + i);
    }
    for (int i = 0; i < 9; ++i) normal[i] = static_cast<float>(50 + i);
    // Stored before binding: no program, no upload.
    mark();
    device_->setMatrix(StandardMatrix::ProjectionMatrix, projection);
    device_->setMatrix(StandardMatrix::ModelViewMatrix, modelView);
    device_->setMatrix(StandardMatrix::ShadowMatrix, shadow);
    device_->setNormalMatrix(StandardMatrix::ViewNormalMatrix, normal);
    EXPECT_EQ(callsSinceMark(), 0u);

    device_->setProgram(program.get());
    EXPECT_EQ(uniformMatrix(program.get(), "ProjectionMatrix", 4), transposed(projection, 4));
    EXPECT_EQ(uniformMatrix(program.get(), "ShadowMatrix", 4), transposed(shadow, 4));
    EXPECT_EQ(uniformMatrix(program.get(), "ViewNormalMatrix", 3), transposed(normal, 3));
    // The model-view matrix is per drawable: not re-sent on binding.
    EXPECT_EQ(uniformMatrix(program.get(), "ModelViewMatrix", 4), std::vector<float>(16, 0.0f));

    device_->setMatrix(StandardMatrix::ModelViewMatrix, modelView);
    EXPECT_EQ(uniformMatrix(program.get(), "ModelViewMatrix", 4), transposed(modelView, 4));

    // A matrix the program does not declare is stored but costs no GL call;
    // indices of the wrong size are ignored.
    mark();
    device_->setMatrix(StandardMatrix::TextureMatrix, texture);
    device_->setMatrix(StandardMatrix::ViewNormalMatrix, texture);
    device_->setNormalMatrix(StandardMatrix::ProjectionMatrix, normal);
    EXPECT_EQ(callsSinceMark(), 0u);
    EXPECT_EQ(std::memcmp(device_->matrix(StandardMatrix::TextureMatrix), texture, sizeof(texture)), 0);
    EXPECT_EQ(std::memcmp(device_->matrix(StandardMatrix::ViewNormalMatrix), normal, sizeof(normal)), 0);
    EXPECT_EQ(std::memcmp(device_->matrix(StandardMatrix::ProjectionMatrix), projection, sizeof(projection)),
              0);
    EXPECT_EQ(log(), "");
}

TEST_F(DeviceTest, ProgramBindingSwitchedOffKeepsTheCurrentProgram) {
    Ref<Program> first = makeProgram("first", kPassVS, kWhiteFS);
    Ref<Program> second = makeProgram("second", kPassVS, kWhiteFS);
    device_->setProgram(first.get());
    device_->programBindingEnabled = false;
    int32_t count = second->refCount();
    mark();
    device_->setProgram(second.get());
    EXPECT_EQ(callsSinceMark(), 0u);
    EXPECT_EQ(device_->currentProgram(), first.get());
    EXPECT_EQ(second->refCount(), count);
    EXPECT_EQ(static_cast<GLuint>(getInt(GL_CURRENT_PROGRAM)), first->glName());

    device_->resetDevice();
    EXPECT_TRUE(device_->programBindingEnabled);
    EXPECT_EQ(device_->currentProgram(), nullptr);
    EXPECT_EQ(getInt(GL_CURRENT_PROGRAM), 0);
    EXPECT_EQ(first->refCount(), 1);
}

const char* const kTwoSamplersFS =
    "#version 330 core\n"
    "uniform sampler2D first;\n"
    "uniform sampler2D second;\n"
    "out vec4 colour;\n"
    "void main() { colour = texture(first, vec2(0.5)) + texture(second, vec2(0.5)); }\n";

TEST_F(DeviceTest, SetSamplerBindsOnTheProgramsUnit) {
    Ref<Program> program = makeProgram("samplers", kPassVS, kTwoSamplersFS);
    const SamplerInfo* second = program->findSampler("second");
    ASSERT_NE(second, nullptr);
    ASSERT_NE(second->unit, 0);  // two samplers: units 0 and 1
    Ref<Texture2D> a = makeTexture(2, 2);
    Ref<Texture2D> b = makeTexture(2, 2);
    device_->setProgram(program.get());

    device_->setSampler("second", a.get());
    EXPECT_EQ(getInt(GL_ACTIVE_TEXTURE), GL_TEXTURE0 + second->unit);
    EXPECT_EQ(static_cast<GLuint>(getInt(GL_TEXTURE_BINDING_2D)), a->glName());

    // An undeclared name goes to unit 0 and is remembered with that unit.
    device_->setSampler("undeclared", b.get());
    EXPECT_EQ(getInt(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    EXPECT_EQ(static_cast<GLuint>(getInt(GL_TEXTURE_BINDING_2D)), b->glName());
    ASSERT_NE(program->findSampler("undeclared"), nullptr);
    EXPECT_EQ(program->findSampler("undeclared")->unit, 0);

    device_->samplerBindingEnabled = false;
    mark();
    device_->setSampler("second", b.get());
    device_->setSamplerSet(nullptr);
    EXPECT_EQ(callsSinceMark(), 0u);
    EXPECT_EQ(log(), "");
}

TEST_F(DeviceTest, SamplerSetsUnbindThePreviousSetsUnits) {
    Ref<Texture2D> a = makeTexture(2, 2);
    Ref<Texture2D> b = makeTexture(2, 2);
    Ref<Texture2D> c = makeTexture(2, 2);
    Ref<SamplerSet> first(new SamplerSet());
    first->add(a.get(), 1);
    first->add(b.get(), 2);
    Ref<SamplerSet> second(new SamplerSet());
    second->add(c.get(), 3);

    auto boundOn = [](GLenum unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        return static_cast<GLuint>(getInt(GL_TEXTURE_BINDING_2D));
    };
    device_->setSamplerSet(first.get());
    EXPECT_EQ(device_->currentSamplerSet(), first.get());
    EXPECT_EQ(boundOn(1), a->glName());
    EXPECT_EQ(boundOn(2), b->glName());

    device_->setSamplerSet(second.get());
    EXPECT_EQ(boundOn(1), 0u);
    EXPECT_EQ(boundOn(2), 0u);
    EXPECT_EQ(boundOn(3), c->glName());
    EXPECT_EQ(first->refCount(), 1);

    device_->resetDevice();
    EXPECT_EQ(device_->currentSamplerSet(), nullptr);
    EXPECT_EQ(boundOn(3), 0u);
    EXPECT_EQ(log(), "");
}

TEST_F(DeviceTest, TransformFeedbackCapturesEveryPointAndTheQueryCountsThem) {
    const char* vs =
        "#version 330 core\n"
        "in vec4 POSITION;\n"
        "out vec4 captured;\n"
        "void main() { captured = POSITION * 2.0; gl_Position = POSITION; }\n";
    const char* varyings[] = {"captured"};
    Ref<Program> program = makeProgram("capture", vs, nullptr, 1, varyings);
    EXPECT_FALSE(enabled(GL_RASTERIZER_DISCARD));
    std::vector<float> input;
    for (int i = 0; i < 5; ++i) input.insert(input.end(), {float(i), float(i + 10), float(-i), 1.0f});
    Ref<VertexBuffer> source = makePositions(input);
    Ref<VertexBuffer> capture(new VertexBuffer());
    capture->create();
    capture->bufferData(BufferUsage::DynamicCopy, 8 * 16, nullptr);
    capture->unbind();
    Ref<Query> query(new Query());
    ASSERT_TRUE(query->create());

    device_->resetDevice();
    device_->setProgram(program.get());
    device_->setVertexBuffer(source.get());
    device_->disableRasterization();
    device_->beginTransformFeedback(query.get(), capture.get());
    EXPECT_TRUE(device_->transformFeedbackActive());
    EXPECT_EQ(device_->transformFeedbackBuffer(), capture.get());
    EXPECT_EQ(static_cast<GLuint>(getInt(GL_TRANSFORM_FEEDBACK_BUFFER_BINDING)), capture->glName());
    device_->drawArrays(PrimitiveType::Points, 0, 5);
    device_->endTransformFeedback(query.get());
    device_->enableRasterization();
    EXPECT_FALSE(device_->transformFeedbackActive());
    EXPECT_EQ(device_->transformFeedbackBuffer(), nullptr);
    EXPECT_EQ(capture->refCount(), 1);
    EXPECT_EQ(getInt(GL_TRANSFORM_FEEDBACK_BUFFER_BINDING), 0);
    EXPECT_TRUE(query->ended());
    EXPECT_EQ(query->getResult(), 5u);

    std::vector<float> output(8 * 4, -7.0f);
    glBindBuffer(GL_ARRAY_BUFFER, capture->glName());
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(output.size() * 4), output.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    for (size_t i = 0; i < input.size(); ++i) EXPECT_FLOAT_EQ(output[i], input[i] * 2.0f) << i;
    // Nothing beyond the five points was written.
    for (size_t i = input.size(); i < output.size(); ++i) EXPECT_FLOAT_EQ(output[i], 0.0f) << i;
    EXPECT_EQ(log(), "");
}

TEST_F(DeviceTest, ResetReleasesProgramBuffersVertexArrayAndSamplerSet) {
    Ref<Program> program = makeProgram("reset", kPassVS, kWhiteFS);
    Ref<VertexBuffer> points = makePositions({0, 0, 0, 1});
    Ref<VertexArrayObject> vao =
        VertexArrayObjectBuilder::buildVertexArrayObject(program.get(), points.get(), nullptr);
    Ref<Texture2D> a = makeTexture(2, 2);
    Ref<SamplerSet> set(new SamplerSet());
    set->add(a.get(), 4);

    // Building left vertex array 0 bound; the vertex buffer path still has its
    // default vertex array to write into.
    EXPECT_EQ(getInt(GL_VERTEX_ARRAY_BINDING), 0);
    device_->setProgram(program.get());
    device_->setVertexBuffer(points.get());
    EXPECT_EQ(static_cast<GLuint>(getInt(GL_VERTEX_ARRAY_BINDING)), device_->defaultVertexArray()->glName());
    device_->setVertexArrayObject(vao.get());
    device_->setSamplerSet(set.get());
    device_->resetDevice();

    EXPECT_EQ(device_->currentProgram(), nullptr);
    EXPECT_EQ(device_->currentVertexBuffer(), nullptr);
    EXPECT_EQ(device_->currentVertexArray(), nullptr);
    EXPECT_EQ(device_->currentSamplerSet(), nullptr);
    EXPECT_EQ(program->refCount(), 1);
    EXPECT_EQ(points->refCount(), 1);
    EXPECT_EQ(vao->refCount(), 1);
    EXPECT_EQ(set->refCount(), 1);
    EXPECT_EQ(getInt(GL_CURRENT_PROGRAM), 0);
    EXPECT_EQ(getInt(GL_ARRAY_BUFFER_BINDING), 0);
    EXPECT_EQ(static_cast<GLuint>(getInt(GL_VERTEX_ARRAY_BINDING)), device_->defaultVertexArray()->glName());
    glActiveTexture(GL_TEXTURE4);
    EXPECT_EQ(getInt(GL_TEXTURE_BINDING_2D), 0);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(log(), "");
}

TEST_F(DeviceTest, ClearsReachTheBoundTarget) {
    Ref<Texture2D> colour = makeTexture(2, 2);
    Ref<Framebuffer> target = makeTarget(colour.get());
    device_->setFramebuffer(target.get());
    device_->setClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    device_->clear(GL_COLOR_BUFFER_BIT);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 1.0f);
    std::vector<uint8_t> pixels = readTexture(colour.get());
    EXPECT_EQ(pixels[0], 255);
    EXPECT_EQ(pixels[1], 0);

    device_->clearColorBuffer(0, 0.0f, 0.0f, 1.0f, 1.0f);
    pixels = readTexture(colour.get());
    EXPECT_EQ(pixels[0], 0);
    EXPECT_EQ(pixels[2], 255);

    device_->setClearDepth(0.25);
    device_->setClearStencil(7);
    EXPECT_FLOAT_EQ(devicetest::getFloat(GL_DEPTH_CLEAR_VALUE), 0.25f);
    EXPECT_EQ(getInt(GL_STENCIL_CLEAR_VALUE), 7);
    device_->setBackbuffer(256, 256);
    EXPECT_EQ(log(), "");
}

TEST_F(DeviceTest, AFailingCallIsLoggedWithTheDeviceOperationAndWorkGoesOn) {
    device_->drawArrays(PrimitiveType::Points, 0, -1);  // negative count: GL_INVALID_VALUE
    device_->setClearStencil(3);
    std::string text = log();
    const std::string start = "src/rend/Device Device::drawArrays  +";
    const std::string end = " : GL_INVALID_VALUE\n";
    ASSERT_EQ(text.rfind(start, 0), 0u) << text;
    ASSERT_GT(text.size(), start.size() + end.size());
    EXPECT_EQ(text.substr(text.size() - end.size()), end) << text;
    std::string line = text.substr(start.size(), text.size() - start.size() - end.size());
    EXPECT_FALSE(line.empty());
    EXPECT_EQ(line.find_first_not_of("0123456789"), std::string::npos) << line;
    EXPECT_EQ(getInt(GL_STENCIL_CLEAR_VALUE), 3);
}

TEST_F(DeviceTest, DestructionReleasesEveryBinding) {
    Ref<Program> program = makeProgram("held", kPassVS, kWhiteFS);
    Ref<VertexBuffer> points = makePositions({0, 0, 0, 1});
    Ref<VertexArrayObject> vao =
        VertexArrayObjectBuilder::buildVertexArrayObject(program.get(), points.get(), nullptr);
    Ref<Texture2D> colour = makeTexture(2, 2);
    Ref<Framebuffer> target = makeTarget(colour.get());
    Ref<SamplerSet> set(new SamplerSet());
    set->add(colour.get(), 0);
    Ref<VertexBuffer> capture(new VertexBuffer());
    capture->create();

    device_->setFramebuffer(target.get());
    device_->setProgram(program.get());
    device_->setVertexBuffer(points.get());
    device_->setVertexArrayObject(vao.get());
    device_->setSamplerSet(set.get());
    device_->beginTransformFeedback(nullptr, capture.get());
    device_->endTransformFeedback(nullptr);
    for (ember::Object* o : std::initializer_list<ember::Object*>{target.get(), program.get(), points.get(),
                                                                  vao.get(), set.get()})
        EXPECT_EQ(o->refCount(), 2);
    EXPECT_EQ(capture->refCount(), 1);
    device_.reset();
    for (ember::Object* o : std::initializer_list<ember::Object*>{target.get(), program.get(), points.get(),
                                                                  vao.get(), set.get()})
        EXPECT_EQ(o->refCount(), 1);
    EXPECT_EQ(getInt(GL_VERTEX_ARRAY_BINDING), 0);
}

}  // namespace
