// The final composite, shared by the eight "post/blit" variants, which switch
// parts of it on with WITH_GLOW, WITH_DOF and WITH_SSAO before including this.
//
// Order: distortion of the lookup position; the ambient-occluded lit image;
// depth of field (mix towards the blurred image by the circle of confusion);
// glow added in high dynamic range; a filmic tone map with a shoulder that
// approaches white without reaching it; gamma; colour grading through the
// 3D look-up "color_lut" and the production gradient "color_grad", faded in by
// "lut_fade"; a soft vignette; film grain from "noise_lut".
#include <post/include/color.glsl>
#include <post/include/depth.glsl>

uniform sampler2D color_buffer;   // the lit image after ambient occlusion (HDR)
uniform sampler2D depth_buffer;
uniform sampler2D glow_buffer;
uniform sampler2D dof_buffer;
uniform sampler2D ssao_buffer;
uniform sampler2D debug_buffer;   // the light accumulation before occlusion
uniform sampler2D color_lut;      // 16 x 16 x 16 look-up, slices of blue side by side (256 x 16)
uniform sampler1D color_grad;     // the part's colour ramp
uniform sampler2D distort_lut;    // rg: smooth tiling noise
uniform sampler2D noise_lut;      // ba: white noise, 256 x 256

uniform float lut_fade;
uniform vec3 distortParams;       // x strength (texture units), y noise scale, z scroll
uniform vec2 gammaParams;         // x gamma, y exposure
uniform vec3 noiseParams;         // xy per-frame random offset, z grain strength
uniform vec2 invViewport;         // one noise texel per screen pixel
uniform vec4 CameraRange;         // near, far, far - near, -(near * far)
uniform vec4 DOFParams;           // focus distance, sharp range, full-blur range, their difference

in vec2 uv;
out vec4 fragColor;

// Filmic curve on a rational form whose numerator and denominator share the
// leading coefficient: a toe that deepens the blacks, a long shoulder, and an
// asymptote at 1, so highlights compress instead of clipping: about 0.87 at
// 4x over white and 0.965 at 16x, still short of white.
vec3 filmic(vec3 x)
{
    x = max(x, vec3(0.0));
    return (x * (x + 0.0245)) / (x * (x + 0.6) + 0.1);
}

// Tone maps luminance and carries the colour along, blending towards the
// per-channel curve in the highlights so saturated lights still burn to white.
vec3 toneMap(vec3 hdr)
{
    float l = luma(hdr);
    vec3 byLuma = l > 0.0 ? hdr * (filmic(vec3(l)).x / l) : vec3(0.0);
    vec3 perChannel = filmic(hdr);
    return mix(byLuma, perChannel, smoothstep(0.4, 0.95, filmic(vec3(l)).x));
}

// Trilinear read of the 16^3 look-up (texel centres, no reliance on the
// texture's own filtering or wrap state).
vec3 lookUp(vec3 c)
{
    vec3 p = clamp(c, 0.0, 1.0) * 15.0;
    vec3 f = fract(p);
    ivec3 a = ivec3(floor(p));
    ivec3 b = min(a + 1, ivec3(15));
    vec3 c000 = texelFetch(color_lut, ivec2(a.z * 16 + a.x, a.y), 0).rgb;
    vec3 c100 = texelFetch(color_lut, ivec2(a.z * 16 + b.x, a.y), 0).rgb;
    vec3 c010 = texelFetch(color_lut, ivec2(a.z * 16 + a.x, b.y), 0).rgb;
    vec3 c110 = texelFetch(color_lut, ivec2(a.z * 16 + b.x, b.y), 0).rgb;
    vec3 c001 = texelFetch(color_lut, ivec2(b.z * 16 + a.x, a.y), 0).rgb;
    vec3 c101 = texelFetch(color_lut, ivec2(b.z * 16 + b.x, a.y), 0).rgb;
    vec3 c011 = texelFetch(color_lut, ivec2(b.z * 16 + a.x, b.y), 0).rgb;
    vec3 c111 = texelFetch(color_lut, ivec2(b.z * 16 + b.x, b.y), 0).rgb;
    vec3 lo = mix(mix(c000, c100, f.x), mix(c010, c110, f.x), f.y);
    vec3 hi = mix(mix(c001, c101, f.x), mix(c011, c111, f.x), f.y);
    return mix(lo, hi, f.z);
}

// Soft light of the gradient's tint over the graded picture: the ramp sets the
// hue by brightness while the picture keeps its contrast.
vec3 gradientTint(vec3 c)
{
    vec3 g = texture(color_grad, clamp(luma(c), 0.0, 1.0)).rgb;
    vec3 soft = mix(2.0 * c * g + c * c * (1.0 - 2.0 * g),
                    sqrt(max(c, vec3(0.0))) * (2.0 * g - 1.0) + 2.0 * c * (1.0 - g), step(0.5, g));
    return mix(c, soft, 0.6);
}

void main()
{
    vec2 at = uv;
    if (distortParams.x != 0.0) {
        vec2 wobble = texture(distort_lut, uv * max(distortParams.y, 1e-3) + vec2(0.0, distortParams.z)).rg;
        at += (wobble - 0.5) * distortParams.x;
    }

    vec3 hdr = texture(color_buffer, at).rgb;

#ifdef WITH_DOF
    float z = linearDepth(CameraRange, texture(depth_buffer, at).r);
    float blur = clamp((abs(z - DOFParams.x) - DOFParams.y) / max(DOFParams.w, 1e-4), 0.0, 1.0);
    hdr = mix(hdr, texture(dof_buffer, at).rgb, blur);
#endif

#ifdef WITH_GLOW
    hdr += texture(glow_buffer, at).rgb;
#endif

    vec3 c = toneMap(hdr * gammaParams.y);
    c = pow(c, vec3(1.0 / max(gammaParams.x, 1e-3)));

#ifdef WITH_SSAO
    // Inspection view: the occlusion term (occluded over unoccluded light).
    float lit = luma(texture(debug_buffer, at).rgb);
    float ao = lit > 1e-4 ? clamp(luma(texture(ssao_buffer, at).rgb) / lit, 0.0, 1.0) : 1.0;
    c = mix(c, vec3(ao), 0.75);
#endif

    vec3 display = linearToSrgb(c);
    if (lut_fade > 0.0) display = mix(display, gradientTint(lookUp(display)), clamp(lut_fade, 0.0, 1.0));

    vec2 centred = uv - 0.5;
    display *= 1.0 - 0.35 * smoothstep(0.25, 0.85, dot(centred, centred) * 2.0);

    // Grain strongest in the mid-tones, where film shows it most, and fading out
    // towards white so it never clips the highlights the tone map kept.
    vec2 grain = texture(noise_lut, gl_FragCoord.xy * invViewport + noiseParams.xy).ba - 0.5;
    float l = clamp(luma(display), 0.0, 1.0);
    display += (grain.x + grain.y) * noiseParams.z * (4.0 * l * (1.0 - l) + 0.25 * (1.0 - l));

    fragColor = vec4(clamp(display, 0.0, 1.0), 1.0);
}
