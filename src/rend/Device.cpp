#include "rend/Device.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "application/Logger.h"
#include "rend/BufferObject.h"
#include "rend/DeviceError.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Query.h"
#include "rend/Sampler.h"
#include "rend/Texture.h"
#include "rend/VertexArrayObject.h"

namespace ember {

bool vendorIsNotNvidia = true;

namespace {

const char* const kSource = "src/rend/Device";

// Every GL call is followed by one check naming the device operation.
inline void check(int32_t line, const char* function) {
    checkGLError(line, function, kSource);
}
#define DEVICE_CHECK(function) check(__LINE__, function)

template <class E, size_t N>
GLenum lookup(const GLenum (&table)[N], E value) {
    auto i = static_cast<uint32_t>(value);
    return i < N ? table[i] : table[0];
}

inline void setEnabled(GLenum capability, bool enabled) {
    if (enabled)
        glEnable(capability);
    else
        glDisable(capability);
}

const float kIdentity4[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
const float kIdentity3[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

// Matrices re-sent when a program is bound; the others are set per drawable.
const StandardMatrix kUploadedOnBind[] = {
    StandardMatrix::ProjectionMatrix, StandardMatrix::ProjectionMatrixInverse, StandardMatrix::TextureMatrix,
    StandardMatrix::ShadowMatrix, StandardMatrix::ViewNormalMatrix};

}  // namespace

GLenum blendFactorToGL(BlendFactor factor) {
    static const GLenum table[] = {GL_ZERO,      GL_ONE,
                                   GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA,
                                   GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA,
                                   GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR,
                                   GL_DST_COLOR, GL_ONE_MINUS_DST_COLOR};
    return lookup(table, factor);
}

GLenum blendEquationToGL(BlendEquation equation) {
    static const GLenum table[] = {GL_FUNC_ADD, GL_MIN, GL_MAX, GL_FUNC_SUBTRACT, GL_FUNC_REVERSE_SUBTRACT};
    return lookup(table, equation);
}

GLenum stencilOpToGL(StencilOp op) {
    static const GLenum table[] = {GL_ZERO, GL_KEEP,   GL_REPLACE,   GL_INCR,
                                   GL_DECR, GL_INVERT, GL_INCR_WRAP, GL_DECR_WRAP};
    return lookup(table, op);
}

GLenum frontFaceToGL(FrontFace face) {
    static const GLenum table[] = {GL_CW, GL_CCW};
    return lookup(table, face);
}

GLenum cullFaceToGL(CullFace face) {
    static const GLenum table[] = {GL_FRONT, GL_BACK, GL_FRONT_AND_BACK};
    return lookup(table, face);
}

GLenum polygonOffsetModeToGL(PolygonOffsetMode mode) {
    static const GLenum table[] = {GL_POLYGON_OFFSET_FILL, GL_POLYGON_OFFSET_LINE, GL_POLYGON_OFFSET_POINT};
    return lookup(table, mode);
}

GLenum primitiveTypeToGL(PrimitiveType type) {
    auto i = static_cast<uint32_t>(type);
    // GL numbers its primitive modes 0..13 in the enumeration's own order.
    return i <= static_cast<uint32_t>(PrimitiveType::TriangleStripAdjacency) ? static_cast<GLenum>(i)
                                                                             : GL_POINTS;
}

Device::Device() {
    defaultVertexArray_ = new VertexArrayObject();
    defaultVertexArray_->create();
    defaultVertexArray_->bind();
    glEnable(GL_CULL_FACE);
    DEVICE_CHECK("Device::Device");

    const GLubyte* vendor = glGetString(GL_VENDOR);
    DEVICE_CHECK("Device::Device");
    vendorIsNotNvidia = !(vendor && std::strstr(reinterpret_cast<const char*>(vendor), "NVIDIA"));

    GLint profile = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    DEVICE_CHECK("Device::Device");
    coreProfile_ = (profile & GL_CONTEXT_CORE_PROFILE_BIT) != 0;
}

Device::~Device() {
    currentFramebuffer_.reset();
    currentProgram_.reset();
    currentVertexBuffer_.reset();
    if (currentVertexArray_) {
        glBindVertexArray(0);
        DEVICE_CHECK("Device::~Device");
        currentVertexArray_.reset();
    }
    defaultVertexArray_.reset();
    currentSamplerSet_.reset();
    transformFeedbackBuffer_.reset();
}

void Device::setBlendState(const BlendState& state) {
    if (state.drawBufferMask != blend_.drawBufferMask) {
        for (GLuint i = 0; i < 4; ++i) {
            uint32_t bit = 1u << i;
            if ((state.drawBufferMask & bit) == (blend_.drawBufferMask & bit)) continue;
            if (state.drawBufferMask & bit)
                glEnablei(GL_BLEND, i);
            else
                glDisablei(GL_BLEND, i);
            DEVICE_CHECK("Device::setBlendState");
        }
        blend_.drawBufferMask = state.drawBufferMask;
    }

    if (state.enabled) {
        if (!blend_.enabled) {
            glEnable(GL_BLEND);
            DEVICE_CHECK("Device::setBlendState");
            blend_.enabled = true;
            if (blend_.drawBufferMask == 0)
                Logger::instance().writeLine("DETTE SKAL ALDRI SKJE MED BlendState!!!");
        }
        if (state.srcColor != blend_.srcColor || state.dstColor != blend_.dstColor ||
            state.srcAlpha != blend_.srcAlpha || state.dstAlpha != blend_.dstAlpha) {
            if (state.srcAlpha == BlendFactor::Zero && state.dstAlpha == BlendFactor::Zero) {
                glBlendFunc(blendFactorToGL(state.srcColor), blendFactorToGL(state.dstColor));
            } else {
                glBlendFuncSeparate(blendFactorToGL(state.srcColor), blendFactorToGL(state.dstColor),
                                    blendFactorToGL(state.srcAlpha), blendFactorToGL(state.dstAlpha));
            }
            DEVICE_CHECK("Device::setBlendState");
            blend_.srcColor = state.srcColor;
            blend_.dstColor = state.dstColor;
            blend_.srcAlpha = state.srcAlpha;
            blend_.dstAlpha = state.dstAlpha;
        }
    } else if (blend_.enabled) {
        glDisable(GL_BLEND);
        DEVICE_CHECK("Device::setBlendState");
        blend_.enabled = false;
    }

    if (state.equation != blend_.equation) {
        glBlendEquation(blendEquationToGL(state.equation));
        DEVICE_CHECK("Device::setBlendState");
        blend_.equation = state.equation;
    }

    if (!std::equal(state.colorMask, state.colorMask + 4, blend_.colorMask)) {
        glColorMask(state.colorMask[0], state.colorMask[1], state.colorMask[2], state.colorMask[3]);
        DEVICE_CHECK("Device::setBlendState");
        std::copy(state.colorMask, state.colorMask + 4, blend_.colorMask);
    }
}

void Device::setDepthStencilState(const DepthStencilState& state) {
    DepthStencilState& cache = depthStencil_;
    if (state.depthTest) {
        if (!cache.depthTest) {
            glEnable(GL_DEPTH_TEST);
            DEVICE_CHECK("Device::setDepthStencilState");
            cache.depthTest = true;
        }
        if (state.depthFunc != cache.depthFunc) {
            glDepthFunc(compareFuncToGL(state.depthFunc));
            DEVICE_CHECK("Device::setDepthStencilState");
            cache.depthFunc = state.depthFunc;
        }
    } else if (cache.depthTest) {
        glDisable(GL_DEPTH_TEST);
        DEVICE_CHECK("Device::setDepthStencilState");
        cache.depthTest = false;
    }

    if (state.depthWrite != cache.depthWrite) {
        glDepthMask(state.depthWrite ? GL_TRUE : GL_FALSE);
        DEVICE_CHECK("Device::setDepthStencilState");
        cache.depthWrite = state.depthWrite;
    }

    if (state.depthClamp != cache.depthClamp) {
        if (state.depthClamp) {
            glEnable(GL_DEPTH_CLAMP);
            DEVICE_CHECK("Device::setDepthStencilState");
            cache.depthRangeNear = std::min(state.depthRangeNear, state.depthRangeFar);
            cache.depthRangeFar = std::max(state.depthRangeNear, state.depthRangeFar);
            glDepthRange(cache.depthRangeNear, cache.depthRangeFar);
            DEVICE_CHECK("Device::setDepthStencilState");
        } else {
            glDisable(GL_DEPTH_CLAMP);
            DEVICE_CHECK("Device::setDepthStencilState");
        }
        cache.depthClamp = state.depthClamp;
    }

    if (state.stencilTest) {
        if (!cache.stencilTest) {
            glEnable(GL_STENCIL_TEST);
            DEVICE_CHECK("Device::setDepthStencilState");
            cache.stencilTest = true;
        }
        if (state.stencilFail != cache.stencilFail || state.depthFail != cache.depthFail ||
            state.depthPass != cache.depthPass) {
            glStencilOp(stencilOpToGL(state.stencilFail), stencilOpToGL(state.depthFail),
                        stencilOpToGL(state.depthPass));
            DEVICE_CHECK("Device::setDepthStencilState");
            cache.stencilFail = state.stencilFail;
            cache.depthFail = state.depthFail;
            cache.depthPass = state.depthPass;
        }
        // The mask is also the compare mask, so a new mask re-issues the function.
        bool maskChanged = state.stencilMask != cache.stencilMask;
        if (maskChanged) {
            glStencilMask(state.stencilMask);
            DEVICE_CHECK("Device::setDepthStencilState");
        }
        if (maskChanged || state.stencilRef != cache.stencilRef || state.stencilFunc != cache.stencilFunc) {
            glStencilFunc(compareFuncToGL(state.stencilFunc), state.stencilRef, state.stencilMask);
            DEVICE_CHECK("Device::setDepthStencilState");
        }
        cache.stencilRef = state.stencilRef;
        cache.stencilMask = state.stencilMask;
        cache.stencilFunc = state.stencilFunc;
    } else if (cache.stencilTest) {
        glDisable(GL_STENCIL_TEST);
        DEVICE_CHECK("Device::setDepthStencilState");
        cache.stencilTest = false;
    }
}

void Device::setRasterizerState(const RasterizerState& state) {
    RasterizerState& cache = rasterizer_;
    if (state.cullEnabled != cache.cullEnabled) {
        setEnabled(GL_CULL_FACE, state.cullEnabled);
        DEVICE_CHECK("Device::setRasterizerState");
        cache.cullEnabled = state.cullEnabled;
    }
    if (state.frontFace != cache.frontFace) {
        glFrontFace(frontFaceToGL(state.frontFace));
        DEVICE_CHECK("Device::setRasterizerState");
        cache.frontFace = state.frontFace;
    }
    if (state.cullFace != cache.cullFace) {
        glCullFace(cullFaceToGL(state.cullFace));
        DEVICE_CHECK("Device::setRasterizerState");
        cache.cullFace = state.cullFace;
    }
    if (state.scissorTest != cache.scissorTest) {
        setEnabled(GL_SCISSOR_TEST, state.scissorTest);
        DEVICE_CHECK("Device::setRasterizerState");
        cache.scissorTest = state.scissorTest;
    }
    if (std::fabs(state.pointSize - cache.pointSize) > 0.1f) {
        glPointSize(state.pointSize);
        DEVICE_CHECK("Device::setRasterizerState");
        cache.pointSize = state.pointSize;
    }
    if (std::fabs(state.lineWidth - cache.lineWidth) > 0.1f) {
        glLineWidth(state.lineWidth);
        DEVICE_CHECK("Device::setRasterizerState");
        cache.lineWidth = state.lineWidth;
    }
    if (state.clampFragmentColor != cache.clampFragmentColor) {
        if (!coreProfile_) {
            glClampColor(GL_CLAMP_FRAGMENT_COLOR, state.clampFragmentColor ? GL_TRUE : GL_FALSE);
            DEVICE_CHECK("Device::setRasterizerState");
        }
        cache.clampFragmentColor = state.clampFragmentColor;
    }
    if (state.clampVertexColor != cache.clampVertexColor) {
        if (!coreProfile_) {
            glClampColor(GL_CLAMP_VERTEX_COLOR, state.clampVertexColor ? GL_TRUE : GL_FALSE);
            DEVICE_CHECK("Device::setRasterizerState");
        }
        cache.clampVertexColor = state.clampVertexColor;
    }
    if (state.clampReadColor != cache.clampReadColor) {
        glClampColor(GL_CLAMP_READ_COLOR, state.clampReadColor ? GL_TRUE : GL_FALSE);
        DEVICE_CHECK("Device::setRasterizerState");
        cache.clampReadColor = state.clampReadColor;
    }
    if (state.polygonOffset) {
        if (state.polygonOffsetMode != cache.polygonOffsetMode) {
            glDisable(polygonOffsetModeToGL(cache.polygonOffsetMode));
            DEVICE_CHECK("Device::setRasterizerState");
        }
        glEnable(polygonOffsetModeToGL(state.polygonOffsetMode));
        DEVICE_CHECK("Device::setRasterizerState");
        glPolygonOffset(state.polygonOffsetFactor, state.polygonOffsetUnits);
        DEVICE_CHECK("Device::setRasterizerState");
        cache.polygonOffset = true;
        cache.polygonOffsetMode = state.polygonOffsetMode;
        cache.polygonOffsetFactor = state.polygonOffsetFactor;
        cache.polygonOffsetUnits = state.polygonOffsetUnits;
    } else if (cache.polygonOffset) {
        glDisable(polygonOffsetModeToGL(cache.polygonOffsetMode));
        DEVICE_CHECK("Device::setRasterizerState");
        cache.polygonOffset = false;
    }
}

void Device::disableProgramAttributes() {
    if (!currentProgram_) return;
    for (const auto& entry : currentProgram_->attributeMap()) {
        if (entry.second.location < 0) continue;
        glDisableVertexAttribArray(static_cast<GLuint>(entry.second.location));
        checkGLError(__LINE__, "DisableVertexAttribArray::operator ()", kSource);
    }
}

void Device::setProgram(Program* program) {
    if (!programBindingEnabled) return;
    if (currentProgram_) {
        disableProgramAttributes();
        currentProgram_->unbind();
    }
    currentProgram_ = program;
    if (!currentProgram_) return;
    currentProgram_->bind();
    for (StandardMatrix m : kUploadedOnBind) uploadMatrix(static_cast<int32_t>(m));
}

void Device::uploadMatrix(int32_t index) {
    if (!currentProgram_ || !(currentProgram_->usedMatrices() & (1u << index))) return;
    if (index < StandardMatrix4x4Count)
        currentProgram_->setUniformMatrix4fv(standardMatrixName(index), matrices4_[index]);
    else
        currentProgram_->setUniformMatrix3fv(standardMatrixName(index),
                                             matrices3_[index - StandardMatrix4x4Count]);
}

void Device::setMatrix(StandardMatrix index, const float* m) {
    auto i = static_cast<int32_t>(index);
    if (i < 0 || i >= StandardMatrix4x4Count || !m) return;
    std::memcpy(matrices4_[i], m, sizeof(matrices4_[i]));
    uploadMatrix(i);
}

void Device::setNormalMatrix(StandardMatrix index, const float* m) {
    auto i = static_cast<int32_t>(index);
    if (i < StandardMatrix4x4Count || i >= StandardMatrixCount || !m) return;
    std::memcpy(matrices3_[i - StandardMatrix4x4Count], m, sizeof(matrices3_[0]));
    uploadMatrix(i);
}

void Device::storeMatrix(StandardMatrix index, const float* m) {
    auto i = static_cast<int32_t>(index);
    if (i < 0 || i >= StandardMatrix4x4Count || !m) return;
    std::memcpy(matrices4_[i], m, sizeof(matrices4_[i]));
}

void Device::storeNormalMatrix(StandardMatrix index, const float* m) {
    auto i = static_cast<int32_t>(index);
    if (i < StandardMatrix4x4Count || i >= StandardMatrixCount || !m) return;
    std::memcpy(matrices3_[i - StandardMatrix4x4Count], m, sizeof(matrices3_[0]));
}

const float* Device::matrix(StandardMatrix index) const {
    auto i = static_cast<int32_t>(index);
    if (i < 0 || i >= StandardMatrixCount) return nullptr;
    return i < StandardMatrix4x4Count ? matrices4_[i] : matrices3_[i - StandardMatrix4x4Count];
}

void Device::setFramebuffer(Framebuffer* framebuffer) {
    if (currentFramebuffer_) currentFramebuffer_->unbind();
    currentFramebuffer_ = framebuffer;
    if (!currentFramebuffer_) return;
    currentFramebuffer_->bind();
    glViewport(0, 0, currentFramebuffer_->width(), currentFramebuffer_->height());
    DEVICE_CHECK("Device::setFramebuffer");
    glScissor(0, 0, currentFramebuffer_->width(), currentFramebuffer_->height());
    DEVICE_CHECK("Device::setFramebuffer");
}

void Device::setBackbuffer(int32_t width, int32_t height) {
    if (!currentFramebuffer_) return;
    currentFramebuffer_->unbind();
    currentFramebuffer_.reset();
    // With a stand-in for the window, unbind has already set its buffers.
    if (!Framebuffer::windowStandIn()) {
        glDrawBuffer(GL_BACK);
        DEVICE_CHECK("Device::setBackbuffer");
        glReadBuffer(GL_BACK);
        DEVICE_CHECK("Device::setBackbuffer");
    }
    glViewport(0, 0, width, height);
    DEVICE_CHECK("Device::setBackbuffer");
    glScissor(0, 0, width, height);
    DEVICE_CHECK("Device::setBackbuffer");
}

void Device::setVertexArrayObject(VertexArrayObject* object) {
    if (currentVertexArray_) {
        glBindVertexArray(0);
        DEVICE_CHECK("Device::setVertexArrayObject");
        currentVertexArray_.reset();
    }
    if (!object) {
        defaultVertexArray_->bind();
        return;
    }
    currentVertexArray_ = object;
    glBindVertexArray(object->glName());
    DEVICE_CHECK("Device::setVertexArrayObject");
    if (object->indexSize() == 2) {
        indexType_ = GL_UNSIGNED_SHORT;
        indexSize_ = 2;
    } else {
        indexType_ = GL_UNSIGNED_INT;
        indexSize_ = 4;
    }
}

void Device::setVertexBuffer(VertexBuffer* buffer) {
    currentVertexBuffer_ = buffer;
    if (!buffer) return;
    // Building a vertex array object leaves vertex array 0 bound, and a core
    // profile has no attribute state without one: the pointers go into the
    // default vertex array unless an object is current.
    if (!currentVertexArray_) defaultVertexArray_->bind();
    buffer->bind();
    if (!currentProgram_) return;
    for (int32_t i = 0; i < buffer->slotCount(); ++i) {
        const AttributeSlot& slot = buffer->slot(i);
        const AttributeInfo* input = currentProgram_->findAttribute(attributeSemanticName(slot.semantic));
        if (!input || input->location < 0) continue;
        auto location = static_cast<GLuint>(input->location);
        glVertexAttribPointer(location, input->count, input->type, GL_FALSE, buffer->stride(),
                              reinterpret_cast<const void*>(static_cast<intptr_t>(slot.offset)));
        DEVICE_CHECK("Device::setVertexBuffer");
        glEnableVertexAttribArray(location);
        DEVICE_CHECK("Device::setVertexBuffer");
    }
}

void Device::setSampler(const std::string& name, Texture* texture) {
    if (!samplerBindingEnabled || !currentProgram_ || !texture) return;
    SamplerMap& samplers = currentProgram_->samplerMap();
    auto found = samplers.find(name);
    // An undeclared name goes to unit 0, and stays known from now on.
    if (found == samplers.end()) found = samplers.emplace(name, SamplerInfo{0, 0}).first;
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(found->second.unit));
    DEVICE_CHECK("Device::setSampler");
    texture->bind();
}

void Device::unbindSamplerSet() {
    if (!currentSamplerSet_) return;
    for (const SamplerSet::Entry& entry : currentSamplerSet_->entries()) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(entry.unit));
        checkGLError(__LINE__, "UnbindSampler::operator ()", kSource);
        glBindTexture(entry.texture->glTarget(), 0);
        checkGLError(__LINE__, "UnbindSampler::operator ()", kSource);
    }
    currentSamplerSet_.reset();
}

