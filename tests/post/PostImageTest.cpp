// Every effect and the composite applied with the real shaders to synthetic
// inputs, checked by pixels for what it must do, and saved for review as
// build/review/post-*.png.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

#include "PostTestSupport.h"
#include "capture/PngWriter.h"
#include "core/Math.h"
#include "loaders/PNGLoader.h"
#include "post/BlurEngine.h"
#include "post/GlowEngine.h"
#include "post/LightStreaksEngine.h"
#include "post/MotionBlurEngine.h"
#include "post/RadialBlurEngine.h"
#include "post/SSAOEngine.h"

namespace {

using namespace ember;
using posttest::readLog;

struct Rgb {
    float r = 0, g = 0, b = 0;
};

// Floats into any colour texture (GL converts to the storage format).
void upload(Texture2D* texture, GLenum format, const std::vector<float>& pixels) {
    texture->bind();
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, texture->width(), texture->height(), format, GL_FLOAT,
                    pixels.data());
    texture->unbind();
}

// Saves RGBA floats (rows bottom first) as a PNG, top row first, through a
// gentle tone curve so HDR intermediates stay readable.
void savePreview(const std::string& name, const std::vector<float>& rgba, int w, int h,
                 bool display = false) {
    const std::string dir = std::string(EMBER_BINARY_DIR) + "/review";
    std::filesystem::create_directories(dir);
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                float v = rgba[(static_cast<size_t>(h - 1 - y) * w + x) * 4 + c];
                if (!display) v = std::pow(std::max(v, 0.0f) / (1.0f + std::max(v, 0.0f)), 1.0f / 2.2f);
                rgb[(static_cast<size_t>(y) * w + x) * 3 + c] =
                    static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
            }
    std::string error;
    EXPECT_TRUE(qm::PngWriter::write(dir + "/" + name, w, h, rgb, &error)) << error;
}

float at(const std::vector<float>& rgba, int w, int x, int y, int c = 0) {
    return rgba[(static_cast<size_t>(y) * w + x) * 4 + c];
}

// A small room seen from its middle: floor, back wall and two side walls, so
// there are creases where they meet and wide flat areas between.
struct Room {
    int w, h;
    Mat4 projection;
    std::vector<float> depth;    // hardware depth, 0..1
    std::vector<float> normals;  // view space, RGBA (w = linear depth)
    std::vector<float> positions;

    Room(int w_, int h_) : w(w_), h(h_) {
        projection = Mat4::perspective(1.0f, float(w) / float(h), 0.5f, 60.0f);
        const float ty = std::tan(0.5f), tx = ty * float(w) / float(h);
        depth.resize(size_t(w) * h);
        normals.resize(size_t(w) * h * 4);
        positions.resize(size_t(w) * h * 3);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Vec3 dir(((x + 0.5f) / w * 2 - 1) * tx, ((y + 0.5f) / h * 2 - 1) * ty, -1.0f);
                float t = 9.0f;  // back wall at z = -9
                Vec3 n(0, 0, 1);
                if (dir.y < 0 && -1.2f / dir.y < t) t = -1.2f / dir.y, n = Vec3(0, 1, 0);
                if (dir.x < 0 && -2.5f / dir.x < t) t = -2.5f / dir.x, n = Vec3(1, 0, 0);
                if (dir.x > 0 && 2.5f / dir.x < t) t = 2.5f / dir.x, n = Vec3(-1, 0, 0);
                const Vec3 p = dir * t;
                const Vec4 clip = projection * Vec4(p, 1.0f);
                const size_t i = size_t(y) * w + x;
                depth[i] = clip.z / clip.w * 0.5f + 0.5f;
                normals[i * 4 + 0] = n.x;
                normals[i * 4 + 1] = n.y;
                normals[i * 4 + 2] = n.z;
                normals[i * 4 + 3] = -p.z;
                positions[i * 3 + 0] = p.x;
                positions[i * 3 + 1] = p.y;
                positions[i * 3 + 2] = p.z;
            }
    }

    // Lit the way the demo lights: a warm key, cold fill, a 16x hot lamp on the back wall.
    std::vector<float> lit() const {
        std::vector<float> out(size_t(w) * h * 4);
        const Vec3 key(1.2f, 0.6f, -6.0f);
        for (size_t i = 0; i < size_t(w) * h; ++i) {
            const Vec3 p(positions[i * 3], positions[i * 3 + 1], positions[i * 3 + 2]);
            const Vec3 n(normals[i * 4], normals[i * 4 + 1], normals[i * 4 + 2]);
            const Vec3 l = key - p;
            const float d = l.length();
            const float diffuse = std::max(0.0f, n.dot(l * (1.0f / d))) * 12.0f / (1.0f + 1.5f * d * d);
            const float checker =
                ((int(std::floor(p.x * 1.5f)) + int(std::floor(p.z * 1.5f)) + int(std::floor(p.y * 1.5f))) &
                 1)
                    ? 0.55f
                    : 0.8f;
            Rgb c{diffuse * 1.0f * checker, diffuse * 0.62f * checker, diffuse * 0.3f * checker};
            c.r += 0.008f * checker;
            c.g += 0.03f * checker;
            c.b += 0.045f * checker;
            // The lamp: a disc on the back wall, 16 times over white at its core.
            const float dx = p.x + 1.0f, dy = p.y - 1.0f;
            const float r2 = dx * dx + dy * dy;
            if (n.z > 0.5f && r2 < 0.16f) {
                const float glow = 16.0f * (1.0f - r2 / 0.16f) + 2.0f;
                c = {glow, glow * 0.85f, glow * 0.6f};
            }
            out[i * 4 + 0] = c.r;
            out[i * 4 + 1] = c.g;
            out[i * 4 + 2] = c.b;
            out[i * 4 + 3] = 1.0f;
        }
        return out;
    }
};

