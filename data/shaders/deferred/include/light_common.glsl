// Fragment helpers of the light programs: the G-buffer read back into a
// view-space surface, the shading model and the distance falloff.
//
// G-buffer: "diffuse_specular" rgb albedo, a specular level (0 matte .. 1
// polished); "normal_depth" xyz view-space normal, w linear depth; "depth" the
// hardware depth the position is rebuilt from.
uniform sampler2D diffuse_specular;
uniform sampler2D normal_depth;
uniform sampler2D depth;

uniform vec2 viewport;        // 1 / size of the target drawn into
uniform float projCoeffs[5];  // elements 0, 5, 11, 14, 15 of the inverse projection

flat in vec3 lightPosition;
flat in vec3 lightParams;
flat in vec3 lightColor;
flat in vec3 lightExtra;

out vec4 fragColor;

struct Surface {
    vec3 position;  // view space
    vec3 normal;    // view space, unit
    vec3 view;      // unit, towards the eye
    vec3 albedo;
    float specular;
};

// View-space position of the pixel at uv (0..1) with hardware depth d: the
// inverse projection reduced to the five elements a perspective frustum has.
vec3 viewPositionFromDepth(vec2 uv, float d)
{
    vec3 ndc = vec3(uv, d) * 2.0 - 1.0;
    float w = ndc.z * projCoeffs[3] + projCoeffs[4];
    return vec3(ndc.x * projCoeffs[0], ndc.y * projCoeffs[1], projCoeffs[2]) / w;
}

// False for pixels the scene did not cover (cleared depth).
bool readSurface(out Surface s)
{
    ivec2 texel = ivec2(gl_FragCoord.xy);
    float d = texelFetch(depth, texel, 0).r;
    s.position = vec3(0.0);
    s.normal = vec3(0.0, 0.0, 1.0);
    s.view = vec3(0.0, 0.0, 1.0);
    s.albedo = vec3(0.0);
    s.specular = 0.0;
    if (d >= 1.0) return false;
    s.position = viewPositionFromDepth(gl_FragCoord.xy * viewport, d);
    vec3 n = texelFetch(normal_depth, texel, 0).xyz;
    float nl = length(n);
    s.normal = nl > 1e-5 ? n / nl : vec3(0.0, 0.0, 1.0);
    float pl = length(s.position);
    s.view = pl > 1e-6 ? -s.position / pl : vec3(0.0, 0.0, 1.0);
    vec4 ds = texelFetch(diffuse_specular, texel, 0);
    s.albedo = ds.rgb;
    s.specular = ds.a;
    return true;
}

// Windowed inverse-square falloff: 1 at the light, smooth, exactly 0 from
// range on (the window's slope is 0 there, so no edge shows).
float distanceFalloff(float distance, float range)
{
    if (range <= 0.0) return 0.0;
    float x = distance / range;
    float window = clamp(1.0 - x * x * x * x, 0.0, 1.0);
    return window * window / (1.0 + 8.0 * x * x);
}

// Soft cone: 0 outside the cone (cosine cosCone), 1 inside its inner edge
// (cosEdge >= cosCone), smooth in between; a hard edge when both are equal.
float coneFactor(float cosAngle, float cosCone, float cosEdge)
{
    float width = max(cosEdge - cosCone, 1e-4);
    float t = clamp((cosAngle - cosCone) / width, 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// Normalised Blinn-Phong with a Schlick Fresnel term shared between the
// diffuse and the specular lobe: whatever the specular reflects is taken from
// the diffuse, and the (n + 8) / 8 normalisation keeps the reflected energy
// constant as the highlight narrows. The specular level sets both the
// reflectance at normal incidence and the glossiness. l is the unit vector to
// the light.
float fresnelTerm(Surface s, vec3 l)
{
    vec3 h = normalize(l + s.view);
    float vdh = max(dot(s.view, h), 0.0);
    float f0 = 0.02 + 0.28 * s.specular;
    return f0 + (1.0 - f0) * pow(1.0 - vdh, 5.0) * s.specular;
}

// Diffuse reflection per unit of light; wrap widens the terminator for lights
// of some size (0 for points).
vec3 diffuseTerm(Surface s, vec3 l, float wrap)
{
    float ndl = clamp((dot(s.normal, l) + wrap) / (1.0 + wrap), 0.0, 1.0);
    return s.albedo * (1.0 - fresnelTerm(s, l)) * ndl;
}

// Specular reflection per unit of light.
vec3 specularTerm(Surface s, vec3 l)
{
    float ndl = dot(s.normal, l);
    if (ndl <= 0.0) return vec3(0.0);
    vec3 h = normalize(l + s.view);
    float ndh = max(dot(s.normal, h), 0.0);
    float exponent = exp2(3.0 + 7.0 * s.specular);
    float lobe = (exponent + 8.0) * 0.125 * pow(ndh, exponent);
    return vec3(fresnelTerm(s, l) * lobe * ndl);
}

// Both lobes for a light of the given colour at the surface.
vec3 shade(Surface s, vec3 l, vec3 radiance)
{
    return radiance * (diffuseTerm(s, l, 0.0) + specularTerm(s, l));
}
