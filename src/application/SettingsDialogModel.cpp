#include "application/SettingsDialogModel.h"

#include <algorithm>
#include <cstdio>

namespace ember {

SettingsDialogModel::SettingsDialogModel(const ApplicationSettings& settings,
                                         const std::vector<DisplayMode>& modes)
    : title_(settings.title) {
    for (const DisplayMode& mode : modes) {
        if (static_cast<int32_t>(resolutions_.size()) >= maxResolutions) break;
        if (!acceptsMode(mode, settings.colorBits)) continue;
        const Resolution r{mode.width, mode.height};
        // Modes differing only in refresh rate (or pixel layout) are one entry,
        // wherever in the list the display reports them.
        if (std::find(resolutions_.begin(), resolutions_.end(), r) != resolutions_.end()) continue;
        if (r.width == settings.width && r.height == settings.height)
            selected_ = static_cast<int32_t>(resolutions_.size());
        resolutions_.push_back(r);
    }
    if (selected_ < 0) {
        for (size_t i = 0; i < resolutions_.size(); ++i) {
            if (resolutions_[i].width != settings.width) continue;
            selected_ = static_cast<int32_t>(i);
        }
    }
    if (selected_ < 0 && settings.width > 0 && settings.height > 0) {
        // Full screen shows any size (scaled when the display has no such
        // mode), so the pre-filled size is offered rather than a blank box.
        selected_ = static_cast<int32_t>(resolutions_.size());
        resolutions_.push_back(Resolution{settings.width, settings.height});
    }

    alwaysOnTop_ = settings.alwaysOnTop;
    fullscreen_ = settings.fullscreen;
    alwaysOnTopEnabled_ = !fullscreen_;
    verticalSync_ = settings.verticalSync;
    multisamplingEnabled_ = settings.samples > 1;
    anisotropyEnabled_ = settings.anisotropy > 0;
}

int32_t SettingsDialogModel::effectiveColorBits(const DisplayMode& mode) {
    return mode.bytesPerPixel == 4 ? 32 : mode.bitsPerPixel;
}

bool SettingsDialogModel::acceptsMode(const DisplayMode& mode, int32_t colorBits) {
    if (mode.width < 640 || mode.height < 400) return false;
    const int64_t w = mode.width;
    if (mode.height != w * 9 / 16 && mode.height != w * 10 / 16) return false;
    return effectiveColorBits(mode) == colorBits;
}

int32_t SettingsDialogModel::sliderValue(int32_t position) {
    return 1 << std::clamp(position, 0, sliderMaximum);
}

std::string SettingsDialogModel::sliderLabel(int32_t position) {
    char text[16];
    std::snprintf(text, sizeof text, "%dx", sliderValue(position));
    return text;
}

std::string SettingsDialogModel::resolutionLabel(const Resolution& r) {
    char text[32];
    std::snprintf(text, sizeof text, "%d * %d", r.width, r.height);
    return text;
}

void SettingsDialogModel::selectResolution(int32_t index) {
    selected_ = (index >= 0 && index < static_cast<int32_t>(resolutions_.size())) ? index : -1;
}

void SettingsDialogModel::setFullscreen(bool on) {
    fullscreen_ = on;
    if (on) alwaysOnTop_ = false;
    alwaysOnTopEnabled_ = !on;
}

void SettingsDialogModel::setAlwaysOnTop(bool on) {
    if (alwaysOnTopEnabled_) alwaysOnTop_ = on;
}

void SettingsDialogModel::setMultisamplingPosition(int32_t position) {
    if (multisamplingEnabled_) multisamplingPosition_ = std::clamp(position, 0, sliderMaximum);
}

void SettingsDialogModel::setAnisotropyPosition(int32_t position) {
    if (anisotropyEnabled_) anisotropyPosition_ = std::clamp(position, 0, sliderMaximum);
}

void SettingsDialogModel::apply(ApplicationSettings& settings) const {
    if (selected_ >= 0) {
        settings.width = resolutions_[selected_].width;
        settings.height = resolutions_[selected_].height;
    }
    settings.fullscreen = fullscreen_;
    settings.alwaysOnTop = alwaysOnTop_;
    settings.verticalSync = verticalSync_;
    settings.samples = sliderValue(multisamplingPosition_);
    settings.anisotropy = sliderValue(anisotropyPosition_);
}

}  // namespace ember
