#version 430
#include "common.glsl
void main() {}
