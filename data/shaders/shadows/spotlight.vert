#version 330 core
// Shadow map of a spot or projective light: depth only, seen from the light.
in vec3 POSITION;

uniform mat4 ModelViewProjectionMatrix;

void main()
{
    gl_Position = ModelViewProjectionMatrix * vec4(POSITION, 1.0);
}
