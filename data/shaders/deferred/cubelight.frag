#version 330 core
// Cube light: a point light whose colour in each direction comes from a cube
// map around it ("TextureMatrix" takes camera view space to the light's own
// space, so the pattern turns with the light).
#include <deferred/include/light_common.glsl>

uniform samplerCube cubemap;
uniform mat4 TextureMatrix;

void main()
{
    Surface s;
    if (!readSurface(s)) discard;
    vec3 toLight = lightPosition - s.position;
    float d = length(toLight);
    float falloff = distanceFalloff(d, lightParams.x);
    if (falloff <= 0.0 || d < 1e-6) discard;
    vec3 local = (TextureMatrix * vec4(s.position, 1.0)).xyz;
    vec3 pattern = texture(cubemap, local).rgb;
    fragColor = vec4(shade(s, toLight / d, lightColor * pattern * falloff), 0.0);
}
