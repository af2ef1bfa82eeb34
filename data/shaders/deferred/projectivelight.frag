#version 330 core
// Projective light: a spot light whose colour comes from an image projected
// along its cone ("TextureMatrix" takes camera view space to the image).
#include <deferred/include/light_common.glsl>
#include <deferred/include/light_cone.glsl>
#include <deferred/include/light_projector.glsl>

void main()
{
    Surface s;
    if (!readSurface(s)) discard;
    ConeLight c;
    if (!coneLight(s, c)) discard;
    vec3 image = projectedColor(s.position);
    fragColor = vec4(shade(s, c.l, lightColor * image * c.attenuation), 0.0);
}