void Device::setSamplerSet(SamplerSet* set) {
    if (!samplerBindingEnabled) return;
    unbindSamplerSet();
    currentSamplerSet_ = set;
    if (!set) return;
    for (const SamplerSet::Entry& entry : set->entries()) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(entry.unit));
        checkGLError(__LINE__, "BindSampler::operator ()", kSource);
        glBindTexture(entry.texture->glTarget(), entry.texture->glName());
        checkGLError(__LINE__, "BindSampler::operator ()", kSource);
    }
}

void Device::beginTransformFeedback(Query* query, VertexBuffer* buffer) {
    transformFeedbackBuffer_ = buffer;
    glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffer ? buffer->glName() : 0);
    DEVICE_CHECK("Device::beginTransformFeedback");
    // Capture always records points.
    glBeginTransformFeedback(GL_POINTS);
    DEVICE_CHECK("Device::beginTransformFeedback");
    if (query) query->begin();
    transformFeedbackActive_ = true;
}

void Device::endTransformFeedback(Query* query) {
    glEndTransformFeedback();
    DEVICE_CHECK("Device::endTransformFeedback");
    if (query) query->end();
    glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, 0);
    DEVICE_CHECK("Device::endTransformFeedback");
    transformFeedbackBuffer_.reset();
    transformFeedbackActive_ = false;
}

