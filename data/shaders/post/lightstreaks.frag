#version 330 core
// Light streaks: a symmetric four-tap filter along "Direction" with "Weights"
// (centre, then the taps on both sides). The tap spacing grows fourfold with
// every pass "B" (1, 2, ...), so a few passes draw long, thin streaks. Each pass
// draws two directions into one target (the second added), so each direction
// carries half of the energy. Only the first pass reads the lit image, and it
// keeps its bright part, so only highlights streak.
#include <post/include/color.glsl>

uniform sampler2D tex;
uniform vec2 TexelSize;
uniform vec2 Direction;
uniform vec4 Weights;
uniform float B;
uniform vec4 color;

in vec2 uv;
out vec4 fragColor;

vec3 fetch(vec2 at)
{
    vec3 c = texture(tex, at).rgb;
    return B < 1.5 ? brightPart(c) : c;
}

void main()
{
    vec2 stride = Direction * TexelSize * pow(4.0, B - 1.0);
    vec3 sum = fetch(uv) * Weights.x;
    sum += (fetch(uv + stride) + fetch(uv - stride)) * Weights.y;
    sum += (fetch(uv + 2.0 * stride) + fetch(uv - 2.0 * stride)) * Weights.z;
    sum += (fetch(uv + 3.0 * stride) + fetch(uv - 3.0 * stride)) * Weights.w;
    vec3 tint = isFirstDraw(color) ? color.rgb * color.a : vec3(color.a);
    fragColor = vec4(sum * tint * 0.5, 1.0);
}
