#include "post/FullScreenQuad.h"

namespace ember {

Ref<VertexBuffer> FullScreenQuad::create() {
    static const float kVertices[VertexCount * 2] = {1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f};
    Ref<VertexBuffer> quad(new VertexBuffer());
    quad->setStride(8);
    quad->addAttribute(AttributeSemantic::Position, 0, 2);
    quad->create();
    quad->bind();
    quad->bufferData(BufferUsage::StaticDraw, sizeof(kVertices), kVertices);
    quad->unbind();
    return quad;
}

}  // namespace ember
