#version 330 core
// Final composite, variant "post/blit_glow".
#define WITH_GLOW
#include <post/include/composite.glsl>
