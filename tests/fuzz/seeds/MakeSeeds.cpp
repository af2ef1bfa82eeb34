// Writes the tiny hand-made seed inputs of the fuzz targets into
// <directory>/<target>/: ember-fuzz-seeds <directory>. The fuzzers start from
// these plus the generated content (scripts/fuzz.sh), and the merged result
// is the committed corpus.
#include <sndfile.h>
#include <zlib.h>

#include <cmath>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "LoaderFixtures.h"
#include "SceneFiles.h"
#include "post/BlitEngine.h"
#include "scene/Envelope.h"

namespace {

std::string root;

void put(const std::string& target, const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(root + "/" + target);
    std::ofstream out(root + "/" + target + "/" + name, std::ios::binary);
    out << bytes;
}

std::string str(const loadertest::Bytes& b) { return std::string(b.begin(), b.end()); }

std::string gzip(const std::string& text) {
    const std::string path = root + "/.gz.tmp";
    lwtest::writeFile(path, text, true);
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::filesystem::remove(path);
    return s.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s directory\n", argv[0]);
        return 2;
    }
    root = argv[1];
    using namespace ember;

    // Images: the smallest of each colour layout.
    loadertest::PngSpec png;
    png.rows = {255, 0, 0, 128};
    put("png", "rgba1x1.png", str(loadertest::encodePng(png)));
    png.colorType = 3;
    png.bitDepth = 8;
    png.width = png.height = 2;
    png.rows = {0, 1, 1, 0};
    png.palette = {255, 0, 0, 0, 255, 0};
    png.transparency = {128};
    put("png", "palette2x2.png", str(loadertest::encodePng(png)));
    put("jpeg", "grey8x8.jpg", str(loadertest::encodeJpeg(8, 8, 1, loadertest::Bytes(64, 100))));
    put("jpeg", "rgb4x4.jpg", str(loadertest::encodeJpeg(4, 4, 3, loadertest::Bytes(48, 30))));

    // Meshes, with and without skinning, both index sizes.
    loadertest::MeshSpec mesh = loadertest::simpleMesh(0x0B, 6, 2);
    put("mesh", "simple.rmsh", str(loadertest::encodeMesh(mesh)));
    put("mesh_gz", "simple.rmzh", gzip(str(loadertest::encodeMesh(mesh))));
    loadertest::MeshSpec skinned = loadertest::simpleMesh(0x3F, 4, 4);
    skinned.writeSkin = true;
    skinned.bones = {"root", "arm"};
    skinned.entries = {{0, 1, 0.5f}, {1, 0, 1.0f}};
    put("mesh", "skinned.rmsh", str(loadertest::encodeMesh(skinned)));
    put("mesh_gz", "skinned.rmzh", gzip(str(loadertest::encodeMesh(skinned))));

    // gzip streams: text and a few empty members.
    put("gzstream", "text.gz", gzip("line one\nline two\n" + std::string(3000, 'x')));
    put("gzstream", "empty.gz", gzip(""));

    // LightWave scenes: every item kind, plain and compressed.
    std::string scene = lwtest::header();
    scene += "AddCamera 30000000\nCameraName Camera\nCameraMotion\n";
    scene += lwtest::motion({{{0, 0}, {10, 3}}, {{2, 0}}, {{-5, 0}}, {{0, 0}, {1.5f, 3}}});
    scene += "\nAddNullObject 10000000 Root\nObjectMotion\n";
    scene += lwtest::motion({{{1, 0}}, {{2, 0}}, {{3, 0}}, {{0, 0}}, {{0, 0}}, {{0, 0}}, {{1, 0}}, {{1, 0}}, {{1, 0}}});
    scene += "PivotPosition 0 0.5 0\n";
    scene += "\nLoadObjectLayer 1 10000001 Objects/house.lwo\nObjectMotion\n" + lwtest::motion({{{0, 0}}});
    scene += "ParentItem 10000000\n";
    scene += "\nLoadObjectLayer 3 10000003 Objects/house.lwo\nObjectDissolve (envelope)\n" +
             lwtest::envelopeBlock({{0, 0}, {1, 3}}, 2, 3);
    scene += "ParentItem 10000000\n";
    scene += "\nAmbientColor 1 1 1\nAddLight 20000000\nLightName Key\nLightMotion\n";
    scene += lwtest::motion({{{4, 0}}, {{5, 0}}, {{6, 0}}});
    scene += "LightColor 1 0.5 0.25\nLightIntensity (envelope)\n" + lwtest::envelopeBlock({{0.5f, 0}, {1.5f, 3}});
    scene += "LightType 1\nLightFalloffType 2\nLightRange 20\nShadowType 1\n";
    for (int type : {0, 2, 3, 5, 6})
        scene += "\nAddLight 2000000" + std::to_string(type + 1) + "\nLightName L" + std::to_string(type) +
                 "\nParentItem 10000000\nLightType " + std::to_string(type) + "\nLightIntensity 0.8\n";
    put("lightwave", "sample.lws", scene);
    put("lightwave", "sample-gz.lws", gzip(scene));

