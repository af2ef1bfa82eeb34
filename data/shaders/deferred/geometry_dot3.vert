#version 330 core
// G-buffer writer: the surface's frame in view space for the fragment stage.
// Fixed locations: the shadow pass draws the same vertex arrays with its own program.
layout(location = 0) in vec3 POSITION;
layout(location = 1) in vec3 NORMAL;
layout(location = 2) in vec4 TANGENT;  // xyz tangent, w handedness of the bitangent
layout(location = 3) in vec2 TEXCOORD;

uniform mat4 ModelViewProjectionMatrix;
uniform mat4 ModelViewMatrix;
uniform mat3 NormalMatrix;

out vec3 viewPosition;
out vec3 viewNormal;
out vec3 viewTangent;
out float tangentSign;
out vec2 uv;

void main()
{
    viewPosition = (ModelViewMatrix * vec4(POSITION, 1.0)).xyz;
    viewNormal = NormalMatrix * NORMAL;
    // Tangents follow the surface like positions do (not like normals).
    viewTangent = mat3(ModelViewMatrix) * TANGENT.xyz;
    tangentSign = TANGENT.w < 0.0 ? -1.0 : 1.0;
    uv = TEXCOORD;
    gl_Position = ModelViewProjectionMatrix * vec4(POSITION, 1.0);
}
