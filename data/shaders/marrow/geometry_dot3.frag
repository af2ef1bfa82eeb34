#version 330 core
// G-buffer pass of the "marrow/geometry_dot3" cubes.
#include <marrow/include/cube_fragment.glsl>
