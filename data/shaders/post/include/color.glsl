// Colour helpers shared by the post-processing passes.
#ifndef POST_COLOR_GLSL
#define POST_COLOR_GLSL

float luma(vec3 c)
{
    return dot(c, vec3(0.2126, 0.7152, 0.0722));
}

// The energy a bright pass keeps: a soft knee around white, so highlights of a
// lit image bloom while ordinary surfaces stay out of the glow.
vec3 brightPart(vec3 c)
{
    return c * smoothstep(0.7, 1.5, luma(c));
}

// The colour term of the glow, radial blur and light streaks: the first draw of
// a render gets the configured colour (rgb tint, alpha gain) and keeps only the
// bright part of its source; every later draw gets (0, 0, 0, 1) and just carries
// on blurring what the first one kept.
bool isFirstDraw(vec4 color)
{
    return dot(color.rgb, vec3(1.0)) > 0.0;
}

// The gain of a draw: the tint on the first draw, alpha alone afterwards. The
// first draw also applies brightPart to every tap it reads.
vec3 colorGain(vec4 color)
{
    return isFirstDraw(color) ? color.rgb * color.a : vec3(color.a);
}

// Linear to sRGB transfer (the back buffer holds display values).
vec3 linearToSrgb(vec3 c)
{
    c = max(c, vec3(0.0));
    return mix(c * 12.92, 1.055 * pow(c, vec3(1.0 / 2.4)) - 0.055, step(vec3(0.0031308), c));
}

#endif
