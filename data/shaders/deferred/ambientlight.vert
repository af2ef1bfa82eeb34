#version 330 core
// Light program "deferred/ambientlight": the light record passes through.
#include <deferred/include/light_vertex.glsl>
