// Scene depth helpers: the hardware depth buffer read back to view space.

// View-space position of the point at screen coordinate at (0..1) with
// hardware depth d (0..1), through the inverse projection.
vec3 viewPosition(mat4 inverseProjection, vec2 at, float d)
{
    vec4 p = inverseProjection * vec4(vec3(at, d) * 2.0 - 1.0, 1.0);
    return p.xyz / p.w;
}

// Distance in front of the camera for hardware depth d, with range = (near,
// far, far - near, -(near * far)).
float linearDepth(vec4 range, float d)
{
    float ndc = d * 2.0 - 1.0;
    return 2.0 * range.x * range.y / (range.y + range.x - ndc * range.z);
}
