#pragma once
#include "application/ApplicationSDL.h"

namespace ember {

// Do-nothing defaults for the configuration hook and every input and window
// event, so that a concrete application overrides only what it uses.
class ApplicationAdapter : public ApplicationSDL {
public:
    ApplicationAdapter() = default;
    ~ApplicationAdapter() override = default;

    // Accepts the settings as they are.
    bool onConfigure() override { return true; }
    void onMouseMove(int, int) override {}
    void onMouseDown(int, int, int) override {}
    void onMouseUp(int, int, int) override {}
    void onKeyDown(int, int) override {}
    void onKeyUp(int, int) override {}
    void onFocusGained() override {}
    void onFocusLost() override {}
    void onResize(int, int) override {}
};

}  // namespace ember
