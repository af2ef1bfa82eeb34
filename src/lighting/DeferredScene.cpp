#include "lighting/DeferredScene.h"

#include <algorithm>
#include <cmath>

#include "application/Logger.h"
#include "post/BlitEngine.h"
#include "post/MotionBlurEngine.h"
#include "post/SSAOEngine.h"
#include "rend/BufferObject.h"
#include "rend/Device.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Registry.h"
#include "rend/Sampler.h"
#include "rend/VertexArrayObject.h"
#include "scene/AreaLight.h"
#include "scene/Camera.h"
#include "scene/CubeLight.h"
#include "scene/Envelope.h"
#include "scene/Light.h"
#include "scene/LinearLight.h"
#include "scene/Node.h"
#include "scene/PointLight.h"
#include "scene/ProjectiveLight.h"
#include "scene/Scene.h"
#include "scene/SpotLight.h"
#include "scene/StateSet.h"
#include "scene/Transform.h"

namespace ember {

namespace {

const char* const kProgramNames[DeferredScene::ProgramCount] = {
    "deferred/dirlight",
    "deferred/pointlight",
    "deferred/spotlight",
    "deferred/arealight",
    "deferred/linearlight",
    "deferred/cubelight",
    "deferred/ambientlight",
    "deferred/projectivelight",
    "deferred/dirlight_shadow",
    "deferred/pointlight_shadow",
    "deferred/spotlight_shadow",
    "deferred/arealight_shadow",
    "deferred/linearlight_shadow",
    "deferred/cubelight_shadow",
    "deferred/ambientlight_shadow",
    "deferred/projectivelight_shadow",
    "deferred/light_particle",
};

// Sampler name <- registered texture name, given to every light program.
const char* const kSamplerBindings[][2] = {
    {"diffuse_specular", "diffuse_specular"}, {"normal_depth", "normal_depth"}, {"depth", "backbuffer_depth"},
    {"cubemap", "cubemaps/viruslight"},       {"proj_tex", "pointlight"},       {"particle", "pointlight"},
};

// Collects every node with the light bit: a node, then its children, then its
// next sibling (iterative over siblings).
void collectLights(Node* first, std::vector<Ref<Light>>& out) {
    for (Node* node = first; node; node = node->nextSibling()) {
        if (node->isLight()) out.emplace_back(static_cast<Light*>(node));
        collectLights(node->firstChild(), out);
    }
}

}  // namespace

const char* DeferredScene::programName(int32_t index) {
    return index >= 0 && index < ProgramCount ? kProgramNames[index] : nullptr;
}

DeferredScene::DeferredScene() = default;

DeferredScene::~DeferredScene() = default;

bool DeferredScene::initiate() {
    stateSet_ = new StateSet();
    scene_ = buildScene();
    if (!scene_) return false;
    if (!initiateLights()) return false;
    gbuffer_ = framebufferRegistry().get("gbuffer");
    lightAccumulation_ = framebufferRegistry().get("light_accumulation");
    return true;
}

bool DeferredScene::initiateLights() {
    programs_.clear();
    samplers_.clear();
    vertexArrays_.clear();
    for (int32_t i = 0; i < ProgramCount; ++i) {
        Ref<Program> program = programRegistry().get(kProgramNames[i]);
        if (!program && i < KindCount) {
            Logger::instance().writeFormatted("DeferredScene::initiateLights() unable to find shader: %s",
                                              kProgramNames[i]);
            return false;
        }
        programs_.push_back(program);
        if (program) {
            SamplerSetBuilder builder;
            builder.setProgram(program.get());
            for (const auto& binding : kSamplerBindings) builder.addTexture(binding[1], binding[0]);
            samplers_.push_back(builder.samplerSet());
        } else {
            samplers_.emplace_back();
        }
    }

    lights_.clear();
    collectLights(scene_ ? scene_->root() : nullptr, lights_);
    if (lights_.empty()) {
        Logger::instance().writeLine("DeferredScene::initiateLights() no lights defined");
        return false;
    }
    std::stable_sort(lights_.begin(), lights_.end(), [](const Ref<Light>& a, const Ref<Light>& b) {
        if (a->type() != b->type()) return a->type() < b->type();
        return !a->castsShadow && b->castsShadow;
    });

    const int32_t count = static_cast<int32_t>(lights_.size());
    for (int32_t k = 0; k < KindCount; ++k) {
        int32_t first = 0;
        while (first < count && lights_[first]->kind() < k) ++first;
        lightStart[k] = first;
    }
    lightStart[KindCount] = count;
    for (int32_t k = 0; k < KindCount; ++k) {
        shadowStart[k] = -1;
        for (int32_t i = lightStart[k]; i < lightStart[k + 1]; ++i) {
            if (lights_[i]->castsShadow) {
                shadowStart[k] = i - lightStart[k];
                break;
            }
        }
    }

    lightBuffer_ = new VertexBuffer();
    lightBuffer_->setStride(LightRecordSize);
    lightBuffer_->addAttribute(AttributeSemantic::Position, 0, 3);
    lightBuffer_->addAttribute(AttributeSemantic::Normal, 12, 3);
    lightBuffer_->addAttribute(AttributeSemantic::Color, 24, 3);
    lightBuffer_->addAttribute(AttributeSemantic::TexCoord, 36, 3);
    lightBuffer_->create();
    lightBuffer_->bufferData(BufferUsage::StreamDraw, static_cast<GLsizeiptr>(count) * LightRecordSize,
                             nullptr);
    lightBuffer_->unbind();

    for (int32_t i = 0; i < ProgramCount; ++i) {
        if (programs_[i])
            vertexArrays_.push_back(VertexArrayObjectBuilder::buildVertexArrayObject(
                programs_[i].get(), lightBuffer_.get(), nullptr));
        else
            vertexArrays_.emplace_back();
    }
    return true;
}

void DeferredScene::terminate() {
    programs_.clear();
    samplers_.clear();
    vertexArrays_.clear();
    lights_.clear();
    cameras.clear();
    camera.reset();
    stateSet_.reset();
    scene_.reset();
    lightBuffer_.reset();
    gbuffer_.reset();
    lightAccumulation_.reset();
}

void DeferredScene::update(float beat, float /*dt*/) {
    if (scene_) scene_->update(beat);
}

void DeferredScene::render(Device* device, float beat, float /*dt*/) {
    if (!device || !scene_ || !camera || camera->type() != NodeType::Camera || !gbuffer_ ||
        !lightAccumulation_)
        return;
    Camera* cam = static_cast<Camera*>(camera.get());
    cam->setProjection(static_cast<float>(gbuffer_->width()) /
                       static_cast<float>(std::max(1, gbuffer_->height())));
    const Mat4 projection = cam->projection;
    const Mat4 projectionInverse = projection.inverse();
    projCoeffs[0] = projectionInverse.m[0];
    projCoeffs[1] = projectionInverse.m[5];
    projCoeffs[2] = projectionInverse.m[11];
    projCoeffs[3] = projectionInverse.m[14];
    projCoeffs[4] = projectionInverse.m[15];
    device->storeMatrix(StandardMatrix::ProjectionMatrix, projection);
    device->storeMatrix(StandardMatrix::ProjectionMatrixInverse, projectionInverse);

    const Mat4 view = cam->view;
    BlitEngine* blit = dynamic_cast<BlitEngine*>(blitEngine.get());
    if (blit) {
        const float zNear = cam->zNear, zFar = cam->zFar;
        if (SSAOEngine* ssao = blit->getSSAOEngine()) {
            ssao->near = zNear;
            ssao->far = zFar;
            std::copy(projCoeffs, projCoeffs + 5, ssao->projCoeffs);
        }
        blit->cameraRange[0] = zNear;
        blit->cameraRange[1] = zFar;
        blit->cameraRange[2] = zFar - zNear;
        blit->cameraRange[3] = -(zNear * zFar);
        blit->noiseParams[1] = beat;
        if (MotionBlurEngine* motion = blit->getMotionBlurEngine()) {
            const Mat4 current = (projection * view).inverse();
            const Mat4 previous = projection * previousView;
            std::copy(current.m, current.m + 16, motion->currentMatrix);
            std::copy(previous.m, previous.m + 16, motion->previousMatrix);
        }
    }
    previousView = view;

    fillLightBuffer(view);
    renderGBuffer(device, view);
    renderLights(device, view, beat);
    if (blit) blit->render(device);
}

void DeferredScene::renderHook(Device* /*device*/, const Mat4& /*view*/, float /*beat*/) {}

void DeferredScene::afterLighting(Device* /*device*/, const Mat4& /*view*/, float /*beat*/) {}

// The light buffer record of one light, in camera view space (see the layout
// on LightRecordSize). Slots a kind does not use are left as they were.
void DeferredScene::fillLightBuffer(const Mat4& view) {
    if (!lightBuffer_ || lights_.empty()) return;
    const Mat3 normalMatrix = inverse3(view.upper3()).transposed();
    float* records = static_cast<float*>(lightBuffer_->map(MapAccess::WriteOnly));
    if (records) {
        for (size_t i = 0; i < lights_.size(); ++i) {
            Light* light = lights_[i].get();
            float* r = records + i * (LightRecordSize / sizeof(float));
            const Mat4& world = light->transform.world;
            const Vec3& worldPosition = light->transform.worldPosition;
            const Vec3 axis = world.transformPoint(Vec3(0, 0, 1)) - worldPosition;
            auto put = [r](int32_t slot, const Vec3& v) {
                r[slot * 3 + 0] = v.x;
                r[slot * 3 + 1] = v.y;
                r[slot * 3 + 2] = v.z;
            };
            if (light->kind() == Light::Directional)
                put(0, axis.normalized());
            else
                put(0, view.transformPoint(worldPosition));
            put(2, light->color * light->intensity);
            switch (light->kind()) {
                case Light::Directional:
                    put(1, Vec3(0, 0, 1));
                    break;
                case Light::Point: {
                    const float range = static_cast<PointLight*>(light)->range;
                    put(1, Vec3(range, range, range));
                    break;
                }
                case Light::Spot: {
                    const SpotLight* spot = static_cast<SpotLight*>(light);
                    put(1, Vec3(spot->cosCone, spot->cosEdge, spot->range));
                    put(3, normalMatrix * axis);
                    break;
                }
                case Light::Area: {
                    const float p = static_cast<AreaLight*>(light)->parameter;
                    put(1, Vec3(p, p, p));
                    break;
                }
                case Light::Linear: {
                    const LinearLight* linear = static_cast<LinearLight*>(light);
                    put(1, Vec3(linear->range, linear->length, 0));
                    put(3, (view * world).transformPoint(Vec3(0, 0, linear->range)));
                    break;
                }
                case Light::Cube: {
                    const float p = static_cast<CubeLight*>(light)->parameter;
                    put(1, Vec3(p, p, p));
                    break;
                }
                case Light::Ambient:
                    put(1, Vec3(0, 0, 0));
                    break;
                case Light::Projective: {
                    ProjectiveLight* projective = static_cast<ProjectiveLight*>(light);
                    put(1, Vec3(projective->cosCone, projective->cosEdge, projective->range));
                    put(3, normalMatrix * axis);
                    projective->updateProjector(view);
                    break;
                }
                default:
                    break;
            }
        }
    }
    lightBuffer_->unmap();
    lightBuffer_->unbind();
}

void DeferredScene::renderGBuffer(Device* device, const Mat4& view) {
    inverseSize_[0] = 1.0f / static_cast<float>(std::max(1, gbuffer_->width()));
    inverseSize_[1] = 1.0f / static_cast<float>(std::max(1, gbuffer_->height()));
    device->setFramebuffer(gbuffer_.get());
    device->clearColorBuffer(0, 0.0f, 0.0f, 0.0f, 0.0f);
    device->clearColorBuffer(1, 0.0f, 0.0f, 1.0f, 1.0f);
    device->clearDepthStencilBuffer(1.0f, 0);
    stateSet_->setDevice(device);
    stateSet_->reset();
    device->setBlendState(stateSet_->defaultBlendState());
    device->setDepthStencilState(stateSet_->defaultDepthStencilState());
    device->setRasterizerState(stateSet_->defaultRasterizerState());
    scene_->render(view, stateSet_.get(), 0);
}

// Binds the program of a shader-table slot with its per-pass uniforms,
// samplers and vertex array.
void DeferredScene::bindLightProgram(Device* device, int32_t index) {
    Program* program = programs_[index].get();
    device->setProgram(program);
    if (program && device->currentProgram() == program) {
        program->setUniform2fv("viewport", 1, inverseSize_);
        program->setUniform1fv("projCoeffs", 5, projCoeffs);
        program->setUniform3f("XAxis", 1.0f, 0.0f, 0.0f);
        program->setUniform3f("YAxis", 0.0f, 1.0f, 0.0f);
    }
    device->setSamplerSet(samplers_[index].get());
    device->setVertexArrayObject(vertexArrays_[index].get());
}

namespace {

// setSampler for a sampler the bound program declares; the device would give
// an undeclared name unit 0 and disturb the G-buffer binding there.
void bindDeclaredSampler(Device* device, const char* name, Texture* texture) {
    Program* program = device->currentProgram();
    if (program && texture && program->findSampler(name)) device->setSampler(name, texture);
}

}  // namespace

void DeferredScene::renderLights(Device* device, const Mat4& view, float beat) {
    inverseSize_[0] = 1.0f / static_cast<float>(std::max(1, lightAccumulation_->width()));
    inverseSize_[1] = 1.0f / static_cast<float>(std::max(1, lightAccumulation_->height()));
    device->setFramebuffer(lightAccumulation_.get());
    device->clearColorBuffer(0, clearColor[0], clearColor[1], clearColor[2], clearColor[3]);

    BlendState additive;
    additive.enabled = true;
    additive.equation = BlendEquation::Add;
    additive.srcColor = BlendFactor::One;
    additive.dstColor = BlendFactor::One;
    additive.srcAlpha = BlendFactor::Zero;
    additive.dstAlpha = BlendFactor::Zero;
    additive.drawBufferMask = 1;
    DepthStencilState noDepth;
    noDepth.depthTest = false;
    noDepth.depthWrite = false;
    RasterizerState noCull;
    noCull.cullEnabled = false;
    device->setBlendState(additive);
    device->setDepthStencilState(noDepth);
    device->setRasterizerState(noCull);

    for (int32_t k = 0; k < KindCount; ++k) {
        const int32_t first = lightStart[k];
        const int32_t count = lightStart[k + 1] - first;
        if (count <= 0) continue;
        bindLightProgram(device, k);
        switch (k) {
            case Light::Spot: {
                const int32_t s = shadowStart[k] < 0 ? count : shadowStart[k];
                if (s > 0) device->drawArrays(PrimitiveType::Points, first, s);
                if (s < count && programs_[SpotShadowProgram]) {
                    device->setVertexArrayObject(nullptr);
                    bindLightProgram(device, SpotShadowProgram);
                    for (int32_t i = s; i < count; ++i) {
                        Light* light = lights_[first + i].get();
                        // A disabled shadow caster would otherwise light through its own map.
                        if (!light->enabled) continue;
                        bindDeclaredSampler(device, "shadowmap", light->shadowMap.get());
                        device->setMatrix(StandardMatrix::ShadowMatrix, light->shadowMatrix);
                        device->drawArrays(PrimitiveType::Points, first + i, 1);
                    }
                }
                break;
            }
            case Light::Cube:
                for (int32_t i = 0; i < count; ++i) {
                    CubeLight* light = static_cast<CubeLight*>(lights_[first + i].get());
                    if (device->samplerBindingEnabled)
                        bindDeclaredSampler(device, "cubemap", light->texture.get());
                    device->setMatrix(StandardMatrix::TextureMatrix,
                                      (view * light->transform.world).inverse());
                    device->drawArrays(PrimitiveType::Points, first + i, 1);
                }
                break;
            case Light::Projective: {
                const int32_t s = shadowStart[k] < 0 ? count : shadowStart[k];
                for (int32_t i = 0; i < s; ++i) {
                    ProjectiveLight* light = static_cast<ProjectiveLight*>(lights_[first + i].get());
                    bindDeclaredSampler(device, "proj_tex", light->texture.get());
                    device->setMatrix(StandardMatrix::TextureMatrix, light->projectorMatrix);
                    device->drawArrays(PrimitiveType::Points, first + i, 1);
                }
                if (s < count && programs_[ProjectiveShadowProgram]) {
                    device->setVertexArrayObject(nullptr);
                    bindLightProgram(device, ProjectiveShadowProgram);
                    for (int32_t i = s; i < count; ++i) {
                        ProjectiveLight* light = static_cast<ProjectiveLight*>(lights_[first + i].get());
                        if (device->samplerBindingEnabled) {
                            bindDeclaredSampler(device, "proj_tex", light->texture.get());
                            bindDeclaredSampler(device, "shadowmap", light->shadowMap.get());
                        }
                        device->setMatrix(StandardMatrix::TextureMatrix, light->projectorMatrix);
                        device->setMatrix(StandardMatrix::ShadowMatrix, light->shadowMatrix);
                        device->drawArrays(PrimitiveType::Points, first + i, 1);
                    }
                }
                break;
            }
            default:
                device->drawArrays(PrimitiveType::Points, first, count);
                break;
        }
        device->setVertexArrayObject(nullptr);
    }

    if (lightParticles && programs_[ParticleProgram]) {
        bindLightProgram(device, ParticleProgram);
        if (Program* program = programs_[ParticleProgram].get(); device->currentProgram() == program)
            program->setUniform1f("radiusScale", radiusScale);
        const int32_t points = lightStart[Light::Point + 1] - lightStart[Light::Point];
        const int32_t cubes = lightStart[Light::Cube + 1] - lightStart[Light::Cube];
        if (points > 0) device->drawArrays(PrimitiveType::Points, lightStart[Light::Point], points);
        if (cubes > 0) device->drawArrays(PrimitiveType::Points, lightStart[Light::Cube], cubes);
        device->setVertexArrayObject(nullptr);
    }

    afterLighting(device, view, beat);
}

float DeferredScene::shadowHalfAngle(float cosCone, float widenDegrees) {
    const float c = std::max(-1.0f, std::min(1.0f, cosCone));
    return (std::acos(c) * 57.29578f + widenDegrees) * 0.5f;
}

Mat4 DeferredScene::shadowProjection(float cosCone, float range, float aspect, float widenDegrees) {
    const float n = 0.1f;
    const float f = range + 5.0f;
    const float h = shadowHalfAngle(cosCone, widenDegrees);
    const float t = n * std::tan(h * static_cast<float>(DEGREE));
    const float r = t * aspect;
    Mat4 p;
    p.m[0] = n / r;
    p.m[5] = n / t;
    p.m[10] = -(f + n) / (f - n);
    p.m[11] = -2.0f * f * n / (f - n);
    p.m[14] = -1.0f;
    p.m[15] = 0.0f;
    return p;
}

Mat4 DeferredScene::shadowLightView(const Light& light) {
    const Vec3& rotation = light.transform.rotation;
    Mat4 placement = Transform::rotationMatrix(Vec3(3.1415927f + rotation.x, -rotation.y, -rotation.z));
    placement.m[3] = light.transform.position.x;
    placement.m[7] = light.transform.position.y;
    placement.m[11] = light.transform.position.z;
    return placement.inverse();
}

void DeferredScene::renderSpotShadow(Device* device, Framebuffer* framebuffer, Light* light) {
    if (!light || light->type() != NodeType::SpotLight) return;
    const SpotLight* spot = static_cast<SpotLight*>(light);
    renderConeShadow(device, framebuffer, light, spot->cosCone, spot->range, 5.0f);
}

void DeferredScene::renderProjectiveShadow(Device* device, Framebuffer* framebuffer, Light* light) {
    if (!light || light->type() != NodeType::ProjectiveLight) return;
    const ProjectiveLight* projective = static_cast<ProjectiveLight*>(light);
    renderConeShadow(device, framebuffer, light, projective->cosCone, projective->range, 10.0f);
}

void DeferredScene::renderConeShadow(Device* device, Framebuffer* framebuffer, Light* light, float cosCone,
                                     float range, float widenDegrees) {
    if (!device || !framebuffer || !scene_ || !stateSet_ || !camera) return;
    device->setFramebuffer(framebuffer);
    device->clearColorBuffer(0, 0.0f, 0.0f, 0.0f, 0.0f);
    device->clearDepthStencilBuffer(1.0f, 0);

    const float aspect =
        static_cast<float>(framebuffer->width()) / static_cast<float>(std::max(1, framebuffer->height()));
    const Mat4 projection = shadowProjection(cosCone, range, aspect, widenDegrees);
    device->storeMatrix(StandardMatrix::ProjectionMatrix, projection);
    const Mat4 lightView = shadowLightView(*light);
    Mat4 bias;
    bias.m[0] = bias.m[5] = bias.m[10] = 0.5f;
    bias.m[3] = bias.m[7] = bias.m[11] = 0.5f;
    light->shadowMatrix = bias * projection * lightView * camera->transform.world;

    Ref<Program> pass = programRegistry().get("shadows/spotlight");
    if (!pass) {
        // Drawing the casters without a program would only raise GL errors;
        // the cleared map leaves everything lit.
        Logger::instance().writeLine(
            "DeferredScene::renderSpotShadow() unable to find shader: shadows/spotlight");
        return;
    }
    stateSet_->setDevice(device);
    stateSet_->reset();
    stateSet_->pushProgram(pass.get());
    stateSet_->setPassProgram(pass.get());
    RasterizerState offset;
    offset.cullFace = CullFace::Front;
    offset.polygonOffset = true;
    offset.polygonOffsetMode = PolygonOffsetMode::Fill;
    offset.polygonOffsetFactor = 2.0f;
    offset.polygonOffsetUnits = 2.0f;
    stateSet_->pushBlendState(BlendState());
    stateSet_->pushRasterizerState(offset);

    device->programBindingEnabled = false;
    device->samplerBindingEnabled = false;
    stateSet_->setOverride(true);
    scene_->render(lightView, stateSet_.get(), 2);
    stateSet_->setOverride(false);
    device->programBindingEnabled = true;
    device->samplerBindingEnabled = true;
    stateSet_->popProgram();
    stateSet_->popBlendState();
    stateSet_->popRasterizerState();
    stateSet_->setPassProgram(nullptr);
}

Program* DeferredScene::program(int32_t index) const {
    return index >= 0 && index < static_cast<int32_t>(programs_.size()) ? programs_[index].get() : nullptr;
}

SamplerSet* DeferredScene::samplerSet(int32_t index) const {
    return index >= 0 && index < static_cast<int32_t>(samplers_.size()) ? samplers_[index].get() : nullptr;
}

VertexArrayObject* DeferredScene::vertexArray(int32_t index) const {
    return index >= 0 && index < static_cast<int32_t>(vertexArrays_.size()) ? vertexArrays_[index].get()
                                                                            : nullptr;
}

}  // namespace ember
