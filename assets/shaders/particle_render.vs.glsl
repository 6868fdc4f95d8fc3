#version 430 core
// Particle state in, handed to the sprite builder.
#include "include/particle_state.glsl"
