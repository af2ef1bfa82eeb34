#pragma once
#include "scene/State.h"

namespace ember {

class VertexArrayObject;

// Binds a mesh's vertex array for the SubModel nodes below it. It does not
// remember what was bound before: leaving it always leaves the device's
// default vertex array bound, so VAOModel nodes are not nested.
class VAOModel : public State {
public:
    explicit VAOModel(VertexArrayObject* vertexArray);
    ~VAOModel() override;

    // setVertexArrayObject(vertexArray), which also takes its index type.
    void apply(StateSet& context) override;
    // setVertexArrayObject(null).
    void unapply(StateSet& context) override;

    VertexArrayObject* vertexArray() const { return vertexArray_.get(); }

private:
    Ref<VertexArrayObject> vertexArray_;
};

}  // namespace ember
