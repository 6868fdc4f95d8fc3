#include "app/Window.h"

#include "audio/AudioSettings.h"
#include "platform/Fatal.h"
#include "level/Game.h"
#include "app/Globals.h"
#include "app/Menu.h"
#include "audio/SoundSystem.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace {

int gBackquoteCount = 0;
float gLastBackquoteTime = 0.0f;

void showNotice(const std::string& text, float seconds, MessageId id)
{
    gMessages.add(gFontMono, glm::vec3(0.0f, 1.0f, 0.0f), 1.0f, text, 0.5f, 0.5f, seconds, id);
}

const char* onOff(bool on)
{
    return on ? "on" : "off";
}

} // namespace

void onBackquotePress(float t)
{
    if (t - gLastBackquoteTime < 1.0f)
        ++gBackquoteCount;
    else
        gBackquoteCount = 1;
    gLastBackquoteTime = t;
    if (gBackquoteCount >= 3) {
        gBackquoteCount = 0;
        gDevKeysEnabled = !gDevKeysEnabled;
        std::cout << "Dev keys " << onOff(gDevKeysEnabled) << std::endl;
        showNotice(std::string("Developer keys ") + (gDevKeysEnabled ? "enabled" : "disabled"), 1.5f,
                   MessageId::DevKeys);
    }
}

