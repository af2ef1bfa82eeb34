#version 330 core
// Final composite, variant "post/blit_dof_ssao".
#define WITH_DOF
#define WITH_SSAO
#include <post/include/composite.glsl>
