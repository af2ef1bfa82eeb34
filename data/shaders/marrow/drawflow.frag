#version 330 core
// Premultiplied sprite: the blend adds colour and covers what is below by alpha.
uniform sampler2D particle;

in vec4 inkColor;

out vec4 fragColor;

void main()
{
    float a = texture(particle, gl_PointCoord).r;
    fragColor = inkColor * a;
}