class PostImageTest : public posttest::PostTest {
protected:
    static constexpr int W = 320, H = 180;

    void SetUp() override {
        PostTest::SetUp();
        if (IsSkipped()) return;
        registerTargets(W, H);
        registerLookups();
        registerRealPrograms();
    }

    Texture2D* texture(const char* name) {
        return static_cast<Texture2D*>(textureRegistry().get(name).get());
    }

    // Three sets for "tex" as the composite builds them.
    SamplerSetList threeSets(Program* program, const char* source, const char* temp, const char* final) {
        SamplerSetList sets;
        for (const char* name : {source, temp, final}) {
            SamplerSetBuilder builder;
            builder.setProgram(program);
            builder.addTexture(textureRegistry().get(name).get(), "tex");
            sets.push_back(builder.samplerSet());
        }
        return sets;
    }

    // A black HDR picture with single bright points.
    // Each point is 2 x 2 pixels, one texel of the half-size targets.
    void points(const char* name, std::initializer_list<std::pair<int, int>> where, float value) {
        std::vector<float> pixels(size_t(W) * H * 4, 0.0f);
        for (auto [x, y] : where)
            for (int k = 0; k < 4; ++k)
                for (int c = 0; c < 3; ++c) pixels[(size_t(y + k / 2) * W + x + k % 2) * 4 + c] = value;
        upload(texture(name), GL_RGBA, pixels);
    }
};

TEST_F(PostImageTest, BlurSpreadsAPointSymmetricallyAndKeepsItsEnergy) {
    points("ssao_buffer", {{W / 2, H / 2}}, 16.0f);
    Ref<BlurEngine> blur(new BlurEngine(programRegistry().get("post/blur").get()));
    ASSERT_TRUE(
        blur->initiate(framebufferRegistry().get("blur_temp").get(), framebufferRegistry().get("dof").get()));
    blur->render(device_.get(), threeSets(blur->program(), "ssao_buffer", "blur_temp_color", "dof_color"), 2);
    const int w = W / 2, h = H / 2;
    const std::vector<float> out = readTexture(texture("dof_color"), w, h);
    savePreview("post-blur.png", out, w, h);
    const int cx = w / 2, cy = h / 2;
    double sum = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) sum += at(out, w, x, y);
    // Four full-size pixels of 16 are one half-size texel of 16.
    EXPECT_NEAR(sum, 16.0, 1.6);
    EXPECT_GT(at(out, w, cx + 3, cy), 0.05f);
    EXPECT_GT(at(out, w, cx, cy + 3), 0.05f);
    EXPECT_NEAR(at(out, w, cx - 3, cy), at(out, w, cx + 3, cy), 0.2f * at(out, w, cx + 3, cy));
    EXPECT_LT(at(out, w, cx + 3, cy), at(out, w, cx + 1, cy));
    EXPECT_LT(at(out, w, cx, cy), 16.0f);
    EXPECT_EQ(at(out, w, 2, 2), 0.0f);
}

