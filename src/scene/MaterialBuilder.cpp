#include "scene/MaterialBuilder.h"

#include "rend/Program.h"

namespace ember {

MaterialBuilder::MaterialBuilder() = default;

MaterialBuilder::~MaterialBuilder() = default;

void MaterialBuilder::restartBuilders() {
    if (!program_) return;
    if (withSamplers) samplerBuilder.setProgram(program_.get());
    if (withUniforms) {
        uniformsBuilder.setProgram(program_.get());
        uniformsBuilder.begin();
    }
}

void MaterialBuilder::begin(bool samplers, bool uniforms) {
    withSamplers = samplers;
    withUniforms = uniforms;
    material_ = new Material();
    restartBuilders();
}

void MaterialBuilder::setProgram(Program* program) {
    if (!material_) return;
    material_->program = program;
    material_->pointSize = false;
    if (program)
        material_->flags |= Material::ProgramFlag;
    else
        material_->flags &= ~Material::ProgramFlag;
    program_ = program;
    restartBuilders();
}

void MaterialBuilder::setDepthStencil(const DepthStencilState& state) {
    if (material_) material_->setDepthStencil(state);
}

Ref<Material> MaterialBuilder::finish() {
    if (!material_) return material_;
    auto setFlag = [this](uint32_t bit, bool on) {
        if (on)
            material_->flags |= bit;
        else
            material_->flags &= ~bit;
    };
    if (withSamplers) {
        material_->samplers = samplerBuilder.samplerSet().get();
        setFlag(Material::SamplersFlag, bool(material_->samplers));
    }
    if (withUniforms) {
        material_->uniforms = uniformsBuilder.result().get();
        setFlag(Material::UniformsFlag, bool(material_->uniforms));
    }
    return material_;
}

}  // namespace ember
