// The flow part's images: the eight text lines its particles are sampled from, the soft
// particle sprite, and the two atlases the drifting discs carry (credits and greetings).
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
const char* const kInterMedium[] = {"/usr/share/fonts/opentype/inter/Inter-Medium.otf",
                                    "/usr/share/fonts/truetype/inter/Inter-Medium.ttf"};
const char* const kInterSemiBold[] = {"/usr/share/fonts/opentype/inter/Inter-SemiBold.otf",
                                      "/usr/share/fonts/truetype/inter/Inter-SemiBold.ttf",
                                      "/usr/share/fonts/opentype/inter/Inter-Medium.otf"};

// One short text, a line every 16 beats: night, metal, light, passage.
const char* const kFlowLines[8] = {
    "NIGHT FALLS",  "ON COLD METAL", "A SPARK",  "OF AMBER LIGHT",
    "FINDS A SEAM", "IN THE GATE",   "IT OPENS", "PASS THROUGH",
};

// The text image spans the whole 12 x 8 view, so its aspect is 3 : 2. Every lit pixel becomes
// one particle: at 600 x 400 a line gives some ten to twenty thousand, dense enough that the
// letters read solid before the flow takes them.
constexpr int kTextWidth = 600;
constexpr int kTextHeight = 400;

Image8 maskToGrey(const Mask& mask) {
    Image8 image;
    image.width = mask.width;
    image.height = mask.height;
    image.channels = 1;
    image.pixels.resize(mask.values.size());
    for (size_t i = 0; i < mask.values.size(); ++i) {
        const float v = std::min(1.0f, std::max(0.0f, mask.values[i]));
        image.pixels[i] = static_cast<uint8_t>(std::lround(v * 255.0f));
    }
    return image;
}

// Sets text centred on cx with its baseline at baseline, shrinking the size until the ink fits
// maxWidth.
void setCentred(TextRenderer& font, Mask& mask, const std::string& text, float cx, float baseline, float size,
                float tracking, float maxWidth) {
    font.setPixelSize(size);
    TextExtent e = font.measure(text, tracking);
    if (e.inkRight - e.inkLeft > maxWidth) {
        size *= maxWidth / (e.inkRight - e.inkLeft);
        font.setPixelSize(size);
        e = font.measure(text, tracking);
    }
    const float x = std::round(cx - 0.5f * (e.inkLeft + e.inkRight));
    font.draw(mask, x, baseline, text, tracking);
}

bool generateFlowText(const std::string& dataDir) {
    TextRenderer spartan;
    if (!spartan.open({kSpartanBold[0], kSpartanBold[1]})) return false;
    for (int k = 0; k < 8; ++k) {
        Mask mask(kTextWidth, kTextHeight);
        const float size = 112.0f;
        spartan.setPixelSize(size);
        // Centred a little above the middle, where the drifting discs are still below the text
        // for most of its window.
        const float baseline = std::round(kTextHeight * 0.46f + 0.5f * spartan.capHeight());
        setCentred(spartan, mask, kFlowLines[k], kTextWidth * 0.5f, baseline, size, 0.12f,
                   kTextWidth * 0.90f);
        // A particle per pixel that is at least half covered: a hard edge keeps the glyphs crisp
        // when every particle is drawn at the same brightness.
        for (float& v : mask.values) v = v >= 0.5f ? 1.0f : 0.0f;
        char name[64];
        std::snprintf(name, sizeof name, "/textures/flowtext%02d.png", k + 1);
        if (!writePNG(dataDir + name, maskToGrey(mask))) return false;
    }
    return true;
}

// A soft round sprite: a bright core with a gaussian falloff that reaches zero at the rim, so
// overlapping particles blend into continuous filaments.
bool generateParticleSprite(const std::string& dataDir) {
    const int n = 64;
    Mask mask(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float dx = (x + 0.5f) / n * 2.0f - 1.0f;
            const float dy = (y + 0.5f) / n * 2.0f - 1.0f;
            const float r = std::sqrt(dx * dx + dy * dy);
            const float falloff = std::exp(-4.5f * r * r);
            mask.at(x, y) = falloff * (1.0f - smoothstep(0.75f, 1.0f, r));
        }
    return writePNG(dataDir + "/textures/circle.png", maskToGrey(mask));
}

// Credits: 3 x 2 cells of 256 pixels. The drawing program reads the cells with offsets whose v is
// 0.5 for cells 0-2 and 1.0 for cells 3-5, so cells 0-2 are the bottom row of the file (images are
// uploaded bottom-up) and 3-5 the top row. The lines sit in the upper half of the disc; the
// greetings glyph takes the lower half.
bool generateCredits(const std::string& dataDir) {
    TextRenderer role, name;
    if (!role.open({kInterMedium[0], kInterMedium[1]})) return false;
    if (!name.open({kSpartanBold[0], kSpartanBold[1]})) return false;
    struct Cell {
        const char* role;
        const char* name;
    } cells[6] = {
        {"QUILLMOOR PRESENTS", "MARROWGATE"}, {"CODE", "QUILLMOOR"},   {"MUSIC", "QUILLMOOR"},
        {"DIRECTION", "QUILLMOOR"},           {"DESIGN", "QUILLMOOR"}, {"ENGINE", "EMBERLINE"},
    };
    const int c = 256;
    Mask mask(3 * c, 2 * c);
    for (int i = 0; i < 6; ++i) {
        const int col = i % 3;
        const int row = i < 3 ? 1 : 0;  // file rows, top first
        const float cx = col * c + 0.5f * c;
        const float top = static_cast<float>(row * c);
        setCentred(role, mask, cells[i].role, cx, top + 0.34f * c, 21.0f, 0.22f, 0.62f * c);
        setCentred(name, mask, cells[i].name, cx, top + 0.50f * c, 40.0f, 0.04f, 0.72f * c);
    }
    return writePNG(dataDir + "/textures/credits.png", maskToGrey(mask));
}

// Greetings: 4 x 4 cells of 256 pixels, glyph k in file row k / 4 and column k % 4, each an
// invented crew set small in the lower part of the disc under a short rule.
bool generateGreetings(const std::string& dataDir) {
    TextRenderer font;
    if (!font.open({kInterSemiBold[0], kInterSemiBold[1], kInterSemiBold[2]})) return false;
    const char* const crews[16] = {
        "VELKRA",   "ORNISH",  "DUSKWEIR", "BRINNEL",  "QUARVEL", "MOTHLAKE", "SERRANDE", "CINDRALL",
        "HOLLOWAX", "PELLUCE", "ASHMOTE",  "KESTRAVE", "LUMEVAR", "TARNWICK", "OSSELINE", "GRAVENDY",
    };
    const int c = 256;
    Mask mask(4 * c, 4 * c);
    for (int k = 0; k < 16; ++k) {
        const float cx = (k % 4) * c + 0.5f * c;
        const float top = static_cast<float>((k / 4) * c);
        drawHorizontalBar(mask, cx - 0.09f * c, cx + 0.09f * c, top + 0.61f * c, 1.6f, 6.0f);
        setCentred(font, mask, crews[k], cx, top + 0.72f * c, 27.0f, 0.16f, 0.62f * c);
    }
    return writePNG(dataDir + "/textures/greetings.png", maskToGrey(mask));
}

bool generateFlowImages(const std::string& dataDir) {
    return generateFlowText(dataDir) && generateParticleSprite(dataDir) && generateCredits(dataDir) &&
           generateGreetings(dataDir);
}

}  // namespace

QM_CONTENT_GENERATOR("flow", generateFlowImages);

}  // namespace qmgen
