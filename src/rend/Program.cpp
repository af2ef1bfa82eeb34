#include "rend/Program.h"

#include <algorithm>

#include "application/Logger.h"
#include "rend/DeviceError.h"
#include "rend/StandardMatrices.h"

namespace ember {

namespace {
const char* const kSource = "src/rend/Program";
const char* const kCompile = "Program::compile";
const char* const kPopulate = "Program::populateMaps";

enum ShaderSlot { VertexSlot, FragmentSlot, GeometrySlot, TessControlSlot, TessEvaluationSlot, ComputeSlot };

// Every sampler and image type of OpenGL 4.2 except the cube-map-array ones.
bool isSamplerType(GLenum type) {
    switch (type) {
        case GL_SAMPLER_1D:
        case GL_SAMPLER_2D:
        case GL_SAMPLER_3D:
        case GL_SAMPLER_CUBE:
        case GL_SAMPLER_1D_SHADOW:
        case GL_SAMPLER_2D_SHADOW:
        case GL_SAMPLER_1D_ARRAY:
        case GL_SAMPLER_2D_ARRAY:
        case GL_SAMPLER_1D_ARRAY_SHADOW:
        case GL_SAMPLER_2D_ARRAY_SHADOW:
        case GL_SAMPLER_2D_MULTISAMPLE:
        case GL_SAMPLER_2D_MULTISAMPLE_ARRAY:
        case GL_SAMPLER_CUBE_SHADOW:
        case GL_SAMPLER_BUFFER:
        case GL_SAMPLER_2D_RECT:
        case GL_SAMPLER_2D_RECT_SHADOW:
        case GL_INT_SAMPLER_1D:
        case GL_INT_SAMPLER_2D:
        case GL_INT_SAMPLER_3D:
        case GL_INT_SAMPLER_CUBE:
        case GL_INT_SAMPLER_1D_ARRAY:
        case GL_INT_SAMPLER_2D_ARRAY:
        case GL_INT_SAMPLER_2D_MULTISAMPLE:
        case GL_INT_SAMPLER_2D_MULTISAMPLE_ARRAY:
        case GL_INT_SAMPLER_BUFFER:
        case GL_INT_SAMPLER_2D_RECT:
        case GL_UNSIGNED_INT_SAMPLER_1D:
        case GL_UNSIGNED_INT_SAMPLER_2D:
        case GL_UNSIGNED_INT_SAMPLER_3D:
        case GL_UNSIGNED_INT_SAMPLER_CUBE:
        case GL_UNSIGNED_INT_SAMPLER_1D_ARRAY:
        case GL_UNSIGNED_INT_SAMPLER_2D_ARRAY:
        case GL_UNSIGNED_INT_SAMPLER_2D_MULTISAMPLE:
        case GL_UNSIGNED_INT_SAMPLER_2D_MULTISAMPLE_ARRAY:
        case GL_UNSIGNED_INT_SAMPLER_BUFFER:
        case GL_UNSIGNED_INT_SAMPLER_2D_RECT:
        case GL_IMAGE_1D:
        case GL_IMAGE_2D:
        case GL_IMAGE_3D:
        case GL_IMAGE_2D_RECT:
        case GL_IMAGE_CUBE:
        case GL_IMAGE_BUFFER:
        case GL_IMAGE_1D_ARRAY:
        case GL_IMAGE_2D_ARRAY:
        case GL_IMAGE_2D_MULTISAMPLE:
        case GL_IMAGE_2D_MULTISAMPLE_ARRAY:
        case GL_INT_IMAGE_1D:
        case GL_INT_IMAGE_2D:
        case GL_INT_IMAGE_3D:
        case GL_INT_IMAGE_2D_RECT:
        case GL_INT_IMAGE_CUBE:
        case GL_INT_IMAGE_BUFFER:
        case GL_INT_IMAGE_1D_ARRAY:
        case GL_INT_IMAGE_2D_ARRAY:
        case GL_INT_IMAGE_2D_MULTISAMPLE:
        case GL_INT_IMAGE_2D_MULTISAMPLE_ARRAY:
        case GL_UNSIGNED_INT_IMAGE_1D:
        case GL_UNSIGNED_INT_IMAGE_2D:
        case GL_UNSIGNED_INT_IMAGE_3D:
        case GL_UNSIGNED_INT_IMAGE_2D_RECT:
        case GL_UNSIGNED_INT_IMAGE_CUBE:
        case GL_UNSIGNED_INT_IMAGE_BUFFER:
        case GL_UNSIGNED_INT_IMAGE_1D_ARRAY:
        case GL_UNSIGNED_INT_IMAGE_2D_ARRAY:
        case GL_UNSIGNED_INT_IMAGE_2D_MULTISAMPLE:
        case GL_UNSIGNED_INT_IMAGE_2D_MULTISAMPLE_ARRAY:
            return true;
        default:
            return false;
    }
}

// int, unsigned int, float, double, bool with their vector and matrix forms, and atomic counters.
bool isDataType(GLenum type) {
    switch (type) {
        case GL_FLOAT:
        case GL_FLOAT_VEC2:
        case GL_FLOAT_VEC3:
        case GL_FLOAT_VEC4:
        case GL_DOUBLE:
        case GL_DOUBLE_VEC2:
        case GL_DOUBLE_VEC3:
        case GL_DOUBLE_VEC4:
        case GL_INT:
        case GL_INT_VEC2:
        case GL_INT_VEC3:
        case GL_INT_VEC4:
        case GL_UNSIGNED_INT:
        case GL_UNSIGNED_INT_VEC2:
        case GL_UNSIGNED_INT_VEC3:
        case GL_UNSIGNED_INT_VEC4:
        case GL_BOOL:
        case GL_BOOL_VEC2:
        case GL_BOOL_VEC3:
        case GL_BOOL_VEC4:
        case GL_FLOAT_MAT2:
        case GL_FLOAT_MAT3:
        case GL_FLOAT_MAT4:
        case GL_FLOAT_MAT2x3:
        case GL_FLOAT_MAT2x4:
        case GL_FLOAT_MAT3x2:
        case GL_FLOAT_MAT3x4:
        case GL_FLOAT_MAT4x2:
        case GL_FLOAT_MAT4x3:
        case GL_DOUBLE_MAT2:
        case GL_DOUBLE_MAT3:
        case GL_DOUBLE_MAT4:
        case GL_DOUBLE_MAT2x3:
        case GL_DOUBLE_MAT2x4:
        case GL_DOUBLE_MAT3x2:
        case GL_DOUBLE_MAT3x4:
        case GL_DOUBLE_MAT4x2:
        case GL_DOUBLE_MAT4x3:
        case GL_UNSIGNED_INT_ATOMIC_COUNTER:
            return true;
        default:
            return false;
    }
}

// (base type, component count) of a uniform or vertex input; types outside the
// table keep their type and take the array size as count.
void convertType(GLenum type, GLint arraySize, GLenum& baseType, int32_t& count) {
    switch (type) {
        case GL_INT:
            baseType = GL_INT;
            count = 1;
            return;
        case GL_FLOAT:
            baseType = GL_FLOAT;
            count = 1;
            return;
        case GL_FLOAT_VEC2:
            baseType = GL_FLOAT;
            count = 2;
            return;
        case GL_FLOAT_VEC3:
            baseType = GL_FLOAT;
            count = 3;
            return;
        case GL_FLOAT_VEC4:
            baseType = GL_FLOAT;
            count = 4;
            return;
        case GL_INT_VEC2:
            baseType = GL_INT;
            count = 2;
            return;
        case GL_INT_VEC3:
            baseType = GL_INT;
            count = 3;
            return;
        case GL_INT_VEC4:
            baseType = GL_INT;
            count = 4;
            return;
        case GL_BOOL:
            baseType = GL_BOOL;
            count = 1;
            return;
        case GL_BOOL_VEC2:
            baseType = GL_BOOL;
            count = 2;
            return;
        case GL_BOOL_VEC3:
            baseType = GL_BOOL;
            count = 3;
            return;
        case GL_BOOL_VEC4:
            baseType = GL_BOOL;
            count = 4;
            return;
        case GL_FLOAT_MAT2:
            baseType = GL_FLOAT;
            count = 4;
            return;
        case GL_FLOAT_MAT3:
            baseType = GL_FLOAT;
            count = 9;
            return;
        case GL_FLOAT_MAT4:
            baseType = GL_FLOAT;
            count = 16;
            return;
        default:
            baseType = type;
            count = arraySize;
            return;
    }
}

// GL reports arrays as "name[0]"; the maps hold the bare name.
std::string mapKey(const std::string& name) {
    const size_t pos = name.rfind("[0]");
    return pos == std::string::npos ? name : name.substr(0, pos);
}
}  // namespace

GLenum transformFeedbackModeToGL(TransformFeedbackMode mode) {
    return mode == TransformFeedbackMode::Separate ? GL_SEPARATE_ATTRIBS : GL_INTERLEAVED_ATTRIBS;
}

Program::Program(const std::string& name) : name_(name) {}

Program::~Program() {
    destroy();
}

void Program::setShader(ShaderStage stage, Shader* shader) {
    auto i = static_cast<uint32_t>(stage);
    if (i < 6) shaders_[i] = shader;
}

Shader* Program::shader(ShaderStage stage) const {
    auto i = static_cast<uint32_t>(stage);
    return i < 6 ? shaders_[i].get() : nullptr;
}

bool Program::compileShader(Shader* shader) {
    if (!shader->compile()) return false;
    glAttachShader(glName_, shader->glName());
    checkGLError(__LINE__, kCompile, kSource);
    return true;
}

void Program::deleteProgram() {
    if (glName_ != 0) {
        glDeleteProgram(glName_);
        checkGLError(__LINE__, kCompile, kSource);
    }
    glName_ = 0;
    samplerMap_.clear();
    uniformMap_.clear();
    attributeMap_.clear();
    blockMap_.clear();
    usedMatrices_ = 0;
}

bool Program::compile(int32_t varyingCount, const char* const* varyings, TransformFeedbackMode mode) {
    Shader* vertex = shaders_[VertexSlot].get();
    Shader* tessControl = shaders_[TessControlSlot].get();
    Shader* tessEvaluation = shaders_[TessEvaluationSlot].get();
    Shader* compute = shaders_[ComputeSlot].get();
    if (!vertex && !tessControl && !tessEvaluation && !compute) {
        Logger::instance().writeLine(
            "You need to supply either a compute shader or tesselation control and eval shaders");
        return false;
    }

    // A program compiled again starts from a fresh GL object.
    deleteProgram();
    glName_ = glCreateProgram();
    checkGLError(__LINE__, kCompile, kSource);

    // Every failure below deletes the half-built GL program so nothing leaks.
    for (int slot : {VertexSlot, FragmentSlot, GeometrySlot}) {
        Shader* shader = shaders_[slot].get();
        if (!shader) continue;
        if (!shader->isCompiled() && !shader->compile()) {
            deleteProgram();
            return false;
        }
        glAttachShader(glName_, shader->glName());
        checkGLError(__LINE__, kCompile, kSource);
    }
    if (tessControl) {
        if (!tessEvaluation) {
            Logger::instance().writeLine("You need to supply a tesselation evaluation shader");
            deleteProgram();
            return false;
        }
        if (!compileShader(tessControl) || !compileShader(tessEvaluation)) {
            deleteProgram();
            return false;
        }
    }
    if (compute && !compileShader(compute)) {
        deleteProgram();
        return false;
    }

    const bool capture = varyingCount > 0 && varyings != nullptr;
    if (capture) {
        transformFeedbackVaryings(varyingCount, varyings, mode);
        // Nothing is drawn while the capture program links.
        glEnable(GL_RASTERIZER_DISCARD);
        checkGLError(__LINE__, kCompile, kSource);
    }
    auto endDiscard = [capture]() {
        if (!capture) return;
        glDisable(GL_RASTERIZER_DISCARD);
        checkGLError(__LINE__, kCompile, kSource);
    };

    glLinkProgram(glName_);
    checkGLError(__LINE__, kCompile, kSource);
    GLint linked = GL_FALSE;
    glGetProgramiv(glName_, GL_LINK_STATUS, &linked);
    checkGLError(__LINE__, kCompile, kSource);
    if (linked != GL_TRUE) {
        endDiscard();
        CheckObjectError(glName_, 183, name_.c_str());
        deleteProgram();
        return false;
    }

    populateMaps();

    glValidateProgram(glName_);
    checkGLError(__LINE__, kCompile, kSource);
    GLint valid = GL_FALSE;
    glGetProgramiv(glName_, GL_VALIDATE_STATUS, &valid);
    checkGLError(__LINE__, kCompile, kSource);
    endDiscard();
    if (valid != GL_TRUE) {
        CheckObjectError(glName_, 218, name_.c_str());
        deleteProgram();
        return false;
    }
    CheckObjectError(glName_, 224, name_.c_str());
    return true;
}

void Program::populateMaps() {
    const GLboolean isProgram = glIsProgram(glName_);
    checkGLError(__LINE__, kPopulate, kSource);
    if (!isProgram) return;
    glUseProgram(glName_);
    checkGLError(__LINE__, kPopulate, kSource);

    std::vector<GLchar> buffer;
    auto fitBuffer = [&buffer](GLint length) {
        const size_t size = static_cast<size_t>(std::max<GLint>(length, 32)) + 1;
        if (buffer.size() < size) buffer.resize(size);
    };

    // Uniforms and samplers.
    GLint uniformCount = 0;
    GLint maxLength = 0;
    glGetProgramiv(glName_, GL_ACTIVE_UNIFORMS, &uniformCount);
    checkGLError(__LINE__, kPopulate, kSource);
    glGetProgramiv(glName_, GL_ACTIVE_UNIFORM_MAX_LENGTH, &maxLength);
    checkGLError(__LINE__, kPopulate, kSource);
    fitBuffer(maxLength);
    for (GLint index = 0; index < uniformCount; ++index) {
        GLsizei length = 0;
        GLint size = 0;
        GLenum type = 0;
        buffer[0] = '\0';
        glGetActiveUniform(glName_, static_cast<GLuint>(index), static_cast<GLsizei>(buffer.size()), &length,
                           &size, &type, buffer.data());
        checkGLError(__LINE__, kPopulate, kSource);
        const std::string glNameText(buffer.data());
        const std::string key = mapKey(glNameText);

        if (isSamplerType(type)) {
            // Units follow GL's enumeration order and are fixed here once and for all.
            const auto unit = static_cast<int32_t>(samplerMap_.size());
            const GLint location = glGetUniformLocation(glName_, glNameText.c_str());
            checkGLError(__LINE__, kPopulate, kSource);
            glUniform1i(location, unit);
            checkGLError(__LINE__, kPopulate, kSource);
            if (samplerMap_.find(key) == samplerMap_.end()) samplerMap_.emplace(key, SamplerInfo{unit, type});
        } else if (isDataType(type)) {
            const GLint location = glGetUniformLocation(glName_, glNameText.c_str());
            checkGLError(__LINE__, kPopulate, kSource);
            UniformInfo info;
            convertType(type, size, info.type, info.count);
            const GLuint uniformIndex = static_cast<GLuint>(index);
            GLint blockIndex = -1;
            GLint offset = -1;
            glGetActiveUniformsiv(glName_, 1, &uniformIndex, GL_UNIFORM_BLOCK_INDEX, &blockIndex);
            checkGLError(__LINE__, kPopulate, kSource);
            glGetActiveUniformsiv(glName_, 1, &uniformIndex, GL_UNIFORM_OFFSET, &offset);
            checkGLError(__LINE__, kPopulate, kSource);
            if (blockIndex > -1 && offset > -1) {
                info.location = offset;
                info.blockIndex = blockIndex;
            } else {
                info.location = location;
                info.blockIndex = -1;
            }
            if (uniformMap_.find(key) == uniformMap_.end()) uniformMap_.emplace(key, info);
        }
    }

    // Vertex inputs.
    GLint attributeCount = 0;
    maxLength = 0;
    glGetProgramiv(glName_, GL_ACTIVE_ATTRIBUTES, &attributeCount);
    checkGLError(__LINE__, kPopulate, kSource);
    glGetProgramiv(glName_, GL_ACTIVE_ATTRIBUTE_MAX_LENGTH, &maxLength);
    checkGLError(__LINE__, kPopulate, kSource);
    fitBuffer(maxLength);
    for (GLint index = 0; index < attributeCount; ++index) {
        GLsizei length = 0;
        GLint size = 0;
        GLenum type = 0;
        buffer[0] = '\0';
        glGetActiveAttrib(glName_, static_cast<GLuint>(index), static_cast<GLsizei>(buffer.size()), &length,
                          &size, &type, buffer.data());
        checkGLError(__LINE__, kPopulate, kSource);
        const std::string attributeName(buffer.data());
        if (attributeName == "gl_InstanceID") continue;
        AttributeInfo info;
        convertType(type, size, info.type, info.count);
        info.location = glGetAttribLocation(glName_, attributeName.c_str());
        checkGLError(__LINE__, kPopulate, kSource);
        if (attributeMap_.find(attributeName) == attributeMap_.end())
            attributeMap_.emplace(attributeName, info);
    }

    // Uniform blocks, each bound to the binding point equal to its index.
    GLint blockCount = 0;
    maxLength = 0;
    glGetProgramiv(glName_, GL_ACTIVE_UNIFORM_BLOCKS, &blockCount);
    checkGLError(__LINE__, kPopulate, kSource);
    glGetProgramiv(glName_, GL_ACTIVE_UNIFORM_BLOCK_MAX_NAME_LENGTH, &maxLength);
    checkGLError(__LINE__, kPopulate, kSource);
    fitBuffer(maxLength);
    for (GLint index = 0; index < blockCount; ++index) {
        GLsizei length = 0;
        buffer[0] = '\0';
        glGetActiveUniformBlockName(glName_, static_cast<GLuint>(index), static_cast<GLsizei>(buffer.size()),
                                    &length, buffer.data());
        checkGLError(__LINE__, kPopulate, kSource);
        const std::string blockName(buffer.data());
        GLint dataSize = 0;
        glGetActiveUniformBlockiv(glName_, static_cast<GLuint>(index), GL_UNIFORM_BLOCK_DATA_SIZE, &dataSize);
        checkGLError(__LINE__, kPopulate, kSource);
        const GLuint blockIndex = glGetUniformBlockIndex(glName_, blockName.c_str());
        checkGLError(__LINE__, kPopulate, kSource);
        glUniformBlockBinding(glName_, blockIndex, blockIndex);
        checkGLError(__LINE__, kPopulate, kSource);
        if (blockMap_.find(blockName) == blockMap_.end())
            blockMap_.emplace(blockName, BlockInfo{static_cast<int32_t>(blockIndex), dataSize});
    }

    glUseProgram(0);
    checkGLError(__LINE__, kPopulate, kSource);

    usedMatrices_ = 0;
    for (int32_t i = 0; i < StandardMatrixCount; ++i) {
        const char* matrixName = standardMatrixName(i);
        if (uniformMap_.find(matrixName) != uniformMap_.end()) {
            usedMatrices_ |= 1u << i;
            continue;
        }
        const GLint location = glGetUniformLocation(glName_, matrixName);
        checkGLError(__LINE__, kPopulate, kSource);
        if (location >= 0)
            Logger::instance().writeFormatted("found missing uniform %s at location %d", matrixName,
                                              location);
    }
}

void Program::destroy() {
    if (glName_ != 0) {
        glDeleteProgram(glName_);
        checkGLError(__LINE__, "Program::destroy", kSource);
        glName_ = 0;
    }
    samplerMap_.clear();
    uniformMap_.clear();
    attributeMap_.clear();
    blockMap_.clear();
    usedMatrices_ = 0;
    samplers_.clear();
    samplerUnits_.clear();
    for (Ref<Shader>& shader : shaders_) shader.reset();
}

void Program::bind() {
    glUseProgram(glName_);
    checkGLError(__LINE__, "Program::bind", kSource);
    for (size_t i = 0; i < samplers_.size(); ++i) {
        glBindSampler(static_cast<GLuint>(samplerUnits_[i]), samplers_[i]->glName());
        checkGLError(__LINE__, "Sampler::bind", kSource);
    }
}

void Program::unbind() {
    for (size_t i = 0; i < samplers_.size(); ++i) {
        glBindSampler(static_cast<GLuint>(samplerUnits_[i]), 0);
        checkGLError(__LINE__, "Sampler::unbind", kSource);
    }
    glUseProgram(0);
    checkGLError(__LINE__, "Program::unbind", kSource);
}

const SamplerInfo* Program::findSampler(const std::string& name) const {
    auto found = samplerMap_.find(name);
    return found != samplerMap_.end() ? &found->second : nullptr;
}

const UniformInfo* Program::findUniform(const std::string& name) const {
    auto found = uniformMap_.find(name);
    return found != uniformMap_.end() ? &found->second : nullptr;
}

const AttributeInfo* Program::findAttribute(const std::string& name) const {
    auto found = attributeMap_.find(name);
    return found != attributeMap_.end() ? &found->second : nullptr;
}

void Program::setUniform1i(const std::string& name, int32_t value) {
    const UniformInfo* u = findUniform(name);
    if (!u) return;
    glUniform1i(u->location, value);
    checkGLError(__LINE__, "Program::setUniform1i", kSource, name_.c_str());
}

void Program::setUniform1f(const std::string& name, float x) {
    const UniformInfo* u = findUniform(name);
    if (!u) return;
    glUniform1f(u->location, x);
    checkGLError(__LINE__, "Program::setUniform1f", kSource, name_.c_str());
}

void Program::setUniform2f(const std::string& name, float x, float y) {
    const UniformInfo* u = findUniform(name);
    if (!u) return;
    glUniform2f(u->location, x, y);
    checkGLError(__LINE__, "Program::setUniform2f", kSource, name_.c_str());
}

void Program::setUniform3f(const std::string& name, float x, float y, float z) {
    const UniformInfo* u = findUniform(name);
    if (!u) return;
    glUniform3f(u->location, x, y, z);
    checkGLError(__LINE__, "Program::setUniform3f", kSource, name_.c_str());
}

void Program::setUniform4f(const std::string& name, float x, float y, float z, float w) {
    const UniformInfo* u = findUniform(name);
    if (!u) return;
    glUniform4f(u->location, x, y, z, w);
    checkGLError(__LINE__, "Program::setUniform4f", kSource, name_.c_str());
}

void Program::setUniform1fv(const std::string& name, int32_t count, const float* values) {
    const UniformInfo* u = findUniform(name);
    if (!u) return;
    glUniform1fv(u->location, count, values);
    checkGLError(__LINE__, "Program::setUniform1fv", kSource, name_.c_str());
}

void Program::setUniform2fv(const std::string& name, int32_t count, const float* values) {
    const UniformInfo* u = findUniform(name);
    if (!u) return;
    glUniform2fv(u->location, count, values);
    checkGLError(__LINE__, "Program::setUniform2fv", kSource, name_.c_str());
}

void Program::setUniform3fv(const std::string& name, int32_t count, const float* values) {
    const UniformInfo* u = findUniform(name);
    if (!u) return;
    glUniform3fv(u->location, count, values);
    checkGLError(__LINE__, "Program::setUniform3fv", kSource, name_.c_str());
}

void Program::setUniform4fv(const std::string& name, int32_t count, const float* values) {
    const UniformInfo* u = findUniform(name);
    if (!u) return;
    glUniform4fv(u->location, count, values);
    checkGLError(__LINE__, "Program::setUniform4fv", kSource, name_.c_str());
}

void Program::setUniformMatrix3fv(const std::string& name, const float* values) {
    const UniformInfo* u = findUniform(name);
    if (!u) return;
    glUniformMatrix3fv(u->location, 1, GL_TRUE, values);
    checkGLError(__LINE__, "Program::setUniformMatrix3fv", kSource, name_.c_str());
}

void Program::setUniformMatrix4fv(const std::string& name, const float* values) {
    const UniformInfo* u = findUniform(name);
    if (!u) return;
    glUniformMatrix4fv(u->location, 1, GL_TRUE, values);
    checkGLError(__LINE__, "Program::setUniformMatrix4fv", kSource, name_.c_str());
}

void Program::transformFeedbackVaryings(int32_t count, const char* const* names, TransformFeedbackMode mode) {
    glTransformFeedbackVaryings(glName_, count, names, transformFeedbackModeToGL(mode));
    checkGLError(__LINE__, "Program::transformFeedbackVaryings", kSource);
}

bool Program::attachSampler(const std::string& samplerName, const SamplerState& state) {
    const SamplerInfo* info = findSampler(samplerName);
    if (!info) return false;
    if (std::find(samplerUnits_.begin(), samplerUnits_.end(), info->unit) != samplerUnits_.end())
        return false;
    Ref<Sampler> sampler(new Sampler());
    sampler->create();
    sampler->setSamplerState(state);
    samplerUnits_.push_back(info->unit);
    samplers_.push_back(sampler);
    return true;
}

}  // namespace ember
