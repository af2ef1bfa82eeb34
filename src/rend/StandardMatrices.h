#pragma once
#include <cstdint>

namespace ember {

// The fifteen standard matrix uniforms. A member's position is also its bit in
// a program's used-matrices mask; the first eleven are 4x4, the last four 3x3.
enum class StandardMatrix : int32_t {
    ProjectionMatrix,
    ProjectionMatrixInverse,
    ModelViewMatrix,
    ModelViewMatrixInverse,
    ModelViewProjectionMatrix,
    ModelViewProjectionMatrixInverse,
    ViewMatrix,
    ViewMatrixInverse,
    TextureMatrix,
    WorldMatrix,
    ShadowMatrix,
    NormalMatrix,
    NormalMatrixInverse,
    WorldNormalMatrix,
    ViewNormalMatrix,
};

constexpr int32_t StandardMatrixCount = 15;
// Indices below this are 4x4 matrices, the rest 3x3.
constexpr int32_t StandardMatrix4x4Count = 11;

// The uniform name of a standard matrix ("ProjectionMatrix" ...); "" outside 0..14.
inline const char* standardMatrixName(int32_t index) {
    static const char* const names[StandardMatrixCount] = {
        "ProjectionMatrix",
        "ProjectionMatrixInverse",
        "ModelViewMatrix",
        "ModelViewMatrixInverse",
        "ModelViewProjectionMatrix",
        "ModelViewProjectionMatrixInverse",
        "ViewMatrix",
        "ViewMatrixInverse",
        "TextureMatrix",
        "WorldMatrix",
        "ShadowMatrix",
        "NormalMatrix",
        "NormalMatrixInverse",
        "WorldNormalMatrix",
        "ViewNormalMatrix",
    };
    return index >= 0 && index < StandardMatrixCount ? names[index] : "";
}
inline const char* standardMatrixName(StandardMatrix m) {
    return standardMatrixName(static_cast<int32_t>(m));
}

// The bit of a standard matrix in a used-matrices mask.
inline uint32_t standardMatrixBit(StandardMatrix m) {
    return 1u << static_cast<uint32_t>(m);
}

}  // namespace ember
