#version 330 core
// Light program "deferred/projectivelight": the light record passes through.
#include <deferred/include/light_vertex.glsl>
