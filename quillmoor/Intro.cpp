#include "Intro.h"

#include <cmath>

#include "DanceAnimController.h"
#include "StutterClock.h"
#include "application/Logger.h"
#include "loaders/Mesh.h"
#include "post/BlitEngine.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Registry.h"
#include "rend/TextureBuffer.h"
#include "rend/VertexArrayObject.h"
#include "scene/AmbientLight.h"
#include "scene/Camera.h"
#include "scene/Envelope.h"
#include "scene/Group.h"
#include "scene/Material.h"
#include "scene/MaterialBuilder.h"
#include "scene/Scene.h"
#include "scene/StartStopController.h"
#include "scene/SubModel.h"
#include "scene/VAOModel.h"

namespace qm {

using namespace ember;

namespace {

constexpr float kPi = 3.14159265358979f;

Ref<Program> findProgram(const char* name) {
    Ref<Program> program = programRegistry().get(name);
    if (!program) Logger::instance().writeFormatted("Intro::buildScene() unable to find shader: %s", name);
    return program;
}

// The brushed-steel set every cube material binds.
void addCubeTextures(MaterialBuilder& builder) {
    builder.samplerBuilder.addTexture("cube-diff", "diffuse");
    builder.samplerBuilder.addTexture("cube-spec", "specular");
    builder.samplerBuilder.addTexture("cube-dot3", "bump");
}

}  // namespace

Intro::Intro() {
    parameters_.envelope(&partEnvelope)
        .envelope(&morphParamsEnvelope)
        .envelope(&effectEnvelope)
        .envelope(&wobbleEnvelope)
        .envelope(&morphEnvelope)
        .envelope(&danceEnvelope)
        .floats(superShapeParams, 4)
        .floats(morphParams, 4)
        .floats(sphereParams, 4)
        .floats(spikeParams, 4)
        .floats(knotParams, 4);
}

Intro::~Intro() = default;

BlitEngine* Intro::composite() const {
    return static_cast<BlitEngine*>(blitEngine.get());
}

bool Intro::load(std::istream& in) {
    if (!composite()) {
        Logger::instance().writeLine("Intro::load() no composite engine");
        return false;
    }
    return parameters_.load(in, *composite());
}

bool Intro::save(std::ostream& out) {
    if (!composite()) {
        Logger::instance().writeLine("Intro::save() no composite engine");
        return false;
    }
    return parameters_.save(out, *composite());
}

bool Intro::loadInstances() {
    struct File {
        const char* path;
        const char* name;
        bool animated;
        int32_t* count;
    };
    const File files[] = {
        {"data/models/marrow.vbo", "marrow_tbo", false, &marrowInstances},
        {"data/models/qm.vbo", "qm_tbo", false, &groupInstances},
        {"data/models/cred.vbo", "cred_tbo", false, &creditInstances},
        {"data/models/dance.avbo", "dance_tbo", true, nullptr},
    };
    for (const File& f : files) {
        InstanceFile file;
        if (!file.readFile(f.path, f.animated)) return false;
        // The frame selection divides by the number of frames.
        if (f.animated && file.frameCount() == 0) {
            Logger::instance().writeFormatted("%s: no frames", f.path);
            return false;
        }
        Ref<TextureBuffer> buffer = file.createTextureBuffer();
        if (!buffer) return false;
        if (f.count) *f.count = file.recordCount();
        if (f.animated) danceFrames = file.frames;
        textureRegistry().add(f.name, buffer);
    }
    return true;
}

Ref<Scene> Intro::buildScene() {
    if (!loadInstances()) return {};

    Ref<Framebuffer> backbuffer = framebufferRegistry().get("backbuffer");
    if (!backbuffer) {
        Logger::instance().writeLine("Intro::buildScene() unable to find framebuffer: backbuffer");
        return {};
    }
    Ref<BlitEngine> blit(new BlitEngine());
    if (!blit->initiate("qm_gradient", backbuffer->width(), backbuffer->height())) return {};
    blitEngine = blit;
    if (!PartParameters::loadFile(*this, "intro.dat")) return {};

    Ref<Mesh> cubes = meshRegistry().get("cubes");
    if (!cubes || cubes->bins().empty()) {
        Logger::instance().writeLine("Intro::buildScene() unable to find mesh: cubes");
        return {};
    }
    Ref<Program> logoProgram = findProgram("marrow/geometry_dot3");
    Ref<Program> fieldProgram = findProgram("marrow/sphere");
    Ref<Program> danceProgram = findProgram("marrow/dance");
    if (!logoProgram || !fieldProgram || !danceProgram) return {};
    const MeshBin& bin = cubes->bins()[0];
    auto model = [&](Program* program) {
        return Ref<VAOModel>(new VAOModel(VertexArrayObjectBuilder::buildVertexArrayObject(
                                              program, cubes->vertexBuffer(), cubes->indexBuffer())
                                              .get()));
    };

    Ref<Group> root(new Group());
    root->mask = -1;

    Ref<Camera> cam(new Camera(45.0f, 0.25f, 512.0f));
    cam->transform.position = Vec3(0.0f, 8.0f, 0.0f);
    cam->transform.rotation = Vec3(0.0f, kPi * 0.5f, 0.0f);
    cam->transform.flags = 0x43;
    root->insertSibling(cam.get(), true);
    cameras.push_back(cam);
    camera = cam;
    cam->update(0.0f);
    previousView = cam->view;

    root->insertSibling(new AmbientLight(Vec3(1.0f, 1.0f, 1.0f), 1.0f), true);

    MaterialBuilder builder;
    // The logo clouds share one program; their materials only swap the records.
    builder.begin(true, true);
    builder.setProgram(logoProgram.get());
    builder.uniformsBuilder.addFloat("time", 1, &warpedTime);
    builder.uniformsBuilder.addVector4f("superShapeParams", superShapeParams);
    builder.uniformsBuilder.addVector4f("morphParams", morphParams);
    Ref<Material> logos = builder.finish();
    root->addChild(logos.get());
    Ref<VAOModel> logoModel = model(logoProgram.get());
    logos->addChild(logoModel.get());

    struct Cloud {
        const char* buffer;
        float start, end;
        int32_t instances;
    };
    const Cloud clouds[] = {{"marrow_tbo", 0.0f, 16.0f, marrowInstances},
                            {"cred_tbo", 16.0f, 32.0f, creditInstances},
                            {"qm_tbo", 32.0f, 64.0f, groupInstances}};
    Node* previous = nullptr;
    for (const Cloud& c : clouds) {
        builder.begin(true, false);
        addCubeTextures(builder);
        builder.samplerBuilder.addTexture(c.buffer, "instanceData");
        Ref<Material> m = builder.finish();
        m->addController(new StartStopController(c.start, c.end));
        m->addChild(new SubModel(bin, c.instances));
        if (previous)
            previous->insertSibling(m.get(), false);
        else
            logoModel->addChild(m.get());
        previous = m.get();
    }

    builder.begin(true, true);
    builder.setProgram(fieldProgram.get());
    addCubeTextures(builder);
    builder.uniformsBuilder.addFloat("time", 1, &warpedTime);
    builder.uniformsBuilder.addVector4f("sphereParams", sphereParams);
    builder.uniformsBuilder.addVector4f("spikeParams", spikeParams);
    builder.uniformsBuilder.addFloat("effectScale", 1, &effectScale);
    builder.uniformsBuilder.addFloat("wobble", 1, &wobble);
    builder.uniformsBuilder.addVector4f("knotParams", knotParams);
    builder.uniformsBuilder.addFloat("morph", 1, &morph);
    Ref<Material> field = builder.finish();
    field->addController(new StartStopController(0.0f, 64.0f));
    logos->insertSibling(field.get(), false);
    Ref<VAOModel> fieldModel = model(fieldProgram.get());
    field->addChild(fieldModel.get());
    fieldModel->addChild(new SubModel(bin, FieldInstances));

    builder.begin(true, true);
    builder.setProgram(danceProgram.get());
    addCubeTextures(builder);
    builder.samplerBuilder.addTexture("dance_tbo", "instanceData");
    builder.uniformsBuilder.addFloat("time", 1, &warpedTime);
    builder.uniformsBuilder.addVector4f("superShapeParams", superShapeParams);
    builder.uniformsBuilder.addVector4f("morphParams", morphParams);
    builder.uniformsBuilder.addInteger("instanceBufferOffset", &instanceBufferOffset);
    Ref<Material> dance = builder.finish();
    dance->addController(new StartStopController(64.0f, 128.0f));
    field->insertSibling(dance.get(), false);
    Ref<VAOModel> danceModel = model(danceProgram.get());
    dance->addChild(danceModel.get());
    Ref<SubModel> figure(new SubModel(bin, 2));
    figure->addController(new DanceAnimController(&danceInstances));
    danceModel->addChild(figure.get());

    Ref<Scene> scene(new Scene(root.get()));
    scene->cacheTransforms();
    return scene;
}

int32_t Intro::cameraIndex(float value, size_t cameraCount) {
    if (cameraCount == 0) return 0;
    const float f = std::floor(value);
    if (!(f > 0.0f)) return 0;
    if (f >= float(cameraCount - 1)) return int32_t(cameraCount - 1);
    return int32_t(f);
}

void Intro::update(float beat, float dt) {
    if (partEnvelope && !cameras.empty())
        camera = cameras[cameraIndex(partEnvelope->evaluate(beat), cameras.size())];
    if (wobbleEnvelope) wobbleFrequency = wobbleEnvelope->evaluate(beat);
    wobble = std::sin(wobbleFrequency * beat + wobblePhase) * wobbleAmplitude;
    if (morphParamsEnvelope) morphParams[1] = morphParamsEnvelope->evaluate(beat);
    effectScale = (effectEnvelope ? effectEnvelope->evaluate(beat) : 0.0f) + wobble;
    if (morphEnvelope) morph = morphEnvelope->evaluate(beat);
    warpedTime = StutterClock::warpedTime(beat);
    InstanceFile::selectFrame(danceFrames, danceEnvelope ? danceEnvelope->evaluate(beat) : 0.0f,
                              instanceBufferOffset, danceInstances);
    DeferredScene::update(beat, dt);
}

void Intro::render(Device* device, float beat, float dt) {
    clearColor[0] = clearColor[1] = clearColor[2] = clearColor[3] = 0.0f;
    DeferredScene::render(device, beat, dt);
}

}  // namespace qm
