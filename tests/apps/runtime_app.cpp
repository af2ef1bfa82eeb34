// A small demo on the runtime for end-to-end tests: the real manifest and
// song from the run directory, and one part that paints the beat.
//   runtime-app hold    one part over the whole song: runs until Escape
//   runtime-app short   one part over the first two beats: ends by itself
#include <GL/glew.h>

#include <cmath>
#include <cstring>

#include "DemoApplication.h"
#include "Timeline.h"
#include "rend/Device.h"

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

class RuntimeApp : public ember::DemoApplication {
public:
    explicit RuntimeApp(float endBeat) : endBeat_(endBeat) {
        ember::ApplicationSettings s;
        s.title = "runtime-app";
        s.width = 640;
        s.height = 360;
        s.alwaysOnTop = false;
        setSettings(s);
    }
    bool registerParts() override {
        ember::addPart("Beat", 0.0f, new BeatPart(), endBeat_);
        return true;
    }

private:
    float endBeat_;
};

}  // namespace

int main(int argc, char** argv) {
    float end = 1e9f;
    if (argc > 1 && std::strcmp(argv[1], "short") == 0) end = 2.0f;
    RuntimeApp* app = new RuntimeApp(end);
    app->run();
    delete app;
    return 0;
}
