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
        gl_PointSize = size * 0.55;
        inkColor = vec4(0.10, 0.20, 0.26, 1.0) * 0.22;
    } else {
        // Text ink: cold white while it holds, the torn filaments warming to amber as they travel.
        gl_PointSize = size;
        float warm = smoothstep(0.15, 1.6, travelled);
        vec3 cold = vec3(0.80, 0.93, 1.00);
        vec3 amber = vec3(1.00, 0.52, 0.14);
        float fade = 1.0 - 0.55 * smoothstep(0.8, 3.5, travelled);
        inkColor = vec4(mix(cold, amber, warm) * fade, 1.0) * 0.42;
    }
    if (size <= 0.0) gl_PointSize = 0.0;
}
