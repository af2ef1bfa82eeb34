#version 330 core
// Final composite, variant "post/blit_dof".
#define WITH_DOF
#include <post/include/composite.glsl>
