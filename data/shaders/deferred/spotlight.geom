#version 330 core
// A cone light reaches nothing beyond its range (parameters: cosCone, cosEdge, range); the
// sphere of that radius around it bounds the cone.
#include <deferred/include/light_geometry.glsl>

void lightSphere(out vec3 center, out float radius)
{
    center = vPosition[0];
    radius = vParams[0].z;
}
