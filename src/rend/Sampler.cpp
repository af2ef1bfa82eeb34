#include "rend/Sampler.h"

#include "application/Logger.h"
#include "rend/DeviceError.h"
#include "rend/Program.h"
#include "rend/Registry.h"

namespace ember {

namespace {
const char* const kSource = "src/rend/Sampler";
}

Sampler::~Sampler() {
    destroy();
}

bool Sampler::create() {
    if (glName_ != 0) return false;
    state_ = SamplerState();
    glGenSamplers(1, &glName_);
    checkGLError(__LINE__, "Sampler::create", kSource);
    return true;
}

void Sampler::setSamplerState(const SamplerState& state) {
    state_ = state;
    const char* const function = "Sampler::setSamplerState";
    auto parameteri = [this, function](GLenum name, GLenum value) {
        glSamplerParameteri(glName_, name, static_cast<GLint>(value));
        checkGLError(__LINE__, function, kSource);
    };
    auto parameterf = [this, function](GLenum name, float value) {
        glSamplerParameterf(glName_, name, value);
        checkGLError(__LINE__, function, kSource);
    };
    parameteri(GL_TEXTURE_MAG_FILTER, textureFilterToGL(state.magFilter));
    parameteri(GL_TEXTURE_MIN_FILTER, textureFilterToGL(state.minFilter));
    parameteri(GL_TEXTURE_WRAP_S, textureWrapToGL(state.wrapS));
    parameteri(GL_TEXTURE_WRAP_T, textureWrapToGL(state.wrapT));
    parameteri(GL_TEXTURE_WRAP_R, textureWrapToGL(state.wrapR));
    parameteri(GL_TEXTURE_COMPARE_MODE, compareModeToGL(state.compareMode));
    parameteri(GL_TEXTURE_COMPARE_FUNC, compareFuncToGL(state.compareFunc));
    glSamplerParameterfv(glName_, GL_TEXTURE_BORDER_COLOR, state.borderColor);
    checkGLError(__LINE__, function, kSource);
    parameterf(GL_TEXTURE_MIN_LOD, state.minLod);
    parameterf(GL_TEXTURE_MAX_LOD, state.maxLod);
    parameterf(GL_TEXTURE_LOD_BIAS, state.lodBias);
}

void Sampler::destroy() {
    if (glName_ == 0) return;
    glDeleteSamplers(1, &glName_);
    checkGLError(__LINE__, "Sampler::destroy", kSource);
    glName_ = 0;
}

void SamplerSet::add(Texture* texture, int32_t unit) {
    if (!texture) return;
    Entry entry;
    entry.texture = texture;
    entry.unit = unit;
    entries_.push_back(std::move(entry));
}

SamplerSetBuilder::SamplerSetBuilder() = default;
SamplerSetBuilder::~SamplerSetBuilder() = default;

void SamplerSetBuilder::setProgram(Program* program) {
    program_ = program;
    set_ = new SamplerSet();
}

bool SamplerSetBuilder::addTexture(Texture* texture, const std::string& samplerName) {
    if (!program_ || !texture || !set_) return false;
    const SamplerInfo* sampler = program_->findSampler(samplerName);
    if (!sampler) {
        Logger::instance().writeFormatted("\t%s: missing texture sampler %s", program_->name().c_str(),
                                          samplerName.c_str());
        return false;
    }
    set_->add(texture, sampler->unit);
    return true;
}

bool SamplerSetBuilder::addTexture(const std::string& textureName, const std::string& samplerName) {
    Ref<Texture> texture = TextureRegistry::instance().get(textureName);
    if (!texture) {
        Logger::instance().writeFormatted("\t%s: missing texture %s",
                                          program_ ? program_->name().c_str() : "", textureName.c_str());
        return false;
    }
    return addTexture(texture.get(), samplerName);
}

}  // namespace ember
