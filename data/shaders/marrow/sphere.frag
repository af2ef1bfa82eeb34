#version 330 core
// G-buffer pass of the "marrow/sphere" cubes.
#include <marrow/include/cube_fragment.glsl>
