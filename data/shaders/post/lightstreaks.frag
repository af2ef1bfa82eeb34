#version 330 core
// Light streaks: a symmetric filter along "Direction" with "Weights" (centre,
// then the taps on both sides). The tap spacing grows fourfold with
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
    // The weighted taps, with taps halfway between them (weighted by their
    // neighbours' mean) so the spread-out later passes draw continuous streaks
    // instead of rows of dots; normalised back to the four taps' total.
    float w[4] = float[4](Weights.x, Weights.y, Weights.z, Weights.w);
    vec3 sum = fetch(uv) * w[0];
    float total = w[0];
    for (int k = 1; k < 4; ++k) {
        float between = 0.5 * (w[k - 1] + w[k]);
        sum += (fetch(uv + float(k) * stride) + fetch(uv - float(k) * stride)) * w[k];
        sum += (fetch(uv + (float(k) - 0.5) * stride) + fetch(uv - (float(k) - 0.5) * stride)) * between;
        total += 2.0 * (w[k] + between);
    }
    float taps = Weights.x + 2.0 * (Weights.y + Weights.z + Weights.w);
    fragColor = vec4(sum * (taps / max(total, 1e-6)) * colorGain(color) * 0.5, 1.0);
}
