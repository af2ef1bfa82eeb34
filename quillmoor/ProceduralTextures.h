#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// Texel data of the demo's four procedural textures, computed on the CPU and
// reproducible bit for bit. The caller creates the GL textures from them:
//
// | name             | kind      | size          | format | returned array                       |
// |------------------|-----------|---------------|--------|--------------------------------------|
// | "qm_gradient"    | Texture1D | 256           | RGB8   | 768 uint8: r, g, b per entry          |
// | "random_normals" | Texture2D | 32 x 32       | RGB32F | 3072 float: x, y, z per texel         |
// | "curl_vel_2d"    | Texture2D | 256 x 256     | RG32F  | 131072 float: x, y per texel          |
// | "curl_vel_3d"    | Texture3D | 32 x 32 x 32  | RGB32F | 98304 float: x, y, z per texel        |
//
// Texels are stored row by row (x fastest, then y, then z), tightly packed, as
// glTexImage*D takes them (every row is a multiple of 4 bytes long).
class ProceduralTextures {
public:
    static constexpr int gradientWidth = 256;
    static constexpr int randomNormalsSize = 32;
    static constexpr int curl2DSize = 256;
    static constexpr int curl3DSize = 32;
    // Finite-difference step of the curl field behind "curl_vel_3d".
    static constexpr float curl3DStep = 0.2f;

    // "data/" + name + ".grad" for a gradient name such as "qm_gradient".
    static std::string gradientPath(const std::string& name);

    // The 256-entry RGB8 ramp read from path: its first 768 bytes, raw, entry i
    // at ramp position i / 255. A missing file gives the grey ramp (i, i, i);
    // bytes a short file does not supply keep the grey ramp's values (logged).
    // Never fails.
    static std::vector<uint8_t> gradient(const std::string& path);

    // 32 x 32 unit vectors: a Random seeded with 1, three gaussian(1.0) draws
    // per texel normalised. A zero draw (never seen, but possible) stays zero.
    static std::vector<float> randomNormals();

    // 256 x 256 two-component directions: unit vectors from Random(123456789)
    // (x then y from next()), smoothed once in place in increasing texel order
    // by averaging with the right, lower and lower-right neighbours (wrapping).
    // Lengths are 1 or less; not normalised again.
    static std::vector<float> curlVelocity2D();

    // 32 x 32 x 32 unit vectors of SimpleCurl3D(curl3DStep): texel (i, j, k),
    // i fastest, holds the normalised curl at (j / 16 - 1, k / 16 - 1, i / 16 - 1).
    static std::vector<float> curlVelocity3D();
};

}  // namespace qm
