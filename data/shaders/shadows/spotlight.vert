#version 330 core
// Shadow map of a spot or projective light: depth only, seen from the light.
// Location 0 as in the G-buffer writer, whose vertex arrays this pass draws.
layout(location = 0) in vec3 POSITION;

uniform mat4 ModelViewProjectionMatrix;

void main()
{
    gl_Position = ModelViewProjectionMatrix * vec4(POSITION, 1.0);
}
