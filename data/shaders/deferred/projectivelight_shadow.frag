#version 330 core
// Projective light with a shadow map.
#include <deferred/include/light_common.glsl>
#include <deferred/include/light_cone.glsl>
#include <deferred/include/light_projector.glsl>
#include <deferred/include/light_shadow.glsl>

void main()
{
    Surface s;
    if (!readSurface(s)) discard;
    ConeLight c;
    if (!coneLight(s, c)) discard;
    float lit = shadowFactor(s, c.l, c.distance);
    if (lit <= 0.0) discard;
    vec3 image = projectedColor(s.position);
    fragColor = vec4(shade(s, c.l, lightColor * image * (c.attenuation * lit)), 0.0);
}
