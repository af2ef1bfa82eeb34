// The projected image of a projective light.
uniform sampler2D proj_tex;
uniform mat4 TextureMatrix;

// Colour of the image where it falls on position; black behind the projector.
vec3 projectedColor(vec3 position)
{
    vec4 t = TextureMatrix * vec4(position, 1.0);
    if (t.w <= 0.0) return vec3(0.0);
    vec4 texel = texture(proj_tex, t.xy / t.w);
    return texel.rgb * texel.a;
}
