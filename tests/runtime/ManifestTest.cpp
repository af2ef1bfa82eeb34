// The content manifest against the real GL context: every failure message,
// and the edge cases of sizes, formats, programs and textures.
#include <gtest/gtest.h>

#include <memory>

#include "RuntimeFixtures.h"
#include "loaders/Mesh.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Registry.h"
#include "rend/Texture2D.h"
#include "sound/Song.h"
#include "support/GLTestContext.h"

using namespace ember;
using namespace runtimetest;

namespace {

struct Manifest {
    std::string song = R"(<song file="music/song.wav" bpm="140"/>)";
    std::string framebuffers = "<framebuffers/>";
    std::string shaders = "<shaders/>";
    std::string textures = "<textures/>";
    std::string models = "<models/>";
    std::string text() const {
        return "<?xml version=\"1.0\"?>\n<demo>\n" + song + "\n" + framebuffers + "\n" + shaders + "\n" + textures +
               "\n" + models + "\n</demo>\n";
    }
};

class ManifestTest : public ::testing::Test {
protected:
    void SetUp() override {
        EMBER_REQUIRE_GL();
        writeCommonContent();
        Logger::instance().open("log.txt");
        demo = std::make_unique<TestDemo>();
    }
    void TearDown() override {
        demo.reset();
        Logger::destroy();
    }
    bool load(const Manifest& m) {
        writeText("data/demo.xml", m.text());
        return demo->loadContentFromXML("data/demo.xml");
    }
    std::string logText() { return readText("log.txt"); }

