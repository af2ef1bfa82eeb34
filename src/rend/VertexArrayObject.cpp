#include "rend/VertexArrayObject.h"

#include "rend/BufferObject.h"
#include "rend/DeviceError.h"
#include "rend/Program.h"

namespace ember {

namespace {
const char* const kSource = "src/rend/VertexArrayObject";
const char* const kBuild = "VertexArrayObjectBuilder::buildVertexArrayObject";
}  // namespace

VertexArrayObject::~VertexArrayObject() {
    destroy();
}

bool VertexArrayObject::create() {
    if (glName_ != 0) return false;
    glGenVertexArrays(1, &glName_);
    checkGLError(__LINE__, "VertexArrayObject::create", kSource);
    return true;
}

void VertexArrayObject::destroy() {
    if (glName_ == 0) return;
    glDeleteVertexArrays(1, &glName_);
    checkGLError(__LINE__, "VertexArrayObject::destroy", kSource);
    glName_ = 0;
}

void VertexArrayObject::bind() {
    glBindVertexArray(glName_);
    checkGLError(__LINE__, "VertexArrayObject::bind", kSource);
}

void VertexArrayObject::unbind() {
    glBindVertexArray(0);
    checkGLError(__LINE__, "VertexArrayObject::unbind", kSource);
}

Ref<VertexArrayObject> VertexArrayObjectBuilder::buildVertexArrayObject(Program* program,
                                                                        VertexBuffer* vertexBuffer,
                                                                        IndexBuffer* indexBuffer) {
    if (!program || !vertexBuffer) return Ref<VertexArrayObject>();

    Ref<VertexArrayObject> vao(new VertexArrayObject());
    vao->create();
    glBindVertexArray(vao->glName());
    checkGLError(__LINE__, kBuild, kSource);

    vertexBuffer->bind();
    const int32_t slotCount = vertexBuffer->slotCount();
    for (int32_t i = 0; i < slotCount; ++i) {
        const AttributeSlot& slot = vertexBuffer->slot(i);
        const AttributeInfo* attribute = program->findAttribute(attributeSemanticName(slot.semantic));
        if (!attribute || attribute->location < 0) continue;
        glVertexAttribPointer(static_cast<GLuint>(attribute->location), attribute->count, attribute->type,
                              GL_FALSE, vertexBuffer->stride(),
                              reinterpret_cast<const void*>(static_cast<intptr_t>(slot.offset)));
        checkGLError(__LINE__, kBuild, kSource);
        glEnableVertexAttribArray(static_cast<GLuint>(attribute->location));
        checkGLError(__LINE__, kBuild, kSource);
    }

    if (indexBuffer) {
        // Binding the element buffer while the vertex array is bound records it there.
        indexBuffer->bind();
        if (indexBuffer->indexSize() == 2 || indexBuffer->indexSize() == 4)
            vao->setIndexSize(indexBuffer->indexSize());
    }

    glBindVertexArray(0);
    checkGLError(__LINE__, kBuild, kSource);

    // The arrays enabled above are recorded in the new object only. Disabling them
    // again now would address vertex array 0, which a core context does not have
    // (GL_INVALID_OPERATION), so the current binding is simply left at 0.

    vertexBuffer->unbind();
    if (indexBuffer) indexBuffer->unbind();
    return vao;
}

}  // namespace ember
