#version 330 core
// One glyph cell of the 4 x 4 greetings atlas, uvOffset naming the cell's lower-left corner.
// The glyph glows amber, additively, in the lower part of the disc under the credits line.
uniform sampler2D particle;
uniform vec2 uvOffset;
uniform vec2 uvSize;

out vec4 fragColor;

void main()
{
    vec2 pc = gl_PointCoord;
    float r = length(pc * 2.0 - 1.0);
    if (r >= 0.9) discard;
    vec2 uv = uvOffset + vec2(pc.x, 1.0 - pc.y) * uvSize;
    float glyph = texture(particle, uv).r * (1.0 - smoothstep(0.8, 0.9, r));
    fragColor = vec4(vec3(1.0, 0.62, 0.24) * glyph * 0.95, 0.0);
}