TEST_F(PostImageTest, GlowBrightensAroundBrightPixelsOnly) {
    std::vector<float> pixels(size_t(W) * H * 4, 0.0f);
    for (size_t i = 0; i < size_t(W) * H; ++i) pixels[i * 4] = pixels[i * 4 + 1] = pixels[i * 4 + 2] = 0.4f;
    for (int y = H / 2 - 3; y <= H / 2 + 3; ++y)
        for (int x = W / 2 - 3; x <= W / 2 + 3; ++x)
            for (int c = 0; c < 3; ++c) pixels[(size_t(y) * W + x) * 4 + c] = 8.0f;
    upload(texture("ssao_buffer"), GL_RGBA, pixels);
    Ref<GlowEngine> glow(new GlowEngine(programRegistry().get("post/glow").get()));
    ASSERT_TRUE(glow->initiate(framebufferRegistry().get("blur_temp").get(),
                               framebufferRegistry().get("blur").get()));
    glow->render(device_.get(), threeSets(glow->program(), "ssao_buffer", "blur_temp_color", "blur_color"),
                 3);
    const int w = W / 2, h = H / 2;
    const std::vector<float> out = readTexture(texture("blur_color"), w, h);
    savePreview("post-glow.png", out, w, h);
    // The halo reaches well past the bright square (half-size texels: it spans +-1.5).
    EXPECT_GT(at(out, w, w / 2 + 6, h / 2), 0.02f);
    EXPECT_GT(at(out, w, w / 2, h / 2), at(out, w, w / 2 + 6, h / 2));
    // The 0.4 grey surroundings are below the knee: no glow there.
    EXPECT_LT(at(out, w, 5, 5), 1e-4f);
}

TEST_F(PostImageTest, LightStreaksRunAlongTheirDirections) {
    points("ssao_buffer", {{W / 2, H / 2}}, 100.0f);
    Ref<LightStreaksEngine> streaks(new LightStreaksEngine(programRegistry().get("post/lightstreaks").get()));
    ASSERT_TRUE(streaks->initiate(framebufferRegistry().get("blur_temp").get(),
                                  framebufferRegistry().get("blur").get()));
    streaks->render(device_.get(),
                    threeSets(streaks->program(), "ssao_buffer", "blur_temp_color", "blur_color"), 2);
    const int w = W / 2, h = H / 2;
    const std::vector<float> out = readTexture(texture("blur_color"), w, h);
    savePreview("post-lightstreaks.png", out, w, h);
    const int cx = w / 2, cy = h / 2;
    for (int d : {8, 12}) {
        SCOPED_TRACE(d);
        // Both diagonals carry the streaks, in both senses; the axes between them stay
        // dark once past the core, where the two directions of a pass overlap.
        const float diagonal = std::min({at(out, w, cx + d, cy + d), at(out, w, cx - d, cy - d),
                                         at(out, w, cx - d, cy + d), at(out, w, cx + d, cy - d)});
        const float axis = std::max({at(out, w, cx + d, cy), at(out, w, cx, cy + d), at(out, w, cx - d, cy)});
        EXPECT_GT(diagonal, 0.01f);
        EXPECT_GT(diagonal, 10.0f * axis);
    }
}

TEST_F(PostImageTest, RadialBlurThrowsShaftsAwayFromTheOrigin) {
    points("ssao_buffer", {{W / 2 + 60, H / 2}}, 80.0f);
    Ref<RadialBlurEngine> radial(new RadialBlurEngine(programRegistry().get("post/radial_blur").get()));
    ASSERT_TRUE(radial->initiate(framebufferRegistry().get("blur_temp").get(),
                                 framebufferRegistry().get("blur").get()));
    radial->render(device_.get(),
                   threeSets(radial->program(), "ssao_buffer", "blur_temp_color", "blur_color"), 2);
    const int w = W / 2, h = H / 2;
    const std::vector<float> out = readTexture(texture("blur_color"), w, h);
    savePreview("post-radial_blur.png", out, w, h);
    const int px = w / 2 + 30, py = h / 2;
    // Outwards (away from the centre) the point smears; towards it and across it stays dark.
    EXPECT_GT(at(out, w, px + 4, py), 0.01f);
    EXPECT_GT(at(out, w, px + 4, py), 10.0f * at(out, w, px - 4, py));
    EXPECT_GT(at(out, w, px + 4, py), 10.0f * at(out, w, px, py + 4));
}

