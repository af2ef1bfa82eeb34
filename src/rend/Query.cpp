#include "rend/Query.h"

#include "rend/DeviceError.h"

namespace ember {

namespace {
const char* const kSource = "src/rend/Query";
}

GLenum queryTargetToGL(QueryTarget target) {
    static const GLenum table[] = {GL_PRIMITIVES_GENERATED, GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN,
                                   GL_SAMPLES_PASSED, GL_ANY_SAMPLES_PASSED, GL_TIME_ELAPSED};
    auto i = static_cast<uint32_t>(target);
    return i < 5 ? table[i] : GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN;
}

Query::~Query() {
    destroy();
}

bool Query::create() {
    if (glName_ != 0) return false;
    glGenQueries(1, &glName_);
    checkGLError(__LINE__, "Query::create", kSource);
    return true;
}

void Query::destroy() {
    ended_ = false;
    if (glName_ == 0) return;
    glDeleteQueries(1, &glName_);
    checkGLError(__LINE__, "Query::destroy", kSource);
    glName_ = 0;
}

void Query::begin() {
    ended_ = false;
    glBeginQuery(glTarget(), glName_);
    checkGLError(__LINE__, "Query::begin", kSource);
}

void Query::end() {
    glEndQuery(glTarget());
    checkGLError(__LINE__, "Query::end", kSource);
    ended_ = true;
}

uint32_t Query::getResult() {
    GLuint value = 0;
    glGetQueryObjectuiv(glName_, GL_QUERY_RESULT, &value);
    checkGLError(__LINE__, "Query::getResult", kSource);
    result_ = value;
    return result_;
}

}  // namespace ember
