#version 330 core
// Separable Gaussian: one axis per draw, "TexelSize" is one texel of the target
// along that axis and zero along the other.
#include <post/include/gauss.glsl>

uniform sampler2D tex;
uniform vec2 TexelSize;

in vec2 uv;
out vec4 fragColor;

void main()
{
    fragColor = vec4(gaussian9(tex, uv, TexelSize, false), 1.0);
}
