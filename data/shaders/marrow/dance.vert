#version 330 core
// The dancing figure: records instanceBufferOffset + k of "instanceData" are
// the cubes of the current frame (x, y, z, size in figure space, y up). The
// figure turns slowly on the stutter clock and assembles from a scattered
// cloud with morphParams.y like the logos; superShapeParams.x scales it.
#include <marrow/include/cube_vertex.glsl>

uniform samplerBuffer instanceData;
uniform int instanceBufferOffset;
uniform float time;
uniform vec4 superShapeParams;
uniform vec4 morphParams;

void main()
{
    float id = float(gl_InstanceID);
    vec4 record = texelFetch(instanceData, instanceBufferOffset + gl_InstanceID);
    float assembled = clamp(morphParams.y, 0.0, 1.0);
    float loose = 1.0 - assembled;
    vec3 dir = normalize(hash3(id) * 2.0 - 1.0 + vec3(0.0, 0.3, 0.5));
    vec3 centre = record.xyz * 1.55 * superShapeParams.x + dir * (4.0 + 4.0 * hash(id + 2.0)) * loose * loose;
    centre.y += 0.45;
    vec3 spin = (hash3(id + 3.0) * 2.0 - 1.0) * loose * 6.0;
    mat3 orient = rotateZ(spin.z) * rotateY(spin.y) * rotateX(spin.x);
    mat3 frame = rotateY(0.6 * sin(time * PI / 16.0)) * rotateX(0.32);
    emitCube(centre, record.w * 1.55 * superShapeParams.x, orient, frame, id + 7.0);
}