TEST_F(PostImageTest, MotionBlurSmearsAlongTheCameraMotion) {
    // Vertical bars at a distance of 5 units, camera moved sideways between frames.
    Room room(W, H);
    std::vector<float> bars(size_t(W) * H * 4, 0.0f), depth(size_t(W) * H);
    const Vec4 clip = room.projection * Vec4(0, 0, -5, 1);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const size_t i = size_t(y) * W + x;
            const float v = (x / 16) % 2 ? 1.0f : 0.0f;
            bars[i * 4] = bars[i * 4 + 1] = bars[i * 4 + 2] = v;
            depth[i] = clip.z / clip.w * 0.5f + 0.5f;
        }
    Ref<Texture2D> depthTexture = makeTexture(W, H, TextureFormat::Depth32F);
    upload(depthTexture.get(), GL_DEPTH_COMPONENT, depth);
    upload(texture("ssao_buffer"), GL_RGBA, bars);
    Ref<MotionBlurEngine> motion(new MotionBlurEngine(programRegistry().get("post/motion_blur").get()));
    ASSERT_TRUE(motion->initiate(framebufferRegistry().get("blur_temp").get(),
                                 framebufferRegistry().get("dof").get()));
    const Mat4 view = Mat4::identity(), previousView = Mat4::translation(-0.4f, 0, 0);
    std::memcpy(motion->currentMatrix, (room.projection * view).inverse().m, 64);
    std::memcpy(motion->previousMatrix, (room.projection * previousView).m, 64);
    SamplerSetBuilder builder;
    builder.setProgram(motion->program());
    builder.addTexture(texture("ssao_buffer"), "color_buffer");
    builder.addTexture(depthTexture.get(), "depth_buffer");
    motion->render(device_.get(), {builder.samplerSet()}, 1);
    const int w = W / 2, h = H / 2;
    const std::vector<float> out = readTexture(texture("dof_color"), w, h);
    savePreview("post-motion_blur.png", out, w, h);
    // Hard 0/1 bars become a ramp: many intermediate values along a row.
    int between = 0;
    for (int x = 0; x < w; ++x) {
        const float v = at(out, w, x, h / 2);
        if (v > 0.15f && v < 0.85f) ++between;
    }
    EXPECT_GT(between, w / 3);
    // Without motion the bars stay hard.
    std::memcpy(motion->previousMatrix, room.projection.m, 64);
    motion->render(device_.get(), {builder.samplerSet()}, 1);
    const std::vector<float> still = readTexture(texture("dof_color"), w, h);
    int soft = 0;
    for (int x = 0; x < w; ++x) {
        const float v = at(still, w, x, h / 2);
        if (v > 0.15f && v < 0.85f) ++soft;
    }
    EXPECT_LT(soft, w / 10);
}

