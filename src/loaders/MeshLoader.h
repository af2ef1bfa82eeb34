#pragma once
#include <istream>
#include <string>

#include "loaders/Loader.h"
#include "loaders/Mesh.h"

namespace ember {

// Loaders that turn mesh files into GPU meshes.
class MeshLoader : public Loader {
public:
    explicit MeshLoader(std::string extensions) : Loader(std::move(extensions)) {}

    // Reads a mesh from a stream the caller opened; null (logged) on failure.
    virtual Ref<Mesh> loadMeshFromStream(std::istream& in) = 0;
    // Opens path and reads a mesh; null without a message when the file does
    // not open, null after a log line when it is damaged.
    virtual Ref<Mesh> loadMesh(const std::string& path) = 0;
    // A CPU-side copy of the mesh at path; null on failure.
    virtual Ref<SoftwareMesh> loadSoftwareMesh(const std::string& path) = 0;
};

}  // namespace ember
