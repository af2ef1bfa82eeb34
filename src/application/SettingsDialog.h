#pragma once
#include <string>
#include <vector>

#include "application/ApplicationSettings.h"
#include "application/SettingsDialogModel.h"

namespace ember {

// The modal start-up dialog (GTK 3): resolution, full screen, always on top,
// vertical sync, multisampling and anisotropy, with a picture beside the
// controls and the buttons "Run" (default) and "Cancel". All rules live in
// SettingsDialogModel; this class only shows it.
//
// Widgets carry names ("resolution", "fullscreen", "always-on-top",
// "vertical-sync", "multisampling", "multisampling-value", "anisotropy",
// "anisotropy-value", "picture", "run", "cancel") for styling and for tools
// that drive the dialog.
class SettingsDialog {
public:
    // Shows the dialog on settings and waits for the viewer. "Run" writes the
    // chosen values into settings and returns true; "Cancel", Escape or closing
    // the window return false and leave settings as they were. When no dialog
    // can be shown (no display), returns true with settings unchanged.
    // picturePath: an image shown at 384 x 216 beside the controls; when it
    // cannot be read, an empty frame of that size stands in (logged).
    static bool show(ApplicationSettings& settings, const std::string& picturePath);

    // The primary display's modes as SDL reports them (display 0); empty when
    // SDL's video cannot start.
    static std::vector<DisplayMode> primaryDisplayModes();

    static constexpr int pictureWidth = 384;
    static constexpr int pictureHeight = 216;
};

// Shorthand for SettingsDialog::show.
inline bool showSettingsDialog(ApplicationSettings& settings, const std::string& picturePath) {
    return SettingsDialog::show(settings, picturePath);
}

}  // namespace ember
