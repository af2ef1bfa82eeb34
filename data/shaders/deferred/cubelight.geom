#version 330 core
// A cube light reaches nothing beyond its range (parameters: range, range, range).
#include <deferred/include/light_geometry.glsl>

void lightSphere(out vec3 center, out float radius)
{
    center = vPosition[0];
    radius = vParams[0].x;
}
