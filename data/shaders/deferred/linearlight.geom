#version 330 core
// A linear light shines from the segment between its position and the far end in
// the second point; it reaches nothing farther than length (range when length is 0) from the segment (parameters: range,
// length, 0).
#include <deferred/include/light_geometry.glsl>

void lightSphere(out vec3 center, out float radius)
{
    center = 0.5 * (vPosition[0] + vExtra[0]);
    float reach = vParams[0].y > 0.0 ? vParams[0].y : vParams[0].x;
    radius = 0.5 * distance(vPosition[0], vExtra[0]) + reach;
}
