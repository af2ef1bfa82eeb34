#version 330 core
#include <post/include/fullscreen.glsl>
