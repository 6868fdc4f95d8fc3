// Display gamma ramp: a linear ramp from the "gamma" setting while the game runs,
// and the user's own ramp put back at shutdown and on every fatal error.
#pragma once

#include <cstdint>
#include <vector>

constexpr int GAMMA_RAMP_SIZE = 256;

// Fills the 256-entry ramp for a gamma value. Returns false (ramp untouched) for a
// value that is not finite. Entries never wrap: they are clamped to 0..65535.
bool computeGammaRamp(float gamma, std::uint16_t ramp[GAMMA_RAMP_SIZE]);

// Resamples a ramp to another entry count by linear interpolation (the monitor's
// ramp may have 256, 1024 or 4096 entries).
std::vector<std::uint16_t> resampleRamp(const std::uint16_t* ramp, int size, int newSize);

// Builds and sets the ramp on the primary monitor, saving the monitor's ramp first.
void applyGammaCorrection(float gamma);

// Puts the saved ramp back; does nothing when none was saved. Safe to call repeatedly
// and from the fatal path, also before GLFW is up or after it has gone.
void restoreGammaCorrection();

// Start-up and shutdown tell the gamma code whether GLFW may be called.
void setGammaGlfwAlive(bool alive);
