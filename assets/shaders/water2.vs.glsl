#version 430 core
#include "include/liquid_vertex.glsl"