    std::unique_ptr<TestDemo> demo;
};

TEST_F(ManifestTest, EveryFailureEndsTheLoadWithItsOwnLine) {
    struct Case {
        const char* what;
        std::string Manifest::*field;
        std::string xml;
        std::string line;
    };
    const std::string fb = "<framebuffers>";
    const Case cases[] = {
        {"no demo", &Manifest::song, "", ""},  // replaced below by a file without a demo element
        {"no song", &Manifest::song, "", "Unable to find song element"},
        {"song without file", &Manifest::song, R"(<song bpm="140"/>)", "Song without file attribute"},
        {"bpm zero", &Manifest::song, R"(<song file="music/song.wav" bpm="0"/>)", "Song without bpm attribute"},
        {"bpm text", &Manifest::song, R"(<song file="music/song.wav" bpm="fast"/>)", "Song without bpm attribute"},
        {"song missing", &Manifest::song, R"(<song file="music/none.ogg" bpm="140"/>)", "Unable to load song"},
        {"no framebuffers", &Manifest::framebuffers, "", "Unable to find framebuffers element"},
        {"texture attrs", &Manifest::framebuffers, fb + R"(<texture name="t" width="4" height="4"/></framebuffers>)",
         "Missing attributes in texture t"},
        {"texture format", &Manifest::framebuffers,
         fb + R"(<texture name="t" width="4" height="4" format="rgba_9999"/></framebuffers>)",
         "Invalid attributes in texture t"},
        {"texture divisor 0", &Manifest::framebuffers,
         fb + R"(<texture name="t" width="screen/0" height="4" format="red_8"/></framebuffers>)",
         "Invalid attributes in texture t"},
        {"texture filtering", &Manifest::framebuffers,
         fb + R"(<texture name="t" width="4" height="4" format="red_8"><sampler><filtering/></sampler></texture></framebuffers>)",
         "Unable to find filtering attributes for texture t"},
        {"texture wrap", &Manifest::framebuffers,
         fb + R"(<texture name="t" width="4" height="4" format="red_8"><sampler><wrap/></sampler></texture></framebuffers>)",
         "Unable to find wrap attributes for texture t"},
        {"cubemap format", &Manifest::framebuffers,
         fb + R"(<cubemap name="c" width="4" height="4" format="none"/></framebuffers>)",
         "Invalid attributes in texture c"},
        {"renderbuffer attrs", &Manifest::framebuffers, fb + R"(<renderbuffer name="r" width="4"/></framebuffers>)",
         "Missing attributes in renderbuffer r"},
        {"renderbuffer format", &Manifest::framebuffers,
         fb + R"(<renderbuffer name="r" width="4" height="4" format="depth_99"/></framebuffers>)",
         "Invalid attributes in renderbuffer r"},
        {"fbo name", &Manifest::framebuffers, fb + "<fbo/></framebuffers>", "FBO without name"},
        {"fbo type", &Manifest::framebuffers,
         fb + R"(<texture name="t" width="4" height="4" format="rgba_8888"/><fbo name="f"><attachment buffer="t" type="color9"/></fbo></framebuffers>)",
         "FBO f unknown attachment type color9"},
        {"fbo buffer", &Manifest::framebuffers,
         fb + R"(<fbo name="f"><attachment buffer="nothing" type="color0"/></fbo></framebuffers>)",
         "Unable to find attachment nothing FBO f"},
        {"fbo incomplete", &Manifest::framebuffers,
         fb + R"(<texture name="d" width="4" height="4" format="depth_24"/><fbo name="f"><attachment buffer="d" type="color0"/></fbo></framebuffers>)",
         "Unable to create FBO f"},
        {"no shaders", &Manifest::shaders, "", "Unable to find shaders element"},
        {"program name", &Manifest::shaders, "<shaders><program/></shaders>", "Program without name"},
        {"varying name", &Manifest::shaders,
         R"(<shaders><program name="capture"><feedback><varying/></feedback></program></shaders>)",
         "Feedback varying without name: capture"},
        {"sampler name", &Manifest::shaders, R"(<shaders><program name="plain"><sampler/></program></shaders>)",
         "Program sampler without name: plain"},
        {"sampler twice", &Manifest::shaders,
         R"(<shaders><program name="plain"><sampler name="image"/><sampler name="image"/></program></shaders>)",
         "Program sampler image redefined: plain"},
        {"geometry only", &Manifest::shaders, R"(<shaders><program name="plain" geom="yes"/></shaders>)",
         "Program without valid shader setup: plain"},
        {"no stage files", &Manifest::shaders, R"(<shaders><program name="absent"/></shaders>)",
         "Unable to load program absent"},
        {"no textures", &Manifest::textures, "", "Unable to find textures element"},
        {"image attrs", &Manifest::textures, R"(<textures><image name="i"/></textures>)",
         "malformed image/cubemap element"},
        {"image loader", &Manifest::textures, R"(<textures><image name="i" file="tile.tga"/></textures>)",
         "ERROR! Unable to find suitable loader for data/textures/tile.tga\n"},
        {"image missing", &Manifest::textures, R"(<textures><image name="i" file="none.png"/></textures>)",
         "Unable to load image/cubemap i\n"},
        {"other element", &Manifest::textures,
         R"(<textures><image name="i" file="tile.png"/><picture name="p" file="tile.png"/></textures>)",
         "Unable to load image/cubemap p\n"},
        {"image filtering", &Manifest::textures,
         R"(<textures><image name="i" file="tile.png"><sampler><filtering anisotropic="1"/></sampler></image></textures>)",
         "Unable to find filtering attributes"},
        {"image wrap", &Manifest::textures,
         R"(<textures><image name="i" file="tile.png"><sampler><wrap/></sampler></image></textures>)",
         "Unable to find wrap attributes"},
        {"cube face missing", &Manifest::textures, R"(<textures><cubemap name="sky" file="sky"/></textures>)",
         "Unable to load image/cubemap sky\n"},
        {"no models", &Manifest::models, "", "Unable to find models element"},
        {"mesh attrs", &Manifest::models, R"(<models><mesh name="m"/></models>)", "Unable to find mesh attributes"},
        {"mesh missing", &Manifest::models, R"(<models><mesh name="m" file="none.rmsh"/></models>)",
         "Unable to load mesh none.rmsh"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Logger::instance().open("log.txt");
        Manifest m;
        m.*(c.field) = c.xml;
        std::string text = m.text();
        std::string expected = c.line;
        if (std::string(c.what) == "no demo") {
            text = "<?xml version=\"1.0\"?>\n<production/>\n";
            expected = "Unable to find demo element";
        }
        writeText("data/demo.xml", text);
        EXPECT_FALSE(demo->loadContentFromXML("data/demo.xml"));
        // The section is closed on the way out, and the reason is its last line
        // (loaders may have explained the details before it).
        const std::string log = logText();
        const std::string tail = "\t" + expected + "\n[content]\n";
        EXPECT_EQ(log.rfind("[content]\n", 0), 0u) << log;
        ASSERT_GE(log.size(), tail.size()) << log;
        EXPECT_EQ(log.substr(log.size() - tail.size()), tail) << log;
        textureRegistry().clear();
        framebufferRegistry().clear();
        programRegistry().clear();
        meshRegistry().clear();
    }
}

TEST_F(ManifestTest, UnreadableFilesNameThePathAndTheParserError) {
    EXPECT_FALSE(demo->loadContentFromXML("data/absent.xml"));
    std::string log = logText();
    EXPECT_NE(log.find("\tUnable to load data/absent.xml\n"), std::string::npos) << log;

    Logger::instance().open("log.txt");
    writeText("data/demo.xml", "<demo><song file=\"x\" bpm=\"1\"></demo>");
    EXPECT_FALSE(demo->loadContentFromXML("data/demo.xml"));
    log = logText();
    EXPECT_NE(log.find("\tUnable to load data/demo.xml\n\tXML: "), std::string::npos) << log;
}

TEST_F(ManifestTest, RenderTargetSizesFormatsAndStates) {
    Manifest m;
    m.framebuffers = R"(<framebuffers>
        <fbo name="gbuffer"><attachment buffer="half" type="color0"/><attachment buffer="depth" type="depth_stencil"/></fbo>
        <texture name="half" width="screen/2" height="screen" format="rgba_fp16"/>
        <texture name="quarter" width="screen/4" height="screen/4" format="rgb_fp32"/>
        <texture name="rg" width="16" height="8" format="red_green_fp32"/>
        <texture name="depth" width="screen/2" height="screen" format="depth_stencil_fp32_8"/>
        <texture name="shadow" width="64" height="64" format="depth_24">
          <sampler><filtering mag="linear"/><wrap s="repeat" t="border"/></sampler></texture>
        <texture name="half" width="8" height="8" format="red_8"/>
        <renderbuffer name="rb" width="screen" height="screen/3" format="depth_24"/>
      </framebuffers>)";
    ASSERT_TRUE(load(m)) << logText();

    struct Expect {
        const char* name;
        int width, height;
        TextureFormat format;
    };
    const Expect expects[] = {
        {"half", 320, 360, TextureFormat::RGBA16F},  // the second "half" does not replace the first
        {"quarter", 160, 90, TextureFormat::RGB32F},
        {"rg", 16, 8, TextureFormat::RG32F},
        {"depth", 320, 360, TextureFormat::Depth32FStencil8},
    };
    for (const Expect& e : expects) {
        SCOPED_TRACE(e.name);
        Ref<Texture> t = textureRegistry().get(e.name);
        ASSERT_TRUE(t);
        auto* t2 = dynamic_cast<Texture2D*>(t.get());
        ASSERT_NE(t2, nullptr);
        EXPECT_EQ(t2->width(), e.width);
        EXPECT_EQ(t2->height(), e.height);
        EXPECT_EQ(t2->format(), e.format);
    }
    ASSERT_TRUE(textureRegistry().get("rb"));

    // A depth render target compares nothing, and its sampler child changed
    // only the named fields.
    Ref<Texture> shadow = textureRegistry().get("shadow");
    glBindTexture(GL_TEXTURE_2D, shadow->glName());
    GLint mode = -1, mag = 0, min = 0, s = 0, t = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, &mode);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &s);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &t);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(mode, GL_NONE);
    EXPECT_EQ(mag, GL_LINEAR);
    EXPECT_EQ(min, GL_NEAREST);
    EXPECT_EQ(s, GL_REPEAT);
    EXPECT_EQ(t, GL_CLAMP_TO_BORDER);

    // The framebuffer named its attachments before they were listed.
    Ref<Framebuffer> gbuffer = framebufferRegistry().get("gbuffer");
    ASSERT_TRUE(gbuffer);
    EXPECT_EQ(gbuffer->texture(Attachment::Color0), textureRegistry().get("half").get());
}

