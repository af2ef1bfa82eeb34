#version 330 core
// The view matrix of the 3D camera plays no part: points are placed by their world matrix
// straight into the orthographic projection.
// A drifting disc: one point at the shape's translation, sized in pixels.
layout(location = 0) in vec4 POSITION;

uniform mat4 ProjectionMatrix;
uniform mat4 WorldMatrix;
uniform float size;

void main()
{
    gl_Position = ProjectionMatrix * WorldMatrix * POSITION;
    gl_PointSize = size;
}
