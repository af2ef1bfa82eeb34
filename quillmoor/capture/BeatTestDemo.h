#pragma once
#include "DemoApplication.h"
#include "application/ApplicationSettings.h"

namespace qm {

// A test scene on the runtime for capture checks: the manifest and song of
// the working directory, and one part over the whole song that shows white
// during the first kFlashBeats of every beat and black otherwise.
class BeatTestDemo : public ember::DemoApplication {
public:
    static constexpr float kFlashBeats = 0.125f;

    bool registerParts() override;
    static ember::ApplicationSettings defaultSettings();
};

}  // namespace qm
