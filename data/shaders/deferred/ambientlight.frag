#version 330 core
// Ambient light: the same light from everywhere, reflected diffusely, a little
// stronger on surfaces facing the eye so flat-lit areas keep some shape.
#include <deferred/include/light_common.glsl>

void main()
{
    Surface s;
    if (!readSurface(s)) discard;
    float facing = 0.75 + 0.25 * max(dot(s.normal, s.view), 0.0);
    fragColor = vec4(s.albedo * lightColor * facing, 0.0);
}