TEST_F(PostImageTest, SSAODarkensCreasesAndLeavesFlatAreasAlone) {
    Room room(W, H);
    Ref<Texture2D> depthTexture = makeTexture(W, H, TextureFormat::Depth32F);
    upload(depthTexture.get(), GL_DEPTH_COMPONENT, room.depth);
    textureRegistry().remove("backbuffer_depth");
    textureRegistry().add("backbuffer_depth", depthTexture);
    upload(texture("normal_depth"), GL_RGBA, room.normals);
    std::vector<float> white(size_t(W) * H * 4, 1.0f);
    upload(texture("light_accumulation"), GL_RGBA, white);

    Ref<BlitEngine> blit(new BlitEngine());
    ASSERT_TRUE(blit->initiate("qm_gradient", W, H)) << readLog();
    SSAOEngine* ssao = blit->getSSAOEngine();
    const Mat4 inverse = room.projection.inverse();
    const int coeffs[5] = {0, 5, 11, 14, 15};
    for (int i = 0; i < 5; ++i) ssao->projCoeffs[i] = inverse.m[coeffs[i]];
    ssao->radius = 0.6f;
    device_->setMatrix(StandardMatrix::ProjectionMatrixInverse, inverse);
    ssao->render(device_.get(), blit->effectSamplerSets(BlitEngine::SlotSSAO), 1);
    const std::vector<float> out = readTexture(texture("ssao_buffer"), W, H);
    savePreview("post-ssao.png", out, W, H, true);
    // Creases: within 0.1 units of another surface of the room; flat: more than
    // three radii from every other surface, where no sample can reach one.
    double creaseSum = 0, flatMin = 1;
    int creases = 0, flats = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const size_t i = size_t(y) * W + x;
            const Vec3 p(room.positions[i * 3], room.positions[i * 3 + 1], room.positions[i * 3 + 2]);
            const Vec3 n(room.normals[i * 4], room.normals[i * 4 + 1], room.normals[i * 4 + 2]);
            float gap = 1e9f;
            if (n.y < 0.5f) gap = std::min(gap, p.y + 1.2f);
            if (n.x < 0.5f) gap = std::min(gap, p.x + 2.5f);
            if (n.x > -0.5f) gap = std::min(gap, 2.5f - p.x);
            if (n.z < 0.5f) gap = std::min(gap, p.z + 9.0f);
            const float v = at(out, W, x, y);
            if (gap < 0.1f) {
                creaseSum += v;
                ++creases;
            } else if (gap > 3.0f * ssao->radius) {
                flatMin = std::min<double>(flatMin, v);
                ++flats;
            }
        }
    ASSERT_GT(creases, 100);
    ASSERT_GT(flats, 1000);
    EXPECT_LT(creaseSum / creases, 0.8);
    EXPECT_GT(flatMin, 0.97);
}

// The composite with the full chain over an HDR room: glow, depth of field,
// the production's grade, look-up and grain.
class CompositeImageTest : public PostImageTest {
protected:
    void SetUp() override {
        PostImageTest::SetUp();
        if (IsSkipped()) return;
        window_ = makeTarget("window", makeTexture(W, H, TextureFormat::RGBA8).get());
        Framebuffer::setWindowStandIn(window_.get());
    }

    // Runs the composite once and returns the window's RGBA (0..1).
    std::vector<float> composite(BlitEngine* blit) {
        blit->render(device_.get());
        return readTexture(window_->texture(Attachment::Color0), W, H);
    }

    Ref<Framebuffer> window_;
};

TEST_F(CompositeImageTest, ToneMapKeepsA16xHighlightBelowWhiteWithGradation) {
    // An HDR ramp from 0 to 16 times white across the middle half of the
    // picture (inside the vignette's clear centre); sky depth so the occlusion
    // passes it through unchanged.
    const int x0 = W / 4, x1 = 3 * W / 4;
    auto level = [&](int x) { return 16.0f * std::clamp(float(x - x0) / float(x1 - x0), 0.0f, 1.0f); };
    std::vector<float> ramp(size_t(W) * H * 4, 1.0f);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            for (int c = 0; c < 3; ++c) ramp[(size_t(y) * W + x) * 4 + c] = level(x);
    upload(texture("light_accumulation"), GL_RGBA, ramp);
    Ref<Texture2D> sky = makeTexture(W, H, TextureFormat::Depth32F);
    upload(sky.get(), GL_DEPTH_COMPONENT, std::vector<float>(size_t(W) * H, 1.0f));
    textureRegistry().remove("backbuffer_depth");
    textureRegistry().add("backbuffer_depth", sky);
    Ref<BlitEngine> blit(new BlitEngine());
    ASSERT_TRUE(blit->initiate("qm_gradient", W, H)) << readLog();
    const std::vector<float> out = composite(blit.get());
    savePreview("post-tonemap.png", out, W, H, true);
    const int y = H / 2;
    std::set<int> top;
    float previous = -1.0f;
    for (int x = x0; x <= x1; ++x) {
        const float v = at(out, W, x, y, 1);
        EXPECT_GE(v, previous) << x;
        previous = v;
        if (level(x) >= 8.0f) top.insert(int(std::lround(v * 255)));
    }
    // 16 times over white stays below white...
    EXPECT_LT(at(out, W, x1, y, 0), 254.5f / 255.0f);
    // ...and from 8x to 16x the picture still shows steps.
    EXPECT_GE(top.size(), 4u);
    // Mid-grey input lands in the middle of the display range.
    EXPECT_NEAR(at(out, W, x0 + int(0.18f / 16.0f * (x1 - x0) + 0.5f), y, 1), 0.43f, 0.08f);
}

