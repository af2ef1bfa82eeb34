#pragma once

#include <cstdint>

#include "core/Object.h"
#include "rend/BufferObject.h"
#include "rend/Query.h"
#include "rend/VertexArrayObject.h"

namespace ember {
class Device;
class Program;
}  // namespace ember

namespace qm {

// One particle of a flow system: position (x, y) in the flow part's 12 x 8 view, and two
// components (z, w) that belong to the advection program.
struct FlowParticle {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;
};

// The GPU state of one particle system: two buffers of `count` particles (16 bytes each) used
// in turn as source and transform-feedback target, a vertex array over each and one query per
// buffer counting what the advection wrote. `front` holds the newest state. Nothing is ever
// read back: advection and drawing both run from these buffers.
class FlowSolver2D : public ember::Object {
public:
    FlowSolver2D() = default;
    ~FlowSolver2D() override;

    // Stores count, sets front = 0 and back = 1, creates both queries and buffers (dynamic draw,
    // room for count particles; buffer front filled from particles, buffer back left
    // uninitialised) and builds a vertex array over each buffer for program. A count of 0 makes
    // empty buffers whose draws are of zero points. Returns false (logged) when program is null,
    // count is negative, particles is null while count > 0, or a GL object cannot be created.
    bool initiate(ember::Program* program, const FlowParticle* particles, int32_t count);

    // Releases the GL objects; the solver may be initiated again.
    void destroy();

    // One advection step with the advection program already bound and its uniforms set:
    // swaps front and back, captures into buffers[front] (counted by queries[front]) while
    // drawing the count particles of buffers[back] as points. Rasterisation is the caller's.
    void advect(ember::Device* device);

    // Draws the newest state (buffers[front]) as count points with the bound program, then binds
    // the default vertex array again: the device disables a program's inputs in the bound vertex
    // array when it switches programs, which would cut this system's arrays off its buffers.
    void draw(ember::Device* device);

    int32_t front() const { return front_; }
    int32_t back() const { return back_; }
    int32_t count() const { return count_; }
    ember::VertexBuffer* buffer(int32_t i) const { return buffers_[i & 1].get(); }
    ember::VertexArrayObject* vertexArray(int32_t i) const { return vertexArrays_[i & 1].get(); }
    ember::Query* query(int32_t i) const { return queries_[i & 1].get(); }

private:
    ember::Ref<ember::VertexBuffer> buffers_[2];
    ember::Ref<ember::VertexArrayObject> vertexArrays_[2];
    ember::Ref<ember::Query> queries_[2];
    int32_t front_ = 0;
    int32_t back_ = 1;
    int32_t count_ = 0;
};

}  // namespace qm
