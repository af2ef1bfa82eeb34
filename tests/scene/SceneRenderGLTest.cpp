#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "SceneGLSupport.h"
#include "SceneTestSupport.h"
#include "rend/DeviceTestSupport.h"
#include "rend/Texture2D.h"
#include "scene/Camera.h"
#include "scene/Drawable.h"
#include "scene/Group.h"
#include "scene/Material.h"
#include "scene/MaterialBuilder.h"
#include "scene/Scene.h"
#include "scene/StateSet.h"
#include "scene/SubModel.h"
#include "scene/VAOModel.h"

namespace {

using namespace ember;
using devicetest::DeviceTest;
using scenetest::FunctionController;

// Records every draw and apply of the walk in one shared journal.
class JournalDrawable : public Drawable {
public:
    JournalDrawable(std::vector<std::string>& journal, std::string name)
        : journal_(journal), name_(std::move(name)) {}
    void draw(Device&, float time) override { journal_.push_back(name_ + "@" + std::to_string(int(time))); }

private:
    std::vector<std::string>& journal_;
    std::string name_;
};

class JournalState : public State {
public:
    JournalState(std::vector<std::string>& journal, std::string name)
        : journal_(journal), name_(std::move(name)) {}
    void apply(StateSet&) override { journal_.push_back("+" + name_); }
    void unapply(StateSet&) override { journal_.push_back("-" + name_); }

private:
    std::vector<std::string>& journal_;
    std::string name_;
};

class DrawWalkTest : public DeviceTest {};

TEST_F(DrawWalkTest, MasksAndEnabledFlagsHideWholeSubtrees) {
    std::vector<std::string> journal;
    Ref<Group> root(new Group());
    root->mask = 2;
    Ref<JournalState> state(new JournalState(journal, "s"));
    state->mask = 2;
    Ref<JournalDrawable> inState(new JournalDrawable(journal, "a"));
    inState->mask = 2;
    Ref<JournalDrawable> unmasked(new JournalDrawable(journal, "b"));  // mask 0
    Ref<JournalState> offState(new JournalState(journal, "off"));
    offState->enabled = false;
    offState->mask = 2;
    Ref<JournalDrawable> underOff(new JournalDrawable(journal, "c"));
    underOff->mask = 2;
    Ref<Group> hider(new Group());  // mask 0 hides d from masked renders
    Ref<JournalDrawable> underHider(new JournalDrawable(journal, "d"));
    underHider->mask = 2;
    root->addChild(state.get());
    state->addChild(inState.get());
    state->addChild(unmasked.get());
    root->addChild(offState.get());
    offState->addChild(underOff.get());
    root->addChild(hider.get());
    hider->addChild(underHider.get());
    Ref<Scene> scene(new Scene(root.get()));
    scene->update(7.0f);
    Ref<StateSet> context(new StateSet(device_.get()));
    context->reset();

    struct Case {
        int32_t mask;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {0, {"+s", "a@7", "b@7", "-s", "d@7"}},
        {2, {"+s", "a@7", "-s"}},
        {4, {}},
    };
    for (const Case& c : cases) {
        journal.clear();
        scene->render(Mat4(), context.get(), c.mask);
        EXPECT_EQ(journal, c.expected) << "mask " << c.mask;
        EXPECT_EQ(scene->drawMask(), c.mask);
    }
    // The view matrices are stored for code that reads them.
    const Mat4 view = Mat4::translation(1, 2, 3);
    scene->render(view, context.get(), 0);
    EXPECT_EQ(device_->matrix(StandardMatrix::ViewMatrix)[3], 1.0f);
    EXPECT_EQ(device_->matrix(StandardMatrix::ViewMatrixInverse)[3], -1.0f);
    // A null root draws nothing and keeps the context usable.
    Ref<Scene> empty(new Scene());
    journal.clear();
    empty->render(view, context.get(), 0);
    EXPECT_TRUE(journal.empty());
}

const char* const kForwardVS = R"(#version 330 core
in vec4 POSITION;
in vec3 NORMAL;
uniform mat4 ModelViewProjectionMatrix;
uniform mat3 NormalMatrix;
out vec3 viewNormal;
void main() {
    viewNormal = NormalMatrix * NORMAL;
    gl_Position = ModelViewProjectionMatrix * POSITION;
}
)";
const char* const kForwardFS = R"(#version 330 core
in vec3 viewNormal;
uniform vec4 color;
out vec4 fragColor;
void main() {
    vec3 l = normalize(vec3(0.4, 0.8, 0.6));
    float d = max(dot(normalize(viewNormal), l), 0.0);
    fragColor = vec4(color.rgb * (0.3 + 0.7 * d), 1.0);
}
)";

