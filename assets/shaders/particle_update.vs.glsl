#version 430 core
// Particle state in: position and type, velocity and time to live, colour.
#include "include/particle_state.glsl"
