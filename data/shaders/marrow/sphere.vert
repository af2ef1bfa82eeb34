#version 330 core
// The shaped field: 16,384 cubes on a 128 x 128 grid of (u, v), placed on one
// of four shapes and morphing between them as "morph" runs from 0 to 3:
//   0 a super-shape: sphereParams x lobes around, y lobes top to bottom,
//     z lobe depth, w radius;
//   1 a spiked ball: spikeParams x, y spike counts, z spike length (times
//     1 + effectScale), w sharpness;
//   2 a (p, q) torus knot: knotParams x = p, y = q, z size, w tube radius;
//   3 the super-shape again, inside out into a ring of cubes.
// "wobble" ripples the surface; the field turns slowly on the stutter clock
// and sits behind the logos.
#include <marrow/include/cube_vertex.glsl>

uniform float time;
uniform vec4 sphereParams;
uniform vec4 spikeParams;
uniform float effectScale;
uniform float wobble;
uniform vec4 knotParams;
uniform float morph;

vec3 spherical(float theta, float phi)
{
    return vec3(sin(phi) * cos(theta), cos(phi), sin(phi) * sin(theta));
}

vec3 superShape(float theta, float phi)
{
    float lobes = cos(sphereParams.x * theta) * sin(sphereParams.y * phi);
    return spherical(theta, phi) * sphereParams.w * (1.0 + sphereParams.z * lobes);
}

vec3 spikes(float theta, float phi)
{
    float c = max(0.0, cos(spikeParams.x * theta) * sin(spikeParams.y * phi));
    float len = spikeParams.z * (1.0 + effectScale);
    return spherical(theta, phi) * (1.0 + len * pow(c, spikeParams.w));
}

vec3 knot(float u, float v)
{
    float p = knotParams.x, q = knotParams.y;
    float a = u * 2.0 * PI;
    vec3 c = vec3((2.0 + cos(q * a)) * cos(p * a), sin(q * a), (2.0 + cos(q * a)) * sin(p * a));
    vec3 d = vec3(-p * (2.0 + cos(q * a)) * sin(p * a) - q * sin(q * a) * cos(p * a), q * cos(q * a),
                  p * (2.0 + cos(q * a)) * cos(p * a) - q * sin(q * a) * sin(p * a));
    vec3 t = normalize(d);
    vec3 n = normalize(cross(t, vec3(0.0, 1.0, 0.0)) + vec3(1e-4));
    vec3 b = cross(t, n);
    float ring = v * 2.0 * PI;
    return (c + (n * cos(ring) + b * sin(ring)) * knotParams.w * 2.0) * knotParams.z * 0.5;
}

vec3 ring(float theta, float phi)
{
    float r = sphereParams.w * (1.6 + 0.4 * cos(sphereParams.x * theta));
    return vec3(cos(theta) * r, (phi / PI - 0.5) * 0.6, sin(theta) * r);
}

vec3 shapeAt(int k, float u, float v)
{
    float theta = u * 2.0 * PI, phi = (v * 0.98 + 0.01) * PI;
    if (k == 1) return spikes(theta, phi);
    if (k == 2) return knot(u, v);
    if (k == 3) return ring(theta, phi);
    return superShape(theta, phi);
}

void main()
{
    float id = float(gl_InstanceID);
    float u = (float(gl_InstanceID % 128) + 0.5) / 128.0;
    float v = (float(gl_InstanceID / 128) + 0.5) / 128.0;
    float m = clamp(morph, 0.0, 3.0);
    int k = int(min(floor(m), 2.0));
    float f = m - float(k);
    // Cubes leave one shape a little before or after their neighbours.
    float lag = clamp(f * 1.4 - hash(id) * 0.4, 0.0, 1.0);
    lag = lag * lag * (3.0 - 2.0 * lag);
    vec3 p = mix(shapeAt(k, u, v), shapeAt(k + 1, u, v), lag);
    p *= 1.0 + wobble * 0.25 * sin(u * 8.0 * PI + time * PI * 0.5);
    // In between shapes the cubes fly loose.
    p += (hash3(id) * 2.0 - 1.0) * sin(lag * PI) * 0.6;

    vec3 spin = vec3(u * 6.0 + time * 0.3, v * 4.0, time * 0.2 + hash(id) * 3.0);
    mat3 orient = rotateZ(spin.z) * rotateY(spin.y) * rotateX(spin.x);
    mat3 frame = rotateX(0.5 + 0.2 * sin(time * PI / 32.0)) * rotateY(time * 0.12);
    float size = 0.075 * (1.0 + 0.6 * clamp(effectScale, -0.5, 2.0));
    vec3 centre = frame * p * 1.3;
    centre.z -= 7.5;
    emitCube(centre, size, orient, mat3(1.0), id + 0.5);
    // A darker steel keeps the field behind the clouds instead of competing with them.
    tint *= 0.35;
}
