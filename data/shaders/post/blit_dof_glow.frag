#version 330 core
// Final composite, variant "post/blit_dof_glow".
#define WITH_DOF
#define WITH_GLOW
#include <post/include/composite.glsl>
