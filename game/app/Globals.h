// The run's globals: window and display state, switches of the global keys, and the
// settings that are copied into globals (the rest go into the Game object).
#pragma once

#include "platform/FrameGlobals.h"

#include <glm/glm.hpp>

#include <string>

struct GLFWwindow;
class Font;
class Menu;

// Window and display
extern GLFWwindow* gWindow;
extern std::string gWindowTitle;
extern std::string gFpsText;
extern bool gFullscreen;
extern bool gFullscreenRequested;
extern bool gKeepDesktopResolution;
extern int gFullscreenWidth;
extern int gFullscreenHeight;
extern int gWindowedWidth;
extern int gWindowedHeight;
extern int gRefreshRate;
extern bool gDisableVsync;
extern int gWindowSamples;
extern bool gResizePending;
extern bool gModeSwitching;
extern bool gDoGammaCorrection;
extern float gGamma;

struct WindowPlacement {
    bool valid = false;
    int x = 0, y = 0, width = 0, height = 0;
};
extern WindowPlacement gSavedWindowPlacement;

// Global key switches
extern bool gWireframe;
extern bool gBackfaceCulling;
extern bool gShowFps;
extern float gBrightness;
extern bool gBrightnessChanged;
extern bool gDevKeysEnabled;
extern bool gAllowDevKeys;

// Program state
extern bool gMenuActive;
extern int gCurrentLevel;
extern int gFrameCounter;
extern Font* gFontSmall;
extern Font* gFontLarge;
extern Font* gFontMono;
extern Menu* gMenu;

// Lander handling
extern float gGravity;
extern bool gGravityEnabled;
extern bool gDecayAngularVelocity;
extern float gDecayAngularVelocityFactor;
extern float gMainThrusterAcceleration;
extern float gSideThrusterAcceleration;

// Crystals and EMP bombs
extern float gCrystalNudging;
extern float gEmpLaunchVelocity;
extern float gEmpLaunchPosition;
extern float gEmpMinimalGroundspeed;
extern glm::vec3 gEmpLaunchDirection;

// HUD layout, in pixels of gHudDesignSize
extern glm::vec2 gHudDesignSize;
extern float gHudRadBarY;
extern glm::vec2 gHudPosHelium;
extern glm::vec2 gHudPosFuel;
extern glm::vec2 gHudPosLights[3];
extern glm::vec2 gHudPosEmps;
extern glm::vec2 gHudPosMap;
