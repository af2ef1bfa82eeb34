#version 330 core
// Final composite, variant "post/blit_glow_ssao".
#define WITH_GLOW
#define WITH_SSAO
#include <post/include/composite.glsl>