void Device::setClearColor(float r, float g, float b, float a) {
    glClearColor(r, g, b, a);
    DEVICE_CHECK("Device::setClearColor");
}

void Device::setClearDepth(double depth) {
    glClearDepth(depth);
    DEVICE_CHECK("Device::setClearDepth");
}

void Device::setClearStencil(int32_t stencil) {
    glClearStencil(stencil);
    DEVICE_CHECK("Device::setClearStencil");
}

void Device::clear(GLbitfield mask) {
    glClear(mask);
    DEVICE_CHECK("Device::clear");
}

void Device::clearColorBuffer(int32_t drawBuffer, float r, float g, float b, float a) {
    const GLfloat rgba[4] = {r, g, b, a};
    glClearBufferfv(GL_COLOR, drawBuffer, rgba);
    DEVICE_CHECK("Device::clearColorBuffer");
}

void Device::clearDepthStencilBuffer(float depth, int32_t stencil) {
    glClearBufferfi(GL_DEPTH_STENCIL, 0, depth, stencil);
    DEVICE_CHECK("Device::clearDepthStencilBuffer");
}

void Device::drawArrays(PrimitiveType type, int32_t first, int32_t count) {
    glDrawArrays(primitiveTypeToGL(type), first, count);
    DEVICE_CHECK("Device::drawArrays");
}

