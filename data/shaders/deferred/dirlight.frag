#version 330 core
// Directional light: parallel light along a world-space direction (the record's
// position), brought into view space with the camera's rotation.
#include <deferred/include/light_common.glsl>

uniform mat3 ViewNormalMatrix;

void main()
{
    Surface s;
    if (!readSurface(s)) discard;
    vec3 direction = ViewNormalMatrix * lightPosition;
    float dl = length(direction);
    if (dl < 1e-6) discard;
    fragColor = vec4(shade(s, -direction / dl, lightColor), 0.0);
}
