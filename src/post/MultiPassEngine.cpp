#include "post/MultiPassEngine.h"

#include "application/Logger.h"
#include "post/FullScreenQuad.h"
#include "rend/BufferObject.h"
#include "rend/Device.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Sampler.h"
#include "rend/VertexArrayObject.h"

namespace ember {

namespace {
// The effects' process-wide quad. Held here and by every initiated effect; the
// last effect to let go releases it, so it never outlives the GL context.
Ref<VertexBuffer>& effectQuad() {
    static Ref<VertexBuffer>* holder = new Ref<VertexBuffer>();
    return *holder;
}
}  // namespace

MultiPassEngine::MultiPassEngine(Program* program) : program_(program) {}

MultiPassEngine::~MultiPassEngine() {
    // The program goes before the quad, in the order the effects always let go.
    program_.reset();
    MultiPassEngine::terminate();
}

bool MultiPassEngine::initiate(Framebuffer* tempTarget, Framebuffer* target) {
    if (!tempTarget || !target) {
        Logger::instance().writeLine("MultiPassEngine::initiate() missing render target");
        return false;
    }
    tempTarget_ = tempTarget;
    target_ = target;
    if (!effectQuad()) effectQuad() = FullScreenQuad::create();
    quadBuffer_ = effectQuad();
    return true;
}

bool MultiPassEngine::initiateWithProgram(Framebuffer* tempTarget, Framebuffer* target, const char* owner,
                                          const char* programName) {
    if (!MultiPassEngine::initiate(tempTarget, target)) return false;
    return buildQuadVertexArray(program_.get(), owner, programName);
}

void MultiPassEngine::terminate() {
    tempTarget_.reset();
    target_.reset();
    quadBuffer_.reset();
    quadVertexArray_.reset();
    Ref<VertexBuffer>& shared = effectQuad();
    if (shared && shared->refCount() == 1) shared.reset();
}

VertexBuffer* MultiPassEngine::sharedQuad() {
    return effectQuad().get();
}

bool MultiPassEngine::buildQuadVertexArray(Program* program, const char* owner, const char* programName) {
    if (!program) {
        Logger::instance().writeFormatted("%s() unable to find shader: %s", owner, programName);
        return false;
    }
    if (!quadBuffer_) {
        Logger::instance().writeFormatted("%s() without the effect quad", owner);
        return false;
    }
    quadVertexArray_ = VertexArrayObjectBuilder::buildVertexArrayObject(program, quadBuffer_.get(), nullptr);
    if (!quadVertexArray_) {
        Logger::instance().writeFormatted("%s() unable to build the quad for %s", owner, programName);
        return false;
    }
    return true;
}

void MultiPassEngine::drawQuad(Device* device) {
    device->setVertexArrayObject(quadVertexArray_.get());
    device->drawArrays(PrimitiveType::TriangleStrip, 0, FullScreenQuad::VertexCount);
    device->setVertexArrayObject(nullptr);
}

void MultiPassEngine::texelSize(const Framebuffer* framebuffer, float texel[2]) {
    texel[0] = 1.0f / static_cast<float>(framebuffer->width());
    texel[1] = 1.0f / static_cast<float>(framebuffer->height());
}

}  // namespace ember
