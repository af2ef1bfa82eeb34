#version 330 core
// Advects one particle through a divergence-free velocity: the curl of a stream function built
// from the "curl_vel_2d" texture (large, slow eddies) plus two octaves of gradient noise, with
// the drifting shapes pushing the ink aside. Being divergence-free, the flow stretches a text
// into filaments instead of scattering it, and the background field never clumps.
// Input and output: (x, y, travelled distance, kind); kind is left as set up (0.00001 for text,
// 0.001 for the field) so the drawing program can tell them apart. The geometry stage passes
// the result on as the captured "outParticle".
#include <marrow/include/flow_noise.glsl>

layout(location = 0) in vec4 POSITION;

uniform float time;
uniform float timeStep;
uniform float deltaX;
uniform vec4 shapeInfo[8];
uniform vec4 shapeParams[8];
uniform float envelope;
uniform float noiseLengthScale;
uniform float noiseGain;
uniform sampler2D velocityField;

out vec4 outParticleV;

// Texture potential: the texture holds one random vector per texel and is read unfiltered, so
// its texels are blended here with quintic weights; the stream function is then smooth in value
// and slope and its curl has no seams at texel borders. One texel spans about 1.6 view units.
float texturePotentialTap(vec2 texel)
{
    vec2 v = texture(velocityField, (texel + 0.5) / vec2(textureSize(velocityField, 0))).xy;
    return v.x + 0.5 * v.y;
}

float texturePotential(vec2 p)
{
    vec2 t = p * 0.62 + vec2(37.0, 61.0) + vec2(time * 0.011, -time * 0.007);
    vec2 i = floor(t);
    vec2 f = t - i;
    vec2 u = f * f * f * (f * (f * 6.0 - 15.0) + 10.0);
    float a = texturePotentialTap(i);
    float b = texturePotentialTap(i + vec2(1.0, 0.0));
    float c = texturePotentialTap(i + vec2(0.0, 1.0));
    float d = texturePotentialTap(i + vec2(1.0, 1.0));
    return mix(mix(a, b, u.x), mix(c, d, u.x), u.y) * 0.45;
}

float noisePotential(vec2 p)
{
    float scale = max(noiseLengthScale, 0.01) * 24.0;  // the defaults give 2.4-unit eddies
    vec2 q = p / scale;
    float drift = time * 0.035;
    float n = flowNoise(q + vec2(drift, -0.7 * drift)) * scale;
    n += 0.35 * flowNoise(q * 2.3 + vec2(-drift * 1.7, 3.1)) * scale / 2.3;
    return n;
}

float streamFunction(vec2 p)
{
    return envelope * texturePotential(p) + noiseGain * 0.4 * noisePotential(p);
}

vec2 shapePush(vec2 p)
{
    vec2 push = vec2(0.0);
    for (int i = 0; i < 8; ++i) {
        vec2 d = p - shapeInfo[i].xy;
        float r = max(shapeInfo[i].z, 0.05) * 0.75;
        float dist = length(d);
        // Outward inside and just around the disc, falling off smoothly; a slight swirl so the
        // parted ink curls around the disc's rim.
        float fall = exp(-dist * dist / (r * r));
        vec2 dir = dist > 1e-4 ? d / dist : vec2(0.0);
        push += shapeInfo[i].w * fall * (1.6 * dir + 0.6 * vec2(-dir.y, dir.x));
        push += fall * shapeParams[i].xy * 0.5;
    }
    return push;
}

void main()
{
    vec2 p = POSITION.xy;
    float h = max(deltaX, 1e-3);
    float dpdx = (streamFunction(p + vec2(h, 0.0)) - streamFunction(p - vec2(h, 0.0))) / (2.0 * h);
    float dpdy = (streamFunction(p + vec2(0.0, h)) - streamFunction(p - vec2(0.0, h))) / (2.0 * h);
    vec2 velocity = vec2(dpdy, -dpdx) + shapePush(p);

    vec2 next = p + velocity * timeStep;
    // The field lives on a torus slightly larger than the view, so it always covers the screen.
    bool field = POSITION.w > 0.0005;
    if (field) {
        next.x = mod(next.x + 6.5, 13.0) - 6.5;
        next.y = mod(next.y + 4.5, 9.0) - 4.5;
    }
    outParticleV = vec4(next, POSITION.z + length(next - p), POSITION.w);
}
