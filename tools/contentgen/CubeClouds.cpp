// The Intro's cube clouds: "marrow.vbo" (the production's name), "cred.vbo"
// (the credits) and "qm.vbo" (the group's name). Text is set with FreeType,
// sampled on a jittered grid and built up in depth like a pillow, thickest
// where the stroke is widest, so the clouds keep a body when they turn; a few
// loose cubes drift around the letters. Records are (x, y, z, size) in logo
// space: x right, y up, z toward the viewer, in scene units.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Canvas.h"
#include "Generator.h"
#include "InstanceFile.h"
#include "TextRenderer.h"

namespace qmgen {
namespace {

const char* const kSpartanBold[] = {"/usr/share/fonts/opentype/league-spartan/LeagueSpartan-Bold.otf",
                                    "/usr/share/fonts/truetype/league-spartan/LeagueSpartan-Bold.ttf"};
const char* const kInterMedium[] = {"/usr/share/fonts/opentype/inter/Inter-SemiBold.otf",
                                    "/usr/share/fonts/opentype/inter/Inter-Medium.otf"};

// One line of text: which face, its size, tracking, and its baseline in
// pixels from the top of the layout.
struct Line {
    bool title;
    std::string text;
    float pixels;
    float tracking;
    float baseline;
    float pitch;  // grid step of the cubes, pixels
};

// Chamfer distance (in pixels) from every inked pixel to the nearest empty one.
std::vector<float> insideDistance(const Mask& m) {
    const int w = m.width, h = m.height;
    std::vector<float> d(size_t(w) * h);
    for (size_t i = 0; i < d.size(); ++i) d[i] = m.values[i] > 0.5f ? 1e6f : 0.0f;
    auto at = [&](int x, int y) -> float& { return d[size_t(y) * w + x]; };
    const float a = 1.0f, b = 1.4142f;
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x)
            at(x, y) = std::min(
                {at(x, y), at(x - 1, y) + a, at(x, y - 1) + a, at(x - 1, y - 1) + b, at(x + 1, y - 1) + b});
    for (int y = h - 2; y >= 1; --y)
        for (int x = w - 2; x >= 1; --x)
            at(x, y) = std::min(
                {at(x, y), at(x + 1, y) + a, at(x, y + 1) + a, at(x + 1, y + 1) + b, at(x - 1, y + 1) + b});
    return d;
}

bool buildCloud(const std::string& path, const std::vector<Line>& lines, float width, uint32_t seed) {
    TextRenderer title, body;
    if (!title.open({kSpartanBold[0], kSpartanBold[1]}) || !body.open({kInterMedium[0], kInterMedium[1]}))
        return false;
    const int w = 1600, h = 720;
    Mask mask(w, h);
    std::vector<float> pitchAt(size_t(w) * h, 0.0f);
    float inkLeft = 1e9f, inkRight = -1e9f, top = 1e9f, bottom = -1e9f;
    for (const Line& line : lines) {
        TextRenderer& font = line.title ? title : body;
        if (!font.setPixelSize(line.pixels)) return false;
        const TextExtent e = font.measure(line.text, line.tracking);
        const float x = w * 0.5f - (e.inkLeft + e.inkRight) * 0.5f;
        Mask m(w, h);
        font.draw(m, x, line.baseline, line.text, line.tracking);
        for (size_t i = 0; i < m.values.size(); ++i)
            if (m.values[i] > 0.0f) {
                mask.values[i] = std::max(mask.values[i], m.values[i]);
                pitchAt[i] = line.pitch;
            }
        inkLeft = std::min(inkLeft, x + e.inkLeft);
        inkRight = std::max(inkRight, x + e.inkRight);
        top = std::min(top, line.baseline - font.capHeight());
        bottom = std::max(bottom, line.baseline);
    }
    const float unit = width / (inkRight - inkLeft);  // scene units per pixel
    const float cx = (inkLeft + inkRight) * 0.5f, cy = (top + bottom) * 0.5f;
    const std::vector<float> dist = insideDistance(mask);

    qm::InstanceFile file;
    auto add = [&](float x, float y, float z, float s) {
        file.records.insert(file.records.end(), {(x - cx) * unit, (cy - y) * unit, z * unit, s * unit});
    };
    // Each line keeps its own grid so small text gets small cubes.
    for (const Line& line : lines) {
        const float g = line.pitch;
        for (float gy = g * 0.5f; gy < h; gy += g)
            for (float gx = g * 0.5f; gx < w; gx += g) {
                const uint32_t ix = uint32_t(gx / g), iy = uint32_t(gy / g) + uint32_t(line.baseline) * 131u;
                const float jx = (hash01(ix, iy, seed) - 0.5f) * 0.3f * g;
                const float jy = (hash01(ix, iy, seed + 1) - 0.5f) * 0.3f * g;
                const int px = std::clamp(int(gx + jx), 0, w - 1), py = std::clamp(int(gy + jy), 0, h - 1);
                const size_t i = size_t(py) * w + px;
                if (pitchAt[i] != g) continue;
                const float size = g * (0.78f + 0.2f * hash01(ix, iy, seed + 2));
                if (mask.values[i] > 0.5f) {
                    // Depth grows with the distance to the stroke's edge: a rounded body.
                    const float d = dist[i];
                    const int layers = 1 + std::min(5, int(d / (0.7f * g)));
                    const float front = std::min(d, 4.0f * g) * 0.6f;
                    for (int l = 0; l < layers; ++l) {
                        const float zj = (hash01(ix, iy + 7u * l, seed + 3) - 0.5f) * 0.25f * g;
                        add(gx + jx, gy + jy, front - float(l) * g + zj, size * (l == 0 ? 1.0f : 0.9f));
                    }
                } else if (mask.values[i] > 0.0f || hash01(ix, iy, seed + 4) < 0.012f) {
                    // Edge pixels and a sparse dust of loose cubes around the ink.
                    bool near = false;
                    for (int dy = -3; dy <= 3 && !near; ++dy)
                        for (int dx = -3; dx <= 3 && !near; ++dx) {
                            const int qx = std::clamp(px + int(dx * g), 0, w - 1);
                            const int qy = std::clamp(py + int(dy * g), 0, h - 1);
                            near = mask.values[size_t(qy) * w + qx] > 0.5f;
                        }
                    if (!near) continue;
                    const float z = (hash01(ix, iy, seed + 5) - 0.5f) * 6.0f * g;
                    add(gx + jx, gy + jy, z, size * (0.35f + 0.3f * hash01(ix, iy, seed + 6)));
                }
            }
    }
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    if (!out || !file.write(out, false)) {
        std::fprintf(stderr, "cube clouds: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("  %s: %d cubes\n", path.c_str(), file.recordCount());
    return true;
}

bool writeCubeClouds(const std::string& dataDir) {
    const std::string dir = dataDir + "/models/";
    const std::vector<Line> marrow = {{true, "MARROWGATE", 200.0f, 0.04f, 420.0f, 5.0f}};
    const std::vector<Line> group = {{true, "QUILLMOOR", 200.0f, 0.04f, 420.0f, 5.0f}};
    const std::vector<Line> credits = {
        {false, "CODE  MUSIC  DIRECTION  DESIGN", 52.0f, 0.22f, 190.0f, 3.5f},
        {true, "QUILLMOOR", 120.0f, 0.12f, 330.0f, 5.0f},
        {false, "ENGINE", 52.0f, 0.3f, 450.0f, 3.5f},
        {true, "EMBERLINE", 120.0f, 0.12f, 590.0f, 5.0f},
    };
    return buildCloud(dir + "marrow.vbo", marrow, 9.0f, 101u) &&
           buildCloud(dir + "qm.vbo", group, 8.5f, 202u) && buildCloud(dir + "cred.vbo", credits, 6.4f, 303u);
}

}  // namespace

QM_CONTENT_GENERATOR("cube-clouds", writeCubeClouds);

}  // namespace qmgen
