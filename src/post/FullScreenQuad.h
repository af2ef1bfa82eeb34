#pragma once
#include "core/Object.h"
#include "rend/BufferObject.h"

namespace ember {

// The full-screen quad of the post-processing passes: four POSITION vertices
// (1, 1), (0, 1), (1, 0), (0, 0) of two floats (stride 8, 32 bytes of static
// data), drawn as a triangle strip. Positions run from 0 to 1; the vertex
// shaders map them to the screen and use them as texture coordinates.
class FullScreenQuad {
public:
    static constexpr int32_t VertexCount = 4;

    // Creates the GL buffer, uploads the vertices and leaves no array buffer
    // bound. Never null: buffer creation has no failure GL would report here.
    static Ref<VertexBuffer> create();
};

}  // namespace ember
