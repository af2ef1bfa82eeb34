#version 330 core
// Final composite, variant "post/blit_ssao".
#define WITH_SSAO
#include <post/include/composite.glsl>
