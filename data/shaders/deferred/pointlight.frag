#version 330 core
// Point light: shines in every direction, falling to zero at its range.
#include <deferred/include/light_common.glsl>

void main()
{
    Surface s;
    if (!readSurface(s)) discard;
    vec3 toLight = lightPosition - s.position;
    float d = length(toLight);
    float falloff = distanceFalloff(d, lightParams.z);
    if (falloff <= 0.0 || d < 1e-6) discard;
    fragColor = vec4(shade(s, toLight / d, lightColor * falloff), 0.0);
}
