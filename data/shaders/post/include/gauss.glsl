// Nine-tap Gaussian (sigma about 2 texels) read in five bilinear fetches: the
// outer taps sit between texels so one fetch weighs two of them. dir is one
// texel of the target along the blur axis (the other component is zero).
vec3 gaussian9(sampler2D source, vec2 at, vec2 dir)
{
    vec3 sum = texture(source, at).rgb * 0.2270270270;
    sum += texture(source, at + dir * 1.3846153846).rgb * 0.3162162162;
    sum += texture(source, at - dir * 1.3846153846).rgb * 0.3162162162;
    sum += texture(source, at + dir * 3.2307692308).rgb * 0.0702702703;
    sum += texture(source, at - dir * 3.2307692308).rgb * 0.0702702703;
    return sum;
}
