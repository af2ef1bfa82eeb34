#version 330 core
// Final composite, variant "post/blit".
#include <post/include/composite.glsl>