TEST_F(CompositeImageTest, FullChainOverAnHDRRoomLooksFinished) {
    Room room(W, H);
    Ref<Texture2D> depthTexture = makeTexture(W, H, TextureFormat::Depth32F);
    upload(depthTexture.get(), GL_DEPTH_COMPONENT, room.depth);
    textureRegistry().remove("backbuffer_depth");
    textureRegistry().add("backbuffer_depth", depthTexture);
    upload(texture("normal_depth"), GL_RGBA, room.normals);
    upload(texture("light_accumulation"), GL_RGBA, room.lit());

    // The production's own look-up, noise and gradient from the run directory.
    const std::string data = std::string(EMBER_RUN_DIR) + "/data/";
    PNGLoader png;
    Ref<Texture> lut = png.loadTexture(data + "textures/color_map.png");
    Ref<Texture> noise = png.loadTexture(data + "textures/noise.png");
    ASSERT_TRUE(lut && noise) << "run the content tool first";
    textureRegistry().remove("color_map");
    textureRegistry().remove("noise");
    textureRegistry().add("color_map", lut);
    textureRegistry().add("noise", noise);
    std::ifstream grad(data + "qm_gradient.grad", std::ios::binary);
    std::vector<uint8_t> ramp((std::istreambuf_iterator<char>(grad)), std::istreambuf_iterator<char>());
    ASSERT_EQ(ramp.size(), 768u);
    Texture1D* gradient = static_cast<Texture1D*>(textureRegistry().get("qm_gradient").get());
    gradient->bind();
    gradient->uploadData(ramp.data());
    gradient->unbind();

    Ref<BlitEngine> blit(new BlitEngine());
    ASSERT_TRUE(blit->initiate("qm_gradient", W, H)) << readLog();
    const Mat4 inverse = room.projection.inverse();
    const int coeffs[5] = {0, 5, 11, 14, 15};
    for (int i = 0; i < 5; ++i) blit->getSSAOEngine()->projCoeffs[i] = inverse.m[coeffs[i]];
    blit->getSSAOEngine()->radius = 0.5f;
    device_->setMatrix(StandardMatrix::ProjectionMatrixInverse, inverse);
    const float range[4] = {0.5f, 60.0f, 59.5f, -30.0f};
    std::memcpy(blit->cameraRange, range, sizeof(range));
    blit->dofParams[0] = 6.0f;  // focus on the key light's wall area
    blit->dofParams[1] = 1.5f;
    blit->dofParams[2] = 5.0f;
    blit->effectFlags[BlitEngine::SlotGlow] = true;
    blit->effectFlags[BlitEngine::SlotSSAO] = true;
    blit->passCounts[BlitEngine::SlotGlow] = 3;
    blit->passCounts[BlitEngine::SlotBlur] = 2;
    blit->getGlowEngine()->color[3] = 0.6f;
    blit->lutFade = 1.0f;
    blit->noiseParams[2] = 0.035f;
    blit->updateVariant();
    const std::vector<float> out = composite(blit.get());
    savePreview("post-composite.png", out, W, H, true);
    savePreview("post-composite-input.png", room.lit(), W, H);

    // Not clipped: the lamp's core stays below white; not crushed: the room is
    // readable; warm key against cold shadows.
    float maximum = 0, mean = 0;
    for (size_t i = 0; i < size_t(W) * H; ++i) {
        maximum = std::max({maximum, out[i * 4], out[i * 4 + 1], out[i * 4 + 2]});
        mean += (out[i * 4] + out[i * 4 + 1] + out[i * 4 + 2]) / 3.0f;
    }
    mean /= float(W) * H;
    EXPECT_LT(maximum, 1.0f);
    EXPECT_GT(mean, 0.08f);
    EXPECT_LT(mean, 0.6f);
    EXPECT_EQ(readLog().find(" : GL_"), std::string::npos) << readLog();
}

}  // namespace
