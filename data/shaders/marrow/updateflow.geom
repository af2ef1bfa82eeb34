#version 330 core
// Passes each advected particle on unchanged: exactly one captured output per input point.
layout(points) in;
layout(points, max_vertices = 1) out;

in vec4 outParticleV[];
out vec4 outParticle;

void main()
{
    outParticle = outParticleV[0];
    gl_Position = vec4(outParticle.xy, 0.0, 1.0);
    EmitVertex();
    EndPrimitive();
}
