#version 330 core
// Light program "deferred/dirlight": the light record passes through.
#include <deferred/include/light_vertex.glsl>
