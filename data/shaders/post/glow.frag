#version 330 core
// Glow: the first draw keeps the bright part of the lit image, tinted by the
// colour term; every draw blurs along one axis, so a few passes spread the
// highlights into soft halos that the composite adds back.
#include <post/include/gauss.glsl>

uniform sampler2D tex;
uniform vec2 TexelSize;
uniform vec4 color;

in vec2 uv;
out vec4 fragColor;

void main()
{
    vec3 blurred = gaussian9(tex, uv, TexelSize, isFirstDraw(color));
    fragColor = vec4(blurred * colorGain(color), 1.0);
}
