#pragma once
#include <cstdint>
#include <string>

namespace ember {

// Start-up settings: a plain record copied by value. The demo fills its own
// copy, the settings dialog may change it, and the application keeps the result.
struct ApplicationSettings {
    std::string title;          // window title and dialog caption
    int32_t width = 1024;       // client width, display-mode width, manifest "screen" width
    int32_t height = 768;       // client height, display-mode height
    int32_t colorBits = 32;     // display-mode bits per pixel and colour bits
    int32_t depthBits = 24;
    int32_t stencilBits = 8;
    int32_t samples = 1;        // above 1 enables multisampling
    bool fullscreen = false;
    bool verticalSync = false;  // swap interval 1 or 0
    bool showCursor = false;    // false hides the cursor while the window exists
    bool alwaysOnTop = true;    // top-most window in windowed mode
    int32_t glVersion = 0;      // 0 = 3.3, 1 = 4.0, 2 = 4.1, 3 = 4.2, 4 = 4.3
    bool sRGB = false;
    int32_t anisotropy = 0;     // requested anisotropic filtering level
};

} // namespace ember
