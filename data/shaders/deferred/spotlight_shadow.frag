#version 330 core
// Spot light with a shadow map.
#include <deferred/include/light_common.glsl>
#include <deferred/include/light_cone.glsl>
#include <deferred/include/light_shadow.glsl>

void main()
{
    Surface s;
    if (!readSurface(s)) discard;
    ConeLight c;
    if (!coneLight(s, c)) discard;
    float lit = shadowFactor(s, c.l, c.distance);
    if (lit <= 0.0) discard;
    fragColor = vec4(shade(s, c.l, lightColor * (c.attenuation * lit)), 0.0);
}
