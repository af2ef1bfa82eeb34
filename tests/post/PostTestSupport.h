#pragma once
// Shared fixture of the post-processing tests: a real GL context and device,
// the registries filled with small render targets and known textures under the
// names the composite looks up, the real programs from the source tree, and a
// probe program that records every draw it makes (uniforms, the texture it
// reads, the size of the target it covers) into a storage buffer.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "application/Logger.h"
#include "loaders/ShaderLoader.h"
#include "post/BlitEngine.h"
#include "rend/Device.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Registry.h"
#include "rend/Texture1D.h"
#include "rend/Texture2D.h"
#include "support/GLTestContext.h"

namespace posttest {

inline std::string readLog() {
    std::ifstream in("log.txt");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// One draw as the probe saw it (std430 layout of the shader's record).
struct DrawRecord {
    int32_t kind;    // which probe program drew
    int32_t source;  // width of the texture bound to "tex" (or "color_buffer")
    int32_t maxX;    // right-most pixel covered + 1 = width of the target drawn into
    int32_t maxY;
    float color[4];
    float weights[4];
    float texel[2];
    float direction[2];
    float b, lutFade, gamma[2];
    float noise[4];
    float invViewport[4];
    float cameraRange[4];
    float dofParams[4];
    float distort[4];
};
static_assert(sizeof(DrawRecord) == 160, "probe record layout");

constexpr int32_t kMaxRecords = 64;

constexpr const char* kProbeVertex = R"(#version 430 core
in vec2 POSITION;
uniform sampler2D tex;
uniform sampler2D color_buffer;
uniform vec4 color;
uniform vec4 Weights;
uniform vec2 TexelSize;
uniform vec2 Direction;
uniform float B;
uniform float lut_fade;
uniform vec2 gammaParams;
uniform vec3 noiseParams;
uniform vec2 invViewport;
uniform vec4 CameraRange;
uniform vec4 DOFParams;
uniform vec3 distortParams;
struct Rec {
    int kind; int source; int maxX; int maxY;
    vec4 color; vec4 weights; vec4 texelDir; vec4 bFadeGamma;
    vec4 noise; vec4 invViewport; vec4 cameraRange; vec4 dofParams; vec4 distort;
};
layout(std430, binding = 0) buffer Records { int vertices; int pad0; int pad1; int pad2; Rec rec[]; };
flat out int drawIndex;
void main() {
    // Four vertices per draw, shaded in draw order on the software rasterizer.
    int index = atomicAdd(vertices, 1) / 4;
    drawIndex = index;
    if (gl_VertexID == 0 && index < 64) {
        rec[index].kind = KIND;
#if KIND == 1 || KIND == 6 || KIND >= 100
        rec[index].source = textureSize(color_buffer, 0).x;
#else
        rec[index].source = textureSize(tex, 0).x;
#endif
        rec[index].color = color;
        rec[index].weights = Weights;
        rec[index].texelDir = vec4(TexelSize, Direction);
        rec[index].bFadeGamma = vec4(B, lut_fade, gammaParams);
        rec[index].noise = vec4(noiseParams, 0.0);
        rec[index].invViewport = vec4(invViewport, 0.0, 0.0);
        rec[index].cameraRange = CameraRange;
        rec[index].dofParams = DOFParams;
        rec[index].distort = vec4(distortParams, 0.0);
    }
    gl_Position = vec4(POSITION * 2.0 - 1.0, 0.0, 1.0);
}
)";

constexpr const char* kProbeFragment = R"(#version 430 core
struct Rec {
    int kind; int source; int maxX; int maxY;
    vec4 color; vec4 weights; vec4 texelDir; vec4 bFadeGamma;
    vec4 noise; vec4 invViewport; vec4 cameraRange; vec4 dofParams; vec4 distort;
};
layout(std430, binding = 0) buffer Records { int vertices; int pad0; int pad1; int pad2; Rec rec[]; };
flat in int drawIndex;
out vec4 fragColor;
void main() {
    if (drawIndex < 64) {
        atomicMax(rec[drawIndex].maxX, int(gl_FragCoord.x) + 1);
        atomicMax(rec[drawIndex].maxY, int(gl_FragCoord.y) + 1);
    }
    fragColor = vec4(1.0);
}
)";

class PostTest : public ::testing::Test {
protected:
    void SetUp() override {
        EMBER_REQUIRE_GL();
        while (glGetError() != GL_NO_ERROR) {
        }
        ASSERT_TRUE(ember::Logger::instance().open("log.txt"));
        device_ = new ember::Device();
        device_->resetDevice();
    }

    void TearDown() override {
        ember::Framebuffer::setWindowStandIn(nullptr);
        device_.reset();
        ember::textureRegistry().clear();
        ember::framebufferRegistry().clear();
        ember::programRegistry().clear();
        if (records_) {
            glDeleteBuffers(1, &records_);
            records_ = 0;
        }
        ember::Logger::instance().close();
        while (glGetError() != GL_NO_ERROR) {
        }
    }

