#version 330 core
// G-buffer writer with tangent-space bump mapping.
//   attachment 0 ("diffuse_specular"): rgb albedo, a specular level;
//   attachment 1 ("normal_depth"): xyz unit view-space normal, w linear depth
//   (distance in front of the eye).
// "diffuse": rgb albedo, a specular level; "bump": tangent-space normal in rgb
// (0.5 is zero). "diffuseTint" and "specularLevel" scale them, so a material
// without textures can bind white ones and colour the surface by uniforms.
// Meshes without tangents keep their interpolated normal.
uniform sampler2D diffuse;
uniform sampler2D bump;
uniform vec3 diffuseTint = vec3(1.0);
uniform float specularLevel = 1.0;
uniform float bumpStrength = 1.0;

in vec3 viewPosition;
in vec3 viewNormal;
in vec3 viewTangent;
in float tangentSign;
in vec2 uv;

layout(location = 0) out vec4 diffuseSpecular;
layout(location = 1) out vec4 normalDepth;

void main()
{
    vec3 n = normalize(viewNormal);
    // Surfaces seen from behind (open meshes, culling off) are lit as their
    // visible side.
    if (!gl_FrontFacing) n = -n;
    vec3 t = viewTangent - n * dot(n, viewTangent);
    float tl = length(t);
    if (tl > 1e-5) {
        t /= tl;
        vec3 b = cross(n, t) * tangentSign;
        vec3 tangentNormal = texture(bump, uv).xyz * 2.0 - 1.0;
        tangentNormal.xy *= bumpStrength;
        vec3 bumped = mat3(t, b, n) * tangentNormal;
        float bl = length(bumped);
        if (bl > 1e-5) n = bumped / bl;
    }
    vec4 albedo = texture(diffuse, uv);
    diffuseSpecular = vec4(albedo.rgb * diffuseTint, clamp(albedo.a * specularLevel, 0.0, 1.0));
    normalDepth = vec4(n, -viewPosition.z);
}
