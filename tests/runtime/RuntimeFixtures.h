#pragma once
// Small content written by the runtime tests into their working directory.
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "DemoApplication.h"
#include "Timeline.h"
#include "application/Logger.h"
#include "rend/Device.h"
#include "sound/SoundDevice.h"
#include "sound/SoundFixtures.h"

namespace runtimetest {

inline void writeText(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A width x height RGBA PNG with one colour.
inline bool writePng(const std::string& path, int width, int height, const unsigned char rgba[4]) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<unsigned char> row(static_cast<size_t>(width) * 4);
    for (int x = 0; x < width; ++x)
        for (int c = 0; c < 4; ++c) row[x * 4 + c] = rgba[c];
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

// The shared fixture files: a one-second song, a plain program, a
// transform-feedback vertex stage, a small image.
inline void writeCommonContent() {
    std::filesystem::create_directories("data/music");
    soundtest::writeMarkedWav("data/music/song.wav", 44100);
    writeText("data/shaders/plain.vert",
              "#version 330 core\nin vec2 POSITION;\nvoid main() { gl_Position = vec4(POSITION, 0.0, 1.0); }\n");
    writeText("data/shaders/plain.frag",
              "#version 330 core\nuniform sampler2D image;\nout vec4 color;\n"
              "void main() { color = texture(image, vec2(0.5)); }\n");
    writeText("data/shaders/capture.vert",
              "#version 330 core\nin vec2 POSITION;\nout float value;\nvoid main() { value = POSITION.x; }\n");
    static const unsigned char orange[4] = {255, 128, 0, 255};
    writePng("data/textures/tile.png", 8, 8, orange);
}

// A demo runtime without a window, on the test's GL context and an offline
// audio output, for driving the manifest and the frame directly.
class TestDemo : public ember::DemoApplication {
public:
    TestDemo(int width = 640, int height = 360) {
        ember::ApplicationSettings s;
        s.width = width;
        s.height = height;
        setSettings(s);
        soundDevice = new ember::SoundDevice();
        soundDevice->initiateOffline();
        device = new ember::Device();
    }
    ~TestDemo() override { onTerminate(); }
    bool registerParts() override { return true; }
    void setAnisotropy(float requested, float maximum) {
        anisotropy = requested;
        maxAnisotropy = maximum;
    }
};

}  // namespace runtimetest
