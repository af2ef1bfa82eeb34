#include "capture/BeatTestDemo.h"

#include <GL/glew.h>

#include <cmath>

#include "Timeline.h"
#include "rend/Device.h"

namespace qm {

namespace {

class FlashPart : public ember::Part {
public:
    bool initiate() override { return true; }
    void terminate() override {}
    void update(float, float) override {}
    void render(ember::Device* device, float beat, float) override {
        const float phase = beat - std::floor(beat);
        const float level = phase < BeatTestDemo::kFlashBeats ? 1.0f : 0.0f;
        device->setClearColor(level, level, level, 1.0f);
        device->clear(GL_COLOR_BUFFER_BIT);
    }
};

}  // namespace

bool BeatTestDemo::registerParts() {
    ember::addPart("beat-flash", 0.0f, new FlashPart(), 1.0e9f);
    return true;
}

ember::ApplicationSettings BeatTestDemo::defaultSettings() {
    ember::ApplicationSettings s;
    s.title = "Quillmoor capture: beat test";
    s.glVersion = 3;
    return s;
}

}  // namespace qm
