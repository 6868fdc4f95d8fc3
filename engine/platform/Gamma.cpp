#include "platform/Gamma.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <cmath>
#include <iostream>

namespace {

bool gGlfwAlive = false;
bool gRampSaved = false;
std::vector<std::uint16_t> gSavedRed, gSavedGreen, gSavedBlue;

// glfwSetGammaRamp returns nothing; a refused ramp is only reported through the
// error callback, so the call runs with a callback that notes the failure.
bool gGlfwCallFailed = false;

void noteGlfwError(int, const char* description)
{
    gGlfwCallFailed = true;
    std::cout << "GLFW error: " << description << std::endl;
}

bool setRampChecked(GLFWmonitor* monitor, const GLFWgammaramp* ramp)
{
    gGlfwCallFailed = false;
    GLFWerrorfun previous = glfwSetErrorCallback(noteGlfwError);
    glfwSetGammaRamp(monitor, ramp);
    glfwSetErrorCallback(previous);
    return !gGlfwCallFailed;
}

} // namespace

void setGammaGlfwAlive(bool alive)
{
    gGlfwAlive = alive;
}

bool computeGammaRamp(float gamma, std::uint16_t ramp[GAMMA_RAMP_SIZE])
{
    if (!std::isfinite(gamma))
        return false;
    const float stepF = 128.0f + (gamma * 0.5f + 0.5f) * 255.0f;
    // Clamp before converting: a huge gamma must not overflow, a very negative one
    // must not produce negative entries that wrap to bright values.
    const std::int64_t step = static_cast<std::int64_t>(std::clamp(stepF, 0.0f, 65535.0f));
    for (int i = 0; i < GAMMA_RAMP_SIZE; ++i)
        ramp[i] = static_cast<std::uint16_t>(std::min<std::int64_t>(i * step, 65535));
    return true;
}

std::vector<std::uint16_t> resampleRamp(const std::uint16_t* ramp, int size, int newSize)
{
    std::vector<std::uint16_t> out(static_cast<size_t>(std::max(newSize, 0)));
    if (newSize <= 0 || size <= 0)
        return out;
    if (newSize == 1 || size == 1) {
        std::fill(out.begin(), out.end(), ramp[0]);
        return out;
    }
    for (int i = 0; i < newSize; ++i) {
        const double pos = static_cast<double>(i) * (size - 1) / (newSize - 1);
        const int lo = static_cast<int>(pos);
        const int hi = std::min(lo + 1, size - 1);
        const double t = pos - lo;
        const double v = ramp[lo] * (1.0 - t) + ramp[hi] * t;
        out[static_cast<size_t>(i)] = static_cast<std::uint16_t>(std::lround(std::clamp(v, 0.0, 65535.0)));
    }
    return out;
}

void applyGammaCorrection(float gamma)
{
    std::uint16_t ramp[GAMMA_RAMP_SIZE];
    if (!computeGammaRamp(gamma, ramp)) {
        std::cout << "Warning: invalid gamma value, gamma correction not applied" << std::endl;
        return;
    }

    GLFWmonitor* monitor = gGlfwAlive ? glfwGetPrimaryMonitor() : nullptr;
    if (!monitor) {
        std::cout << "Warning: failed to get display for gamma correction" << std::endl;
        return;
    }

    const GLFWgammaramp* current = glfwGetGammaRamp(monitor);
    if (!gRampSaved) {
        if (!current || current->size == 0) {
            std::cout << "GetDeviceGammaRamp failed" << std::endl;
            return;
        }
        gSavedRed.assign(current->red, current->red + current->size);
        gSavedGreen.assign(current->green, current->green + current->size);
        gSavedBlue.assign(current->blue, current->blue + current->size);
        gRampSaved = true;
    }

    const int size = static_cast<int>(gSavedRed.size());
    std::vector<std::uint16_t> channel = resampleRamp(ramp, GAMMA_RAMP_SIZE, size);
    std::vector<std::uint16_t> green = channel, blue = channel;
    GLFWgammaramp newRamp;
    newRamp.red = channel.data();
    newRamp.green = green.data();
    newRamp.blue = blue.data();
    newRamp.size = static_cast<unsigned int>(size);
    if (!setRampChecked(monitor, &newRamp))
        std::cout << "Warning: failed to apply gamma correction" << std::endl;
}

void restoreGammaCorrection()
{
    if (!gRampSaved)
        return;
    GLFWmonitor* monitor = gGlfwAlive ? glfwGetPrimaryMonitor() : nullptr;
    if (!monitor) {
        std::cout << "Warning: failed to get display to restore gamma correction" << std::endl;
        return;
    }
    GLFWgammaramp ramp;
    ramp.red = gSavedRed.data();
    ramp.green = gSavedGreen.data();
    ramp.blue = gSavedBlue.data();
    ramp.size = static_cast<unsigned int>(gSavedRed.size());
    if (!setRampChecked(monitor, &ramp))
        std::cout << "Warning: failed to restore gamma correction" << std::endl;
}
