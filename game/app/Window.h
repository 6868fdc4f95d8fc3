// The game window, its switch between windowed and full screen, and the GLFW
// callbacks with the program's global keys.
#pragma once

struct GLFWwindow;

// Largest window or full-screen side the game asks for; a GL driver may hold less,
// which its viewport and renderbuffer limits tell once the context exists.
constexpr int maxWindowSide = 16384;

void createWindow();
void switchWindowMode();
void setWireframe(bool on);
void updateWindowTitle();

void framebufferSizeCallback(GLFWwindow* window, int width, int height);
void keyCallback(GLFWwindow* window, int key, int scancode, int action, int mods);
void scrollCallback(GLFWwindow* window, double xoffset, double yoffset);
void focusCallback(GLFWwindow* window, int focused);

// Developer-key switch: three backquote presses, each less than a second after the
// previous one, toggle the developer keys. `t` is the clock in seconds.
void onBackquotePress(float t);

// Sets every sound channel to its category volume, or to 0 while muted.
void applyChannelVolumes();
