// Geometry stage of every light program: turns one light point into the
// screen rectangle its light can reach, so the fragment stage only runs where
// the light may contribute. The including file defines LIGHT_FULLSCREEN (lights
// without a bound: directional, ambient) or provides
//     void lightSphere(out vec3 center, out float radius)
// reading the record inputs below, a view-space sphere outside of which the
// light is exactly zero.
layout(points) in;
layout(triangle_strip, max_vertices = 4) out;

in vec3 vPosition[];
in vec3 vParams[];
in vec3 vColor[];
in vec3 vExtra[];

flat out vec3 lightPosition;
flat out vec3 lightParams;
flat out vec3 lightColor;
flat out vec3 lightExtra;

uniform mat4 ProjectionMatrix;

void emitRectangle(vec2 lo, vec2 hi)
{
    vec2 corners[4] = vec2[4](vec2(lo.x, lo.y), vec2(hi.x, lo.y), vec2(lo.x, hi.y), vec2(hi.x, hi.y));
    for (int i = 0; i < 4; ++i) {
        lightPosition = vPosition[0];
        lightParams = vParams[0];
        lightColor = vColor[0];
        lightExtra = vExtra[0];
        gl_Position = vec4(corners[i], 0.0, 1.0);
        EmitVertex();
    }
    EndPrimitive();
}

#ifndef LIGHT_FULLSCREEN
void lightSphere(out vec3 center, out float radius);
#endif

void main()
{
    // A black light adds nothing; spend no fragments on it.
    if (max(vColor[0].r, max(vColor[0].g, vColor[0].b)) <= 0.0) return;
#ifdef LIGHT_FULLSCREEN
    emitRectangle(vec2(-1.0), vec2(1.0));
#else
    vec3 center;
    float radius;
    lightSphere(center, radius);
    if (radius <= 0.0) return;
    // Entirely behind the eye: nothing visible can be lit.
    if (center.z - radius >= 0.0) return;
    // Near distance of the camera's frustum, from its third row.
    float c = ProjectionMatrix[2][2];
    float d = ProjectionMatrix[3][2];
    float zNear = abs(c - 1.0) > 1e-6 ? d / (c - 1.0) : 0.0;
    // A sphere reaching the near plane projects beyond the screen.
    if (center.z + radius > -zNear) {
        emitRectangle(vec2(-1.0), vec2(1.0));
        return;
    }
    // Bounding box of the sphere's eight box corners, all in front of the eye.
    vec2 lo = vec2(1.0);
    vec2 hi = vec2(-1.0);
    for (int i = 0; i < 8; ++i) {
        vec3 corner = center + radius * vec3((i & 1) != 0 ? 1.0 : -1.0, (i & 2) != 0 ? 1.0 : -1.0,
                                             (i & 4) != 0 ? 1.0 : -1.0);
        vec4 clip = ProjectionMatrix * vec4(corner, 1.0);
        vec2 ndc = clip.xy / clip.w;
        lo = min(lo, ndc);
        hi = max(hi, ndc);
    }
    lo = max(lo, vec2(-1.0));
    hi = min(hi, vec2(1.0));
    if (any(greaterThanEqual(lo, hi))) return;
    emitRectangle(lo, hi);
#endif
}
