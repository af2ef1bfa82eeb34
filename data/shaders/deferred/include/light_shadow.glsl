// Shadow-map lookup of the shadow variants. "ShadowMatrix" takes camera view
// space to shadow-map coordinates (0..1 with depth); the map holds the depth
// of the casters' back faces (drawn with front faces culled and a polygon
// offset), so lit front faces sit well in front of what the map stores.
uniform sampler2D shadowmap;
uniform mat4 ShadowMatrix;

// Fraction of light reaching position (0 shadowed .. 1 lit). The position is
// pushed out along the normal by about two shadow texels at its distance from
// the light, more at grazing angles: that removes acne without the constant
// depth bias that detaches shadows from their casters. A 4 x 4 tent of depth
// comparisons, weighted by the sub-texel position, filters the edge. Points
// outside the map's frustum are lit.
float shadowFactor(Surface s, vec3 l, float lightDistance)
{
    float ndl = clamp(dot(s.normal, l), 0.0, 1.0);
    vec3 p = s.position + s.normal * (lightDistance * 0.0015 * (1.5 - ndl));
    vec4 h = ShadowMatrix * vec4(p, 1.0);
    if (h.w <= 0.0) return 1.0;
    vec3 c = h.xyz / h.w;
    if (c.x <= 0.0 || c.y <= 0.0 || c.x >= 1.0 || c.y >= 1.0 || c.z >= 1.0) return 1.0;
    ivec2 size = textureSize(shadowmap, 0);
    vec2 t = c.xy * vec2(size) - 0.5;
    vec2 base = floor(t);
    vec2 f = t - base;
    float wx[4] = float[4](1.0 - f.x, 1.0, 1.0, f.x);
    float wy[4] = float[4](1.0 - f.y, 1.0, 1.0, f.y);
    float lit = 0.0;
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
            ivec2 at = clamp(ivec2(base) + ivec2(i - 1, j - 1), ivec2(0), size - 1);
            float stored = texelFetch(shadowmap, at, 0).r;
            lit += wx[i] * wy[j] * (c.z - 0.00002 <= stored ? 1.0 : 0.0);
        }
    }
    return lit / 9.0;
}