    static ember::Ref<ember::Texture2D> makeTexture(int32_t w, int32_t h, ember::TextureFormat format,
                                                    const void* pixels = nullptr) {
        ember::Ref<ember::Texture2D> texture(new ember::Texture2D());
        texture->create(w, h, format);
        texture->bind();
        ember::TextureState state = texture->textureState();
        state.magFilter = state.minFilter = ember::TextureFilter::Linear;
        state.wrapS = state.wrapT = ember::TextureWrap::ClampToEdge;
        state.compare = false;
        texture->setTextureState(state);
        if (pixels) texture->uploadData(pixels);
        texture->unbind();
        return texture;
    }

    static ember::Ref<ember::Framebuffer> makeTarget(const std::string& name, ember::Texture* color) {
        ember::Ref<ember::Framebuffer> framebuffer(new ember::Framebuffer());
        framebuffer->setAttachment(ember::Attachment::Color0, color);
        EXPECT_TRUE(framebuffer->create()) << name;
        ember::framebufferRegistry().add(name, framebuffer);
        return framebuffer;
    }

    // The composite's render targets at a screen of w x h (the blur targets at
    // half size) and the inputs it reads, each with known contents.
    void registerTargets(int32_t w, int32_t h) {
        using ember::TextureFormat;
        auto& textures = ember::textureRegistry();
        const int32_t hw = w / 2, hh = h / 2;
        for (const char* name : {"light_accumulation", "ssao_buffer"})
            textures.add(name, makeTexture(w, h, TextureFormat::RGBA16F));
        for (const char* name : {"blur_temp_color", "blur_color", "dof_color"})
            textures.add(name, makeTexture(hw, hh, TextureFormat::RGBA16F));
        textures.add("normal_depth", makeTexture(w, h, TextureFormat::RGBA32F));
        textures.add("diffuse_specular", makeTexture(w, h, TextureFormat::RGBA8));
        textures.add("backbuffer_depth", makeTexture(w, h, TextureFormat::Depth24Stencil8));
        makeTarget("ssao_buffer", textures.get("ssao_buffer").get());
        makeTarget("blur_temp", textures.get("blur_temp_color").get());
        makeTarget("blur", textures.get("blur_color").get());
        makeTarget("dof", textures.get("dof_color").get());
        makeTarget("light_accumulation", textures.get("light_accumulation").get());
    }

    // Lookup textures of the composite: an identity colour look-up, a grey
    // ramp as gradient, mid-grey noise, and random normals pointing along x.
    void registerLookups() {
        using ember::TextureFormat;
        std::vector<uint8_t> lut(256 * 16 * 3);
        for (int b = 0; b < 16; ++b)
            for (int g = 0; g < 16; ++g)
                for (int r = 0; r < 16; ++r) {
                    uint8_t* p = &lut[(static_cast<size_t>(g) * 256 + b * 16 + r) * 3];
                    p[0] = static_cast<uint8_t>(r * 17);
                    p[1] = static_cast<uint8_t>(g * 17);
                    p[2] = static_cast<uint8_t>(b * 17);
                }
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        ember::textureRegistry().add("color_map", makeTexture(256, 16, TextureFormat::RGB8, lut.data()));
        std::vector<uint8_t> noise(256 * 256 * 4, 128);
        ember::textureRegistry().add("noise", makeTexture(256, 256, TextureFormat::RGBA8, noise.data()));
        std::vector<float> normals(32 * 32 * 3, 0.0f);
        for (size_t i = 0; i < normals.size(); i += 3) normals[i] = 1.0f;
        ember::Ref<ember::Texture2D> rotate = makeTexture(32, 32, TextureFormat::RGB32F, normals.data());
        rotate->bind();
        ember::TextureState state = rotate->textureState();
        state.magFilter = state.minFilter = ember::TextureFilter::Nearest;
        state.wrapS = state.wrapT = ember::TextureWrap::Repeat;
        rotate->setTextureState(state);
        rotate->unbind();
        ember::textureRegistry().add("random_normals", rotate);
        std::vector<uint8_t> ramp(256 * 3);
        for (int i = 0; i < 256; ++i)
            ramp[i * 3] = ramp[i * 3 + 1] = ramp[i * 3 + 2] = static_cast<uint8_t>(i);
        ember::Ref<ember::Texture1D> gradient(new ember::Texture1D());
        gradient->create(256, TextureFormat::RGB8);
        gradient->bind();
        gradient->uploadData(ramp.data());
        ember::TextureState gs = gradient->textureState();
        gs.minFilter = ember::TextureFilter::Linear;
        gs.wrapS = ember::TextureWrap::ClampToEdge;
        gradient->setTextureState(gs);
        gradient->unbind();
        ember::textureRegistry().add("qm_gradient", gradient);
    }

