#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "FlowShape.h"
#include "FlowSolver2D.h"

namespace ember {
struct DecodedImage;
}

namespace qm {

// Everything of the flow part that lives on the CPU: the particles the nine systems start
// from, their beat windows and per-frame weights, the eight shapes and the uniforms derived
// from them, and the part-specific tail of "flow.dat". All times are absolute beats.
class FlowModel {
public:
    static constexpr int32_t TextCount = 8;
    static constexpr int32_t SystemCount = 9;
    static constexpr int32_t FieldSystem = 8;  // the background field, after the eight texts
    static constexpr int32_t ShapeCount = 8;
    static constexpr int32_t FieldParticles = 65536;
    // Bytes of the part's own data after the "ENVL" block.
    static constexpr int32_t TailBytes = 272;

    // clamp((x - a) / (b - a), 0, 1) and x * x * (3 - 2x).
    static float linstep(float a, float b, float x);
    static float smoothstep(float x);

    // One particle per pixel whose first byte is not zero, at z = w = 0.00001, in scan order over
    // the rows as the image loader stores them (bottom row first) and the columns left to right:
    // x = 6 (2c / (W - 1) - 1), y = 4 (2 (H - 1 - r) / (H - 1) - 1). With the part's projection
    // (y = -4 at the top) the text then reads upright. Images of one row or column put every
    // particle on the centre line of that axis instead of dividing by zero.
    static std::vector<FlowParticle> textParticles(const ember::DecodedImage& image);
    // Decodes the PNG at path with the raw-pixel read and returns its particles in out.
    // False when the image cannot be read (the PNG loader logs why).
    static bool loadTextParticles(const std::string& path, std::vector<FlowParticle>& out);
    // "data/textures/flowtext01.png" ... "flowtext08.png" for k = 0 ... 7.
    static std::string textImagePath(int32_t k);
    // The 65,536 particles of the background field from GradientNoise2D, at z = w = 0.001.
    static std::vector<FlowParticle> fieldParticles();

    // Windows as the part defines them, the parameter defaults, no shapes yet.
    FlowModel();

    // The eight shapes from a Random seeded with 171717, the greetings glyph offsets and uvSize.
    void initiateShapes();

    // Moves every shape by dt seconds, rebirths those past the top edge with draws from a Random
    // seeded by the bit pattern of beat, then computes shapeInfo and shapeParams for beat.
    void updateShapes(float beat, float dt);

    // start <= beat <= end of system j (both inclusive); false for j outside 0 ... 8.
    bool active(int32_t j, float beat) const;
    // Position 0 ... 1 of beat in the window of system j.
    float windowPosition(int32_t j, float beat) const;
    // Scale of the time step: 1 for the field, 0.01 rising smoothly to 1 over the first 30 % of a
    // text's window, so a text holds its shape before the flow takes it.
    float advectionWeight(int32_t j, float beat) const;
    // Scale of the particle size: 1 for the field; for a text 0 at both ends of its window,
    // 2 from 2.5 % of the window to its middle.
    float sizeFactor(int32_t j, float beat) const;

    // Reads the tail (little-endian floats, layout of TailBytes). A short read leaves what was
    // not read at its previous value; the result says whether the whole tail was there, and
    // callers that treat the tail as optional ignore it.
    bool readTail(std::istream& in);
    // Writes the same 272 bytes. False when the stream fails.
    bool writeTail(std::ostream& out) const;

    // Four packed floats; arrays of them go to GL as one vec4 array upload.
    struct Vec4 {
        float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;
    };
    static_assert(sizeof(Vec4) == 16, "packed vec4");
    struct Window {
        float start = 0.0f, end = 0.0f;
    };

    Window windows[SystemCount];
    Vec4 baseShapeInfo[ShapeCount];  // only z (radius) and w are used
    Vec4 shapeInfo[ShapeCount];      // uniform "shapeInfo": (x, y, radius, w)
    Vec4 shapeParams[ShapeCount];    // uniform "shapeParams": (displacement x, displacement y, 0, 0)
    float deltaX = 0.1f;
    // Stored consecutively: the file holds them as one 12-byte run.
    float envelope = 0.17f;
    float noiseLengthScale = 0.1f;
    float noiseGain = 0.1f;
    std::vector<FlowShape> shapes;
    std::vector<float> glyphOffsets;  // sixteen (u, v) pairs
    float uvSize[2] = {0.0f, 0.0f};

    // Atlas offsets (u, v) of the six credits cells and the scale they are drawn with.
    static const float creditsOffsets[6][2];
    static const float creditsUvScale[2];
};

}  // namespace qm
