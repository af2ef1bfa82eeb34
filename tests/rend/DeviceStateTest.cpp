#include <cstring>

#include "DeviceTestSupport.h"
#include "rend/VertexArrayObject.h"

namespace {

using namespace ember;
using devicetest::DeviceTest;
using devicetest::enabled;
using devicetest::getFloat;
using devicetest::getInt;

TEST(DeviceTables, EnumerationsMapInOrder) {
    EXPECT_EQ(blendFactorToGL(BlendFactor::Zero), static_cast<GLenum>(GL_ZERO));
    EXPECT_EQ(blendFactorToGL(BlendFactor::OneMinusSrcAlpha), static_cast<GLenum>(GL_ONE_MINUS_SRC_ALPHA));
    EXPECT_EQ(blendFactorToGL(BlendFactor::OneMinusDstColor), static_cast<GLenum>(GL_ONE_MINUS_DST_COLOR));
    EXPECT_EQ(blendEquationToGL(BlendEquation::Min), static_cast<GLenum>(GL_MIN));
    EXPECT_EQ(blendEquationToGL(BlendEquation::ReverseSubtract),
              static_cast<GLenum>(GL_FUNC_REVERSE_SUBTRACT));
    EXPECT_EQ(stencilOpToGL(StencilOp::Zero), static_cast<GLenum>(GL_ZERO));
    EXPECT_EQ(stencilOpToGL(StencilOp::DecrementWrap), static_cast<GLenum>(GL_DECR_WRAP));
    EXPECT_EQ(frontFaceToGL(FrontFace::Clockwise), static_cast<GLenum>(GL_CW));
    EXPECT_EQ(cullFaceToGL(CullFace::FrontAndBack), static_cast<GLenum>(GL_FRONT_AND_BACK));
    EXPECT_EQ(polygonOffsetModeToGL(PolygonOffsetMode::Point), static_cast<GLenum>(GL_POLYGON_OFFSET_POINT));
    EXPECT_EQ(compareFuncToGL(CompareFunc::LessEqual), static_cast<GLenum>(GL_LEQUAL));
    const GLenum modes[] = {GL_POINTS,
                            GL_LINES,
                            GL_LINE_LOOP,
                            GL_LINE_STRIP,
                            GL_TRIANGLES,
                            GL_TRIANGLE_STRIP,
                            GL_TRIANGLE_FAN,
                            0x0007 /*quads*/,
                            0x0008 /*quad strip*/,
                            0x0009 /*polygon*/,
                            GL_LINES_ADJACENCY,
                            GL_LINE_STRIP_ADJACENCY,
                            GL_TRIANGLES_ADJACENCY,
                            GL_TRIANGLE_STRIP_ADJACENCY};
    for (int i = 0; i < 14; ++i) EXPECT_EQ(primitiveTypeToGL(static_cast<PrimitiveType>(i)), modes[i]) << i;
    // Values outside an enumeration fall back to its first member.
    EXPECT_EQ(blendFactorToGL(static_cast<BlendFactor>(99)), static_cast<GLenum>(GL_ZERO));
    EXPECT_EQ(primitiveTypeToGL(static_cast<PrimitiveType>(14)), static_cast<GLenum>(GL_POINTS));
}

TEST(DeviceRecords, DefaultsAreTheDocumentedOnes) {
    BlendState b;
    EXPECT_FALSE(b.enabled);
    EXPECT_EQ(b.equation, BlendEquation::Add);
    EXPECT_EQ(b.srcColor, BlendFactor::Zero);
    EXPECT_EQ(b.srcAlpha, BlendFactor::Zero);
    EXPECT_EQ(b.dstColor, BlendFactor::Zero);
    EXPECT_EQ(b.dstAlpha, BlendFactor::Zero);
    for (bool m : b.colorMask) EXPECT_TRUE(m);
    EXPECT_EQ(b.drawBufferMask, 0u);

    DepthStencilState d;
    EXPECT_FALSE(d.depthTest);
    EXPECT_TRUE(d.depthWrite);
    EXPECT_FALSE(d.depthClamp);
    EXPECT_EQ(d.depthRangeNear, 0.0f);
    EXPECT_EQ(d.depthRangeFar, 1.0f);
    EXPECT_EQ(d.depthFunc, CompareFunc::Less);
    EXPECT_FALSE(d.stencilTest);
    EXPECT_EQ(d.stencilRef, 0);
    EXPECT_EQ(d.stencilMask, 0xFFFFFFFFu);
    EXPECT_EQ(d.stencilFunc, CompareFunc::Always);
    EXPECT_EQ(d.stencilFail, StencilOp::Keep);
    EXPECT_EQ(d.depthFail, StencilOp::Keep);
    EXPECT_EQ(d.depthPass, StencilOp::Keep);

    RasterizerState r;
    EXPECT_EQ(r.pointSize, 1.0f);
    EXPECT_EQ(r.lineWidth, 1.0f);
    EXPECT_TRUE(r.cullEnabled);
    EXPECT_EQ(r.frontFace, FrontFace::CounterClockwise);
    EXPECT_EQ(r.cullFace, CullFace::Back);
    EXPECT_FALSE(r.scissorTest);
    EXPECT_TRUE(r.clampFragmentColor);
    EXPECT_TRUE(r.clampVertexColor);
    EXPECT_TRUE(r.clampReadColor);
    EXPECT_FALSE(r.polygonOffset);
    EXPECT_EQ(r.polygonOffsetMode, PolygonOffsetMode::Fill);
    EXPECT_EQ(r.polygonOffsetFactor, 0.0f);
    EXPECT_EQ(r.polygonOffsetUnits, 0.0f);
}

TEST_F(DeviceTest, ConstructionBindsDefaultVertexArrayEnablesCullingAndReadsVendor) {
    ASSERT_NE(device_->defaultVertexArray(), nullptr);
    EXPECT_NE(device_->defaultVertexArray()->glName(), 0u);
    EXPECT_EQ(static_cast<GLuint>(getInt(GL_VERTEX_ARRAY_BINDING)), device_->defaultVertexArray()->glName());
    EXPECT_EQ(device_->currentVertexArray(), nullptr);
    EXPECT_TRUE(enabled(GL_CULL_FACE));
    EXPECT_EQ(device_->indexType(), static_cast<GLenum>(GL_UNSIGNED_SHORT));
    EXPECT_EQ(device_->indexSize(), 2);
    EXPECT_TRUE(device_->programBindingEnabled);
    EXPECT_TRUE(device_->samplerBindingEnabled);
    EXPECT_FALSE(device_->transformFeedbackActive());
    const char* vendor = reinterpret_cast<const char*>(glGetString(GL_VENDOR));
    ASSERT_NE(vendor, nullptr);
    EXPECT_EQ(vendorIsNotNvidia, std::strstr(vendor, "NVIDIA") == nullptr);
}

// Everything a reset could touch, as GL reports it.
struct GLSnapshot {
    GLint ints[24] = {};
    GLfloat floats[6] = {};
    bool operator==(const GLSnapshot& o) const {
        return std::memcmp(ints, o.ints, sizeof(ints)) == 0 &&
               std::memcmp(floats, o.floats, sizeof(floats)) == 0;
    }
    static GLSnapshot take() {
        GLSnapshot s;
        const GLenum caps[] = {GL_BLEND,        GL_DEPTH_TEST,          GL_STENCIL_TEST,      GL_DEPTH_CLAMP,
                               GL_SCISSOR_TEST, GL_POLYGON_OFFSET_FILL, GL_PROGRAM_POINT_SIZE};
        int i = 0;
        for (GLenum c : caps) s.ints[i++] = glIsEnabled(c);
        const GLenum values[] = {GL_BLEND_SRC_RGB,        GL_BLEND_DST_RGB,
                                 GL_BLEND_EQUATION_RGB,   GL_DEPTH_WRITEMASK,
                                 GL_DEPTH_FUNC,           GL_STENCIL_FUNC,
                                 GL_STENCIL_REF,          GL_STENCIL_VALUE_MASK,
                                 GL_STENCIL_WRITEMASK,    GL_FRONT_FACE,
                                 GL_CULL_FACE_MODE,       GL_CURRENT_PROGRAM,
                                 GL_VERTEX_ARRAY_BINDING, GL_DRAW_FRAMEBUFFER_BINDING};
        for (GLenum v : values) glGetIntegerv(v, &s.ints[i++]);
        GLboolean mask[4];
        glGetBooleanv(GL_COLOR_WRITEMASK, mask);
        s.ints[i++] = mask[0] + 2 * mask[1] + 4 * mask[2] + 8 * mask[3];
        glGetFloatv(GL_POINT_SIZE, &s.floats[0]);
        glGetFloatv(GL_LINE_WIDTH, &s.floats[1]);
        glGetFloatv(GL_DEPTH_RANGE, &s.floats[2]);
        glGetFloatv(GL_POLYGON_OFFSET_FACTOR, &s.floats[4]);
        glGetFloatv(GL_POLYGON_OFFSET_UNITS, &s.floats[5]);
        return s;
    }
};

TEST_F(DeviceTest, ResetAfterConstructionChangesOnlyDiscardAndCulling) {
    // Put the two switches the reset owns into the other position behind the device's back.
    glEnable(GL_RASTERIZER_DISCARD);
    glDisable(GL_CULL_FACE);
    GLSnapshot before = GLSnapshot::take();
    mark();
    device_->resetDevice();
    EXPECT_EQ(callsSinceMark(), 2u);
    EXPECT_FALSE(enabled(GL_RASTERIZER_DISCARD));
    EXPECT_TRUE(enabled(GL_CULL_FACE));
    EXPECT_TRUE(GLSnapshot::take() == before);
    EXPECT_EQ(log(), "");
    // The matrices are identity after the reset.
    const float* projection = device_->matrix(StandardMatrix::ProjectionMatrix);
    const float* normal = device_->matrix(StandardMatrix::ViewNormalMatrix);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(projection[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
    for (int i = 0; i < 9; ++i) EXPECT_EQ(normal[i], (i % 4 == 0) ? 1.0f : 0.0f) << i;
    EXPECT_EQ(device_->matrix(static_cast<StandardMatrix>(15)), nullptr);
}

TEST_F(DeviceTest, PointSizeAndLineWidthIgnoreChangesUpToATenth) {
    struct Step {
        float pointSize;
        float lineWidth;
        uint64_t calls;
        float glPoint;
        float glLine;
    } steps[] = {
        {1.05f, 1.0f, 0, 1.0f, 1.0f},  // within tolerance: no call
        {1.2f, 1.0f, 1, 1.2f, 1.0f},   // beyond: glPointSize
        {1.25f, 1.0f, 0, 1.2f, 1.0f},  // compared with the stored 1.2
        {1.0f, 1.0f, 1, 1.0f, 1.0f},  {1.0f, 0.95f, 0, 1.0f, 1.0f},
        {1.0f, 0.5f, 1, 1.0f, 0.5f},  // glLineWidth
        {4.0f, 1.0f, 2, 4.0f, 1.0f},  // both
    };
    for (const Step& s : steps) {
        RasterizerState r;
        r.pointSize = s.pointSize;
        r.lineWidth = s.lineWidth;
        mark();
        device_->setRasterizerState(r);
        EXPECT_EQ(callsSinceMark(), s.calls) << s.pointSize << " " << s.lineWidth;
        EXPECT_FLOAT_EQ(getFloat(GL_POINT_SIZE), s.glPoint);
        EXPECT_FLOAT_EQ(getFloat(GL_LINE_WIDTH), s.glLine);
    }
    EXPECT_EQ(log(), "");
}

TEST_F(DeviceTest, RasterizerFieldsReachGLOnlyWhenTheyDiffer) {
    RasterizerState r;
    r.cullEnabled = false;
    r.frontFace = FrontFace::Clockwise;
    r.cullFace = CullFace::Front;
    r.scissorTest = true;
    r.clampReadColor = false;
    mark();
    device_->setRasterizerState(r);
    EXPECT_EQ(callsSinceMark(), 5u);
    EXPECT_FALSE(enabled(GL_CULL_FACE));
    EXPECT_EQ(getInt(GL_FRONT_FACE), GL_CW);
    EXPECT_EQ(getInt(GL_CULL_FACE_MODE), GL_FRONT);
    EXPECT_TRUE(enabled(GL_SCISSOR_TEST));
    EXPECT_EQ(getInt(GL_CLAMP_READ_COLOR), GL_FALSE);

    mark();
    device_->setRasterizerState(r);
    EXPECT_EQ(callsSinceMark(), 0u);

    // Vertex and fragment colour clamping do not exist in a core profile: cached,
    // never sent, so no GL error is logged.
    r.clampFragmentColor = false;
    r.clampVertexColor = false;
    device_->setRasterizerState(r);
    EXPECT_FALSE(device_->rasterizerState().clampFragmentColor);
    EXPECT_FALSE(device_->rasterizerState().clampVertexColor);

    device_->setRasterizerState(RasterizerState());
    EXPECT_TRUE(enabled(GL_CULL_FACE));
    EXPECT_EQ(getInt(GL_FRONT_FACE), GL_CCW);
    EXPECT_EQ(getInt(GL_CULL_FACE_MODE), GL_BACK);
    EXPECT_FALSE(enabled(GL_SCISSOR_TEST));
    EXPECT_EQ(getInt(GL_CLAMP_READ_COLOR), GL_TRUE);
    EXPECT_EQ(log(), "");
}

TEST_F(DeviceTest, PolygonOffsetSwitchesTheModesEnable) {
    RasterizerState r;
    r.polygonOffset = true;
    r.polygonOffsetFactor = 2.0f;
    r.polygonOffsetUnits = 4.0f;
    device_->setRasterizerState(r);
    EXPECT_TRUE(enabled(GL_POLYGON_OFFSET_FILL));
    EXPECT_FLOAT_EQ(getFloat(GL_POLYGON_OFFSET_FACTOR), 2.0f);
    EXPECT_FLOAT_EQ(getFloat(GL_POLYGON_OFFSET_UNITS), 4.0f);

    r.polygonOffsetMode = PolygonOffsetMode::Line;
    r.polygonOffsetFactor = 1.0f;
    device_->setRasterizerState(r);
    EXPECT_FALSE(enabled(GL_POLYGON_OFFSET_FILL));
    EXPECT_TRUE(enabled(GL_POLYGON_OFFSET_LINE));
    EXPECT_FLOAT_EQ(getFloat(GL_POLYGON_OFFSET_FACTOR), 1.0f);

    device_->setRasterizerState(RasterizerState());
    EXPECT_FALSE(enabled(GL_POLYGON_OFFSET_LINE));
    EXPECT_FALSE(enabled(GL_POLYGON_OFFSET_FILL));
    EXPECT_EQ(log(), "");
}

TEST_F(DeviceTest, BlendFuncOrSeparateByTheAlphaFactors) {
    struct Case {
        BlendFactor src, dst, srcAlpha, dstAlpha;
        GLenum glSrcRgb, glDstRgb, glSrcAlpha, glDstAlpha;
    } cases[] = {
        // Both alpha factors Zero: glBlendFunc, the colour factors apply to alpha too.
        {BlendFactor::One, BlendFactor::One, BlendFactor::Zero, BlendFactor::Zero, GL_ONE, GL_ONE, GL_ONE,
         GL_ONE},
        {BlendFactor::One, BlendFactor::OneMinusSrcAlpha, BlendFactor::Zero, BlendFactor::Zero, GL_ONE,
         GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA},
        // Any other alpha factor: glBlendFuncSeparate.
        {BlendFactor::SrcAlpha, BlendFactor::OneMinusSrcAlpha, BlendFactor::One, BlendFactor::Zero,
         GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ZERO},
        {BlendFactor::DstColor, BlendFactor::Zero, BlendFactor::Zero, BlendFactor::DstAlpha, GL_DST_COLOR,
         GL_ZERO, GL_ZERO, GL_DST_ALPHA},
    };
    for (const Case& c : cases) {
        BlendState b;
        b.enabled = true;
        b.drawBufferMask = 1;
        b.srcColor = c.src;
        b.dstColor = c.dst;
        b.srcAlpha = c.srcAlpha;
        b.dstAlpha = c.dstAlpha;
        device_->setBlendState(b);
        EXPECT_TRUE(enabled(GL_BLEND));
        EXPECT_EQ(static_cast<GLenum>(getInt(GL_BLEND_SRC_RGB)), c.glSrcRgb);
        EXPECT_EQ(static_cast<GLenum>(getInt(GL_BLEND_DST_RGB)), c.glDstRgb);
        EXPECT_EQ(static_cast<GLenum>(getInt(GL_BLEND_SRC_ALPHA)), c.glSrcAlpha);
        EXPECT_EQ(static_cast<GLenum>(getInt(GL_BLEND_DST_ALPHA)), c.glDstAlpha);
        mark();
        device_->setBlendState(b);
        EXPECT_EQ(callsSinceMark(), 0u);
    }
    // With bit 0 set no warning line is written.
    EXPECT_EQ(log(), "");
}

TEST_F(DeviceTest, BlendingWithoutDrawBufferMaskLogsOncePerSwitchOn) {
    const std::string line = "DETTE SKAL ALDRI SKJE MED BlendState!!!\n";
    BlendState on;
    on.enabled = true;
    on.srcColor = BlendFactor::One;
    on.dstColor = BlendFactor::One;
    device_->setBlendState(on);
    EXPECT_TRUE(enabled(GL_BLEND));
    EXPECT_EQ(log(), line);
    device_->setBlendState(on);
    EXPECT_EQ(log(), line);
    device_->setBlendState(BlendState());
    EXPECT_FALSE(enabled(GL_BLEND));
    device_->setBlendState(on);
    EXPECT_EQ(log(), line + line);
}

TEST_F(DeviceTest, DrawBufferMaskEnablesBlendingPerBuffer) {
    BlendState b;
    b.drawBufferMask = 0x5;  // buffers 0 and 2, blending itself left off
    mark();
    device_->setBlendState(b);
    EXPECT_EQ(callsSinceMark(), 2u);
    EXPECT_TRUE(glIsEnabledi(GL_BLEND, 0));
    EXPECT_FALSE(glIsEnabledi(GL_BLEND, 1));
    EXPECT_TRUE(glIsEnabledi(GL_BLEND, 2));
    EXPECT_FALSE(glIsEnabledi(GL_BLEND, 3));

    b.drawBufferMask = 0x6;  // only buffers 0 and 1 change
    mark();
    device_->setBlendState(b);
    EXPECT_EQ(callsSinceMark(), 2u);
    EXPECT_FALSE(glIsEnabledi(GL_BLEND, 0));
    EXPECT_TRUE(glIsEnabledi(GL_BLEND, 1));
    EXPECT_TRUE(glIsEnabledi(GL_BLEND, 2));

    device_->setBlendState(BlendState());
    for (GLuint i = 0; i < 4; ++i) EXPECT_FALSE(glIsEnabledi(GL_BLEND, i)) << i;
}

TEST_F(DeviceTest, EquationAndColorMaskAreCached) {
    BlendState b;
    b.equation = BlendEquation::ReverseSubtract;
    b.colorMask[1] = false;
    b.colorMask[3] = false;
    mark();
    device_->setBlendState(b);
    EXPECT_EQ(callsSinceMark(), 2u);
    EXPECT_EQ(getInt(GL_BLEND_EQUATION_RGB), GL_FUNC_REVERSE_SUBTRACT);
    GLboolean mask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    EXPECT_TRUE(mask[0]);
    EXPECT_FALSE(mask[1]);
    EXPECT_TRUE(mask[2]);
    EXPECT_FALSE(mask[3]);
    // Factors are neither applied nor stored while blending is off.
    b.srcColor = BlendFactor::One;
    mark();
    device_->setBlendState(b);
    EXPECT_EQ(callsSinceMark(), 0u);
    EXPECT_EQ(device_->blendState().srcColor, BlendFactor::Zero);
}

TEST_F(DeviceTest, DepthFunctionOnlyWhileTheTestIsOn) {
    DepthStencilState d;
    d.depthFunc = CompareFunc::Greater;
    mark();
    device_->setDepthStencilState(d);
    EXPECT_EQ(callsSinceMark(), 0u);
    EXPECT_EQ(getInt(GL_DEPTH_FUNC), GL_LESS);

    d.depthTest = true;
    d.depthWrite = false;
    mark();
    device_->setDepthStencilState(d);
    EXPECT_EQ(callsSinceMark(), 3u);
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
    EXPECT_EQ(getInt(GL_DEPTH_FUNC), GL_GREATER);
    EXPECT_EQ(getInt(GL_DEPTH_WRITEMASK), GL_FALSE);

    device_->setDepthStencilState(DepthStencilState());
    EXPECT_FALSE(enabled(GL_DEPTH_TEST));
    EXPECT_EQ(getInt(GL_DEPTH_WRITEMASK), GL_TRUE);
    // The function stays until the test is on again.
    EXPECT_EQ(getInt(GL_DEPTH_FUNC), GL_GREATER);
}

TEST_F(DeviceTest, DepthRangeIsOrderedAndAppliedOnlyWhenClampingSwitchesOn) {
    DepthStencilState d;
    d.depthClamp = true;
    d.depthRangeNear = 0.8f;
    d.depthRangeFar = 0.2f;
    device_->setDepthStencilState(d);
    EXPECT_TRUE(enabled(GL_DEPTH_CLAMP));
    GLfloat range[2];
    glGetFloatv(GL_DEPTH_RANGE, range);
    EXPECT_FLOAT_EQ(range[0], 0.2f);
    EXPECT_FLOAT_EQ(range[1], 0.8f);

    d.depthRangeNear = 0.0f;
    d.depthRangeFar = 0.5f;
    mark();
    device_->setDepthStencilState(d);
    EXPECT_EQ(callsSinceMark(), 0u);
    glGetFloatv(GL_DEPTH_RANGE, range);
    EXPECT_FLOAT_EQ(range[0], 0.2f);

    d.depthClamp = false;
    mark();
    device_->setDepthStencilState(d);
    EXPECT_EQ(callsSinceMark(), 1u);
    EXPECT_FALSE(enabled(GL_DEPTH_CLAMP));
    glGetFloatv(GL_DEPTH_RANGE, range);
    EXPECT_FLOAT_EQ(range[1], 0.8f);
}

TEST_F(DeviceTest, StencilMaskChangeReissuesMaskAndFunction) {
    DepthStencilState d;
    d.stencilTest = true;
    d.stencilFunc = CompareFunc::Equal;
    d.stencilRef = 3;
    d.stencilFail = StencilOp::Replace;
    mark();
    device_->setDepthStencilState(d);
    EXPECT_EQ(callsSinceMark(), 3u);  // enable, op, func
    EXPECT_TRUE(enabled(GL_STENCIL_TEST));
    EXPECT_EQ(getInt(GL_STENCIL_FUNC), GL_EQUAL);
    EXPECT_EQ(getInt(GL_STENCIL_REF), 3);
    EXPECT_EQ(getInt(GL_STENCIL_FAIL), GL_REPLACE);
    EXPECT_EQ(getInt(GL_STENCIL_PASS_DEPTH_FAIL), GL_KEEP);

    struct Step {
        const char* what;
        void (*change)(DepthStencilState&);
        uint64_t calls;
    } steps[] = {
        {"nothing", [](DepthStencilState&) {}, 0},
        {"mask", [](DepthStencilState& s) { s.stencilMask = 0x0F; }, 2},
        {"reference", [](DepthStencilState& s) { s.stencilRef = 5; }, 1},
        {"function", [](DepthStencilState& s) { s.stencilFunc = CompareFunc::NotEqual; }, 1},
        {"depth pass", [](DepthStencilState& s) { s.depthPass = StencilOp::IncrementWrap; }, 1},
    };
    for (const Step& step : steps) {
        step.change(d);
        mark();
        device_->setDepthStencilState(d);
        EXPECT_EQ(callsSinceMark(), step.calls) << step.what;
    }
    EXPECT_EQ(getInt(GL_STENCIL_WRITEMASK), 0x0F);
    EXPECT_EQ(getInt(GL_STENCIL_VALUE_MASK), 0x0F);
    EXPECT_EQ(getInt(GL_STENCIL_REF), 5);
    EXPECT_EQ(getInt(GL_STENCIL_FUNC), GL_NOTEQUAL);
    EXPECT_EQ(getInt(GL_STENCIL_PASS_DEPTH_PASS), GL_INCR_WRAP);

    device_->setDepthStencilState(DepthStencilState());
    EXPECT_FALSE(enabled(GL_STENCIL_TEST));
    EXPECT_EQ(log(), "");
}

TEST_F(DeviceTest, ProgramPointSizeAndRasterizationSwitches) {
    mark();
    device_->programPointSize(false);
    EXPECT_EQ(callsSinceMark(), 0u);
    device_->programPointSize(true);
    EXPECT_EQ(callsSinceMark(), 1u);
    EXPECT_TRUE(enabled(GL_PROGRAM_POINT_SIZE));
    device_->programPointSize(true);
    EXPECT_EQ(callsSinceMark(), 1u);

    // Rasterization switches act unconditionally.
    mark();
    device_->disableRasterization();
    device_->disableRasterization();
    EXPECT_EQ(callsSinceMark(), 2u);
    EXPECT_TRUE(enabled(GL_RASTERIZER_DISCARD));
    EXPECT_TRUE(device_->rasterizerDiscard());
    device_->enableRasterization();
    EXPECT_FALSE(enabled(GL_RASTERIZER_DISCARD));
    EXPECT_FALSE(device_->rasterizerDiscard());

    device_->programPointSize(true);
    device_->disableRasterization();
    device_->resetDevice();
    EXPECT_FALSE(enabled(GL_PROGRAM_POINT_SIZE));
    EXPECT_FALSE(enabled(GL_RASTERIZER_DISCARD));
    EXPECT_FALSE(device_->programPointSizeEnabled());
}

TEST_F(DeviceTest, ResetReturnsRenderStatesToDefaults) {
    BlendState b;
    b.enabled = true;
    b.drawBufferMask = 1;
    b.srcColor = BlendFactor::One;
    b.dstColor = BlendFactor::One;
    device_->setBlendState(b);
    DepthStencilState d;
    d.depthTest = true;
    d.stencilTest = true;
    d.depthWrite = false;
    device_->setDepthStencilState(d);
    RasterizerState r;
    r.cullEnabled = false;
    r.scissorTest = true;
    device_->setRasterizerState(r);
    device_->programBindingEnabled = false;
    device_->samplerBindingEnabled = false;

    device_->resetDevice();
    EXPECT_FALSE(enabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabledi(GL_BLEND, 0));
    EXPECT_FALSE(enabled(GL_DEPTH_TEST));
    EXPECT_FALSE(enabled(GL_STENCIL_TEST));
    EXPECT_EQ(getInt(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_TRUE(enabled(GL_CULL_FACE));
    EXPECT_FALSE(enabled(GL_SCISSOR_TEST));
    EXPECT_TRUE(device_->programBindingEnabled);
    EXPECT_TRUE(device_->samplerBindingEnabled);

    // A second reset finds nothing to change but the two unconditional switches.
    mark();
    device_->resetDevice();
    EXPECT_EQ(callsSinceMark(), 2u);
    EXPECT_EQ(log(), "");
}

}  // namespace
