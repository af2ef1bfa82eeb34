#pragma once
#include <GL/glew.h>

#include <cstdint>

#include "core/Object.h"

namespace ember {

class Program;
class VertexBuffer;
class IndexBuffer;

// A GL vertex array object with the index size of the index buffer it records
// (2 by default, 4 for 32-bit indices); the device takes its index type from it.
class VertexArrayObject : public Object {
public:
    VertexArrayObject() = default;
    ~VertexArrayObject() override;

    // Generates the GL name. Returns false when it already exists.
    bool create();
    void destroy();
    void bind();
    // Binds vertex array 0.
    void unbind();

    GLuint glName() const { return glName_; }
    int32_t indexSize() const { return indexSize_; }
    void setIndexSize(int32_t bytes) { indexSize_ = bytes; }

private:
    GLuint glName_ = 0;
    int32_t indexSize_ = 2;
};

// Connects a vertex buffer to a program's vertex inputs by semantic name.
class VertexArrayObjectBuilder {
public:
    // Builds a vertex array object recording the vertex buffer's attributes that
    // the program reads (matched by semantic name, location and type from the
    // program) and the index buffer, if one is given. Semantics the program
    // lacks are skipped. Returns null when the program or vertex buffer is null.
    // Leaves vertex array 0 and no array or element buffer bound.
    static Ref<VertexArrayObject> buildVertexArrayObject(Program* program, VertexBuffer* vertexBuffer,
                                                         IndexBuffer* indexBuffer);
};

}  // namespace ember
