// A small demo on the runtime for end-to-end tests: the real manifest and
// song from the run directory, and one part that paints the beat.
//   runtime-app hold    one part over the whole song: runs until Escape
//   runtime-app short   one part over the first two beats: ends by itself
//   runtime-app bench   a shader-heavy part over 28 beats at 1280x720; prints
//                       the frame-time figures when it ends
// A second argument "fullscreen" asks for full screen, optionally followed by
// the frame size as WIDTHxHEIGHT (default 640x360, bench 1280x720).
#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "DemoApplication.h"
#include "Timeline.h"
#include "rend/BufferObject.h"
#include "rend/Device.h"
#include "rend/Program.h"
#include "rend/Shader.h"
#include "rend/VertexArrayObject.h"

namespace {

// Clears the frame to a colour that flashes on every beat.
class BeatPart : public ember::Part {
public:
    bool initiate() override { return true; }
    void terminate() override {}
    void update(float, float) override {}
    void render(ember::Device* device, float beat, float) override {
        float flash = 1.0f - (beat - std::floor(beat));
        device->setClearColor(0.1f * flash, 0.5f * flash, 0.6f * flash, 1.0f);
        device->clear(GL_COLOR_BUFFER_BIT);
    }
};

// A full-screen quad with a fragment shader that costs the rasterizer real
// work, and a record of every frame's duration.
class BenchPart : public ember::Part {
public:
    bool initiate() override {
        static const float quad[8] = {1, 1, -1, 1, 1, -1, -1, -1};
        vertices_ = new ember::VertexBuffer();
        vertices_->setStride(8);
        vertices_->addAttribute(ember::AttributeSemantic::Position, 0, 2);
        vertices_->create();
        vertices_->bind();
        vertices_->bufferData(ember::BufferUsage::StaticDraw, sizeof(quad), quad);
        vertices_->unbind();
        ember::Ref<ember::Shader> vs(new ember::Shader(ember::ShaderStage::Vertex, "bench.vert"));
        vs->setSource("#version 330 core\nin vec2 POSITION;\nout vec2 uv;\n"
                      "void main() { uv = POSITION; gl_Position = vec4(POSITION, 0.0, 1.0); }\n");
        ember::Ref<ember::Shader> fs(new ember::Shader(ember::ShaderStage::Fragment, "bench.frag"));
        fs->setSource("#version 330 core\nin vec2 uv;\nuniform float beat;\nout vec4 color;\n"
                      "void main() { vec3 c = vec3(0.0); vec2 p = uv * 3.0;\n"
                      "  for (int i = 0; i < 24; ++i) { p = vec2(sin(p.y * 1.7 + beat), cos(p.x * 1.3 - beat)) + uv;\n"
                      "    c += 0.04 * vec3(abs(p), 0.5); }\n"
                      "  color = vec4(c, 1.0); }\n");
        program_ = new ember::Program("bench");
        program_->setShader(ember::ShaderStage::Vertex, vs.get());
        program_->setShader(ember::ShaderStage::Fragment, fs.get());
        if (!program_->compile()) return false;
        vertexArray_ = ember::VertexArrayObjectBuilder::buildVertexArrayObject(program_.get(), vertices_.get(),
                                                                                nullptr);
        return true;
    }
    void terminate() override {
        vertexArray_.reset();
        program_.reset();
        vertices_.reset();
        if (frames_.size() < 3) return;
        // The first frames include the song's start; leave them out.
        std::vector<float> f(frames_.begin() + 2, frames_.end());
        double sum = 0;
        for (float v : f) sum += v;
        std::sort(f.begin(), f.end());
        std::printf("bench: %zu frames, mean %.2f ms, p95 %.2f ms, worst %.2f ms\n", f.size(),
                    1000.0 * sum / f.size(), 1000.0 * f[f.size() * 95 / 100], 1000.0 * f.back());
    }
    void update(float, float dt) override { frames_.push_back(dt); }
    void render(ember::Device* device, float beat, float) override {
        device->setProgram(program_.get());
        program_->setUniform1f("beat", beat);
        device->setVertexArrayObject(vertexArray_.get());
        device->drawArrays(ember::PrimitiveType::TriangleStrip, 0, 4);
        device->setVertexArrayObject(nullptr);
    }

private:
    ember::Ref<ember::VertexBuffer> vertices_;
    ember::Ref<ember::Program> program_;
    ember::Ref<ember::VertexArrayObject> vertexArray_;
    std::vector<float> frames_;
};

class RuntimeApp : public ember::DemoApplication {
public:
    RuntimeApp(float endBeat, bool bench, bool fullscreen, int width, int height)
        : endBeat_(endBeat), bench_(bench) {
        ember::ApplicationSettings s;
        s.title = "runtime-app";
        s.width = width > 0 ? width : (bench ? 1280 : 640);
        s.height = height > 0 ? height : (bench ? 720 : 360);
        s.alwaysOnTop = false;
        s.fullscreen = fullscreen;
        setSettings(s);
    }
    bool registerParts() override {
        if (bench_)
            ember::addPart("Bench", 0.0f, new BenchPart(), endBeat_);
        else
            ember::addPart("Beat", 0.0f, new BeatPart(), endBeat_);
        return true;
    }

private:
    float endBeat_;
    bool bench_;
};

}  // namespace

int main(int argc, char** argv) {
    float end = 1e9f;
    bool bench = argc > 1 && std::strcmp(argv[1], "bench") == 0;
    if (argc > 1 && std::strcmp(argv[1], "short") == 0) end = 2.0f;
    if (bench) end = 28.0f;
    const bool fullscreen = argc > 2 && std::strcmp(argv[2], "fullscreen") == 0;
    int width = 0, height = 0;
    if (fullscreen && argc > 3 && std::sscanf(argv[3], "%dx%d", &width, &height) != 2) width = height = 0;
    RuntimeApp* app = new RuntimeApp(end, bench, fullscreen, width, height);
    app->run();
    delete app;
    return 0;
}
