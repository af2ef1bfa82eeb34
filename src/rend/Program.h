#pragma once
#include <GL/glew.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/Object.h"
#include "rend/Sampler.h"
#include "rend/Shader.h"

namespace ember {

enum class TransformFeedbackMode : int32_t { Interleaved, Separate };

GLenum transformFeedbackModeToGL(TransformFeedbackMode mode);

// A sampler or image uniform and the texture unit it was given at link time.
struct SamplerInfo {
    int32_t unit = 0;
    GLenum type = 0;
};

// A data uniform: its location, or its byte offset inside a uniform block
// (blockIndex >= 0); base GL type and component count.
struct UniformInfo {
    int32_t location = -1;
    GLenum type = 0;
    int32_t count = 0;
    int32_t blockIndex = -1;
};

// An active vertex input.
struct AttributeInfo {
    int32_t location = -1;
    GLenum type = 0;
    int32_t count = 0;
};

// A uniform block, bound to the binding point equal to its index.
struct BlockInfo {
    int32_t index = -1;
    int32_t dataSize = 0;
};

using SamplerMap = std::unordered_map<std::string, SamplerInfo>;
using UniformMap = std::unordered_map<std::string, UniformInfo>;
using AttributeMap = std::unordered_map<std::string, AttributeInfo>;
using BlockMap = std::unordered_map<std::string, BlockInfo>;

// A linked GL program of up to six shaders, introspected at link time: its
// samplers (with texture units), uniforms, vertex inputs, uniform blocks and
// the standard matrices it declares. Uniforms are set by name; a name the
// program does not declare is skipped silently.
class Program : public Object {
public:
    explicit Program(const std::string& name = std::string());
    ~Program() override;

    // Shader of a stage (null clears it).
    void setShader(ShaderStage stage, Shader* shader);
    Shader* shader(ShaderStage stage) const;

    // Compiles the shaders, links and validates, then fills the maps. With
    // varyingCount > 0 and varyings given, the outputs are captured by transform
    // feedback (linked with rasterizer discard on, which is off again after).
    // Needs a vertex shader, a tessellation pair or a compute shader; a missing
    // piece is logged and refused. Every failure is logged and returns false.
    bool compile(int32_t varyingCount = 0, const char* const* varyings = nullptr,
                 TransformFeedbackMode mode = TransformFeedbackMode::Interleaved);
    // Deletes the GL program, clears the maps, releases the samplers and shaders.
    void destroy();

    // glUseProgram, then binds the sampler objects to their units.
    void bind();
    // Unbinds the sampler objects, then glUseProgram(0).
    void unbind();

    // Uniform setters; the program must be bound. Unknown names: no GL call, no message.
    void setUniform1i(const std::string& name, int32_t value);
    void setUniform1f(const std::string& name, float x);
    void setUniform2f(const std::string& name, float x, float y);
    void setUniform3f(const std::string& name, float x, float y, float z);
    void setUniform4f(const std::string& name, float x, float y, float z, float w);
    void setUniform1fv(const std::string& name, int32_t count, const float* values);
    void setUniform2fv(const std::string& name, int32_t count, const float* values);
    void setUniform3fv(const std::string& name, int32_t count, const float* values);
    void setUniform4fv(const std::string& name, int32_t count, const float* values);
    // 9 / 16 floats in the engine's row order, sent with transpose true.
    void setUniformMatrix3fv(const std::string& name, const float* values);
    void setUniformMatrix4fv(const std::string& name, const float* values);

    // glTransformFeedbackVaryings on the program (before linking).
    void transformFeedbackVaryings(int32_t count, const char* const* names, TransformFeedbackMode mode);

    // Creates a sampler object with state for the unit of samplerName. Returns
    // false when the program lacks the sampler or its unit already has one.
    bool attachSampler(const std::string& samplerName, const SamplerState& state);

    const std::string& name() const { return name_; }
    void setName(const std::string& name) { name_ = name; }
    GLuint glName() const { return glName_; }
    uint32_t usedMatrices() const { return usedMatrices_; }

    // The device adds undeclared sampler names (unit 0) to samplerMap.
    SamplerMap& samplerMap() { return samplerMap_; }
    const SamplerMap& samplerMap() const { return samplerMap_; }
    const UniformMap& uniformMap() const { return uniformMap_; }
    const AttributeMap& attributeMap() const { return attributeMap_; }
    const BlockMap& blockMap() const { return blockMap_; }
    const std::vector<Ref<Sampler>>& samplers() const { return samplers_; }
    const std::vector<int32_t>& samplerUnits() const { return samplerUnits_; }

    // Lookups; null when the program does not declare the name.
    const SamplerInfo* findSampler(const std::string& name) const;
    const UniformInfo* findUniform(const std::string& name) const;
    const AttributeInfo* findAttribute(const std::string& name) const;

private:
    bool compileShader(Shader* shader);
    void deleteProgram();
    void populateMaps();

    Ref<Shader> shaders_[6];
    SamplerMap samplerMap_;
    UniformMap uniformMap_;
    AttributeMap attributeMap_;
    BlockMap blockMap_;
    std::vector<Ref<Sampler>> samplers_;
    std::vector<int32_t> samplerUnits_;
    std::string name_;
    GLuint glName_ = 0;
    uint32_t usedMatrices_ = 0;
};

}  // namespace ember