void Device::drawRangeElements(PrimitiveType type, uint32_t start, uint32_t end, int32_t count,
                               int32_t firstIndex) {
    const auto offset = static_cast<intptr_t>(firstIndex) * indexSize_;
    glDrawRangeElements(primitiveTypeToGL(type), start, end, count, indexType_,
                        reinterpret_cast<const void*>(offset));
    DEVICE_CHECK("Device::drawRangeElements");
}

void Device::drawElementsInstanced(PrimitiveType type, int32_t count, int32_t firstIndex, int32_t instances) {
    const auto offset = static_cast<intptr_t>(firstIndex) * indexSize_;
    glDrawElementsInstanced(primitiveTypeToGL(type), count, indexType_, reinterpret_cast<const void*>(offset),
                            instances);
    DEVICE_CHECK("Device::drawElementsInstanced");
}

void Device::disableRasterization() {
    rasterizerDiscard_ = true;
    glEnable(GL_RASTERIZER_DISCARD);
    DEVICE_CHECK("Device::disableRasterization");
}

void Device::enableRasterization() {
    rasterizerDiscard_ = false;
    glDisable(GL_RASTERIZER_DISCARD);
    DEVICE_CHECK("Device::enableRasterization");
}

void Device::programPointSize(bool enabled) {
    if (enabled == programPointSizeEnabled_) return;
    setEnabled(GL_PROGRAM_POINT_SIZE, enabled);
    DEVICE_CHECK("Device::programPointSize");
    programPointSizeEnabled_ = enabled;
}

