#pragma once
#include <GL/glew.h>

#include <cstdint>
#include <string>

#include "core/Math.h"
#include "core/Object.h"
#include "rend/CompareFunc.h"
#include "rend/StandardMatrices.h"

namespace ember {

class Framebuffer;
class Program;
class Query;
class SamplerSet;
class Texture;
class VertexArrayObject;
class VertexBuffer;

enum class BlendFactor : int32_t {
    Zero,
    One,
    SrcAlpha,
    OneMinusSrcAlpha,
    DstAlpha,
    OneMinusDstAlpha,
    SrcColor,
    OneMinusSrcColor,
    DstColor,
    OneMinusDstColor,
};

enum class BlendEquation : int32_t { Add, Min, Max, Subtract, ReverseSubtract };

enum class StencilOp : int32_t {
    Zero,
    Keep,
    Replace,
    Increment,
    Decrement,
    Invert,
    IncrementWrap,
    DecrementWrap
};

enum class FrontFace : int32_t { Clockwise, CounterClockwise };

enum class CullFace : int32_t { Front, Back, FrontAndBack };

enum class PolygonOffsetMode : int32_t { Fill, Line, Point };

// Member n is GL primitive mode n.
enum class PrimitiveType : int32_t {
    Points,
    Lines,
    LineLoop,
    LineStrip,
    Triangles,
    TriangleStrip,
    TriangleFan,
    Quads,
    QuadStrip,
    Polygon,
    LinesAdjacency,
    LineStripAdjacency,
    TrianglesAdjacency,
    TriangleStripAdjacency,
};

// GL constants of the render-state enumerations. Values outside an enumeration
// map to its first member's constant.
GLenum blendFactorToGL(BlendFactor factor);
GLenum blendEquationToGL(BlendEquation equation);
GLenum stencilOpToGL(StencilOp op);
GLenum frontFaceToGL(FrontFace face);
GLenum cullFaceToGL(CullFace face);
GLenum polygonOffsetModeToGL(PolygonOffsetMode mode);
GLenum primitiveTypeToGL(PrimitiveType type);

// Blending. Both alpha factors Zero means the colour factors are used for alpha
// too. Build from the defaults and change the few fields needed.
struct BlendState {
    bool enabled = false;
    BlendEquation equation = BlendEquation::Add;
    BlendFactor srcColor = BlendFactor::Zero;
    BlendFactor srcAlpha = BlendFactor::Zero;
    BlendFactor dstColor = BlendFactor::Zero;
    BlendFactor dstAlpha = BlendFactor::Zero;
    bool colorMask[4] = {true, true, true, true};  // red, green, blue, alpha
    uint32_t drawBufferMask = 0;                   // bit i enables blending on draw buffer i (0..3)
};

// Depth and stencil tests. stencilMask is both the write and the compare mask;
// the depth range is applied only when clamping is switched on.
struct DepthStencilState {
    bool depthTest = false;
    bool depthWrite = true;
    bool depthClamp = false;
    float depthRangeNear = 0.0f;
    float depthRangeFar = 1.0f;
    CompareFunc depthFunc = CompareFunc::Less;
    bool stencilTest = false;
    int32_t stencilRef = 0;
    uint32_t stencilMask = 0xFFFFFFFFu;
    CompareFunc stencilFunc = CompareFunc::Always;
    StencilOp stencilFail = StencilOp::Keep;
    StencilOp depthFail = StencilOp::Keep;
    StencilOp depthPass = StencilOp::Keep;
};

struct RasterizerState {
    float pointSize = 1.0f;
    float lineWidth = 1.0f;
    bool cullEnabled = true;
    FrontFace frontFace = FrontFace::CounterClockwise;
    CullFace cullFace = CullFace::Back;
    bool scissorTest = false;
    bool clampFragmentColor = true;
    bool clampVertexColor = true;
    bool clampReadColor = true;
    bool polygonOffset = false;
    PolygonOffsetMode polygonOffsetMode = PolygonOffsetMode::Fill;
    float polygonOffsetFactor = 0.0f;
    float polygonOffsetUnits = 0.0f;
};

// Set by the Device constructor: false when the GL vendor string contains
// "NVIDIA", true otherwise. Read by the demo application, not by the device.
extern bool vendorIsNotNvidia;

// The one object through which state changes, bindings, clears and draws go.
// It caches the render states it applied and issues GL calls only for fields
// that differ; it holds the standard matrices and uploads those the bound
// program declares. Created after the GL context, used on its thread only.
// No operation fails: GL errors are logged by the per-call check.
class Device : public Object {
public:
    // Creates and binds the default vertex array, enables culling (matching the
    // rasterizer cache) and sets vendorIsNotNvidia. The stored matrices are
    // undefined until the first resetDevice.
    Device();
    ~Device() override;

