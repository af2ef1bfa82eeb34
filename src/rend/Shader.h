#pragma once
#include <GL/glew.h>

#include <cstdint>
#include <string>

#include "core/Object.h"

namespace ember {

enum class ShaderStage : int32_t { Vertex, Fragment, Geometry, TessControl, TessEvaluation, Compute };

// GL constant of a stage; GL_VERTEX_SHADER outside the enumeration.
GLenum shaderStageToGL(ShaderStage stage);

// The source of one shader stage. Compiled on first use by a program and
// shareable between programs.
class Shader : public Object {
public:
    explicit Shader(ShaderStage stage, const std::string& name = std::string());
    ~Shader() override;

    // Compiles source. The info log is written to the log in both outcomes when
    // the driver gives one. On failure the GL shader is deleted (glName 0) and
    // false returned.
    bool compile();
    // Deletes the GL shader if there is one.
    void destroy();

    // The path the source was loaded from; used in messages.
    const std::string& name() const { return name_; }
    void setName(const std::string& name) { name_ = name; }
    // The source after include expansion: what is compiled.
    const std::string& source() const { return source_; }
    void setSource(const std::string& source) { source_ = source; }
    // The source as read from the file.
    const std::string& unexpandedSource() const { return unexpandedSource_; }
    void setUnexpandedSource(const std::string& source) { unexpandedSource_ = source; }
    ShaderStage stage() const { return stage_; }
    GLuint glName() const { return glName_; }
    bool isCompiled() const { return glName_ != 0; }

private:
    std::string name_;
    std::string source_;
    std::string unexpandedSource_;
    ShaderStage stage_;
    GLuint glName_ = 0;
};

}  // namespace ember
