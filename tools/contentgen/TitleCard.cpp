// The production's title card: the loading-screen picture and, in the same layout, the small picture
// at the top of the settings dialog.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Canvas.h"
#include "Generator.h"
#include "ImageWriter.h"
#include "TextRenderer.h"

namespace qmgen {
namespace {

const char* const kSpartanBold[] = {"/usr/share/fonts/opentype/league-spartan/LeagueSpartan-Bold.otf",
                                    "/usr/share/fonts/truetype/league-spartan/LeagueSpartan-Bold.ttf"};
const char* const kSpartanLight[] = {"/usr/share/fonts/opentype/league-spartan/LeagueSpartan-Light.otf",
                                     "/usr/share/fonts/truetype/league-spartan/LeagueSpartan-Light.ttf"};
const char* const kInterMedium[] = {"/usr/share/fonts/opentype/inter/Inter-Medium.otf",
                                    "/usr/share/fonts/truetype/inter/Inter-Medium.ttf"};

// The loading screen's shader fills this track with the progress; both sides share these numbers
// (fractions of the picture, y measured from the top).
constexpr float kTrackLeft = 0.40f;
constexpr float kTrackRight = 0.60f;
constexpr float kTrackY = 0.815f;

struct Fonts {
    TextRenderer bold, light, inter;
    bool open() {
        return bold.open({kSpartanBold[0], kSpartanBold[1]}) &&
               light.open({kSpartanLight[0], kSpartanLight[1]}) &&
               inter.open({kInterMedium[0], kInterMedium[1]});
    }
};

// One run of text in one face and colour, part of a line set as a whole.
struct Run {
    TextRenderer* font;
    std::string text;
    Rgb color;
    float tracking;  // ems between letters
    float gapAfter;  // pixels after the run
};

// Sets `runs` as one line whose ink is centred on `centreX`; each run is painted in its colour, and
// the coverage of all runs is returned for glows.
Mask setLine(Canvas& canvas, std::vector<Run>& runs, float centreX, float baseline) {
    float width = 0.0f, inkLeft = 0.0f, inkRight = 0.0f;
    for (size_t i = 0; i < runs.size(); ++i) {
        TextExtent e = runs[i].font->measure(runs[i].text, runs[i].tracking);
        if (i == 0) inkLeft = e.inkLeft;
        if (i + 1 == runs.size()) inkRight = width + e.inkRight;
        width += e.advance + runs[i].gapAfter;
    }
    float pen = centreX - (inkLeft + inkRight) * 0.5f;
    Mask all(canvas.width(), canvas.height());
    for (Run& run : runs) {
        Mask m(canvas.width(), canvas.height());
        run.font->draw(m, pen, baseline, run.text, run.tracking);
        canvas.paint(m, run.color);
        for (size_t k = 0; k < m.values.size(); ++k) all.values[k] = std::max(all.values[k], m.values[k]);
        pen += run.font->measure(run.text, run.tracking).advance + run.gapAfter;
    }
    return all;
}

// Soft elliptical light centred at (cx, cy) with the given radii (Gaussian falloff).
void addEllipse(Canvas& canvas, float cx, float cy, float rx, float ry, const Rgb& color) {
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            float dx = (x + 0.5f - cx) / rx, dy = (y + 0.5f - cy) / ry;
            float e = std::exp(-(dx * dx + dy * dy));
            if (e > 1e-5f) canvas.at(x, y) = canvas.at(x, y) + color * e;
        }
}

// Renders the card at w x h; `withTrack` adds the empty progress track of the loading screen.
Canvas renderTitleCard(Fonts& fonts, int w, int h, bool withTrack) {
    const float s = h / 720.0f;  // layout unit: one pixel of the 720-line card
    const float cx = w * 0.5f;
    const bool small = h < 400;

    // Ground: near-black blue, lifted towards the centre, darker at the edges.
    Canvas canvas(w, h, hexColor(0x07090d));
    const Rgb lift = hexColor(0x0f1826) - hexColor(0x07090d);
    addEllipse(canvas, cx, h * 0.46f, w * 0.42f, h * 0.42f, lift);
    // A cold wash from above.
    addEllipse(canvas, w * 0.30f, -h * 0.10f, w * 0.45f, h * 0.35f, hexColor(0x1a7f8c) * 0.035f);
    // Brushed metal: long horizontal streaks of noise, barely above the dither, strongest where lit.
    Mask grain(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) grain.at(x, y) = hash01(x, y, 77) - 0.5f;
    for (int pass = 0; pass < 3; ++pass) {
        Mask streak = grain;
        const int reach = std::max(2, static_cast<int>(40.0f * s));
        for (int y = 0; y < h; ++y) {
            double sum = 0.0;
            for (int x = -reach; x < w + reach; ++x) {
                if (x + reach < w && x + reach >= 0) sum += grain.at(x + reach, y);
                if (x - reach - 1 >= 0 && x - reach - 1 < w) sum -= grain.at(x - reach - 1, y);
                if (x >= 0 && x < w) streak.at(x, y) = static_cast<float>(sum);
            }
        }
        grain = streak;
    }
    double energy = 0.0;
    for (float g : grain.values) energy += static_cast<double>(g) * g;
    const float norm = static_cast<float>(0.05 / std::sqrt(energy / grain.values.size() + 1e-12));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb& p = canvas.at(x, y);
            p = p * (1.0f + norm * grain.at(x, y));
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float dx = (x + 0.5f) / w - 0.5f, dy = (y + 0.5f) / h - 0.5f;
            float v = 1.0f - 0.55f * smoothstep(0.25f, 0.75f, std::sqrt(dx * dx * 1.2f + dy * dy * 1.8f));
            canvas.at(x, y) = canvas.at(x, y) * v;
        }

