#pragma once
#include <cstdint>

#include "core/Math.h"
#include "rend/Texture.h"
#include "scene/Node.h"

namespace ember {

// A light is an ordinary node (type 0x800 + kind) carrying only parameters;
// the lighting itself happens in the light passes and shaders. It shines along
// its local +Z axis: world * (0,0,1) - worldPosition. The kind is also the
// index of the kind's program in the renderer's shader table.
class Light : public Node {
public:
    // Light kinds (the low byte of the type code).
    static constexpr int32_t Directional = 0;
    static constexpr int32_t Point = 1;
    static constexpr int32_t Spot = 2;
    static constexpr int32_t Area = 3;
    static constexpr int32_t Linear = 4;
    static constexpr int32_t Cube = 5;
    static constexpr int32_t Ambient = 6;
    static constexpr int32_t Projective = 7;
    static constexpr int32_t KindCount = 8;

    // kind in 0..7; starts without shadow and shadow map.
    Light(int32_t kind, const Vec3& color, float intensity);
    ~Light() override;

    int32_t kind() const { return type() & NodeType::LightKindMask; }
    // A plain store (the intensity controller calls it every frame).
    void setIntensity(float value) { intensity = value; }

    Vec3 color;
    // Multiplied into the colour when the light is uploaded.
    float intensity;
    // Selects the shadow variant of the light's pass; also orders lights within a kind.
    bool castsShadow = false;
    // Depth texture rendered for the light by the part owning the shadow framebuffer.
    Ref<Texture> shadowMap;
    // Camera view space to shadow-map coordinates; written by the shadow pass.
    Mat4 shadowMatrix;
};

}  // namespace ember