    // Apply the fields that differ from the cached state (see the cache rules in
    // Device.cpp); point size and line width changes of 0.1 or less are ignored.
    void setBlendState(const BlendState& state);
    void setDepthStencilState(const DepthStencilState& state);
    void setRasterizerState(const RasterizerState& state);

    // Unbinds the current program (disabling its attribute arrays), binds program
    // (may be null) and uploads the stored projection, projection inverse,
    // texture, shadow and view-normal matrices it declares. Ignored while
    // programBindingEnabled is false.
    void setProgram(Program* program);

    // Stores a 4x4 standard matrix (indices 0..10, 16 floats row by row) and
    // uploads it when the bound program declares it. Other indices are ignored.
    void setMatrix(StandardMatrix index, const float* m);
    void setMatrix(StandardMatrix index, const Mat4& m) { setMatrix(index, m.m); }
    // Same for the 3x3 matrices (indices 11..14, 9 floats).
    void setNormalMatrix(StandardMatrix index, const float* m);
    void setNormalMatrix(StandardMatrix index, const Mat3& m) { setNormalMatrix(index, m.m); }
    // Store a matrix without uploading it, for values that programs pick up
    // when they are bound (setProgram uploads the projection, texture, shadow
    // and view-normal matrices) or that code reads back. Same index rules as
    // setMatrix / setNormalMatrix.
    void storeMatrix(StandardMatrix index, const float* m);
    void storeMatrix(StandardMatrix index, const Mat4& m) { storeMatrix(index, m.m); }
    void storeNormalMatrix(StandardMatrix index, const float* m);
    void storeNormalMatrix(StandardMatrix index, const Mat3& m) { storeNormalMatrix(index, m.m); }
    // The stored matrix: 16 floats for 0..10, 9 floats for 11..14; null outside.
    const float* matrix(StandardMatrix index) const;

    // Binds an off-screen target (unbinding the current one) and sets viewport
    // and scissor to its size. Null only unbinds, leaving the viewport.
    void setFramebuffer(Framebuffer* framebuffer);
    // Returns to the window's back buffer with viewport and scissor of the given
    // size; does nothing when the back buffer is already current.
    void setBackbuffer(int32_t width, int32_t height);

    // Binds object (null: the default vertex array) and takes its index type:
    // index size 2 -> GL_UNSIGNED_SHORT, anything else GL_UNSIGNED_INT.
    void setVertexArrayObject(VertexArrayObject* object);
    // Binds a vertex buffer and points the bound program's inputs into it by
    // semantic name (the path without vertex array objects). Inputs the program
    // lacks are skipped. Without a current vertex array object the pointers go
    // into the default vertex array, which is bound first.
    void setVertexBuffer(VertexBuffer* buffer);

    // Binds texture on the unit the bound program gave sampler name; an
    // undeclared name is added to the program with unit 0. Ignored while
    // samplerBindingEnabled is false or without a program.
    void setSampler(const std::string& name, Texture* texture);
    // Unbinds the previous set's textures and binds the new set's (may be null).
    // Ignored while samplerBindingEnabled is false.
    void setSamplerSet(SamplerSet* set);

    // Starts capturing points into buffer (binding 0), beginning query if given.
    void beginTransformFeedback(Query* query, VertexBuffer* buffer);
    // Ends capture and the query (if given), unbinds and releases the buffer.
    void endTransformFeedback(Query* query);

