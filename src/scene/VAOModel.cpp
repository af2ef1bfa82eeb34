#include "scene/VAOModel.h"

#include "rend/Device.h"
#include "rend/VertexArrayObject.h"
#include "scene/StateSet.h"

namespace ember {

VAOModel::VAOModel(VertexArrayObject* vertexArray) : vertexArray_(vertexArray) {}

VAOModel::~VAOModel() = default;

void VAOModel::apply(StateSet& context) {
    if (context.device()) context.device()->setVertexArrayObject(vertexArray_.get());
}

void VAOModel::unapply(StateSet& context) {
    if (context.device()) context.device()->setVertexArrayObject(nullptr);
}

}  // namespace ember
