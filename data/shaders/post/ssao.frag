#version 330 core
// Screen-space ambient occlusion of the lit image. Each pixel's view position
// comes from the scene depth through the inverse projection; its normal from
// the G-buffer (view space, xyz of "normal_depth"). Sixteen kernel offsets
// ("gi_samples": x, y in texture units for a 16-texel footprint, z a weight
// favouring near samples) are reflected about a per-pixel random vector from
// "rotate" (tiled 32 x 32), scaled to "radius" view units at the pixel's depth.
// A sample occludes by how far it rises above the tangent plane, attenuated with
// its distance; flat areas therefore stay untouched and creases darken.
#include <post/include/depth.glsl>

uniform sampler2D depth_buffer;
uniform sampler2D normal_depth;
uniform sampler2D color_buffer;
uniform sampler2D rotate;

uniform mat4 ProjectionMatrixInverse;
uniform vec3 gi_samples[16];
uniform vec2 ScreenSize;
uniform float radius;
uniform float attBias;
uniform float attScale;
uniform float attPower;
uniform float giScale;
uniform float depthScale;
uniform float projCoeffs[5];

in vec2 uv;
out vec4 fragColor;

void main()
{
    vec4 lit = texture(color_buffer, uv);
    float d = texture(depth_buffer, uv).r;
    if (d >= 1.0) {  // sky: nothing to occlude
        fragColor = lit;
        return;
    }
    vec3 p = viewPosition(ProjectionMatrixInverse, uv, d);
    vec3 n = texture(normal_depth, uv).xyz;
    float nl = length(n);
    if (nl < 1e-4) {
        fragColor = lit;
        return;
    }
    n /= nl;

    // Pixels that "radius" view units cover at this depth: projCoeffs[1] is
    // 1 / P[1][1] of the camera projection.
    float focal = 0.5 * ScreenSize.y / max(abs(projCoeffs[1]), 1e-6);
    float radiusTexels = radius * focal / max(-p.z, 1e-3);
    // Clamped so a surface at the lens does not sample the whole screen.
    float scale = clamp(radiusTexels / 16.0, 0.05, 8.0);

    vec2 random = texture(rotate, gl_FragCoord.xy / 32.0).xy;
    float rl = length(random);
    random = rl > 1e-4 ? random / rl : vec2(1.0, 0.0);

    float occlusion = 0.0;
    float weightSum = 0.0;
    for (int i = 0; i < 16; ++i) {
        vec2 offset = reflect(gi_samples[i].xy, random) * scale;
        vec2 at = uv + offset;
        float w = gi_samples[i].z;
        weightSum += w;
        float sd = texture(depth_buffer, at).r;
        if (sd >= 1.0) continue;
        vec3 v = viewPosition(ProjectionMatrixInverse, at, sd) - p;
        float dist = length(v);
        if (dist < 1e-5) continue;
        // Rising above the tangent plane, less a bias against self-occlusion
        // of slightly curved or noisy surfaces.
        float rise = max(dot(n, v / dist) - 0.05 - attBias, 0.0);
        // Falls off with the distance in units of the radius; samples far
        // behind the pixel in depth (another object) count less still.
        float falloff = 1.0 / (1.0 + pow(attScale * dist / max(radius, 1e-4), attPower));
        float depthGap = abs(v.z) / (radius * 4.0 * max(depthScale, 1e-4));
        falloff *= clamp(2.0 - depthGap, 0.0, 1.0);
        occlusion += rise * falloff * w;
    }
    float ao = clamp(giScale * 2.0 * occlusion / max(weightSum, 1e-4), 0.0, 1.0);
    fragColor = vec4(lit.rgb * (1.0 - ao), lit.a);
}