    void setClearColor(float r, float g, float b, float a);
    void setClearDepth(double depth);
    void setClearStencil(int32_t stencil);
    // glClear with a mask of GL_COLOR_BUFFER_BIT, GL_DEPTH_BUFFER_BIT, GL_STENCIL_BUFFER_BIT.
    void clear(GLbitfield mask);
    void clearColorBuffer(int32_t drawBuffer, float r, float g, float b, float a);
    void clearDepthStencilBuffer(float depth, int32_t stencil);

    void drawArrays(PrimitiveType type, int32_t first, int32_t count);
    // Indices of the bound vertex array's type; firstIndex counts indices, not bytes.
    void drawRangeElements(PrimitiveType type, uint32_t start, uint32_t end, int32_t count,
                           int32_t firstIndex);
    void drawElementsInstanced(PrimitiveType type, int32_t count, int32_t firstIndex, int32_t instances);

    // Switch GL_RASTERIZER_DISCARD on / off, unconditionally.
    void disableRasterization();
    void enableRasterization();
    // GL_PROGRAM_POINT_SIZE, only when it differs from the current setting.
    void programPointSize(bool enabled);

    // Returns the render-state caches, matrices, program, vertex input, sampler
    // set and switches to their defaults, issuing GL calls only for what differs.
    // The framebuffer and the transform-feedback buffer are left alone.
    void resetDevice();

    const BlendState& blendState() const { return blend_; }
    const DepthStencilState& depthStencilState() const { return depthStencil_; }
    const RasterizerState& rasterizerState() const { return rasterizer_; }
    Framebuffer* currentFramebuffer() const { return currentFramebuffer_.get(); }
    Program* currentProgram() const { return currentProgram_.get(); }
    VertexBuffer* currentVertexBuffer() const { return currentVertexBuffer_.get(); }
    VertexArrayObject* currentVertexArray() const { return currentVertexArray_.get(); }
    VertexArrayObject* defaultVertexArray() const { return defaultVertexArray_.get(); }
    SamplerSet* currentSamplerSet() const { return currentSamplerSet_.get(); }
    VertexBuffer* transformFeedbackBuffer() const { return transformFeedbackBuffer_.get(); }
    GLenum indexType() const { return indexType_; }
    int32_t indexSize() const { return indexSize_; }
    bool transformFeedbackActive() const { return transformFeedbackActive_; }
    bool rasterizerDiscard() const { return rasterizerDiscard_; }
    bool programPointSizeEnabled() const { return programPointSizeEnabled_; }

    // The shadow pass clears both while it draws with its own program and
    // textures, so that setProgram, setSampler and setSamplerSet are ignored.
    bool programBindingEnabled = true;
    bool samplerBindingEnabled = true;

private:
    void disableProgramAttributes();
    void unbindSamplerSet();
    void uploadMatrix(int32_t index);

    Ref<Framebuffer> currentFramebuffer_;
    Ref<Program> currentProgram_;
    Ref<VertexBuffer> currentVertexBuffer_;
    Ref<VertexArrayObject> currentVertexArray_;
    Ref<VertexArrayObject> defaultVertexArray_;
    Ref<SamplerSet> currentSamplerSet_;
    GLenum indexType_ = GL_UNSIGNED_SHORT;
    int32_t indexSize_ = 2;
    Ref<VertexBuffer> transformFeedbackBuffer_;
    BlendState blend_;
    DepthStencilState depthStencil_;
    RasterizerState rasterizer_;
    float matrices4_[StandardMatrix4x4Count][16] = {};
    float matrices3_[StandardMatrixCount - StandardMatrix4x4Count][9] = {};
    bool transformFeedbackActive_ = false;
    bool rasterizerDiscard_ = false;
    bool programPointSizeEnabled_ = false;
    // Core profiles have no vertex or fragment colour clamping; only the read
    // clamp reaches GL there.
    bool coreProfile_ = false;
};

}  // namespace ember