TEST_F(ManifestTest, ProgramsFollowTheStageRules) {
    Manifest m;
    m.shaders = R"(<shaders>
        <program name="plain"/>
        <program name="capture" frag="yes" comp="yes"><feedback type="separate"><varying name="value"/></feedback></program>
        <program name="plain" vert="yes" frag="yes"><sampler name="nothing"/></program>
      </shaders>)";
    ASSERT_TRUE(load(m)) << logText();
    Ref<Program> plain = programRegistry().get("plain");
    ASSERT_TRUE(plain);
    EXPECT_TRUE(plain->findSampler("image"));
    // The feedback program ignored its switches: a vertex stage only.
    Ref<Program> capture = programRegistry().get("capture");
    ASSERT_TRUE(capture);
    EXPECT_TRUE(capture->shader(ShaderStage::Vertex));
    EXPECT_FALSE(capture->shader(ShaderStage::Fragment));
    EXPECT_FALSE(capture->shader(ShaderStage::Compute));
    // Mesa is not NVIDIA: program samplers are not applied and nothing is said.
    EXPECT_TRUE(vendorIsNotNvidia);
    EXPECT_EQ(logText().find("probably harmless"), std::string::npos);
    EXPECT_TRUE(plain->samplers().empty());
}

TEST_F(ManifestTest, TexturesStartAtTheFirstImageAndGetTheirDefaults) {
    demo->setAnisotropy(4.0f, 16.0f);
    Manifest m;
    m.textures = R"(<textures>
        <cubemap name="skipped" file="absent"/>
        <image name="tile" file="tile.png"/>
        <image name="clamped" file="tile.png"><sampler><filtering min="nearest" anisotropic="0.1"/><wrap s="edge"/></sampler></image>
      </textures>)";
    ASSERT_TRUE(load(m)) << logText();
    EXPECT_FALSE(textureRegistry().get("skipped"));
    Ref<Texture> tile = textureRegistry().get("tile");
    Ref<Texture> clamped = textureRegistry().get("clamped");
    ASSERT_TRUE(tile && clamped);

    struct Probe {
        Texture* texture;
        GLint min, wrapS;
        float anisotropy;
    };
    // anisotropic 0.1 of a maximum of 16 gives min(4, 0.1 * 16 + 1) = 2.6.
    const Probe probes[] = {{tile.get(), GL_LINEAR_MIPMAP_LINEAR, GL_REPEAT, 4.0f},
                            {clamped.get(), GL_NEAREST, GL_CLAMP_TO_EDGE, 2.6f}};
    for (const Probe& p : probes) {
        glBindTexture(GL_TEXTURE_2D, p.texture->glName());
        GLint min = 0, wrap = 0, levels = 0;
        GLfloat aniso = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
        glGetTexParameterfv(GL_TEXTURE_2D, 0x84FE, &aniso);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &levels);  // 8x8 has a 1x1 level 3
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_EQ(min, p.min);
        EXPECT_EQ(wrap, p.wrapS);
        EXPECT_NEAR(aniso, p.anisotropy, 1e-4);
        EXPECT_EQ(levels, 1) << "mipmaps generated";
    }
}

TEST_F(ManifestTest, SongAttributesAreReadOnlyInOrder) {
    struct Case {
        const char* attrs;
        float start, stop;
        bool looping;
    };
    const Case cases[] = {
        {R"(stop="32" looping="true")", 0.0f, -1.0f, false},  // no start: nothing more is read
        {R"(start="8")", 8.0f, 0.0f, false},
        {R"(start="8" stop="16" looping="maybe")", 8.0f, 16.0f, false},
        {R"(start="8" stop="16" looping="YES")", 8.0f, 16.0f, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attrs);
        Manifest m;
        m.song = std::string(R"(<song file="music/song.wav" bpm="120" )") + c.attrs + "/>";
        ASSERT_TRUE(load(m)) << logText();
        EXPECT_EQ(demo->songStartBeat(), c.start);
        EXPECT_EQ(demo->songStopBeat(), c.stop);
        EXPECT_EQ(demo->songLooping(), c.looping);
        ASSERT_TRUE(demo->demoSong());
        EXPECT_EQ(demo->demoSong()->bpm(), 120);
        EXPECT_FLOAT_EQ(demo->demoSong()->beatsPerMillisecond(), 120.0f * (1.0f / 60.0f) * 0.001f);
    }
}

}  // namespace