    // Envelopes: one per key shape and behaviour pair.
    for (int shape = 0; shape <= 5; ++shape) {
        Ref<Envelope> envelope(new Envelope);
        envelope->preBehavior = shape;
        envelope->postBehavior = 5 - shape;
        envelope->tag = shape;
        for (int k = 0; k < 4; ++k) {
            Envelope::Key key;
            key.time = static_cast<float>(k) * 0.75f;
            key.value = static_cast<float>((k * 7) % 5) - 2.0f;
            key.shape = shape;
            key.tension = 0.25f;
            key.param[0] = 0.5f;
            key.param[2] = -0.5f;
            envelope->addKey(key);
        }
        std::ostringstream out;
        envelope->write(out);
        put("envelope", "shape" + std::to_string(shape) + ".envl", out.str());
    }

    // The composite's settings with default effects, and with every effect on.
    Ref<BlitEngine> blit(new BlitEngine);
    blit->createOfflineEffects();
    std::ostringstream defaults;
    blit->write(defaults);
    put("blit", "defaults.blit", defaults.str());
    for (bool& flag : blit->effectFlags) flag = true;
    std::ostringstream all;
    blit->write(all);
    put("blit", "all-effects.blit", all.str());

    // Shader includes: nesting, a cycle, a missing file, text after '>'.
    put("shader_include", "nested.txt",
        "#version 330\n#include <f1.glsl>\nvoid main() {}\n@@\nfloat a;\n#include <f2.glsl> // b\n@@\nfloat b;\n");
    put("shader_include", "cycle.txt", "#include <f1.glsl>\n@@\n#include <f2.glsl>\n@@\n#include <f1.glsl>\n");
    put("shader_include", "missing.txt", "#include <f7.glsl>\n");

    // Songs: tiny WAV files (mono at a rate that needs resampling, stereo at
    // the output rate) and a short Ogg Vorbis file, as the content tool writes.
    struct Song {
        const char* name;
        int format, channels, rate, frames;
    };
    for (const Song& song : {Song{"mono22k.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050, 64},
                             Song{"stereo44k.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, 64},
                             Song{"short.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, 44100, 2048}}) {
        const std::string path = root + "/song/" + song.name;
        std::filesystem::create_directories(root + "/song");
        SF_INFO info{};
        info.format = song.format;
        info.channels = song.channels;
        info.samplerate = song.rate;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        if (!file) continue;
        std::vector<short> pcm(static_cast<size_t>(song.frames) * song.channels);
        for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<short>(8000 * std::sin(0.05 * double(i)));
        sf_writef_short(file, pcm.data(), song.frames);
        sf_close(file);
    }

    // The manifest skeleton.
    put("manifest", "tiny.xml",
        "<?xml version=\"1.0\"?>\n<demo>\n <song file=\"music/song.ogg\" bpm=\"140\"/>\n <framebuffers>"
        "<texture name=\"t\" width=\"64\" height=\"64\"><sampler><filtering min=\"linear\"/></sampler></texture>"
        "<fbo name=\"f\"><attachment point=\"color0\" texture=\"t\"/></fbo></framebuffers>\n <shaders><program "
        "name=\"p\" vertex=\"a.vert\" fragment=\"a.frag\"><sampler name=\"s\" unit=\"0\"/></program></shaders>\n "
        "<textures/>\n <models/>\n</demo>\n");
    return 0;
}