namespace {

void pauseIntoMenu()
{
    gGame.m_paused = true;
    if (gSound && gSound->ready && gSound->channels[SOUND_GEIGER])
        gSound->channels[SOUND_GEIGER].setPaused(true);
    gMenuActive = true;
    openMenu(true);
    if (gWindow)
        glfwSetInputMode(gWindow, GLFW_CURSOR, GLFW_CURSOR_NORMAL);
    gGame.m_cursorCaptured = false;
}

void moveWindow(int dx, int dy)
{
    int x = 0, y = 0;
    glfwGetWindowPos(gWindow, &x, &y);
    glfwSetWindowPos(gWindow, x + dx, y + dy);
}

void handleGlobalKey(GLFWwindow* window, int key, int mods)
{
    const bool shift = mods & GLFW_MOD_SHIFT;
    const bool ctrl = mods & GLFW_MOD_CONTROL;
    const bool alt = mods & GLFW_MOD_ALT;

    switch (key) {
    case GLFW_KEY_ESCAPE:
        if (shift)
            glfwSetWindowShouldClose(window, GLFW_TRUE);
        else if (gMenuActive && gGame.isInitialized() && gMenu) {
            gMenu->m_done = true;
            gMenu->m_exit_status = MENU_RESUME;
        }
        else if (gMenuActive)
            glfwSetWindowShouldClose(window, GLFW_TRUE);
        else if (gGame.isInitialized() && gGame.m_endSequence)
            gGame.m_nextLevelRequested = true;
        else
            pauseIntoMenu();
        break;
    case GLFW_KEY_U:
        if (gDevKeysEnabled && gMenuActive && gGame.isInitialized() && shift && alt) {
            gGame.cleanup();
            closeMenu();
            openMenu(false);
        }
        break;
    case GLFW_KEY_F1:
        if (gDevKeysEnabled)
            setWireframe(!gWireframe);
        break;
    case GLFW_KEY_F2:
        if (gDevKeysEnabled) {
            gBackfaceCulling = !gBackfaceCulling;
            if (gBackfaceCulling)
                glEnable(GL_CULL_FACE);
            else
                glDisable(GL_CULL_FACE);
        }
        break;
    case GLFW_KEY_F3:
        gShowFps = !gShowFps;
        gFpsText = "";
        updateWindowTitle();
        break;
    case GLFW_KEY_F4:
        if (gDevKeysEnabled && shift) {
            gGame.m_cullPerEntity = !gGame.m_cullPerEntity;
            std::cout << "VF culling per entity " << onOff(gGame.m_cullPerEntity) << std::endl;
        } else if (gDevKeysEnabled) {
            gGame.m_viewFrustumCulling = !gGame.m_viewFrustumCulling;
            std::cout << "View frustum culling " << onOff(gGame.m_viewFrustumCulling) << std::endl;
        }
        break;
    case GLFW_KEY_F10:
        if (ctrl)
            gBrightness = 1.0f;
        else if (shift)
            gBrightness -= 0.05f;
        else
            gBrightness += 0.05f;
        gBrightnessChanged = true;
        break;
    case GLFW_KEY_ENTER:
        if (alt)
            gFullscreenRequested = !gFullscreen;
        break;
    case GLFW_KEY_KP_4:
    case GLFW_KEY_KP_6:
    case GLFW_KEY_KP_2:
    case GLFW_KEY_KP_8:
        if (gDevKeysEnabled && ctrl && alt && !gFullscreen) {
            const int dx = key == GLFW_KEY_KP_4 ? -100 : key == GLFW_KEY_KP_6 ? 100 : 0;
            const int dy = key == GLFW_KEY_KP_2 ? 100 : key == GLFW_KEY_KP_8 ? -100 : 0;
            moveWindow(dx, dy);
        }
        break;
    case GLFW_KEY_GRAVE_ACCENT:
        if (gAllowDevKeys)
            onBackquotePress(static_cast<float>(glfwGetTime()));
        break;
    default:
        break;
    }
}

void handleVolumeKey(int mods)
{
    if (mods & GLFW_MOD_CONTROL) {
        gSoundMuted = !gSoundMuted;
        showNotice(gSoundMuted ? "Sound off" : "Sound on", 1.0f, MessageId::Volume);
    } else {
        const float step = (mods & GLFW_MOD_SHIFT) ? -0.05f : 0.05f;
        gMasterVolume = std::clamp(gMasterVolume + step, 0.0f, gMasterVolumeMax);
        char text[64];
        std::snprintf(text, sizeof text, "Sound volume %.0f%%", gMasterVolume * 100.0f / gMasterVolumeMax);
        showNotice(text, 1.0f, MessageId::Volume);
    }
    std::cout << "Mute: " << onOff(gSoundMuted) << " Vol: " << gMasterVolume << std::endl;
    applyChannelVolumes();
}

void handleMenuKey(int key, int mods)
{
    Menu* menu = gMenu;
    if (!menu)
        return;
    switch (key) {
    case GLFW_KEY_SPACE:
    case GLFW_KEY_ENTER:
        if (!(mods & GLFW_MOD_ALT))
            menu->choose();
        break;
    case GLFW_KEY_D:
    case GLFW_KEY_RIGHT:
        menu->moveRight();
        break;
    case GLFW_KEY_A:
    case GLFW_KEY_LEFT:
        menu->moveLeft();
        break;
    case GLFW_KEY_S:
    case GLFW_KEY_DOWN:
        menu->moveDown();
        break;
    case GLFW_KEY_W:
    case GLFW_KEY_UP:
        menu->moveUp();
        break;
    default:
        break;
    }
}

// A drawable larger than the driver's viewport or renderbuffer limit cannot be drawn
// into (or, for some drivers, even allocated): the window shrinks to fit.
void fitWindowToGlLimits()
{
    GLint viewport[2] = {0, 0};
    GLint renderbuffer = 0;
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    const int limitX = std::min(viewport[0], renderbuffer);
    const int limitY = std::min(viewport[1], renderbuffer);
    int width = 0, height = 0;
    glfwGetFramebufferSize(gWindow, &width, &height);
    if (limitX <= 0 || limitY <= 0 || (width <= limitX && height <= limitY))
        return;
    std::cout << "WARNING: the window (" << width << " x " << height << ") is larger than the GL driver can draw ("
              << limitX << " x " << limitY << "); it is made smaller" << std::endl;
    glfwSetWindowSize(gWindow, std::min(width, limitX), std::min(height, limitY));
}

} // namespace

void applyChannelVolumes()
{
    if (!gSound || !gSound->ready)
        return;
    for (int slot = 0; slot < SOUND_SLOT_COUNT; ++slot)
        if (gSound->channels[slot])
            gSound->channels[slot].setVolume(gSound->getVolume(slot));
}

void setWireframe(bool on)
{
    gWireframe = on;
    glPolygonMode(GL_FRONT_AND_BACK, on ? GL_LINE : GL_FILL);
}

void updateWindowTitle()
{
    if (gWindow)
        glfwSetWindowTitle(gWindow, (gWindowTitle + gFpsText).c_str());
}

