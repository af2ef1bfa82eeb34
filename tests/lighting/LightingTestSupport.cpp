#include "LightingTestSupport.h"

#include <algorithm>
#include <filesystem>

#include "capture/PngWriter.h"
#include "rend/Texture2D.h"
#include "scene/AmbientLight.h"
#include "scene/AreaLight.h"
#include "scene/CubeLight.h"
#include "scene/DirectionalLight.h"
#include "scene/LinearLight.h"
#include "scene/PointLight.h"
#include "scene/ProjectiveLight.h"
#include "scene/SpotLight.h"

namespace lighttest {

using namespace ember;

namespace {

constexpr float kDegree = 0.017453292f;

Ref<Texture2D> solidTexture(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    const uint8_t pixels[16] = {r, g, b, a, r, g, b, a, r, g, b, a, r, g, b, a};
    Ref<Texture2D> texture(new Texture2D());
    texture->create(2, 2, TextureFormat::RGBA8);
    texture->bind();
    TextureState state = texture->textureState();
    state.magFilter = state.minFilter = TextureFilter::Nearest;
    texture->setTextureState(state);
    texture->uploadData(pixels);
    texture->unbind();
    return texture;
}

Ref<Texture2D> depthMap() {
    Ref<Texture2D> texture(new Texture2D());
    texture->create(kShadowSize, kShadowSize, TextureFormat::Depth24);
    texture->bind();
    TextureState state = texture->textureState();
    state.magFilter = state.minFilter = TextureFilter::Nearest;
    state.wrapS = state.wrapT = TextureWrap::ClampToEdge;
    state.compare = false;
    texture->setTextureState(state);
    texture->unbind();
    return texture;
}

}  // namespace

Node* LitTestScene::addMesh(Node* parent, const MeshData& mesh, const Vec4& tint, float specular) {
    Ref<VertexBuffer> vertices(new VertexBuffer());
    vertices->setStride(48);
    vertices->addAttribute(AttributeSemantic::Position, 0, 3);
    vertices->addAttribute(AttributeSemantic::Normal, 12, 3);
    vertices->addAttribute(AttributeSemantic::Tangent, 24, 4);
    vertices->addAttribute(AttributeSemantic::TexCoord, 40, 2);
    vertices->create();
    vertices->bufferData(BufferUsage::StaticDraw, static_cast<GLsizeiptr>(mesh.vertices.size() * 4),
                         mesh.vertices.data());
    vertices->unbind();
    Ref<IndexBuffer> indices(new IndexBuffer());
    indices->setIndexSize(4);
    indices->create();
    indices->bufferData(BufferUsage::StaticDraw, static_cast<GLsizeiptr>(mesh.indices.size() * 4),
                        mesh.indices.data());
    indices->unbind();
    Program* dot3 = programRegistry().get("deferred/geometry_dot3").get();
    Ref<VertexArrayObject> vao =
        VertexArrayObjectBuilder::buildVertexArrayObject(dot3, vertices.get(), indices.get());
    vao->setIndexSize(4);

    tints_.push_back(tint);
    speculars_.push_back(specular);
    MaterialBuilder builder;
    builder.begin(true, true);
    builder.setProgram(dot3);
    builder.samplerBuilder.addTexture("test/white", "diffuse");
    builder.samplerBuilder.addTexture("test/flat", "bump");
    builder.uniformsBuilder.addVector4f("diffuseTint", &tints_.back().x);
    builder.uniformsBuilder.addFloat("specularLevel", 1, &speculars_.back());
    Ref<Material> material = builder.finish();
    Ref<VAOModel> model(new VAOModel(vao.get()));
    MeshBin bin;
    bin.indexCount = static_cast<uint32_t>(mesh.indices.size());
    bin.maxIndex = mesh.count() - 1;
    bin.primitiveType = 4;
    Ref<SubModel> part(new SubModel(bin, 0));
    // Bit 2: drawn into shadow maps.
    material->mask = model->mask = part->mask = 2;
    model->addChild(part.get());
    material->addChild(model.get());
    parent->addChild(material.get());
    return material.get();
}

Ref<Scene> LitTestScene::buildScene() {
    root = new Group();
    root->mask = 2;
    Ref<Camera> cam(new Camera(50.0f, 0.5f, 100.0f));
    cam->transform.local = Mat4::lookAt(layout.eye, layout.target, Vec3(0, 1, 0)).inverse();
    root->addChild(cam.get());
    camera = cam;
    cameras.push_back(cam);

    MeshData floor;
    floor.quad(Vec3(0, 0, 0), Vec3(15, 0, 0), Vec3(0, 0, -15));
    addMesh(root.get(), floor, Vec4(0.55f, 0.52f, 0.5f, 1.0f), 0.2f);
    MeshData cube;
    cube.box(layout.cubeCenter, Vec3(1, 1, 1));
    addMesh(root.get(), cube, Vec4(0.8f, 0.35f, 0.2f, 1.0f), 0.5f);
    MeshData sphere;
    sphere.sphere(layout.sphereCenter, 1.2f, 24, 48);
    addMesh(root.get(), sphere, Vec4(0.7f, 0.75f, 0.8f, 1.0f), 0.9f);
    MeshData pillar;
    pillar.box(Vec3(0, 2, -3), Vec3(0.4f, 2.0f, 0.4f));
    addMesh(root.get(), pillar, Vec4(0.3f, 0.6f, 0.65f, 1.0f), 0.4f);

    auto add = [this](Light* light) { root->addChild(light); };
    const Layout& l = layout;
    if (lightBits_ & WithDirectional) {
        Ref<Light> light(new DirectionalLight(Vec3(1.0f, 0.85f, 0.7f), 0.5f));
        place(*light, Vec3(0, 10, 0), Vec3(-0.4f, -1.0f, -0.3f));
        add(light.get());
    }
    if (lightBits_ & WithPoint) {
        Ref<Light> light(new PointLight(Vec3(0.25f, 0.84f, 0.9f), 3.0f, l.pointRange));
        place(*light, l.pointPosition, Vec3(0, 0, 1));
        add(light.get());
    }
    if (lightBits_ & WithSpot) {
        Ref<Light> light(
            new SpotLight(Vec3(1.0f, 0.7f, 0.28f), 4.0f, l.spotRange, 30.0f * kDegree, 8.0f * kDegree));
        place(*light, l.spotPosition, l.spotTarget - l.spotPosition);
        plainSpot = light.get();
        add(light.get());
    }
    if (lightBits_ & WithShadowSpot) {
        Ref<Light> light(
            new SpotLight(Vec3(1.0f, 0.6f, 0.2f), 5.0f, l.spotRange, 30.0f * kDegree, 8.0f * kDegree));
        place(*light, l.shadowSpotPosition, l.cubeCenter - l.shadowSpotPosition);
        light->castsShadow = true;
        light->shadowMap = spotMap_;
        shadowSpot = light.get();
        add(light.get());
    }
    if (lightBits_ & WithArea) {
        Ref<Light> light(new AreaLight(Vec3(1.0f, 0.45f, 0.1f), 3.0f, l.areaRange));
        place(*light, l.areaPosition, Vec3(0, 0, 1));
        add(light.get());
    }
    if (lightBits_ & WithLinear) {
        Ref<Light> light(new LinearLight(Vec3(0.25f, 0.84f, 0.9f), 3.0f, l.linearLength, l.linearReach));
        place(*light, l.linearStart, Vec3(1, 0, 0));
        add(light.get());
    }
    if (lightBits_ & WithCube) {
        Ref<Light> light(new CubeLight(Vec3(1, 1, 1), 4.0f, cubeTexture_.get(), l.cubeRange));
        place(*light, l.cubePosition, Vec3(0, 0, 1));
        add(light.get());
    }
    if (lightBits_ & WithAmbient) {
        Ref<Light> light(new AmbientLight(Vec3(0.1f, 0.5f, 0.55f), 0.15f));
        add(light.get());
    }
    if (lightBits_ & WithProjective) {
        Ref<Light> light(new ProjectiveLight(Vec3(1, 1, 1), 5.0f, l.projectiveRange, 40.0f, 25.0f * kDegree,
                                             6.0f * kDegree, 1.0f, pointTexture_.get()));
        place(*light, l.projectivePosition, l.projectiveTarget - l.projectivePosition);
        add(light.get());
    }
    if (lightBits_ & WithShadowProjective) {
        Ref<Light> light(new ProjectiveLight(Vec3(1.0f, 0.85f, 0.6f), 6.0f, l.projectiveRange, 40.0f,
                                             25.0f * kDegree, 6.0f * kDegree, 1.0f, pointTexture_.get()));
        place(*light, l.shadowProjectivePosition, l.sphereCenter - l.shadowProjectivePosition);
        light->castsShadow = true;
        light->shadowMap = projectiveMap_;
        shadowProjective = light.get();
        add(light.get());
    }
    for (Ref<Light>& light : extraLights) add(light.get());

    Ref<Scene> scene(new Scene(root.get()));
    return scene;
}

void LightingTest::SetUp() {
    PostTest::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    registerTargets(kWidth, kHeight);
    registerLookups();
    auto& textures = textureRegistry();
    gbuffer_ = new Framebuffer();
    gbuffer_->setAttachment(Attachment::Color0, textures.get("diffuse_specular").get());
    gbuffer_->setAttachment(Attachment::Color1, textures.get("normal_depth").get());
    gbuffer_->setAttachment(Attachment::DepthStencil, textures.get("backbuffer_depth").get());
    ASSERT_TRUE(gbuffer_->create());
    framebufferRegistry().add("gbuffer", gbuffer_);

    textures.add("test/white", solidTexture(255, 255, 255, 255));
    textures.add("test/flat", solidTexture(128, 128, 255, 255));

    // The light textures as the content tool generates them.
    const std::string data = std::string(EMBER_RUN_DIR) + "/data/textures/";
    PNGLoader png;
    pointTexture_ = png.loadTexture(data + "pointlight.png");
    ASSERT_TRUE(pointTexture_) << "run the content tool first (ninja content)";
    // As the manifest sets it up for an image without mipmaps of its own: clamped, linear.
    pointTexture_->bind();
    TextureState pointState = pointTexture_->textureState();
    pointState.magFilter = pointState.minFilter = TextureFilter::Linear;
    pointState.wrapS = pointState.wrapT = TextureWrap::ClampToEdge;
    pointTexture_->setTextureState(pointState);
    pointTexture_->unbind();
    textures.add("pointlight", pointTexture_);
    Ref<TextureCube> cube(new TextureCube());
    static const CubeFace faces[6] = {CubeFace::PositiveX, CubeFace::NegativeX, CubeFace::PositiveY,
                                      CubeFace::NegativeY, CubeFace::PositiveZ, CubeFace::NegativeZ};
    for (int i = 0; i < 6; ++i) {
        DecodedImage image;
        char suffix[16];
        std::snprintf(suffix, sizeof(suffix), "_c%02d.png", i);
        ASSERT_TRUE(png.readImage(data + "cubemaps/viruslight" + suffix, image));
        if (i == 0) {
            ASSERT_TRUE(cube->create(image.width, image.height, image.format));
            cube->bind();
            TextureState state = cube->textureState();
            state.magFilter = state.minFilter = TextureFilter::Linear;
            state.wrapS = state.wrapT = state.wrapR = TextureWrap::ClampToEdge;
            cube->setTextureState(state);
        }
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        cube->uploadData(image.pixels, faces[i]);
    }
    cube->unbind();
    cubeTexture_ = cube;
    textures.add("cubemaps/viruslight", cubeTexture_);

    spotMap_ = depthMap();
    projectiveMap_ = depthMap();
    spotTarget_ = new Framebuffer();
    spotTarget_->setAttachment(Attachment::Depth, spotMap_.get());
    ASSERT_TRUE(spotTarget_->create());
    projectiveTarget_ = new Framebuffer();
    projectiveTarget_->setAttachment(Attachment::Depth, projectiveMap_.get());
    ASSERT_TRUE(projectiveTarget_->create());

    windowColor_ = makeTexture(kWidth, kHeight, TextureFormat::RGBA8);
    window_ = new Framebuffer();
    window_->setAttachment(Attachment::Color0, windowColor_.get());
    ASSERT_TRUE(window_->create());
    Framebuffer::setWindowStandIn(window_.get());
}

void LightingTest::TearDown() {
    // The next test's device starts from GL's defaults (depth writes on among
    // them); the light pass leaves them off.
    if (device_) device_->resetDevice();
    Framebuffer::setWindowStandIn(nullptr);
    PostTest::TearDown();
}

Ref<Program> LightingTest::loadLightProgram(const std::string& name) {
    ShaderLoader loader(std::string(EMBER_SOURCE_DIR) + "/data/shaders/");
    const std::string base = std::string(EMBER_SOURCE_DIR) + "/data/shaders/" + name;
    Ref<Program> program(new Program(name));
    const struct {
        ShaderStage stage;
        const char* extension;
    } stages[3] = {
        {ShaderStage::Vertex, ".vert"}, {ShaderStage::Geometry, ".geom"}, {ShaderStage::Fragment, ".frag"}};
    for (const auto& s : stages) {
        if (s.stage == ShaderStage::Geometry && !std::filesystem::exists(base + s.extension)) continue;
        Ref<Shader> shader = loader.load(base + s.extension, s.stage);
        if (!shader) return {};
        program->setShader(s.stage, shader.get());
    }
    if (!program->compile()) return {};
    return program;
}

void LightingTest::registerLightPrograms(bool withShadowVariants) {
    for (int32_t i = 0; i < DeferredScene::ProgramCount; ++i) {
        const bool drawn = i < DeferredScene::KindCount || i == DeferredScene::SpotShadowProgram ||
                           i == DeferredScene::ProjectiveShadowProgram || i == DeferredScene::ParticleProgram;
        if (!drawn || (!withShadowVariants && i >= DeferredScene::KindCount)) continue;
        Ref<Program> program = loadLightProgram(DeferredScene::programName(i));
        ASSERT_TRUE(program) << DeferredScene::programName(i) << "\n" << posttest::readLog();
        programRegistry().add(DeferredScene::programName(i), program);
    }
    for (const char* name : {"deferred/geometry_dot3", "shadows/spotlight"}) {
        Ref<Program> program = loadLightProgram(name);
        ASSERT_TRUE(program) << name << "\n" << posttest::readLog();
        programRegistry().add(name, program);
    }
}

Ref<LitTestScene> LightingTest::makeScene(uint32_t lights, bool withComposite) {
    Ref<LitTestScene> scene(new LitTestScene(lights, pointTexture_.get(), cubeTexture_.get(), spotMap_.get(),
                                             projectiveMap_.get()));
    if (withComposite) {
        Ref<BlitEngine> blit(new BlitEngine());
        EXPECT_TRUE(blit->initiate("qm_gradient", kWidth, kHeight)) << posttest::readLog();
        blit->passCounts[0] = 2;
        scene->setBlit(blit.get());
    }
    return scene;
}

void LightingTest::renderFrame(LitTestScene& scene, float beat) {
    device_->resetDevice();
    scene.update(beat, 0.0f);
    if (scene.shadowSpot) scene.renderSpotShadow(device_.get(), spotTarget_.get(), scene.shadowSpot);
    if (scene.shadowProjective)
        scene.renderProjectiveShadow(device_.get(), projectiveTarget_.get(), scene.shadowProjective);
    scene.render(device_.get(), beat, 0.0f);
    glFinish();
}

std::vector<float> LightingTest::lightImage() {
    return readTexture(textureRegistry().get("light_accumulation").get(), kWidth, kHeight);
}

bool LightingTest::project(const LitTestScene& scene, const Vec3& p, int32_t& x, int32_t& y) {
    const Camera* cam = static_cast<const Camera*>(scene.camera.get());
    const Vec4 clip = cam->projection * (cam->view * Vec4(p, 1.0f));
    if (clip.w <= 0.0f) return false;
    x = static_cast<int32_t>(std::floor((clip.x / clip.w * 0.5f + 0.5f) * kWidth));
    y = static_cast<int32_t>(std::floor((clip.y / clip.w * 0.5f + 0.5f) * kHeight));
    return x >= 0 && y >= 0 && x < kWidth && y < kHeight;
}

float LightingTest::luminanceAt(const std::vector<float>& image, int32_t x, int32_t y) {
    const float* p = &image[(static_cast<size_t>(y) * kWidth + x) * 4];
    return 0.2126f * p[0] + 0.7152f * p[1] + 0.0722f * p[2];
}

namespace {

void writeReview(const std::string& name, const std::vector<uint8_t>& rgbTopFirst) {
    const std::string dir = std::string(EMBER_BINARY_DIR) + "/review";
    std::filesystem::create_directories(dir);
    std::string error;
    EXPECT_TRUE(qm::PngWriter::write(dir + "/" + name + ".png", kWidth, kHeight, rgbTopFirst, &error))
        << error;
}

}  // namespace

void LightingTest::saveLightImage(const std::string& name) {
    const std::vector<float> image = lightImage();
    std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                const float v = image[(static_cast<size_t>(y) * kWidth + x) * 4 + c];
                // Reinhard and display gamma, enough to look at the raw lighting.
                const float mapped = std::pow(std::max(v, 0.0f) / (1.0f + std::max(v, 0.0f)), 1.0f / 2.2f);
                rgb[(static_cast<size_t>(kHeight - 1 - y) * kWidth + x) * 3 + c] =
                    static_cast<uint8_t>(std::lround(std::min(mapped, 1.0f) * 255.0f));
            }
    writeReview(name, rgb);
}

void LightingTest::saveComposite(const std::string& name) {
    std::vector<uint8_t> rgba(static_cast<size_t>(kWidth) * kHeight * 4);
    glFinish();
    windowColor_->bind();
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    windowColor_->unbind();
    std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c)
                rgb[(static_cast<size_t>(kHeight - 1 - y) * kWidth + x) * 3 + c] =
                    rgba[(static_cast<size_t>(y) * kWidth + x) * 4 + c];
    writeReview(name, rgb);
}

}  // namespace lighttest
