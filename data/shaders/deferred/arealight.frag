#version 330 core
// Area light: a glowing sphere whose radius is a twentieth of its range. The
// diffuse terminator wraps by the sphere's angular size, and the highlight
// comes from the point of the sphere closest to the mirror direction, so it
// spreads to the sphere's shape instead of a pin-point.
#include <deferred/include/light_common.glsl>

void main()
{
    Surface s;
    if (!readSurface(s)) discard;
    float range = lightParams.x;
    float size = 0.05 * range;
    vec3 toCenter = lightPosition - s.position;
    float d = length(toCenter);
    float falloff = distanceFalloff(d, range);
    if (falloff <= 0.0 || d < 1e-6) discard;
    vec3 r = reflect(-s.view, s.normal);
    vec3 centerToRay = dot(toCenter, r) * r - toCenter;
    vec3 closest = toCenter + centerToRay * clamp(size / max(length(centerToRay), 1e-6), 0.0, 1.0);
    float wrap = clamp(size / d, 0.0, 1.0);
    vec3 lit = diffuseTerm(s, toCenter / d, wrap) + specularTerm(s, normalize(closest));
    fragColor = vec4(lightColor * falloff * lit, 0.0);
}