void Device::resetDevice() {
    setBlendState(BlendState());
    setDepthStencilState(DepthStencilState());
    setRasterizerState(RasterizerState());

    for (auto& m : matrices4_) std::memcpy(m, kIdentity4, sizeof(kIdentity4));
    for (auto& m : matrices3_) std::memcpy(m, kIdentity3, sizeof(kIdentity3));

    if (currentProgram_) {
        disableProgramAttributes();
        currentProgram_->unbind();
        currentProgram_.reset();
    }
    if (currentVertexBuffer_) {
        glBindBuffer(currentVertexBuffer_->glTarget(), 0);
        DEVICE_CHECK("Device::resetDevice");
        currentVertexBuffer_.reset();
    }
    if (currentVertexArray_) {
        glBindVertexArray(0);
        DEVICE_CHECK("Device::resetDevice");
        currentVertexArray_.reset();
        defaultVertexArray_->bind();
    }
    unbindSamplerSet();

    rasterizerDiscard_ = false;
    glDisable(GL_RASTERIZER_DISCARD);
    DEVICE_CHECK("Device::setRasterizerDiscard");
    if (programPointSizeEnabled_) {
        glDisable(GL_PROGRAM_POINT_SIZE);
        DEVICE_CHECK("Device::resetDevice");
        programPointSizeEnabled_ = false;
    }
    samplerBindingEnabled = true;
    programBindingEnabled = true;
    transformFeedbackActive_ = false;
    glEnable(GL_CULL_FACE);
    DEVICE_CHECK("Device::resetDevice");
}

}  // namespace ember
