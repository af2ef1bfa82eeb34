#pragma once
#include <GL/glew.h>

#include <cstdint>

#include "core/Object.h"

namespace ember {

enum class QueryTarget : int32_t {
    PrimitivesGenerated,
    TransformFeedbackPrimitivesWritten,
    SamplesPassed,
    AnySamplesPassed,
    TimeElapsed,
};

// GL constant of a query target; GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN outside the enumeration.
GLenum queryTargetToGL(QueryTarget target);

// A GL query object. The device begins and ends it around transform feedback;
// the result is valid once the measured work has ended.
class Query : public Object {
public:
    explicit Query(QueryTarget target = QueryTarget::TransformFeedbackPrimitivesWritten) : target_(target) {}
    ~Query() override;

    // Generates the GL name. Returns false when it already exists.
    bool create();
    // Deletes the GL name and clears the ended flag.
    void destroy();

    // glBeginQuery on the query's target; clears the ended flag.
    void begin();
    // glEndQuery on the query's target; sets the ended flag.
    void end();

    // Waits for and returns the query's result (GL_QUERY_RESULT); also stored.
    uint32_t getResult();

    QueryTarget target() const { return target_; }
    GLenum glTarget() const { return queryTargetToGL(target_); }
    GLuint glName() const { return glName_; }
    uint32_t result() const { return result_; }
    bool ended() const { return ended_; }

private:
    QueryTarget target_;
    GLuint glName_ = 0;
    uint32_t result_ = 0;
    bool ended_ = false;
};

}  // namespace ember
