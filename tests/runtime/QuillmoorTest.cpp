// The demo definition on the real GL context: its start-up settings and the
// procedural textures it registers after the manifest.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "ProceduralTextures.h"
#include "Quillmoor.h"
#include "RuntimeFixtures.h"
#include "rend/Registry.h"
#include "rend/Texture1D.h"
#include "rend/Texture2D.h"
#include "rend/Texture3D.h"
#include "support/GLTestContext.h"

using namespace ember;

namespace {

TEST(QuillmoorSettings, StartFromTheProductionsOwnValues) {
    ApplicationSettings s = qm::Quillmoor::defaultSettings();
    EXPECT_EQ(s.title, "Quillmoor / Marrowgate");
    EXPECT_EQ(s.width, 1280);
    EXPECT_EQ(s.height, 720);
    EXPECT_TRUE(s.fullscreen);
    EXPECT_TRUE(s.verticalSync);
    EXPECT_EQ(s.samples, 1);
    EXPECT_EQ(s.anisotropy, 1);
    EXPECT_EQ(s.glVersion, 3);
    EXPECT_FALSE(s.sRGB);
    // Record defaults left alone.
    EXPECT_EQ(s.colorBits, 32);
    EXPECT_EQ(s.depthBits, 24);
    EXPECT_EQ(s.stencilBits, 8);
    EXPECT_FALSE(s.showCursor);
    EXPECT_TRUE(s.alwaysOnTop);
}

class QuillmoorTextures : public ::testing::Test {
protected:
    void SetUp() override {
        EMBER_REQUIRE_GL();
        demo = std::make_unique<qm::Quillmoor>();
    }
    void TearDown() override {
        textureRegistry().clear();
        demo.reset();
    }
    template <class T>
    std::vector<T> readBack(Texture* texture, GLenum format, GLenum type, size_t count) {
        std::vector<T> data(count);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        texture->bind();
        glGetTexImage(texture->glTarget(), 0, format, type, data.data());
        texture->unbind();
        return data;
    }
    std::unique_ptr<qm::Quillmoor> demo;
};

TEST_F(QuillmoorTextures, GradientComesFromItsFileOrIsAGreyRamp) {
    // No file: black to white through grey.
    ASSERT_TRUE(demo->onContentLoaded());
    Ref<Texture> grey = textureRegistry().get("qm_gradient");
    ASSERT_TRUE(grey);
    ASSERT_EQ(grey->type(), TextureType::Texture1D);
    EXPECT_EQ(grey->format(), TextureFormat::RGB8);
    std::vector<uint8_t> ramp = readBack<uint8_t>(grey.get(), GL_RGB, GL_UNSIGNED_BYTE, 768);
    for (int i : {0, 77, 128, 255}) {
        EXPECT_EQ(ramp[i * 3 + 0], i);
        EXPECT_EQ(ramp[i * 3 + 2], i);
    }
    textureRegistry().clear();

    // A file: its bytes, entry by entry.
    std::vector<uint8_t> bytes(768);
    for (int i = 0; i < 768; ++i) bytes[i] = static_cast<uint8_t>((i * 7) & 0xff);
    runtimetest::writeText("data/qm_gradient.grad", std::string(bytes.begin(), bytes.end()));
    ASSERT_TRUE(demo->onContentLoaded());
    Ref<Texture> file = textureRegistry().get("qm_gradient");
    EXPECT_EQ(readBack<uint8_t>(file.get(), GL_RGB, GL_UNSIGNED_BYTE, 768), bytes);
    std::remove("data/qm_gradient.grad");
}

TEST_F(QuillmoorTextures, VectorTexturesHoldTheGeneratedData) {
    ASSERT_TRUE(demo->onContentLoaded());
    struct Expect {
        const char* name;
        TextureType type;
        TextureFormat format;
        GLenum glFormat;
        size_t floats;
        std::vector<float> data;
    };
    const Expect expects[] = {
        {"random_normals", TextureType::Texture2D, TextureFormat::RGB32F, GL_RGB, 32 * 32 * 3,
         qm::ProceduralTextures::randomNormals()},
        {"curl_vel_2d", TextureType::Texture2D, TextureFormat::RG32F, GL_RG, 256 * 256 * 2,
         qm::ProceduralTextures::curlVelocity2D()},
        {"curl_vel_3d", TextureType::Texture3D, TextureFormat::RGB32F, GL_RGB, 32 * 32 * 32 * 3,
         qm::ProceduralTextures::curlVelocity3D()},
    };
    for (const Expect& e : expects) {
        SCOPED_TRACE(e.name);
        Ref<Texture> t = textureRegistry().get(e.name);
        ASSERT_TRUE(t);
        EXPECT_EQ(t->type(), e.type);
        EXPECT_EQ(t->format(), e.format);
        EXPECT_EQ(readBack<float>(t.get(), e.glFormat, GL_FLOAT, e.floats), e.data);
        t->bind();
        GLint alpha = 0, min = 0, wrap = 0;
        glGetTexParameteriv(t->glTarget(), GL_TEXTURE_SWIZZLE_A, &alpha);
        glGetTexParameteriv(t->glTarget(), GL_TEXTURE_MIN_FILTER, &min);
        glGetTexParameteriv(t->glTarget(), GL_TEXTURE_WRAP_S, &wrap);
        t->unbind();
        EXPECT_EQ(alpha, GL_ONE);
        EXPECT_EQ(min, GL_NEAREST);
        EXPECT_EQ(wrap, GL_REPEAT);
    }
    // The generator is seeded: the first normal is a fixed unit vector.
    std::vector<float> normals = qm::ProceduralTextures::randomNormals();
    EXPECT_NEAR(std::sqrt(normals[0] * normals[0] + normals[1] * normals[1] + normals[2] * normals[2]), 1.0f, 1e-6f);
    EXPECT_EQ(normals, qm::ProceduralTextures::randomNormals());
}

TEST_F(QuillmoorTextures, AManifestTextureOfTheSameNameWins) {
    Ref<Texture2D> first(new Texture2D());
    first->create(4, 4, TextureFormat::RGBA8);
    textureRegistry().add("random_normals", first);
    ASSERT_TRUE(demo->onContentLoaded());
    EXPECT_EQ(textureRegistry().get("random_normals").get(), first.get());
}

}  // namespace
