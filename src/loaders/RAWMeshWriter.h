#pragma once
#include <ostream>

#include "loaders/RAWMeshLoader.h"

namespace ember {

// Writes mesh data in the packed format RAWMeshLoader reads: header, vertex
// block, index block, bins and, for skinned data, the skinning block. Tools
// build meshes through this so the layout has one writer beside its reader.
class RAWMeshWriter {
public:
    // Writes data. The vertex and index blocks must match their counts
    // (vertexCount x the stride of the flags, indexCount x indexSize); false
    // with one log line when they do not, or when the stream fails.
    static bool write(std::ostream& out, const RawMeshData& data);
};

}  // namespace ember
