// Smooth 2D gradient noise for the flow programs: quintic fade, hashed unit gradients.
// Continuous first derivatives, so curl fields built from it have no kinks.
vec2 flowGradient(vec2 cell)
{
    float h = fract(sin(dot(cell, vec2(127.1, 311.7))) * 43758.5453);
    float a = 6.2831853 * h;
    return vec2(cos(a), sin(a));
}

float flowNoise(vec2 p)
{
    vec2 i = floor(p);
    vec2 f = p - i;
    vec2 u = f * f * f * (f * (f * 6.0 - 15.0) + 10.0);
    float n00 = dot(flowGradient(i), f);
    float n10 = dot(flowGradient(i + vec2(1.0, 0.0)), f - vec2(1.0, 0.0));
    float n01 = dot(flowGradient(i + vec2(0.0, 1.0)), f - vec2(0.0, 1.0));
    float n11 = dot(flowGradient(i + vec2(1.0, 1.0)), f - vec2(1.0, 1.0));
    return mix(mix(n00, n10, u.x), mix(n01, n11, u.x), u.y);
}
