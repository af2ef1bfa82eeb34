#pragma once
#include <string>

#include "loaders/Loader.h"
#include "rend/Shader.h"

namespace ember {

// Reads GLSL stage files and expands their "#include <name>" directives with
// the text of includeDirectory + name, at any depth.
class ShaderLoader : public Loader {
public:
    // Includes nested deeper than this are refused, as is expanded text larger
    // than MaxSourceBytes (a few files including each other twice each would
    // otherwise grow without bound).
    static constexpr int MaxIncludeDepth = 32;
    static constexpr size_t MaxSourceBytes = size_t(16) << 20;
    // Include directives expanded for one stage, all depths together: small
    // files that include each other many times would otherwise take
    // exponential time before the source size limit is reached. Each file is
    // read once per stage however often it is included.
    static constexpr int MaxIncludeCount = 65536;

    explicit ShaderLoader(std::string includeDirectory = std::string())
        : Loader("vert:frag:geom:"), includeDirectory_(std::move(includeDirectory)) {}

    // Reads path, expands its includes and returns an uncompiled Shader named
    // path for stage. Null (one log line) for a missing or empty stage file
    // ("Unable to open shader '<path>' ") or include file ("<path> : Unable to
    // open shader include '<include path>' "), for a directive without ">",
    // for an include cycle, and for nesting or size beyond the limits.
    Ref<Shader> load(const std::string& path, ShaderStage stage);

    // The include expansion on its own: expands text (read from path, which is
    // used in messages) into expanded. False after one log line on failure.
    bool expandIncludes(const std::string& path, const std::string& text, std::string& expanded) const;

    // Reads a whole file as text, turning CRLF line ends into single newlines.
    // Empty text when the file cannot be opened.
    static std::string readTextFile(const std::string& path);

    const std::string& includeDirectory() const { return includeDirectory_; }
    void setIncludeDirectory(const std::string& directory) { includeDirectory_ = directory; }

private:
    std::string includeDirectory_;
};

}  // namespace ember
