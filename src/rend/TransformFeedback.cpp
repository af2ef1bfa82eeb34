#include "rend/TransformFeedback.h"

#include "rend/DeviceError.h"

namespace ember {

namespace {
const char* const kSource = "src/rend/TransformFeedback";
}

TransformFeedback::~TransformFeedback() {
    destroy();
}

bool TransformFeedback::create() {
    if (glName_ != 0) return false;
    glGenTransformFeedbacks(1, &glName_);
    checkGLError(__LINE__, "TransformFeedback::create", kSource);
    return true;
}

void TransformFeedback::destroy() {
    if (glName_ == 0) return;
    glDeleteTransformFeedbacks(1, &glName_);
    checkGLError(__LINE__, "TransformFeedback::destroy", kSource);
    glName_ = 0;
}

}  // namespace ember
