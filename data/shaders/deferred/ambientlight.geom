#version 330 core
// Ambient light has no position and no range: lights every covered pixel, so the whole screen.
#define LIGHT_FULLSCREEN
#include <deferred/include/light_geometry.glsl>