    // The name: "Quillmoor" light and cool, the slash in amber, "Marrowgate" bold and warm.
    const float titleSize = 78.0f * s;
    fonts.bold.setHinting(small);
    fonts.light.setHinting(small);
    fonts.bold.setPixelSize(titleSize);
    fonts.light.setPixelSize(titleSize);
    const float baseline = std::round(h * 0.505f);
    std::vector<Run> title = {
        {&fonts.light, "Quillmoor", hexColor(0xaebfca), -0.005f, titleSize * 0.22f},
        {&fonts.light, "/", hexColor(0xffb347), 0.0f, titleSize * 0.22f},
        {&fonts.bold, "Marrowgate", hexColor(0xf3ede4), -0.01f, 0.0f},
    };
    Mask titleInk = setLine(canvas, title, cx, baseline);
    // A faint halation around the letters, as if lit from behind.
    titleInk.blur(14.0f * s);
    canvas.addLight(titleInk, hexColor(0xffb347) * 0.05f);

    // The rule under the name: teal fading into amber, thin and soft-ended.
    const float ruleY = baseline + 30.0f * s;
    const float ruleHalf = 150.0f * s;
    Mask rule(w, h);
    drawHorizontalBar(rule, cx - ruleHalf, cx + ruleHalf, ruleY, std::max(1.0f, 1.2f * s), 60.0f * s);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float a = rule.at(x, y);
            if (a <= 0.0f) continue;
            float t = smoothstep(cx - ruleHalf, cx + ruleHalf, x + 0.5f);
            canvas.at(x, y) = mix(canvas.at(x, y), mix(hexColor(0x3fd7e6), hexColor(0xffb347), t), a * 0.9f);
        }
    // Sodium light spilling from the rule.
    addEllipse(canvas, cx, ruleY, w * 0.20f, h * 0.022f, hexColor(0xff7a1a) * 0.030f);
    Mask ruleGlow = rule;
    ruleGlow.blur(6.0f * s);
    canvas.addLight(ruleGlow, hexColor(0xff9a3a) * 0.35f);

    // The production line, small, spaced capitals.
    const float lineSize = std::max(small ? 6.5f : 9.0f, 13.0f * s);
    fonts.inter.setHinting(small);
    fonts.inter.setPixelSize(lineSize);
    std::vector<Run> line = {
        {&fonts.inter, "A REAL-TIME PRODUCTION IN FIVE PARTS", hexColor(0x8792a0), small ? 0.22f : 0.34f,
         0.0f},
    };
    setLine(canvas, line, cx, std::round(ruleY + 34.0f * s));

    if (!withTrack) return canvas;
    // The empty track the loading progress fills.
    Mask track(w, h);
    drawHorizontalBar(track, w * kTrackLeft, w * kTrackRight, h * kTrackY, std::max(1.0f, 2.0f * s), 0.0f);
    canvas.paint(track, hexColor(0x19212d));
    return canvas;
}

bool generateTitleCard(const std::string& dataDir) {
    Fonts fonts;
    if (!fonts.open()) return false;
    Canvas card = renderTitleCard(fonts, 1280, 720, true);
    if (!writeJPEG(dataDir + "/loading/loading.jpg", card.toImage8(1.0f), 94)) return false;
    Canvas dialog = renderTitleCard(fonts, 384, 216, false);
    return writePNG(dataDir + "/loading/dialog.png", dialog.toImage8(1.0f));
}

QM_CONTENT_GENERATOR("titlecard", generateTitleCard);

}  // namespace
}  // namespace qmgen
