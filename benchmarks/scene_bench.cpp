// Cost of the scene graph's per-frame walks on a 10,000-node scene: the update
// walk alone (pure CPU), and update + draw walk into a small off-screen target
// on the real driver (the driver's submission work included, the frame
// finished with glFinish). GL calls are counted through the engine's per-call
// error checks; they split into one draw and the declared standard matrices per
// drawable, and the state changes of the materials. Run under Xvfb + llvmpipe
// like the GL tests.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "SceneGLSupport.h"
#include "application/Logger.h"
#include "rend/Device.h"
#include "rend/DeviceError.h"
#include "rend/Texture2D.h"
#include "scene/Group.h"
#include "scene/Material.h"
#include "scene/MaterialBuilder.h"
#include "scene/Scene.h"
#include "scene/StateSet.h"
#include "scene/SubModel.h"
#include "scene/VAOModel.h"
#include "support/GLTestContext.h"

using namespace ember;

namespace {

constexpr int kMaterials = 20;
constexpr int kGroupsPerMaterial = 24;
constexpr int kItemsPerGroup = 20;
constexpr int kDrawables = kMaterials * kGroupsPerMaterial * kItemsPerGroup;

const char* const kVS = R"(#version 330 core
in vec4 POSITION;
in vec3 NORMAL;
uniform mat4 ModelViewProjectionMatrix;
uniform mat3 NormalMatrix;
out vec3 n;
void main() { n = NormalMatrix * NORMAL; gl_Position = ModelViewProjectionMatrix * POSITION; }
)";
const char* const kFS = R"(#version 330 core
in vec3 n;
uniform vec4 color;
out vec4 c;
void main() { c = color * max(n.z, 0.2); }
)";

// Spins the animated groups, as a rotation controller would.
class Spin : public Controller {
public:
    void update(Node& node, float time) override { node.transform.rotation = Vec3(time, 0, 0); }
};

struct Fixture {
    Ref<Device> device;
    Ref<Program> program;
    scenetest::MeshData mesh;
    Ref<VertexArrayObject> vao;
    Ref<Texture2D> colour, depth;
    Ref<Framebuffer> target;
    Ref<Scene> scene;
    Ref<StateSet> context;
    float colours[kMaterials][4];
    int nodes = 0;

    bool build() {
        if (!embertest::GLTestContext::acquire()) return false;
        Logger::instance().open("scene_bench_log.txt");
        device = new Device();
        device->resetDevice();
        program = scenetest::buildProgram("bench", kVS, kFS);
        if (!program) return false;
        mesh.addCube(0.05f);
        vao = mesh.build(program.get());
        colour = new Texture2D();
        colour->create(64, 64, TextureFormat::RGBA8);
        depth = new Texture2D();
        depth->create(64, 64, TextureFormat::Depth24);
        target = new Framebuffer();
        target->setAttachment(Attachment::Color0, colour.get());
        target->setAttachment(Attachment::Depth, depth.get());
        if (!target->create()) return false;

        Ref<Group> root(new Group());
        Ref<Controller> spin(new Spin());
        nodes = 1;
        for (int m = 0; m < kMaterials; ++m) {
            colours[m][0] = float(m) / kMaterials;
            colours[m][1] = 0.5f;
            colours[m][2] = 1.0f - float(m) / kMaterials;
            colours[m][3] = 1.0f;
            MaterialBuilder builder;
            builder.begin(false, true);
            builder.setProgram(program.get());
            builder.uniformsBuilder.addVector4f("color", colours[m]);
            Ref<Material> material = builder.finish();
            Ref<VAOModel> model(new VAOModel(vao.get()));
            root->addChild(material.get());
            material->addChild(model.get());
            nodes += 2;
            for (int g = 0; g < kGroupsPerMaterial; ++g) {
                Ref<Group> group(new Group());
                group->transform.position = Vec3(float(m) - kMaterials / 2, float(g) * 0.1f - 1.2f, -12.0f);
                group->transform.flags = Transform::Animated | Transform::Position | Transform::Rotation;
                group->addController(spin.get());
                model->addChild(group.get());
                ++nodes;
                for (int i = 0; i < kItemsPerGroup; ++i) {
                    Ref<SubModel> item(new SubModel(mesh.bins[0], 0));
                    item->transform.position = Vec3(float(i) * 0.04f, 0, 0);
                    item->transform.updateComponentFlags();
                    group->addChild(item.get());
                    ++nodes;
                }
            }
        }
        scene = new Scene(root.get());
        scene->cacheTransforms();
        context = new StateSet(device.get());
        Mat4 projection = Mat4::perspective(0.9f, 1.0f, 0.5f, 100.0f);
        device->setMatrix(StandardMatrix::ProjectionMatrix, projection);
        return true;
    }

    void frame(float time) {
        scene->update(time);
        device->setFramebuffer(target.get());
        context->reset();
        device->clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene->render(Mat4(), context.get(), 0);
    }
};

Fixture& fixture() {
    static Fixture f;
    static bool ok = f.build();
    if (!ok) std::fprintf(stderr, "scene_bench: no GL context or program\n");
    return f;
}

void BM_UpdateWalk(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.scene) {
        state.SkipWithError("no GL context");
        return;
    }
    float t = 0;
    for (auto _ : state) {
        f.scene->update(t);
        t += 0.01f;
    }
    state.counters["nodes"] = f.nodes;
}
BENCHMARK(BM_UpdateWalk)->Unit(benchmark::kMicrosecond);

void BM_UpdateAndDrawWalk(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.scene) {
        state.SkipWithError("no GL context");
        return;
    }
    float t = 0;
    uint64_t calls = 0;
    for (auto _ : state) {
        uint64_t before = glCheckCount();
        f.frame(t);
        calls = glCheckCount() - before;
        glFinish();
        t += 0.01f;
    }
    // Per drawable: one draw and two matrix uploads (the program declares
    // ModelViewProjectionMatrix and NormalMatrix); the rest is state.
    const double perDrawable = 3.0 * kDrawables;
    state.counters["nodes"] = f.nodes;
    state.counters["drawables"] = kDrawables;
    state.counters["materials"] = kMaterials;
    state.counters["gl_calls_per_frame"] = double(calls);
    state.counters["state_gl_calls_per_frame"] = double(calls) - perDrawable;
    state.counters["state_gl_calls_per_material"] = (double(calls) - perDrawable) / kMaterials;
}
BENCHMARK(BM_UpdateAndDrawWalk)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
