#pragma once
#include <GL/glew.h>

#include "core/Object.h"

namespace ember {

// A GL transform-feedback object. Capture itself does not bind it: the device
// binds the capture buffer to indexed binding 0.
class TransformFeedback : public Object {
public:
    TransformFeedback() = default;
    ~TransformFeedback() override;

    // Generates the GL name. Returns false when it already exists.
    bool create();
    void destroy();

    GLuint glName() const { return glName_; }

private:
    GLuint glName_ = 0;
};

}  // namespace ember
