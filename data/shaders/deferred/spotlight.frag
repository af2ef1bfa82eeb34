#version 330 core
// Spot light: a point light limited to a cone around its direction (the
// record's second vector), with a soft edge between the cone and edge cosines.
#include <deferred/include/light_common.glsl>
#include <deferred/include/light_cone.glsl>

void main()
{
    Surface s;
    if (!readSurface(s)) discard;
    ConeLight c;
    if (!coneLight(s, c)) discard;
    fragColor = vec4(shade(s, c.l, lightColor * c.attenuation), 0.0);
}
