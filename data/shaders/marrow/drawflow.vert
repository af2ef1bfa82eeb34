#version 330 core
// Particles as point sprites. The particle comes from the same attribute slot the advection
// program reads, since both use the vertex arrays built for "marrow/updateflow".
layout(location = 0) in vec4 POSITION;

uniform mat4 ProjectionMatrix;
uniform mat4 ModelViewMatrix;
uniform float size;

out vec4 inkColor;

void main()
{
    gl_Position = ProjectionMatrix * ModelViewMatrix * vec4(POSITION.xy, 0.0, 1.0);
    bool field = POSITION.w > 0.0005;
    float travelled = POSITION.z;
    if (field) {
        // The background is a faint cold dust, a little brighter where the flow is fast.
        gl_PointSize = size * 0.5;
        inkColor = vec4(0.10, 0.20, 0.26, 1.0) * 0.45;
    } else {
        // Text ink: cold white while it holds; the filaments that travel furthest take the one
        // warm accent, and thin out as they go.
        gl_PointSize = size;
        float warm = 0.75 * smoothstep(0.6, 2.4, travelled);
        vec3 cold = vec3(0.80, 0.90, 0.98);
        vec3 amber = vec3(1.00, 0.55, 0.18);
        float fade = 1.0 - 0.5 * smoothstep(1.0, 4.0, travelled);
        inkColor = vec4(mix(cold, amber, warm) * fade, 1.0) * 0.42;
    }
    // GL draws points of at least one pixel: below two pixels the sprite fades instead, so a
    // text appears and vanishes smoothly rather than as a grid of single dots.
    inkColor *= smoothstep(0.0, 2.0, size);
}
