#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "application/ApplicationSettings.h"

namespace ember {

// One display mode as the display reports it.
struct DisplayMode {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;   // colour bits as reported (24 for a padded 32-bit RGB mode)
    int32_t bytesPerPixel = 0;  // storage per pixel
    int32_t refreshRate = 0;    // Hz, 0 when unknown
};

// Everything the settings dialog decides, without a toolkit: the resolution
// list and its selection, the three check boxes and which of them can be
// used, the two sliders with their labels, and what "Run" writes back.
// A view shows this state and forwards the viewer's changes to the setters.
class SettingsDialogModel {
public:
    struct Resolution {
        int32_t width = 0;
        int32_t height = 0;
        bool operator==(const Resolution& o) const { return width == o.width && height == o.height; }
    };

    static constexpr int32_t maxResolutions = 4096;
    static constexpr int32_t sliderMaximum = 4;

    // Builds the dialog state from the pre-filled settings and the display's
    // modes. Reads width, height, colorBits, fullscreen, alwaysOnTop,
    // verticalSync, samples, anisotropy and title.
    // The list keeps modes of at least 640 x 400 whose height is width * 9 / 16
    // or width * 10 / 16 (integer division) and whose colour depth equals
    // colorBits, one entry per size (refresh rates collapse), in the order the
    // modes come, at most maxResolutions entries. The selection is the entry
    // equal to the pre-filled size, else the last entry of the pre-filled
    // width, else the pre-filled size itself, added as the last entry (one
    // beyond maxResolutions at most). Only a pre-filled size of 0 or below
    // leaves nothing selected.
    SettingsDialogModel(const ApplicationSettings& settings, const std::vector<DisplayMode>& modes);

    // Colour depth a mode counts as: 32 for any 4-byte-per-pixel mode (the X
    // server reports padded RGB as 24 bits), else its bits per pixel.
    static int32_t effectiveColorBits(const DisplayMode& mode);
    // Whether a mode passes the size, aspect and depth filter for colorBits.
    static bool acceptsMode(const DisplayMode& mode, int32_t colorBits);
    // Slider positions 0..4 map to 1, 2, 4, 8, 16; positions outside are clamped.
    static int32_t sliderValue(int32_t position);
    // "%dx" of the mapped value, e.g. "16x".
    static std::string sliderLabel(int32_t position);
    // "%d * %d", e.g. "1280 * 720".
    static std::string resolutionLabel(const Resolution& r);

    const std::string& title() const { return title_; }

    const std::vector<Resolution>& resolutions() const { return resolutions_; }
    // Index into resolutions(), -1 when nothing is selected.
    int32_t selectedResolution() const { return selected_; }
    // Selects entry index; -1 or an index outside the list clears the selection.
    void selectResolution(int32_t index);

    bool fullscreen() const { return fullscreen_; }
    // Ticking full screen clears and disables always-on-top; unticking enables it again.
    void setFullscreen(bool on);
    bool alwaysOnTop() const { return alwaysOnTop_; }
    bool alwaysOnTopEnabled() const { return alwaysOnTopEnabled_; }
    // Ignored while the box is disabled.
    void setAlwaysOnTop(bool on);
    bool verticalSync() const { return verticalSync_; }
    void setVerticalSync(bool on) { verticalSync_ = on; }

    // Multisampling is usable unless the pre-filled samples are 1 or less.
    bool multisamplingEnabled() const { return multisamplingEnabled_; }
    int32_t multisamplingPosition() const { return multisamplingPosition_; }
    // Clamped to 0..4; ignored while disabled.
    void setMultisamplingPosition(int32_t position);
    std::string multisamplingLabel() const { return sliderLabel(multisamplingPosition_); }

    // Anisotropy is usable unless the pre-filled anisotropy is 0 or less.
    bool anisotropyEnabled() const { return anisotropyEnabled_; }
    int32_t anisotropyPosition() const { return anisotropyPosition_; }
    void setAnisotropyPosition(int32_t position);
    std::string anisotropyLabel() const { return sliderLabel(anisotropyPosition_); }

    // "Run": writes width and height of the selected entry (kept as they are when
    // nothing is selected), fullscreen, alwaysOnTop, verticalSync, and samples and
    // anisotropy through the slider table (a disabled slider gives 1).
    void apply(ApplicationSettings& settings) const;

private:
    std::string title_;
    std::vector<Resolution> resolutions_;
    int32_t selected_ = -1;
    bool fullscreen_ = false;
    bool alwaysOnTop_ = false;
    bool alwaysOnTopEnabled_ = true;
    bool verticalSync_ = false;
    bool multisamplingEnabled_ = false;
    bool anisotropyEnabled_ = false;
    int32_t multisamplingPosition_ = 0;
    int32_t anisotropyPosition_ = 0;
};

}  // namespace ember
