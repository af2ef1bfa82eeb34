#version 330 core
// Light program "deferred/cubelight": the light record passes through.
#include <deferred/include/light_vertex.glsl>
