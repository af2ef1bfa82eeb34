#version 330 core
// Linear light: a glowing segment from its position to the far end (the
// record's second point). Each surface point is lit from the nearest point of
// the segment, falling to zero at length (range when length is 0) from it;
// the highlight follows the segment point nearest the mirror ray, so it
// stretches along the tube.
#include <deferred/include/light_common.glsl>

vec3 closestOnSegment(vec3 a, vec3 b, vec3 p)
{
    vec3 ab = b - a;
    float len2 = dot(ab, ab);
    float t = len2 > 1e-12 ? clamp(dot(p - a, ab) / len2, 0.0, 1.0) : 0.0;
    return a + ab * t;
}

// Segment point nearest the ray from origin along unit direction r.
vec3 closestToRay(vec3 a, vec3 b, vec3 origin, vec3 r)
{
    vec3 ab = b - a;
    vec3 ao = a - origin;
    float abr = dot(ab, r);
    float denom = dot(ab, ab) - abr * abr;
    float t = denom > 1e-9 ? clamp((dot(ab, r) * dot(ao, r) - dot(ab, ao)) / denom, 0.0, 1.0) : 0.0;
    return a + ab * t;
}

void main()
{
    Surface s;
    if (!readSurface(s)) discard;
    float reach = lightParams.y > 0.0 ? lightParams.y : lightParams.x;
    vec3 q = closestOnSegment(lightPosition, lightExtra, s.position);
    vec3 toLight = q - s.position;
    float d = length(toLight);
    float falloff = distanceFalloff(d, reach);
    if (falloff <= 0.0 || d < 1e-6) discard;
    vec3 r = reflect(-s.view, s.normal);
    vec3 shine = closestToRay(lightPosition, lightExtra, s.position, r) - s.position;
    float sl = length(shine);
    vec3 specular = sl > 1e-6 ? specularTerm(s, shine / sl) : vec3(0.0);
    fragColor = vec4(lightColor * falloff * (diffuseTerm(s, toLight / d, 0.0) + specular), 0.0);
}
