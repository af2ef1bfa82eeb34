#pragma once
#include "core/Object.h"
#include "rend/Device.h"
#include "rend/Sampler.h"
#include "scene/Material.h"
#include "scene/UniformsBuilder.h"

namespace ember {

class Program;

// Assembles a Material. Parts call begin, setProgram, then add textures
// through samplerBuilder (addTexture) and uniforms through uniformsBuilder,
// may call setDepthStencil or write the blend and rasterizer records (and
// their flags) into material() directly, and end with finish.
class MaterialBuilder {
public:
    MaterialBuilder();
    ~MaterialBuilder();

    // Stores the switches and creates a fresh material, dropping any previous
    // one. With a program already selected, restarts the sampler builder with it
    // (withSamplers) and starts a new uniforms result for it (withUniforms).
    void begin(bool withSamplers, bool withUniforms);
    // Sets the material's program (clearing pointSize, setting ProgramFlag for
    // a program and clearing it for null), remembers it and restarts the two
    // builders as begin does. Does nothing before begin.
    void setProgram(Program* program);
    // Copies state into the material and sets DepthStencilFlag. Does nothing
    // before begin.
    void setDepthStencil(const DepthStencilState& state);
    // Stores the sampler set (withSamplers) and the uniforms (withUniforms) in
    // the material, setting their flags when present and clearing them when
    // null. Returns the material (null before begin); it stays the builder's
    // until the next begin.
    Ref<Material> finish();

    Material* material() const { return material_.get(); }
    Program* program() const { return program_.get(); }

    bool withSamplers = false;
    bool withUniforms = false;
    SamplerSetBuilder samplerBuilder;
    UniformsBuilder uniformsBuilder;

private:
    void restartBuilders();

    Ref<Material> material_;
    Ref<Program> program_;
};

}  // namespace ember
