#version 330 core
// Light particles: every point and cube light drawn as a glowing sprite of
// "radiusScale" view units around its position, facing the camera (spanned by
// "XAxis" and "YAxis").
layout(points) in;
layout(triangle_strip, max_vertices = 4) out;

in vec3 vPosition[];
in vec3 vParams[];
in vec3 vColor[];
in vec3 vExtra[];

uniform mat4 ProjectionMatrix;
uniform vec3 XAxis;
uniform vec3 YAxis;
uniform float radiusScale;

flat out vec3 spriteColor;
flat out vec3 spriteCenter;
flat out float spriteRadius;
out vec2 spriteUV;
out vec3 spritePosition;

void main()
{
    float radius = radiusScale;
    if (radius <= 0.0 || max(vColor[0].r, max(vColor[0].g, vColor[0].b)) <= 0.0) return;
    // A sprite reaching behind the eye would flip; such lights are skipped.
    if (vPosition[0].z + radius >= 0.0) return;
    for (int i = 0; i < 4; ++i) {
        vec2 corner = vec2((i & 1) != 0 ? 1.0 : -1.0, (i & 2) != 0 ? 1.0 : -1.0);
        vec3 p = vPosition[0] + (XAxis * corner.x + YAxis * corner.y) * radius;
        spriteColor = vColor[0];
        spriteCenter = vPosition[0];
        spriteRadius = radius;
        spriteUV = corner * 0.5 + 0.5;
        spritePosition = p;
        gl_Position = ProjectionMatrix * vec4(p, 1.0);
        EmitVertex();
    }
    EndPrimitive();
}