bool writePNG(const std::string& path, int w, int h, const std::vector<unsigned char>& rgba) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = h - 1; y >= 0; --y)  // GL rows start at the bottom
        png_write_row(png, const_cast<unsigned char*>(&rgba[static_cast<size_t>(y) * w * 4]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return true;
}

class SceneRenderTest : public DeviceTest {
protected:
    static constexpr int kSize = 256;

    void SetUp() override {
        DeviceTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        program_ = scenetest::buildProgram("scene_forward", kForwardVS, kForwardFS);
        ASSERT_TRUE(program_);
        mesh_.addCube(0.5f);
        mesh_.addQuad({{-4, -0.5f, 4}, {4, -0.5f, 4}, {4, -0.5f, -4}, {-4, -0.5f, -4}}, {0, 1, 0});
        vao_ = mesh_.build(program_.get());
        ASSERT_TRUE(vao_);
        colour_ = new Texture2D();
        colour_->create(kSize, kSize, TextureFormat::RGBA8);
        depth_ = new Texture2D();
        depth_->create(kSize, kSize, TextureFormat::Depth24);
        target_ = new Framebuffer();
        target_->setAttachment(Attachment::Color0, colour_.get());
        target_->setAttachment(Attachment::Depth, depth_.get());
        ASSERT_TRUE(target_->create());
        buildScene();
    }
    void TearDown() override {
        scene_.reset();
        context_.reset();
        DeviceTest::TearDown();
    }

    Ref<Material> material(const float* colour) {
        MaterialBuilder builder;
        builder.begin(false, true);
        builder.setProgram(program_.get());
        EXPECT_TRUE(builder.uniformsBuilder.addVector4f("color", colour));
        return builder.finish();
    }

    Ref<SubModel> cube(const Vec3& position, float scale) {
        Ref<SubModel> s(new SubModel(mesh_.bins[0], 0));
        s->transform.position = position;
        s->transform.scale = Vec3(scale, scale, scale);
        s->transform.updateComponentFlags();
        return s;
    }

    // Red: a cube circling the origin (heading = time) with a small cube riding
    // on it. Blue: the ground and a static cube. Green: a disabled cube right in
    // front of the camera. The camera is a top-level sibling of the tree.
    void buildScene() {
        Ref<Group> root(new Group());
        camera_ = new Camera(50.0f, 0.5f, 100.0f);
        camera_->transform.position = Vec3(0, 2.5f, 8);
        camera_->transform.rotation = Vec3(0, 0.25f, 0);
        camera_->transform.updateComponentFlags();
        camera_->setProjection(1.0f);
        root->insertSibling(camera_.get(), true);

        Ref<Material> red = material(red_);
        Ref<VAOModel> redModel(new VAOModel(vao_.get()));
        spinner_ = new Group();
        spinner_->transform.flags = Transform::Animated | Transform::Rotation;
        spinner_->addController(
            new FunctionController([](Node& n, float t) { n.transform.rotation = Vec3(t, 0, 0); }));
        Ref<SubModel> orbiting = cube(Vec3(-2, 0, 0), 1.0f);
        Ref<SubModel> rider = cube(Vec3(0, 0.8f, 0), 0.3f);
        root->addChild(red.get());
        red->addChild(redModel.get());
        redModel->addChild(spinner_.get());
        spinner_->addChild(orbiting.get());
        orbiting->addChild(rider.get());

        Ref<Material> blue = material(blue_);
        Ref<VAOModel> blueModel(new VAOModel(vao_.get()));
        root->addChild(blue.get());
        blue->addChild(blueModel.get());
        blueModel->addChild(new SubModel(mesh_.bins[1], 0));
        blueModel->addChild(cube(Vec3(2, 0, 0), 1.0f).get());

        Ref<Material> green = material(green_);
        green->enabled = false;
        Ref<VAOModel> greenModel(new VAOModel(vao_.get()));
        root->addChild(green.get());
        green->addChild(greenModel.get());
        greenModel->addChild(cube(Vec3(0, 1.5f, 4), 1.0f).get());

        scene_ = new Scene(root.get());
        scene_->cacheTransforms();
        context_ = new StateSet(device_.get());
    }

    std::vector<unsigned char> renderAt(float time) {
        scene_->update(time);
        device_->resetDevice();
        device_->setFramebuffer(target_.get());
        context_->reset();
        device_->setClearColor(0.05f, 0.05f, 0.08f, 1.0f);
        device_->clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        device_->setMatrix(StandardMatrix::ProjectionMatrix, camera_->projection);
        scene_->render(camera_->view, context_.get(), 0);
        std::vector<unsigned char> pixels = scenetest::readPixels(target_.get(), 0, 0, kSize, kSize);
        device_->setFramebuffer(nullptr);
        return pixels;
    }

    // Pixel (x, y from the bottom) where the camera sees world point p.
    std::pair<int, int> pixelOf(const Vec3& p) const {
        Vec4 c = camera_->projection * (camera_->view * Vec4(p, 1.0f));
        return {int((c.x / c.w * 0.5f + 0.5f) * kSize), int((c.y / c.w * 0.5f + 0.5f) * kSize)};
    }
    static const unsigned char* at(const std::vector<unsigned char>& px, std::pair<int, int> xy) {
        return &px[(static_cast<size_t>(xy.second) * kSize + xy.first) * 4];
    }
    static bool dominant(const unsigned char* p, int channel) {
        for (int c = 0; c < 3; ++c)
            if (c != channel && p[channel] < p[c] + 40) return false;
        return p[channel] > 60;
    }

    float red_[4] = {0.9f, 0.15f, 0.1f, 1.0f};
    float blue_[4] = {0.15f, 0.3f, 0.9f, 1.0f};
    float green_[4] = {0.1f, 0.9f, 0.1f, 1.0f};
    Ref<Program> program_;
    scenetest::MeshData mesh_;
    Ref<VertexArrayObject> vao_;
    Ref<Texture2D> colour_, depth_;
    Ref<Framebuffer> target_;
    Ref<Camera> camera_;
    Ref<Group> spinner_;
    Ref<Scene> scene_;
    Ref<StateSet> context_;
};

TEST_F(SceneRenderTest, ObjectsAppearWhereTheCameraSeesThem) {
    std::vector<unsigned char> start = renderAt(0.0f);
    // Time 0: the orbiting cube sits at (-2, 0, 0), the blue one at (2, 0, 0).
    EXPECT_TRUE(dominant(at(start, pixelOf(Vec3(-2, 0, 0.5f))), 0));
    EXPECT_TRUE(dominant(at(start, pixelOf(Vec3(2, 0, 0.5f))), 2));
    EXPECT_TRUE(dominant(at(start, pixelOf(Vec3(-2, 0.8f, 0))), 0));  // the rider above it
    // Above the horizon nothing is placed: background.
    const unsigned char* sky = at(start, {kSize / 2, kSize - 4});
    EXPECT_LT(sky[0], 30);
    EXPECT_LT(sky[2], 40);
    // The disabled green cube is nowhere.
    for (size_t i = 0; i < start.size(); i += 4) ASSERT_FALSE(dominant(&start[i], 1)) << i / 4;

    // A quarter turn of heading later the red cube has moved to (0, 0, -2).
    const float quarter = 1.5707964f;
    std::vector<unsigned char> later = renderAt(quarter);
    EXPECT_TRUE(dominant(at(later, pixelOf(Vec3(0, 0.3f, -1.5f))), 0));
    EXPECT_FALSE(dominant(at(later, pixelOf(Vec3(-2, 0, 0.5f))), 0));
    EXPECT_TRUE(dominant(at(later, pixelOf(Vec3(2, 0, 0.5f))), 2));

    const std::string dir = std::string(EMBER_BINARY_DIR) + "/review";
    std::filesystem::create_directories(dir);
    std::vector<unsigned char> frame = renderAt(0.7f);
    ASSERT_TRUE(writePNG(dir + "/scene-forward.png", kSize, kSize, frame));
    scenetest::expectNoGLErrorLogged();
}

}  // namespace
