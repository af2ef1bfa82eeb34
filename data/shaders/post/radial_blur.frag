#version 330 core
// Radial blur: every pixel gathers along the ray towards "Origin", so the bright
// parts of the picture throw shafts away from it. "RadialBlurParams" x offsets
// the start of the gather, y scales its length; "TexelSize" keeps the step in
// target texels so repeated passes lengthen the shafts evenly.
#include <post/include/color.glsl>

uniform sampler2D tex;
uniform vec4 color;
uniform vec2 TexelSize;
uniform vec2 Origin;
uniform vec2 RadialBlurParams;

in vec2 uv;
out vec4 fragColor;

const int Taps = 12;

void main()
{
    vec2 toOrigin = Origin - uv;
    float dist = length(toOrigin / TexelSize);
    vec2 dir = dist > 0.0 ? toOrigin / dist : vec2(0.0);  // one texel towards the origin
    // The gather lengthens with the distance to the origin, as light shafts do.
    float span = RadialBlurParams.y * min(dist * 0.08, 48.0);
    bool first = isFirstDraw(color);
    vec3 sum = vec3(0.0);
    float weightSum = 0.0;
    for (int i = 0; i < Taps; ++i) {
        float t = float(i) / float(Taps - 1);
        float w = 1.0 - 0.75 * t;
        vec3 c = texture(tex, uv + dir * (RadialBlurParams.x + t * span)).rgb;
        sum += (first ? brightPart(c) : c) * w;
        weightSum += w;
    }
    fragColor = vec4(sum / weightSum * colorGain(color), 1.0);
}
