#include "app/Globals.h"

GLFWwindow* gWindow = nullptr;
std::string gWindowTitle;
std::string gFpsText;
bool gFullscreen = false;
bool gFullscreenRequested = false;
bool gKeepDesktopResolution = false;
int gFullscreenWidth = 800;
int gFullscreenHeight = 600;
int gWindowedWidth = 800;
int gWindowedHeight = 600;
int gRefreshRate = 60;
bool gDisableVsync = false;
int gWindowSamples = 0;
bool gResizePending = false;
bool gModeSwitching = false;
bool gDoGammaCorrection = false;
float gGamma = 0.0f;
WindowPlacement gSavedWindowPlacement;

bool gWireframe = false;
bool gBackfaceCulling = true;
bool gShowFps = false;
float gBrightness = 1.0f;
bool gBrightnessChanged = false;
bool gDevKeysEnabled = false;
bool gAllowDevKeys = true;

bool gMenuActive = false;
int gCurrentLevel = 0;
int gFrameCounter = 0;
Font* gFontSmall = nullptr;
Font* gFontLarge = nullptr;
Font* gFontMono = nullptr;
Menu* gMenu = nullptr;

float gGravity = 9.81f;
bool gGravityEnabled = true;
bool gDecayAngularVelocity = true;
float gDecayAngularVelocityFactor = 0.01f;
float gMainThrusterAcceleration = 20.0f;
float gSideThrusterAcceleration = 1.5707964f;

float gCrystalNudging = 0.0f;
float gEmpLaunchVelocity = 5.0f;
float gEmpLaunchPosition = 2.0f;
float gEmpMinimalGroundspeed = 0.0f;
glm::vec3 gEmpLaunchDirection(0.0f, -1.0f, 0.0f);

glm::vec2 gHudDesignSize(1280.0f, 768.0f);
float gHudRadBarY = 70.0f;
glm::vec2 gHudPosHelium(10.0f, 578.0f);
glm::vec2 gHudPosFuel(40.0f, 578.0f);
glm::vec2 gHudPosLights[3] = {glm::vec2(74.0f, 721.0f), glm::vec2(74.0f, 671.0f), glm::vec2(74.0f, 621.0f)};
glm::vec2 gHudPosEmps(120.0f, 594.0f);
glm::vec2 gHudPosMap(1090.0f, 578.0f);
