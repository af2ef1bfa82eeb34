#version 330 core
// A greetings glyph over its disc: one point at the shape's translation, sized in pixels.
layout(location = 0) in vec4 POSITION;

uniform mat4 ProjectionMatrix;
uniform mat4 ModelViewMatrix;
uniform float size;

void main()
{
    gl_Position = ProjectionMatrix * ModelViewMatrix * POSITION;
    gl_PointSize = size;
}
