#version 430
#include common.glsl
