#pragma once
#include "DemoApplication.h"

namespace qm {

// The production itself on the demo runtime: its start-up settings and dialog,
// its procedural textures and its part list.
class Quillmoor : public ember::DemoApplication {
public:
    Quillmoor();
    ~Quillmoor() override;

    // The demo's own settings, then the settings dialog. The edited record is
    // kept whatever the viewer chose; true when the viewer pressed "Run".
    bool onConfigure() override;
    bool onInitiate() override;
    void onTerminate() override;
    // Creates and registers "qm_gradient", "random_normals", "curl_vel_2d"
    // and "curl_vel_3d". Always true.
    bool onContentLoaded() override;
    // Adds the demo's parts to the timeline.
    bool registerParts() override;

    // The settings the demo starts from before the dialog.
    static ember::ApplicationSettings defaultSettings();
};

}  // namespace qm
