// G-buffer writer of the Intro's cubes: brushed steel with its bump map.
//   attachment 0 ("diffuse_specular"): rgb albedo, a specular level;
//   attachment 1 ("normal_depth"): xyz unit view-space normal, w linear depth.
uniform sampler2D diffuse;
uniform sampler2D specular;
uniform sampler2D bump;

in vec3 viewPosition;
in vec3 viewNormal;
in vec3 viewTangent;
in float tangentSign;
in vec2 uv;
in vec3 tint;

layout(location = 0) out vec4 diffuseSpecular;
layout(location = 1) out vec4 normalDepth;

void main()
{
    vec3 n = normalize(viewNormal);
    if (!gl_FrontFacing) n = -n;
    vec3 t = viewTangent - n * dot(n, viewTangent);
    float tl = length(t);
    if (tl > 1e-5) {
        t /= tl;
        vec3 b = cross(n, t) * tangentSign;
        vec3 bumped = mat3(t, b, n) * (texture(bump, uv).xyz * 2.0 - 1.0);
        float bl = length(bumped);
        if (bl > 1e-5) n = bumped / bl;
    }
    vec3 albedo = texture(diffuse, uv).rgb * tint;
    float level = texture(specular, uv).r;
    diffuseSpecular = vec4(clamp(albedo, 0.0, 1.0), level);
    normalDepth = vec4(n, -viewPosition.z);
}
