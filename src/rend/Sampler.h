#pragma once
#include <GL/glew.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/Object.h"
#include "rend/CompareFunc.h"
#include "rend/Texture.h"

namespace ember {

class Program;

// Parameters of a sampler object.
struct SamplerState {
    TextureFilter magFilter = TextureFilter::Linear;
    TextureFilter minFilter = TextureFilter::Linear;
    TextureWrap wrapS = TextureWrap::Repeat;
    TextureWrap wrapT = TextureWrap::Repeat;
    TextureWrap wrapR = TextureWrap::Repeat;
    CompareMode compareMode = CompareMode::None;
    CompareFunc compareFunc = CompareFunc::LessEqual;
    float minLod = -1000.0f;
    float maxLod = 1000.0f;
    float lodBias = 0.0f;
    float borderColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

// A GL sampler object; bound to a unit it overrides the texture's own parameters.
// Programs own them (Program::attachSampler).
class Sampler : public Object {
public:
    Sampler() = default;
    ~Sampler() override;

    // Generates the GL name (keeping the default state). Returns false when it already exists.
    bool create();
    // Copies state and sets every parameter on the GL object, without comparing.
    void setSamplerState(const SamplerState& state);
    void destroy();

    const SamplerState& samplerState() const { return state_; }
    GLuint glName() const { return glName_; }

private:
    SamplerState state_;
    GLuint glName_ = 0;
};

// An ordered list of textures with the texture units they go to; the device
// binds a whole set at once.
class SamplerSet : public Object {
public:
    struct Entry {
        Ref<Texture> texture;
        int32_t unit = 0;
    };

    // Appends (texture, unit); a null texture is ignored.
    void add(Texture* texture, int32_t unit);
    void clear() { entries_.clear(); }

    const std::vector<Entry>& entries() const { return entries_; }
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

private:
    std::vector<Entry> entries_;
};

// Fills a sampler set by sampler name, taking the units from a program.
class SamplerSetBuilder {
public:
    SamplerSetBuilder();
    ~SamplerSetBuilder();

    // Stores program and starts a new, empty set.
    void setProgram(Program* program);

    // Appends texture on the unit the program assigned to samplerName. Returns
    // false when there is no program, texture or set; when the program lacks the
    // sampler it logs "\t<program>: missing texture sampler <name>" and returns
    // false, leaving the set unchanged.
    bool addTexture(Texture* texture, const std::string& samplerName);
    // Same with a texture looked up by its registered name; false (logged) when
    // no texture is registered under textureName.
    bool addTexture(const std::string& textureName, const std::string& samplerName);

    Program* program() const { return program_.get(); }
    const Ref<SamplerSet>& samplerSet() const { return set_; }

private:
    Ref<Program> program_;
    Ref<SamplerSet> set_;
};

}  // namespace ember
