#version 330 core
// G-buffer pass of the "marrow/dance" cubes.
#include <marrow/include/cube_fragment.glsl>
