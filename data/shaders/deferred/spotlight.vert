#version 330 core
// Light program "deferred/spotlight": the light record passes through.
#include <deferred/include/light_vertex.glsl>
