// Nine-tap Gaussian (sigma about 2 texels) read in five bilinear fetches: the
// outer taps sit between texels so one fetch weighs two of them. dir is one
// texel of the target along the blur axis (the other component is zero). With
// bright set, each fetch keeps only its bright part (the glow's first draw), so
// small highlights are not diluted below the knee before they are picked.
#ifndef POST_GAUSS_GLSL
#define POST_GAUSS_GLSL
#include <post/include/color.glsl>

vec3 gaussTap(sampler2D source, vec2 at, bool bright)
{
    vec3 c = texture(source, at).rgb;
    return bright ? brightPart(c) : c;
}

vec3 gaussian9(sampler2D source, vec2 at, vec2 dir, bool bright)
{
    vec3 sum = gaussTap(source, at, bright) * 0.2270270270;
    sum += gaussTap(source, at + dir * 1.3846153846, bright) * 0.3162162162;
    sum += gaussTap(source, at - dir * 1.3846153846, bright) * 0.3162162162;
    sum += gaussTap(source, at + dir * 3.2307692308, bright) * 0.0702702703;
    sum += gaussTap(source, at - dir * 3.2307692308, bright) * 0.0702702703;
    return sum;
}

#endif
