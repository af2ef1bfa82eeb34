#version 330 core
// The logo and credit clouds: one cube per record of "instanceData" (x, y, z,
// size in logo space). morphParams.y assembles the cloud (0 scattered far out
// and tumbling, 1 in place); morphParams.z scales the scatter distance and
// morphParams.w the tumbling. The cloud turns slowly on the stutter clock to
// show its depth; superShapeParams.x scales it and superShapeParams.y sets
// the ripple running through it.
#include <marrow/include/cube_vertex.glsl>

uniform samplerBuffer instanceData;
uniform float time;
uniform vec4 superShapeParams;
uniform vec4 morphParams;

void main()
{
    float id = float(gl_InstanceID);
    vec4 record = texelFetch(instanceData, gl_InstanceID);
    float assembled = clamp(morphParams.y, 0.0, 1.0);
    float loose = 1.0 - assembled;
    // Outer cubes arrive last: the scatter grows with the distance from the centre.
    vec3 dir = normalize(hash3(id) * 2.0 - 1.0 + vec3(record.x * 0.08, record.y * 0.1, 0.4));
    float reach = (2.5 + 5.0 * hash(id + 5.0) + abs(record.x) * 0.6) * morphParams.z;
    vec3 centre = record.xyz * superShapeParams.x + dir * reach * loose * loose;
    centre.z += 0.06 * superShapeParams.y * sin(time * PI * 0.5 - record.x * 1.3);

    vec3 spin = (hash3(id + 3.0) * 2.0 - 1.0) * (loose * 7.0 * morphParams.w);
    spin += 0.08 * sin(time * PI * 0.5 + id) * vec3(1.0, 0.6, 0.3);
    mat3 orient = rotateZ(spin.z) * rotateY(spin.y) * rotateX(spin.x);
    mat3 frame = rotateY(0.42 * sin(time * PI / 8.0)) * rotateX(0.3 + 0.12 * sin(time * PI / 16.0));
    emitCube(centre, record.w * superShapeParams.x * (0.6 + 0.4 * assembled), orient, frame, id);
}
