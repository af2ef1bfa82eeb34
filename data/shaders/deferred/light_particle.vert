#version 330 core
// Light program "deferred/light_particle": the light record passes through.
#include <deferred/include/light_vertex.glsl>
