#include "FlowSolver2D.h"

#include <string>

#include "application/Logger.h"
#include "rend/Device.h"
#include "rend/Program.h"

namespace qm {

using namespace ember;

namespace {
const char* const kSource = "quillmoor/FlowSolver2D";

// Four floats per particle; the advection reads and writes exactly this record.
constexpr int32_t kParticleBytes = static_cast<int32_t>(sizeof(FlowParticle));
static_assert(sizeof(FlowParticle) == 16, "a particle is four packed floats");

// Far beyond any system the part builds (the largest is the 65,536-particle field), low enough
// that count * 16 bytes cannot overflow.
constexpr int32_t kMaxParticles = 1 << 24;
}  // namespace

FlowSolver2D::~FlowSolver2D() {
    destroy();
}

void FlowSolver2D::destroy() {
    for (int i = 1; i >= 0; --i) {
        vertexArrays_[i] = nullptr;
        buffers_[i] = nullptr;
        queries_[i] = nullptr;
    }
    count_ = 0;
    front_ = 0;
    back_ = 1;
}

bool FlowSolver2D::initiate(Program* program, const FlowParticle* particles, int32_t count) {
    if (!program || count < 0 || count > kMaxParticles || (count > 0 && !particles)) {
        Logger::instance().writeLocated(kSource, "FlowSolver2D::initiate", __LINE__,
                                        "Refused: program " +
                                            (program ? program->name() : std::string("missing")) + ", " +
                                            std::to_string(count) + " particles");
        return false;
    }
    destroy();
    count_ = count;
    front_ = 0;
    back_ = 1;
    const GLsizeiptr bytes = static_cast<GLsizeiptr>(count) * kParticleBytes;
    for (int i = 0; i < 2; ++i) {
        queries_[i] = new Query(QueryTarget::TransformFeedbackPrimitivesWritten);
        buffers_[i] = new VertexBuffer();
        if (!queries_[i]->create() || !buffers_[i]->create()) {
            Logger::instance().writeLocated(kSource, "FlowSolver2D::initiate", __LINE__,
                                            "Unable to create the particle buffers");
            destroy();
            return false;
        }
        buffers_[i]->setStride(kParticleBytes);
        buffers_[i]->addAttribute(AttributeSemantic::Position, 0, 4);
        // A zero-sized store is still a valid buffer, so empty systems draw and capture nothing.
        buffers_[i]->bufferData(BufferUsage::DynamicDraw, bytes,
                                i != back_ && count > 0 ? particles : nullptr);
        buffers_[i]->unbind();
        vertexArrays_[i] =
            VertexArrayObjectBuilder::buildVertexArrayObject(program, buffers_[i].get(), nullptr);
        if (!vertexArrays_[i]) {
            Logger::instance().writeLocated(kSource, "FlowSolver2D::initiate", __LINE__,
                                            "Unable to build the particle vertex array");
            destroy();
            return false;
        }
    }
    return true;
}

void FlowSolver2D::advect(Device* device) {
    if (!buffers_[0] || !device) return;
    const int32_t previous = front_;
    front_ = back_;
    back_ = previous;
    device->beginTransformFeedback(queries_[front_].get(), buffers_[front_].get());
    device->setVertexArrayObject(vertexArrays_[back_].get());
    device->drawArrays(PrimitiveType::Points, 0, count_);
    device->setVertexArrayObject(nullptr);
    device->endTransformFeedback(queries_[front_].get());
}

void FlowSolver2D::draw(Device* device) {
    if (!buffers_[0] || !device) return;
    device->setVertexArrayObject(vertexArrays_[front_].get());
    device->drawArrays(PrimitiveType::Points, 0, count_);
    device->setVertexArrayObject(nullptr);
}

}  // namespace qm
