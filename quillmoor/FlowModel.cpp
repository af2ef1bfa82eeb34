#include "FlowModel.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "GradientNoise2D.h"
#include "Random.h"
#include "loaders/ImageLoader.h"
#include "loaders/PNGLoader.h"

namespace qm {

const float FlowModel::creditsOffsets[6][2] = {{0.0f, 0.5f}, {1.0f / 3.0f, 0.5f}, {2.0f / 3.0f, 0.5f},
                                               {0.0f, 1.0f}, {1.0f / 3.0f, 1.0f}, {2.0f / 3.0f, 1.0f}};
const float FlowModel::creditsUvScale[2] = {1.0f / 3.0f, 0.5f};

namespace {

constexpr float kTextDepth = 0.00001f;
constexpr float kFieldDepth = 0.001f;
constexpr uint32_t kShapeSeed = 171717u;

// Both rebirth and set-up draw a new size and a rising speed the same way.
float drawSize(Random& random) {
    return 0.5f * random.next() + 1.0f;
}

float drawRisingSpeed(Random& random) {
    return -1.0f - std::fabs(0.5f * random.gaussian(1.0f));
}

bool readFloat(std::istream& in, float& value) {
    unsigned char b[4];
    if (!in.read(reinterpret_cast<char*>(b), 4)) return false;
    const uint32_t bits = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                          (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    std::memcpy(&value, &bits, 4);
    return true;
}

// Reads the values in order; a short read stops there, leaving the rest unchanged.
bool readFloats(std::istream& in, std::initializer_list<float*> values) {
    for (float* v : values)
        if (!readFloat(in, *v)) return false;
    return true;
}

void writeFloats(std::ostream& out, std::initializer_list<float> values) {
    for (float v : values) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        const char b[4] = {static_cast<char>(bits & 0xFF), static_cast<char>((bits >> 8) & 0xFF),
                           static_cast<char>((bits >> 16) & 0xFF), static_cast<char>((bits >> 24) & 0xFF)};
        out.write(b, 4);
    }
}

// Maps index i of n onto -1 ... 1; a single sample sits at the centre.
float unitCoordinate(int32_t i, int32_t n) {
    if (n <= 1) return 0.0f;
    return 2.0f * static_cast<float>(i) / static_cast<float>(n - 1) - 1.0f;
}

}  // namespace

float FlowModel::linstep(float a, float b, float x) {
    const float t = (x - a) / (b - a);
    return t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
}

float FlowModel::smoothstep(float x) {
    return x * x * (3.0f - 2.0f * x);
}

std::vector<FlowParticle> FlowModel::textParticles(const ember::DecodedImage& image) {
    std::vector<FlowParticle> particles;
    if (!image.pixels || image.width <= 0 || image.height <= 0 || image.channels <= 0) return particles;
    const int32_t w = image.width;
    const int32_t h = image.height;
    const size_t rowBytes = image.rowBytes();
    for (int32_t r = 0; r < h; ++r) {
        const uint8_t* row = image.pixels + static_cast<size_t>(r) * rowBytes;
        for (int32_t c = 0; c < w; ++c) {
            if (row[static_cast<size_t>(c) * image.channels] == 0) continue;
            FlowParticle p;
            p.x = 6.0f * unitCoordinate(c, w);
            p.y = 4.0f * unitCoordinate(h - 1 - r, h);
            p.z = kTextDepth;
            p.w = kTextDepth;
            particles.push_back(p);
        }
    }
    return particles;
}

bool FlowModel::loadTextParticles(const std::string& path, std::vector<FlowParticle>& out) {
    ember::Ref<ember::PNGLoader> loader(new ember::PNGLoader());
    ember::DecodedImage image;
    if (!loader->readImage(path, image)) return false;
    out = textParticles(image);
    return true;
}

std::string FlowModel::textImagePath(int32_t k) {
    char name[64];
    std::snprintf(name, sizeof name, "data/textures/flowtext%02d.png", static_cast<int>(k + 1));
    return name;
}

std::vector<FlowParticle> FlowModel::fieldParticles() {
    GradientNoise2D noise;
    std::vector<FlowParticle> particles(FieldParticles);
    for (int32_t i = 0; i < FieldParticles; ++i) {
        const float a = static_cast<float>(i >> 8) / 256.0f;
        const float b = static_cast<float>(i & 255) / 256.0f;
        FlowParticle& p = particles[static_cast<size_t>(i)];
        p.x = 0.5f * noise.noise(a, b) + 12.0f * (a - 0.5f);
        p.y = 0.5f * noise.noise(b, a) + 8.0f * (b - 0.5f);
        p.z = kFieldDepth;
        p.w = kFieldDepth;
    }
    return particles;
}

FlowModel::FlowModel() {
    for (int32_t k = 0; k < TextCount; ++k) {
        windows[k].start = 96.0f + 16.0f * static_cast<float>(k);
        windows[k].end = 116.0f + 16.0f * static_cast<float>(k);
    }
    windows[FieldSystem].start = 96.0f;
    windows[FieldSystem].end = 1024.0f;
    for (int32_t i = 0; i < ShapeCount; ++i) {
        baseShapeInfo[i] = {0.0f, 0.0f, 0.1f, 1.0f};
        shapeInfo[i] = baseShapeInfo[i];
        shapeParams[i] = {0.0f, 0.0f, 0.0f, 1.0f};
    }
}

void FlowModel::initiateShapes() {
    Random random(kShapeSeed);
    shapes.assign(ShapeCount, FlowShape());
    for (int32_t k = 0; k < ShapeCount; ++k) {
        FlowShape& s = shapes[static_cast<size_t>(k)];
        const bool odd = (k & 1) != 0;
        s.size = drawSize(random);
        s.glyph = odd ? k + 8 : 0;
        s.cell = 0;
        s.x = 0.5f * random.next() + (1.5f * static_cast<float>(k - 4) + 0.5f);
        s.y = std::fabs(random.next() * (odd ? 2.5f : 1.5f)) + s.size + 5.0f;
        s.previousX = s.x;
        s.previousY = s.y;
        s.velocityX = 0.0f;
        s.velocityY = 0.75f * drawRisingSpeed(random);
    }
    uvSize[0] = 0.25f;
    uvSize[1] = 0.25f;
    glyphOffsets.clear();
    for (int32_t row = 0; row < 4; ++row)
        for (int32_t col = 0; col < 4; ++col) {
            glyphOffsets.push_back(0.25f * static_cast<float>(col));
            glyphOffsets.push_back(0.75f - 0.25f * static_cast<float>(row));
        }
}

void FlowModel::updateShapes(float beat, float dt) {
    uint32_t seed;
    std::memcpy(&seed, &beat, sizeof seed);
    Random random(seed);
    for (size_t k = 0; k < shapes.size(); ++k) {
        FlowShape& s = shapes[k];
        s.previousX = s.x;
        s.previousY = s.y;
        s.x += dt * s.velocityX;
        s.y += dt * s.velocityY;
        if (s.y < -5.0f - s.size) {
            s.size = drawSize(random);
            s.y = s.size + 5.0f;
            s.velocityX = 0.0f;
            s.velocityY = drawRisingSpeed(random);
            s.velocityX *= 0.75f;
            s.velocityY *= 0.75f;
            s.cell = (s.cell + 1) % 6;
            const int32_t next = (s.glyph + 1) % 8;
            s.glyph = (k & 1) ? next + 8 : next;
        }
    }
    for (int32_t i = 0; i < ShapeCount && i < static_cast<int32_t>(shapes.size()); ++i) {
        const float x = shapes[static_cast<size_t>(i)].x;
        const float y = shapes[static_cast<size_t>(i)].y;
        const float radius =
            (i & 1) ? baseShapeInfo[i].z
                    : baseShapeInfo[i].z + 0.1f * std::sin((0.125f * static_cast<float>(i) + beat) * 3.1415f);
        shapeInfo[i] = {x + 0.5f * std::sin((x + y) * 0.125f) * std::sin(y * 0.34f + beat), y, radius,
                        baseShapeInfo[i].w};
        shapeParams[i] = {x - shapeInfo[i].x, y - shapeInfo[i].y, 0.0f, 0.0f};
    }
}

bool FlowModel::active(int32_t j, float beat) const {
    if (j < 0 || j >= SystemCount) return false;
    return windows[j].start <= beat && beat <= windows[j].end;
}

float FlowModel::windowPosition(int32_t j, float beat) const {
    if (j < 0 || j >= SystemCount) return 0.0f;
    return (beat - windows[j].start) / (windows[j].end - windows[j].start);
}

float FlowModel::advectionWeight(int32_t j, float beat) const {
    if (j == FieldSystem) return 1.0f;
    return 0.01f + 0.99f * smoothstep(linstep(0.0f, 0.3f, windowPosition(j, beat)));
}

float FlowModel::sizeFactor(int32_t j, float beat) const {
    if (j == FieldSystem) return 1.0f;
    const float u = windowPosition(j, beat);
    const float a = linstep(0.0f, 0.025f, u);
    const float c = linstep(0.5f, 1.0f, u);
    return 2.0f * (smoothstep(a) - smoothstep(c));
}

bool FlowModel::readTail(std::istream& in) {
    for (int32_t i = 0; i < ShapeCount; ++i) {
        Vec4& b = baseShapeInfo[i];
        Vec4& p = shapeParams[i];
        const bool complete =
            readFloats(in, {&b.x, &b.y, &b.z, &b.w}) && readFloats(in, {&p.x, &p.y, &p.z, &p.w});
        shapeInfo[i] = b;
        if (!complete) return false;
    }
    return readFloats(in, {&deltaX, &envelope, &noiseLengthScale, &noiseGain});
}

bool FlowModel::writeTail(std::ostream& out) const {
    for (int32_t i = 0; i < ShapeCount; ++i) {
        const Vec4& b = baseShapeInfo[i];
        const Vec4& p = shapeParams[i];
        writeFloats(out, {b.x, b.y, b.z, b.w, p.x, p.y, p.z, p.w});
    }
    writeFloats(out, {deltaX, envelope, noiseLengthScale, noiseGain});
    return static_cast<bool>(out);
}

}  // namespace qm