    // The real program of the source tree (vertex and fragment stage).
    static ember::Ref<ember::Program> loadProgram(const std::string& name) {
        ember::ShaderLoader loader(std::string(EMBER_SOURCE_DIR) + "/data/shaders/");
        const std::string base = std::string(EMBER_SOURCE_DIR) + "/data/shaders/" + name;
        ember::Ref<ember::Program> program(new ember::Program(name));
        ember::Ref<ember::Shader> vertex = loader.load(base + ".vert", ember::ShaderStage::Vertex);
        ember::Ref<ember::Shader> fragment = loader.load(base + ".frag", ember::ShaderStage::Fragment);
        if (!vertex || !fragment) return {};
        program->setShader(ember::ShaderStage::Vertex, vertex.get());
        program->setShader(ember::ShaderStage::Fragment, fragment.get());
        if (!program->compile()) return {};
        return program;
    }

    static ember::Ref<ember::Program> registerProgram(const std::string& name) {
        ember::Ref<ember::Program> program = loadProgram(name);
        EXPECT_TRUE(program) << name;
        if (program) ember::programRegistry().add(name, program);
        return program;
    }

    // The six effect programs and the eight composite variants, real ones.
    void registerRealPrograms() {
        for (const char* name : {"post/ssao", "post/blur", "post/glow", "post/radial_blur",
                                 "post/lightstreaks", "post/motion_blur"})
            registerProgram(name);
        for (int32_t v = 0; v < ember::BlitEngine::VariantCount; ++v)
            registerProgram(ember::BlitEngine::variantProgramName(v));
    }

    // A probe program recording its draws with the given kind.
    static ember::Ref<ember::Program> makeProbe(const std::string& name, int kind) {
        auto withKind = [kind](const char* source) {
            std::string s(source);
            const std::string define = "#define KIND " + std::to_string(kind) + "\n";
            return s.insert(s.find('\n') + 1, define);
        };
        ember::Ref<ember::Program> program(new ember::Program(name));
        ember::Ref<ember::Shader> vertex(new ember::Shader(ember::ShaderStage::Vertex, name));
        vertex->setSource(withKind(kProbeVertex));
        ember::Ref<ember::Shader> fragment(new ember::Shader(ember::ShaderStage::Fragment, name));
        fragment->setSource(kProbeFragment);
        program->setShader(ember::ShaderStage::Vertex, vertex.get());
        program->setShader(ember::ShaderStage::Fragment, fragment.get());
        EXPECT_TRUE(program->compile()) << readLog();
        return program;
    }

    // Kinds: 1 ssao, 2 blur, 3 glow, 4 radial blur, 5 light streaks, 6 motion
    // blur, 100 + v the composite variant v.
    void registerProbePrograms() {
        const char* effects[] = {"post/ssao",        "post/blur",         "post/glow",
                                 "post/radial_blur", "post/lightstreaks", "post/motion_blur"};
        for (int i = 0; i < 6; ++i) ember::programRegistry().add(effects[i], makeProbe(effects[i], i + 1));
        for (int32_t v = 0; v < ember::BlitEngine::VariantCount; ++v) {
            const char* name = ember::BlitEngine::variantProgramName(v);
            ember::programRegistry().add(name, makeProbe(name, 100 + v));
        }
    }

    // Empties (or creates) the record buffer on binding 0.
    void resetRecords() {
        if (!records_) glGenBuffers(1, &records_);
        std::vector<uint8_t> zero(16 + sizeof(DrawRecord) * kMaxRecords, 0);
        glBindBuffer(GL_SHADER_STORAGE_BUFFER, records_);
        glBufferData(GL_SHADER_STORAGE_BUFFER, static_cast<GLsizeiptr>(zero.size()), zero.data(),
                     GL_DYNAMIC_READ);
        glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 0, records_);
        glBindBuffer(GL_SHADER_STORAGE_BUFFER, 0);
    }

    // The draws recorded since resetRecords, in draw order.
    std::vector<DrawRecord> records() {
        glMemoryBarrier(GL_BUFFER_UPDATE_BARRIER_BIT);
        glFinish();
        int32_t vertices = 0;
        glBindBuffer(GL_SHADER_STORAGE_BUFFER, records_);
        glGetBufferSubData(GL_SHADER_STORAGE_BUFFER, 0, 4, &vertices);
        const int32_t count = std::min(vertices / 4, kMaxRecords);
        std::vector<DrawRecord> out(static_cast<size_t>(count));
        if (count > 0)
            glGetBufferSubData(GL_SHADER_STORAGE_BUFFER, 16,
                               static_cast<GLsizeiptr>(sizeof(DrawRecord) * count), out.data());
        glBindBuffer(GL_SHADER_STORAGE_BUFFER, 0);
        EXPECT_EQ(vertices % 4, 0) << "a draw of other than four vertices";
        return out;
    }

    // RGBA floats of a colour texture (level 0), unclamped, rows bottom first.
    static std::vector<float> readTexture(ember::Texture* texture, int32_t w, int32_t h) {
        std::vector<float> pixels(static_cast<size_t>(w) * h * 4);
        glFinish();
        texture->bind();
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, pixels.data());
        texture->unbind();
        return pixels;
    }

    ember::Ref<ember::Device> device_;
    GLuint records_ = 0;
};

}  // namespace posttest