void createWindow()
{
    if (gWindow) {
        glfwDestroyWindow(gWindow);
        gWindow = nullptr;
    }
    int width = gFullscreen ? gFullscreenWidth : gWindowedWidth;
    int height = gFullscreen ? gFullscreenHeight : gWindowedHeight;

    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_RESIZABLE, GLFW_TRUE);
    glfwWindowHint(GLFW_SAMPLES, gWindowSamples);
    if (gFullscreen)
        glfwWindowHint(GLFW_REFRESH_RATE, gRefreshRate);

    GLFWmonitor* monitor = nullptr;
    if (gFullscreen) {
        monitor = glfwGetPrimaryMonitor();
        if (monitor && gKeepDesktopResolution) {
            const GLFWvidmode* mode = glfwGetVideoMode(monitor);
            width = mode->width;
            height = mode->height;
            glfwWindowHint(GLFW_RED_BITS, mode->redBits);
            glfwWindowHint(GLFW_GREEN_BITS, mode->greenBits);
            glfwWindowHint(GLFW_BLUE_BITS, mode->blueBits);
            glfwWindowHint(GLFW_REFRESH_RATE, mode->refreshRate);
        }
    }

    gWindow = glfwCreateWindow(std::max(width, 1), std::max(height, 1), gWindowTitle.c_str(), monitor, nullptr);
    if (!gWindow)
        fatalError("Failed to create window");

    glfwMakeContextCurrent(gWindow);
    fitWindowToGlLimits();
    glfwGetFramebufferSize(gWindow, &gWindowWidth, &gWindowHeight);
    if (gDisableVsync)
        glfwSwapInterval(0);

    glfwSetFramebufferSizeCallback(gWindow, framebufferSizeCallback);
    glfwSetKeyCallback(gWindow, keyCallback);
    glfwSetScrollCallback(gWindow, scrollCallback);
    glfwSetWindowFocusCallback(gWindow, focusCallback);
}

void switchWindowMode()
{
    gModeSwitching = true;
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    if (!gFullscreen) {
        int x = 50, y = 50, width = gWindowedWidth, height = gWindowedHeight;
        if (gSavedWindowPlacement.valid) {
            x = gSavedWindowPlacement.x;
            y = gSavedWindowPlacement.y;
            width = gSavedWindowPlacement.width;
            height = gSavedWindowPlacement.height;
        }
        glfwSetWindowMonitor(gWindow, nullptr, x, y, width, height, GLFW_DONT_CARE);
    } else if (monitor) {
        glfwGetWindowPos(gWindow, &gSavedWindowPlacement.x, &gSavedWindowPlacement.y);
        glfwGetWindowSize(gWindow, &gSavedWindowPlacement.width, &gSavedWindowPlacement.height);
        gSavedWindowPlacement.valid = true;
        int width = gFullscreenWidth, height = gFullscreenHeight;
        if (gKeepDesktopResolution) {
            const GLFWvidmode* mode = glfwGetVideoMode(monitor);
            width = mode->width;
            height = mode->height;
        }
        glfwSetWindowMonitor(gWindow, monitor, 0, 0, width, height, gRefreshRate);
    }
    gModeSwitching = false;
}

void framebufferSizeCallback(GLFWwindow*, int width, int height)
{
    if (width >= 1 && height >= 1 && !gModeSwitching)
        gResizePending = true;
}

void focusCallback(GLFWwindow*, int)
{
    gGame.settleCursor();
}

void scrollCallback(GLFWwindow*, double, double yoffset)
{
    if (!gMenuActive && gGame.isInitialized())
        gGame.m_scroll += static_cast<float>(yoffset);
}

void keyCallback(GLFWwindow* window, int key, int scancode, int action, int mods)
{
    if (action == GLFW_PRESS)
        handleGlobalKey(window, key, mods);
    if (key == GLFW_KEY_F5 && (action == GLFW_PRESS || action == GLFW_REPEAT))
        handleVolumeKey(mods);

    if (gMenuActive) {
        if (action == GLFW_PRESS)
            handleMenuKey(key, mods);
    } else {
        gGame.onKey(key, scancode, action, mods);
    }
}
