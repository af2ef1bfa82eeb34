// "dance.avbo": a figure built of cubes dancing a two-bar loop at 140 BPM,
// eight frames per beat (64 frames; the Intro's dance envelope advances
// eight frames a beat). The weight shifts from foot to foot on beats 1 and 3
// with a knee bounce on every beat; the arms hit on 2 and 4 (a punch up, a
// spread, then in the second bar a diagonal point and an overhead clap); the
// chest twists against the hips and the head nods. Every limb is a lattice
// of cubes fixed in the bone's own frame, so the cubes move rigidly with it.
// Records are (x, y, z, size) in figure space: y up, z toward the viewer.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "Canvas.h"
#include "Generator.h"
#include "InstanceFile.h"

namespace qmgen {
namespace {

constexpr int kFramesPerBeat = 8;
constexpr int kBeats = 8;
constexpr float kPitch = 0.105f;
constexpr float kPi = 3.14159265f;

struct P {
    float x = 0, y = 0, z = 0;
};
P operator+(P a, P b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
P operator-(P a, P b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
P operator*(P a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
float dot(P a, P b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
P cross(P a, P b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float length(P a) {
    return std::sqrt(dot(a, a));
}
P normalize(P a) {
    return a * (1.0f / std::max(1e-6f, length(a)));
}

// Eased pulse peaking at beat `at` (period 8), width in beats.
float hit(float b, float at, float width) {
    float d = std::fmod(b - at + 4.0f * kBeats, float(kBeats));
    if (d > kBeats * 0.5f) d -= kBeats;
    const float u = std::clamp(1.0f - std::fabs(d) / width, 0.0f, 1.0f);
    return u * u * (3.0f - 2.0f * u);
}

// Knee of a two-bone chain from root to end, bending toward `bend`.
P solveJoint(P root, P end, float l1, float l2, P bend) {
    P axis = end - root;
    float d = std::clamp(length(axis), 0.05f, l1 + l2 - 1e-3f);
    axis = normalize(axis);
    const float a = (l1 * l1 - l2 * l2 + d * d) / (2.0f * d);
    const float h = std::sqrt(std::max(0.0f, l1 * l1 - a * a));
    const P side = normalize(bend - axis * dot(bend, axis));
    return root + axis * a + side * h;
}

class Figure {
public:
    std::vector<float> records;

    // Cubes filling a capsule-like limb from a to b with radii ra, rb; the
    // lattice lives in the limb's frame (up = a to b, `front` fixes the roll).
    void limb(P a, P b, float ra, float rb, P front, uint32_t id) {
        const P up = b - a;
        const float len = length(up);
        const P u = normalize(up), s = normalize(cross(u, front)), f = cross(s, u);
        const int steps = std::max(1, int(std::lround(len / kPitch)));
        for (int i = 0; i <= steps; ++i) {
            const float t = float(i) / steps;
            const float r = ra + (rb - ra) * t;
            const int n = int(r / kPitch);
            for (int j = -n; j <= n; ++j)
                for (int k = -n; k <= n; ++k) {
                    const float x = j * kPitch, z = k * kPitch;
                    if (x * x + z * z > r * r * 1.05f) continue;
                    // Keep the skin and drop the core: it is never seen.
                    if (n >= 2 && x * x + z * z < (r - 1.5f * kPitch) * (r - 1.5f * kPitch) && i > 0 &&
                        i < steps)
                        continue;
                    const P p = a + u * (t * len) + s * x + f * z;
                    const float size =
                        kPitch * (0.8f + 0.15f * hash01(uint32_t(i), uint32_t(j * 31 + k), id));
                    records.insert(records.end(), {p.x, p.y, p.z, size});
                }
        }
    }

    void ball(P c, float r, uint32_t id) {
        const int n = int(r / kPitch);
        for (int i = -n; i <= n; ++i)
            for (int j = -n; j <= n; ++j)
                for (int k = -n; k <= n; ++k) {
                    const float d2 = float(i * i + j * j + k * k) * kPitch * kPitch;
                    if (d2 > r * r * 1.05f || d2 < (r - 1.5f * kPitch) * (r - 1.5f * kPitch)) continue;
                    const float size =
                        kPitch * (0.8f + 0.15f * hash01(uint32_t(i + 9), uint32_t(j * 31 + k), id));
                    records.insert(records.end(),
                                   {c.x + i * kPitch, c.y + j * kPitch, c.z + k * kPitch, size});
                }
    }
};

// Poses the figure at beat b of the loop and appends its cubes.
void pose(Figure& fig, float b) {
    const float sway = std::cos(kPi * b * 0.5f);                  // +1: weight on the left foot
    const float bounce = 0.5f + 0.5f * std::cos(2.0f * kPi * b);  // 1 on every beat
    const float second = b >= 4.0f ? 1.0f : 0.0f;

    P pelvis{0.16f * sway, -0.1f - 0.09f * bounce, 0.0f};
    const float twist = 0.28f * std::sin(kPi * b * 0.5f);
    const P front{std::sin(twist), 0.0f, std::cos(twist)};
    const P right{std::cos(twist), 0.0f, -std::sin(twist)};
    const P chest = pelvis + P{-0.05f * sway, 0.62f, 0.03f};
    const P neck = chest + P{0.0f, 0.3f, 0.0f};
    const float nod = 0.06f * bounce;
    const P head = neck + P{0.0f, 0.24f - nod * 0.5f, nod};

    // Legs: feet planted, the free foot taps in the second bar.
    for (int side = -1; side <= 1; side += 2) {
        const P hip = pelvis + P{0.15f * side, -0.05f, 0.0f};
        const float free = side < 0 ? std::max(0.0f, sway) : std::max(0.0f, -sway);  // 1 when unloaded
        const float lift = free * (0.06f + 0.1f * second * hit(b, side < 0 ? 5.0f : 7.0f, 0.6f));
        const P ankle{0.24f * side, -1.62f + lift, 0.02f + 0.12f * free * second};
        const P knee = solveJoint(hip, ankle, 0.74f, 0.72f, P{0.15f * side, 0.0f, 1.0f});
        fig.limb(hip, knee, 0.14f, 0.105f, front, 10u + side);
        fig.limb(knee, ankle, 0.105f, 0.08f, front, 20u + side);
        fig.limb(ankle, ankle + P{0.0f, -0.03f, 0.22f}, 0.06f, 0.05f, P{0.0f, 1.0f, 0.0f}, 30u + side);
    }
    // Arms: hits on 2 and 4 of each bar (loop beats 1, 3, 5, 7).
    const float punch = hit(b, 1.0f, 0.9f), spread = hit(b, 3.0f, 0.9f);
    const float point = hit(b, 5.0f, 0.9f), clap = hit(b, 7.0f, 0.9f);
    for (int side = -1; side <= 1; side += 2) {
        const P shoulder = chest + right * (0.3f * side) + P{0.0f, 0.2f, 0.0f};
        // Rest: hanging, slightly forward, swinging against the hips.
        P hand = shoulder + P{0.12f * side, -0.78f, 0.18f + 0.1f * side * sway};
        const P up = shoulder + P{0.1f * side, 0.82f, 0.1f};
        const P out = shoulder + P{0.8f * side, 0.15f, 0.1f};
        const P diag = shoulder + (side > 0 ? P{0.6f, 0.6f, 0.2f} : P{-0.35f, -0.5f, 0.45f});
        const P overhead = chest + P{0.04f * side, 1.35f, 0.12f};
        auto blend = [](P a, P b, float t) { return a + (b - a) * t; };
        hand = blend(hand, up, punch);
        hand = blend(hand, out, spread);
        hand = blend(hand, diag, point);
        hand = blend(hand, overhead, clap);
        const P elbow = solveJoint(shoulder, hand, 0.44f, 0.42f, P{0.4f * side, -0.6f, -0.5f});
        fig.limb(shoulder, elbow, 0.1f, 0.085f, front, 40u + side);
        fig.limb(elbow, hand, 0.085f, 0.07f, front, 50u + side);
    }
    fig.limb(pelvis + P{0.0f, -0.12f, 0.0f}, chest + P{0.0f, 0.16f, 0.0f}, 0.24f, 0.3f, front, 60u);
    fig.limb(neck, neck + P{0.0f, 0.12f, 0.0f}, 0.06f, 0.06f, front, 61u);
    fig.ball(head, 0.21f, 62u);
}

bool writeDance(const std::string& dataDir) {
    qm::InstanceFile file;
    for (int frame = 0; frame < kFramesPerBeat * kBeats; ++frame) {
        Figure fig;
        pose(fig, float(frame) / kFramesPerBeat);
        file.frames.push_back(file.recordCount());
        file.frames.push_back(int32_t(fig.records.size() / 4));
        file.records.insert(file.records.end(), fig.records.begin(), fig.records.end());
    }
    const std::string path = dataDir + "/models/dance.avbo";
    std::filesystem::create_directories(dataDir + "/models");
    std::ofstream out(path, std::ios::binary);
    if (!out || !file.write(out, true)) {
        std::fprintf(stderr, "dance: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("  %s: %d frames, %d cubes\n", path.c_str(), file.frameCount(), file.recordCount());
    return true;
}

}  // namespace

QM_CONTENT_GENERATOR("dance", writeDance);

}  // namespace qmgen
