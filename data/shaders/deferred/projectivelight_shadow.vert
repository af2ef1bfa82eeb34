#version 330 core
// Light program "deferred/projectivelight_shadow": the light record passes through.
#include <deferred/include/light_vertex.glsl>
