#include "Flow.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "PartParameters.h"
#include "application/Logger.h"
#include "post/BlitEngine.h"
#include "rend/BufferObject.h"
#include "rend/Device.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Registry.h"
#include "rend/Sampler.h"
#include "rend/VertexArrayObject.h"
#include "scene/AmbientLight.h"
#include "scene/Camera.h"
#include "scene/Envelope.h"
#include "scene/Group.h"
#include "scene/Scene.h"

namespace qm {

using namespace ember;

namespace {

const char* const kSource = "quillmoor/Flow";

// A sampler set holding one registered texture under one sampler name of program.
Ref<SamplerSet> samplersFor(Program* program, const char* texture, const char* sampler) {
    SamplerSetBuilder builder;
    builder.setProgram(program);
    builder.addTexture(texture, sampler);
    return builder.samplerSet();
}

}  // namespace

Flow::Flow() = default;

Flow::~Flow() {
    release();
}

FlowSolver2D* Flow::system(int32_t j) const {
    return j >= 0 && j < FlowModel::SystemCount ? systems_[j].get() : nullptr;
}

int32_t Flow::count(int32_t j) const {
    return j >= 0 && j < FlowModel::SystemCount ? counts_[j] : 0;
}

Mat4 Flow::flowProjection() {
    return Mat4::orthographic(-6.0f, 6.0f, 4.0f, -4.0f, -1.0f, 1.0f);
}

Ref<Scene> Flow::buildScene() {
    Ref<Framebuffer> backbuffer = framebufferRegistry().get("backbuffer");
    const int32_t width = backbuffer ? backbuffer->width() : 0;
    const int32_t height = backbuffer ? backbuffer->height() : 0;

    updateProgram_ = programRegistry().get("marrow/updateflow");
    velocitySamplers_ = samplersFor(updateProgram_.get(), "curl_vel_2d", "velocityField");
    particleProgram_ = programRegistry().get("marrow/drawflow");
    particleSamplers_ = samplersFor(particleProgram_.get(), "circle", "particle");
    shapeProgram_ = programRegistry().get("marrow/drawshape");
    creditsSamplers_ = samplersFor(shapeProgram_.get(), "credits", "particle");
    shapeScale_ = static_cast<float>(width) / 12.0f;

    shapeVertices_ = new VertexBuffer();
    shapeVertices_->setStride(16);
    shapeVertices_->addAttribute(AttributeSemantic::Position, 0, 4);
    shapeVertices_->create();
    const float points[FlowModel::ShapeCount][4] = {{0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1},
                                                    {0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}};
    shapeVertices_->bufferData(BufferUsage::StaticDraw, sizeof points, points);
    shapeVertices_->unbind();
    shapeVertexArray_ =
        VertexArrayObjectBuilder::buildVertexArrayObject(shapeProgram_.get(), shapeVertices_.get(), nullptr);
    greetingsProgram_ = programRegistry().get("marrow/greetings");
    greetingsSamplers_ = samplersFor(greetingsProgram_.get(), "greetings", "particle");

    for (int32_t k = 0; k < FlowModel::TextCount; ++k) {
        std::vector<FlowParticle> particles;
        if (!FlowModel::loadTextParticles(FlowModel::textImagePath(k), particles)) return Ref<Scene>();
        systems_[k] = new FlowSolver2D();
        counts_[k] = static_cast<int32_t>(particles.size());
        if (!systems_[k]->initiate(updateProgram_.get(), particles.data(), counts_[k])) return Ref<Scene>();
    }
    const std::vector<FlowParticle> field = FlowModel::fieldParticles();
    systems_[FlowModel::FieldSystem] = new FlowSolver2D();
    counts_[FlowModel::FieldSystem] = FlowModel::FieldParticles;
    if (!systems_[FlowModel::FieldSystem]->initiate(updateProgram_.get(), field.data(),
                                                    FlowModel::FieldParticles))
        return Ref<Scene>();

    model_.initiateShapes();

    Ref<BlitEngine> blit(new BlitEngine());
    blitEngine = blit;
    if (!blit->initiate("qm_gradient", width, height)) return Ref<Scene>();
    if (!PartParameters::loadFile(*this, "flow.dat")) return Ref<Scene>();

    Ref<Group> root(new Group());
    Ref<Camera> cam(new Camera(45.0f, 0.25f, 512.0f));
    cam->transform.position = Vec3(0.0f, 8.0f, 0.0f);
    cam->transform.rotation = Vec3(0.0f, 3.14159265f / 2.0f, 0.0f);
    cam->transform.flags = Transform::Position | Transform::Rotation | Transform::Animated;
    Ref<AmbientLight> ambient(new AmbientLight(Vec3(1.0f, 1.0f, 1.0f), 0.25f));
    root->addChild(cam.get());
    root->addChild(ambient.get());
    cameras.push_back(cam);
    camera = cam;
    cam->update(0.0f);
    previousView = cam->view;
    Ref<Scene> scene(new Scene(root.get()));
    scene->cacheTransforms();
    return scene;
}

void Flow::release() {
    greetingsSamplers_ = nullptr;
    greetingsProgram_ = nullptr;
    for (int32_t j = FlowModel::SystemCount - 1; j >= 0; --j) {
        systems_[j] = nullptr;
        counts_[j] = 0;
    }
    shapeVertexArray_ = nullptr;
    shapeVertices_ = nullptr;
    creditsSamplers_ = nullptr;
    shapeProgram_ = nullptr;
    particleSamplers_ = nullptr;
    particleProgram_ = nullptr;
    velocitySamplers_ = nullptr;
    updateProgram_ = nullptr;
}

void Flow::terminate() {
    release();
    DeferredScene::terminate();
}

bool Flow::load(std::istream& in) {
    BlitEngine* blit = dynamic_cast<BlitEngine*>(blitEngine.get());
    if (!blit) {
        Logger::instance().writeLocated(kSource, "Flow::load", __LINE__, "No composite engine to read into");
        return false;
    }
    PartParameters parameters;
    parameters.envelope(&partEnvelope);
    if (!parameters.load(in, *blit)) return false;
    // The part-specific tail is optional: whatever is missing keeps its default.
    model_.readTail(in);
    return true;
}

bool Flow::save(std::ostream& out) {
    BlitEngine* blit = dynamic_cast<BlitEngine*>(blitEngine.get());
    if (!blit) return false;
    PartParameters parameters;
    parameters.envelope(&partEnvelope);
    return parameters.save(out, *blit) && model_.writeTail(out);
}

void Flow::update(float beat, float dt) {
    if (partEnvelope && !cameras.empty()) {
        const float choice = std::floor(partEnvelope->evaluate(beat));
        const int32_t last = static_cast<int32_t>(cameras.size()) - 1;
        // Compared as floats first: an envelope far out of range must not overflow the cast.
        const int32_t index =
            choice <= 0.0f ? 0 : (choice >= static_cast<float>(last) ? last : static_cast<int32_t>(choice));
        camera = cameras[static_cast<size_t>(index)];
    }
    model_.updateShapes(beat, dt);
    DeferredScene::update(beat, dt);
}

void Flow::render(Device* device, float beat, float dt) {
    if (!device) return;
    if (updateProgram_) {
        device->disableRasterization();
        device->setProgram(updateProgram_.get());
        Program* program = updateProgram_.get();
        program->setUniform1f("time", beat);
        program->setUniform1f("timeStep", dt);
        program->setUniform1f("deltaX", model_.deltaX);
        program->setUniform4fv("shapeParams", FlowModel::ShapeCount, &model_.shapeParams[0].x);
        program->setUniform4fv("shapeInfo", FlowModel::ShapeCount, &model_.shapeInfo[0].x);
        program->setUniform1f("envelope", model_.envelope);
        program->setUniform1f("noiseLengthScale", model_.noiseLengthScale);
        program->setUniform1f("noiseGain", model_.noiseGain);
        device->setSamplerSet(velocitySamplers_.get());
        for (int32_t j = 0; j < FlowModel::SystemCount; ++j) {
            if (!systems_[j] || !model_.active(j, beat)) continue;
            program->setUniform1f("timeStep", model_.advectionWeight(j, beat) * dt);
            systems_[j]->advect(device);
        }
        device->enableRasterization();
    }
    clearColor[0] = clearColor[1] = clearColor[2] = clearColor[3] = 0.0f;
    DeferredScene::render(device, beat, dt);
}

void Flow::afterLighting(Device* device, const Mat4& /*view*/, float beat) {
    BlendState blend;
    blend.enabled = true;
    blend.equation = BlendEquation::Add;
    blend.srcColor = BlendFactor::One;
    blend.dstColor = BlendFactor::OneMinusSrcAlpha;
    blend.drawBufferMask = 1;
    device->setBlendState(blend);

    const float* stored = device->matrix(StandardMatrix::ProjectionMatrix);
    Mat4 savedProjection;
    std::copy(stored, stored + 16, savedProjection.m);
    device->setMatrix(StandardMatrix::ProjectionMatrix, flowProjection());
    device->programPointSize(true);

    if (particleProgram_) {
        Program* program = particleProgram_.get();
        device->setProgram(program);
        setModelMatrices(Mat4::identity(), *device, program->usedMatrices());
        program->setUniform1f("size", particleSize_);
        device->setSamplerSet(particleSamplers_.get());
        for (int32_t j = 0; j < FlowModel::SystemCount; ++j) {
            if (!systems_[j] || !model_.active(j, beat)) continue;
            program->setUniform1f("size", particleSize_ * model_.sizeFactor(j, beat));
            systems_[j]->draw(device);
        }
    }

    const int32_t shapeCount =
        std::min<int32_t>(FlowModel::ShapeCount, static_cast<int32_t>(model_.shapes.size()));
    if (shapeProgram_ && shapeVertexArray_) {
        Program* program = shapeProgram_.get();
        device->setProgram(program);
        device->setSamplerSet(creditsSamplers_.get());
        device->setVertexArrayObject(shapeVertexArray_.get());
        for (int32_t i = 0; i < shapeCount; ++i) {
            const FlowModel::Vec4& info = model_.shapeInfo[i];
            const FlowShape& shape = model_.shapes[static_cast<size_t>(i)];
            const int32_t cell = ((shape.cell % 6) + 6) % 6;
            program->setUniform1f("size", info.z * shapeScale_ * 1.25f);
            program->setUniform2f("uvOffset", FlowModel::creditsOffsets[cell][0],
                                  FlowModel::creditsOffsets[cell][1]);
            program->setUniform2f("uvScale", FlowModel::creditsUvScale[0], FlowModel::creditsUvScale[1]);
            setModelMatrices(Mat4::translation(info.x, info.y, 0.0f), *device, program->usedMatrices());
            device->drawArrays(PrimitiveType::Points, i, 1);
        }
        // The next program switch would otherwise disable the shape input in this array.
        device->setVertexArrayObject(nullptr);
    }

    if (greetingsProgram_ && shapeVertexArray_ && model_.glyphOffsets.size() >= 32) {
        Program* program = greetingsProgram_.get();
        device->setProgram(program);
        program->setUniform2f("uvSize", model_.uvSize[0], model_.uvSize[1]);
        device->setSamplerSet(greetingsSamplers_.get());
        device->setVertexArrayObject(shapeVertexArray_.get());
        for (int32_t i = 0; i < shapeCount; ++i) {
            const FlowModel::Vec4& info = model_.shapeInfo[i];
            const int32_t glyph = ((model_.shapes[static_cast<size_t>(i)].glyph % 16) + 16) % 16;
            program->setUniform1f("size", info.z * shapeScale_ * 1.25f);
            program->setUniform2f("uvOffset", model_.glyphOffsets[static_cast<size_t>(2 * glyph)],
                                  model_.glyphOffsets[static_cast<size_t>(2 * glyph + 1)]);
            setModelMatrices(Mat4::translation(info.x, info.y, 0.0f), *device, program->usedMatrices());
            device->drawArrays(PrimitiveType::Points, i, 1);
        }
    }

    device->setVertexArrayObject(nullptr);
    device->programPointSize(false);
    device->setMatrix(StandardMatrix::ProjectionMatrix, savedProjection);
}

}  // namespace qm
