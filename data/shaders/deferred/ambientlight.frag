#version 330 core
// Ambient light as a small studio around the scene, so scenes lit by it
// alone (the Intro) still model their shapes: a cool sky from the top of the
// view, a warm bounce from below, a soft key reflected by polished surfaces
// and a cold rim on grazing faces. Matte surfaces take mostly the diffuse
// part; the specular level moves them toward the reflections, which is what
// makes brushed metal read as metal. lightColor (colour x intensity) scales
// everything, so an ambient light of colour 0 adds nothing.
#include <deferred/include/light_common.glsl>

const vec3 sky = vec3(0.50, 0.70, 0.82);     // cold teal, from above
const vec3 bounce = vec3(0.40, 0.22, 0.10);  // warm amber, from below
const vec3 keyColor = vec3(1.00, 0.84, 0.62);
const vec3 rimColor = vec3(0.25, 0.84, 0.90);
const vec3 keyDirection = vec3(-0.42, 0.62, 0.66);  // view space, towards the key

void main()
{
    Surface s;
    if (!readSurface(s)) discard;
    vec3 n = s.normal;
    float up = 0.5 + 0.5 * n.y;
    vec3 hemisphere = mix(bounce, sky, up * up * (3.0 - 2.0 * up));
    float facing = 0.7 + 0.3 * max(dot(n, s.view), 0.0);
    float metal = clamp(s.specular, 0.0, 1.0);
    vec3 diffuse = s.albedo * hemisphere * facing * (1.0 - 0.55 * metal);

    vec3 r = reflect(-s.view, n);
    vec3 l = normalize(keyDirection);
    float key = pow(max(dot(r, l), 0.0), 18.0) * 1.8 + pow(max(dot(r, l), 0.0), 3.0) * 0.25;
    // The reflected sky: bright above the horizon, dark amber below.
    vec3 environment = mix(bounce * 0.4, sky * 0.8, smoothstep(-0.3, 0.5, r.y));
    vec3 specular = (keyColor * key + environment * 0.55) * metal * mix(vec3(1.0), s.albedo, 0.6);
    float rim = pow(1.0 - max(dot(n, s.view), 0.0), 4.0) * 0.35;
    fragColor = vec4((diffuse + specular + rimColor * rim * metal) * lightColor, 0.0);
}
