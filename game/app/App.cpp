#include "app/App.h"

#include "app/Benchmark.h"
#include "gl/FramePresenter.h"
#include "gl/PassTimer.h"

#include "platform/AssetFiles.h"
#include "platform/Fatal.h"
#include "screen/Font.h"
#include "level/Game.h"
#include "platform/Gamma.h"
#include "app/Globals.h"
#include "platform/IniFile.h"
#include "app/Menu.h"
#include "screen/MessageList.h"
#include "physics/Physics.h"
#include "platform/ResizeListeners.h"
#include "app/Settings.h"
#include "gl/Shader.h"
#include "audio/SoundSystem.h"
#include "gl/Texture.h"
#include "app/Window.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <IL/il.h>
#include <IL/ilu.h>
#include <IL/ilut.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>

namespace {

struct LoopState {
    float lastFrameTime = 0.0f;
    float nextTitleUpdate = 0.0f;
    int frameCount = 0;
    float measuredFps = 0.0f;
    bool reload = false;
};

float clockNow()
{
    return static_cast<float>(glfwGetTime());
}

void glfwErrorLog(int code, const char* description)
{
    std::cout << "GLFW error " << code << ": " << description << std::endl;
}

// Prints the failure line, restores the display and waits like the fatal path, but
// lets main return its own exit code.
int startupFailure(const std::string& message)
{
    std::cout << "ERROR: " << message << std::endl;
    restoreGammaCorrection();
    consolePause();
    return 1;
}

void updateProjection()
{
    Camera& camera = gGame.m_camera;
    camera.aspect = static_cast<float>(gWindowWidth) / static_cast<float>(gWindowHeight);
    gGame.m_projection = camera.getProjection();
}

void drawFpsText(const LoopState& loop)
{
    if (!gShowFps || !gFontMono)
        return;
    char text[64];
    if (loop.measuredFps > 0.0f)
        std::snprintf(text, sizeof text, "%.0f FPS (%.1f ms)", loop.measuredFps, 1000.0f / loop.measuredFps);
    else
        std::snprintf(text, sizeof text, "-- FPS");
    gFontMono->restoreStyle();
    gFontMono->style.color = glm::vec3(1.0f, 1.0f, 0.0f);
    gFontMono->style.scaleX = gFontMono->style.scaleY = 0.5f;
    gFontMono->render(nullptr, false, 0.01f * gWindowWidth, 0.01f * gWindowHeight, text);
}

void updateTitle(LoopState& loop)
{
    const float now = clockNow();
    if (now < loop.nextTitleUpdate)
        return;
    if (gShowFps) {
        loop.measuredFps = loop.frameCount / (now - loop.nextTitleUpdate + 1.0f);
        std::ostringstream text;
        text.setf(std::ios::fixed);
        text.precision(6);
        text << " FPS: " << static_cast<int>(loop.measuredFps) << " (" << 1000.0f / loop.measuredFps << " ms/frame)";
        gFpsText = text.str();
        updateWindowTitle();
    }
    loop.frameCount = 0;
    loop.nextTitleUpdate = clockNow() + 1.0f;
}

void applyWindowChanges(LoopState& loop)
{
    if (!gResizePending && gFullscreenRequested == gFullscreen)
        return;
    const bool switching = gFullscreenRequested != gFullscreen;
    if (switching) {
        gFullscreen = gFullscreenRequested;
        std::cout << "Switching to " << (gFullscreen ? "full screen" : "windowed") << " mode" << std::endl;
        switchWindowMode();
    }
    int width = 0, height = 0;
    glfwGetFramebufferSize(gWindow, &width, &height);
    // A minimised window reports 0 x 0: keep the resize pending until it has a size.
    if (width < 1 || height < 1) {
        gResizePending = true;
        return;
    }
    gResizePending = false;
    gWindowWidth = width;
    gWindowHeight = height;
    std::cout << "New window size: " << gWindowWidth << "x" << gWindowHeight << std::endl;
    updateProjection();
    notifyResizeListeners();
    loop.lastFrameTime = clockNow();
}

void loadLevel(LoopState& loop, bool skipLoadingScreen)
{
    if (gGame.isInitialized())
        gGame.cleanup();
    gGame.init(gCurrentLevel, skipLoadingScreen);
    gGame.m_camera.setMaxRadius(50.0f);
    gGame.m_camera.saveResetState();
    gGame.setCursorCaptured(true);
    gGame.processInput(-1.0f);
    updateProjection();
    loop.lastFrameTime = clockNow();
}

void progressLevels(LoopState& loop)
{
    loop.reload = false;
    if (gMenuActive || !gGame.isInitialized() || !gGame.m_nextLevelRequested)
        return;
    if (gCurrentLevel < 3) {
        gCurrentLevel += 1;
        loop.reload = true;
    } else {
        gGame.cleanup();
        gMenuActive = true;
        openMenu(false);
        gGame.setCursorCaptured(false);
    }
}

// Acts on the menu's choice; returns true when a level must be loaded.
bool actOnMenu(LoopState& loop)
{
    if (!gMenuActive || !gMenu || !gMenu->m_done)
        return false;
    closeMenu();
    gMenuActive = false;
    switch (gMenu->m_exit_status) {
    case MENU_EXIT:
        glfwSetWindowShouldClose(gWindow, GLFW_TRUE);
        return false;
    case MENU_RESUME:
        if (!gGame.isInitialized())
            fatalError("Unexpected: resume chosen, but game is not initialized");
        gGame.setCursorCaptured(true);
        loop.lastFrameTime = clockNow();
        return false;
    case MENU_LEVEL_1:
        gCurrentLevel = 1;
        if (gDevKeysEnabled && glfwGetKey(gWindow, GLFW_KEY_LEFT_SHIFT) == GLFW_PRESS &&
            glfwGetKey(gWindow, GLFW_KEY_LEFT_CONTROL) == GLFW_PRESS)
            gCurrentLevel = 99;
        return true;
    case MENU_LEVEL_2:
        gCurrentLevel = 2;
        return true;
    case MENU_LEVEL_3:
        gCurrentLevel = 3;
        return true;
    default:
        fatalError("Unexpected menu exit status");
    }
}

void runMainLoop(LoopState& loop, Benchmark* bench)
{
    do {
        if (gMenuActive)
            renderMenu();
        else
            gGame.render();
        PassTimer::lap("text and input");
        drawFpsText(loop);
        gMessages.draw();

        const float dt = bench ? Benchmark::frameTime() : clockNow() - loop.lastFrameTime;
        loop.lastFrameTime = clockNow();
        glfwPollEvents();

        if (gMenuActive && gMenu)
            gMenu->update(dt);
        else
            gGame.processInput(dt);
        if (bench)
            bench->beforeUpdate();
        if (!gMenuActive)
            gGame.update(dt);
        if (bench) {
            bench->afterUpdate();
            bench->beforeSwap();
        }

        // A scene drawn off screen lets the window's last passes of this frame be drawn
        // while the next scene is being built.
        FramePresenter::frameDone(gWindow, !gMenuActive && gGame.drawsSceneOffScreen());
        if (bench)
            bench->afterSwap();
        if (gSound)
            gSound->update();
        gMessages.update(dt);
        gFrameCounter += 1;
        loop.frameCount += 1;

        updateTitle(loop);
        applyWindowChanges(loop);
        progressLevels(loop);
        const bool menuChoseLevel = actOnMenu(loop);
        if (loop.reload || menuChoseLevel)
            loadLevel(loop, false);
        if (gBrightnessChanged) {
            applyBrightness();
            gBrightnessChanged = false;
        }
    } while (!glfwWindowShouldClose(gWindow));
}

} // namespace

void applyBrightness()
{
    std::cout << "Brightness: " << gBrightness << std::endl;
    char text[64];
    std::snprintf(text, sizeof text, "Brightness %.0f%%", gBrightness * 100.0f);
    gMessages.add(gFontMono, glm::vec3(0.0f, 1.0f, 0.0f), 1.0f, text, 0.5f, 0.5f, 1.0f, MessageId::Brightness);
    for (Shader* shader : gShaders) {
        glUseProgram(shader->m_program);
        glUniform1f(shader->getUniformLocation("globalBrightnessMultiplier"), gBrightness);
    }
    glUseProgram(0);
}

void createShaderPrograms()
{
    new Shader("phong", {"phong.vs", "phong.fs"}, false);
    new Shader("phong_notex", {"phong.vs", "phong_notex.fs"}, false);
    new Shader("phong_tex_notex", {"phong.vs", "phong_tex_notex.fs"}, false);
    new Shader("phong_notex_alpha", {"phong.vs", "phong_notex_alpha.fs"}, false);
    new Shader("phong_nm", {"phong_nm.vs.glsl", "phong_nm.fs.glsl"}, false);
    new Shader("phong_nm_notex", {"phong_nm.vs.glsl", "phong_nm_notex.fs.glsl"}, false);
    new Shader("color", {"color.vs.glsl", "color.fs.glsl"}, true);
    new Shader("color_alpha", {"color.vs.glsl", "color_alpha.fs.glsl"}, true);
    new Shader("texture", {"texture.vs.glsl", "texture.fs.glsl"}, true);
    new Shader("texture_colored", {"texture.vs.glsl", "texture_colored.fs.glsl"}, true);
    new Shader("cube", {"cube.vs", "cube.fs"}, false);
    new Shader("skybox", {"skybox.vs.glsl", "skybox.fs.glsl"}, true);
    new Shader("heightfield",
               {"heightfield.vs.glsl", "heightfield.tcs.glsl", "heightfield.tes.glsl", "heightfield.fs.glsl"}, false);
    new Shader("heightfieldLM",
               {"heightfield.vs.glsl", "heightfield.tcs.glsl", "heightfield.tes.glsl", "heightfield-lightmap.fs.glsl"},
               false);
    new Shader("heightfieldLMSM",
               {"heightfield.vs.glsl", "heightfield.tcs.glsl", "heightfield.tes.glsl",
                "heightfield-lightmap-specmap.fs.glsl"},
               false);
    new Shader("heightfieldLMSMMatte",
               {"heightfield.vs.glsl", "heightfield.tcs.glsl", "heightfield.tes.glsl",
                "heightfield-lightmap-specmap-matte.fs.glsl"},
               false);
    new Shader("heightfieldLowest", {"heightfield-lowest.vs.glsl", "heightfield.fs.glsl"}, false);
    new Shader("heightfieldLowestLM", {"heightfield-lowest.vs.glsl", "heightfield-lightmap.fs.glsl"}, false);
    new Shader("heightfieldLowestLMSM", {"heightfield-lowest.vs.glsl", "heightfield-lightmap-specmap.fs.glsl"},
               false);
    new Shader("heightfieldLowestLMSMMatte",
               {"heightfield-lowest.vs.glsl", "heightfield-lightmap-specmap-matte.fs.glsl"}, false);
    new Shader("quad2d", {"quad2d.vs.glsl", "quad2d.fs.glsl"}, false);
    new Shader("quad2d_notex", {"quad2d_notex.vs.glsl", "quad2d_notex.fs.glsl"}, false);
    new Shader("quad2d_notex_depth", {"quad2d_notex_depth.vs.glsl", "quad2d_notex.fs.glsl"}, false);
    new Shader("quad2d_multiply", {"quad2d.vs.glsl", "quad2d_multiply.fs.glsl"}, false);
    new Shader("quad2d_mul_gray", {"quad2d.vs.glsl", "quad2d_multiply_grayscale.fs.glsl"}, false);
    new Shader("quad2d_flare", {"quad2d.vs.glsl", "quad2d_flare.fs.glsl"}, false);
    new Shader("quad3d", {"quad3d.vs.glsl", "quad3d.fs.glsl"}, false);
    new Shader("shockwave", {"shockwave.vs.glsl", "shockwave.fs.glsl"}, false);
    new Shader("lava", {"lava.vs.glsl", "lava.fs.glsl"}, false);
    new Shader("water", {"water.vs.glsl", "water.fs.glsl"}, false);
    new Shader("water2", {"water2.vs.glsl", "water2.fs.glsl"}, false);
    new Shader("particle_update",
               {"particle_update.vs.glsl", "particle_update.gs.glsl", "particle_update.fs.glsl"},
               {"out_position_type", "out_velocity_ttl", "out_color"}, false);
    new Shader("particle_render",
               {"particle_render.vs.glsl", "particle_render.gs.glsl", "particle_render.fs.glsl"}, false);
    new Shader("text", {"text.vs.glsl", "text.fs.glsl"}, false);
    new Shader("debug_normals", {"debug_normals.vs.glsl", "debug_normals.fs.glsl"}, false);
}

int runGame()
{
    initConsole();

    // Everything below reads files from the asset directory, so it is found first.
    locateAssetsDir();
    std::unique_ptr<INIReader> settings = openIniReader(gAssetsDir + "/settings.ini");
    readSettings(*settings, gGame);

    // Start in the menu unless the settings name a level; the menu's text pages.
    gMenuActive = gCurrentLevel == 0;
    loadMenuTexts();

    // Sound comes up before the window so that the menu music can start with it.
    gSound = new SoundSystem;

    // The window and its OpenGL context.
    glfwSetErrorCallback(glfwErrorLog);
    if (!glfwInit())
        return startupFailure("Failed to init GLFW");
    setGammaGlfwAlive(true);
    createWindow();

    // The display's gamma ramp, and the camera's aspect from the window just made.
    if (gDoGammaCorrection)
        applyGammaCorrection(gGamma);
    gGame.m_camera.aspect = static_cast<float>(gWindowWidth) / static_cast<float>(gWindowHeight);

    // OpenGL entry points: needed by every GL call from here on.
    glewExperimental = GL_TRUE;
    const GLenum glewResult = glewInit();
    if (glewResult != GLEW_OK) {
        return startupFailure(std::string("Failed to init GLEW: ") +
                              reinterpret_cast<const char*>(glewGetErrorString(glewResult)));
    }

    // The image library, before the first texture loads.
    ilInit();
    iluInit();
    ilutInit();
    ilutRenderer(ILUT_OPENGL);
    glGetError();

    // Shader programs, then the 1x1 textures that stand in for missing maps.
    std::cout << "Initializing " << "shaders" << " ... " << std::flush;
    createShaderPrograms();
    std::cout << "done" << std::endl;
    Shader::get("phong_tex_notex")->m_optional_diffuse = true;
    createDefaultTextures();
    // The physics context, ready for the level's terrain and actors.
    gPhysics = new Physics();
    gPhysics->init();
    // Fonts; lower case drawn as small capitals in the display face.
    gFontSmall = new Font("ALIENS.ttf", 48);
    gFontLarge = new Font("ALIENS.ttf", 96);
    gFontMono = new Font("unispace.ttf", 48);
    gFontSmall->style.lowerCaseFactor = 0.75f;
    gFontLarge->style.lowerCaseFactor = 0.75f;
    gFontSmall->saveStyle();
    gFontLarge->saveStyle();
    gFontMono->saveStyle();

    // The menu, and what the game reports through: messages and the window title.
    gMenu = new Menu();
    gGame.m_messages = &gMessages;
    gGame.m_updateWindowTitle = updateWindowTitle;

    // The GL state every frame starts from, and the projection.
    glViewport(0, 0, gWindowWidth, gWindowHeight);
    glClearColor(0.2f, 0.2f, 0.2f, 0.0f);
    glEnable(GL_DEPTH_TEST);
    setWireframe(false);
    if (gBackfaceCulling)
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
    gGame.m_projection = gGame.m_camera.getProjection();

    // The menu first, or straight into the configured level, paused at its start.
    if (gMenuActive)
        openMenu(false);
    LoopState loop;
    loop.frameCount = 0;
    loop.nextTitleUpdate = clockNow() + 1.0f;
    if (!gMenuActive) {
        gGame.init(gCurrentLevel, true);
        gGame.m_camera.saveResetState();
        gGame.processInput(-1.0f);
        gGame.leaveLoadingScreen();
        gGame.m_paused = true;
    }

    // Until the window is asked to close.
    loop.lastFrameTime = clockNow();
    std::unique_ptr<Benchmark> bench = Benchmark::fromEnvironment();
    runMainLoop(loop, bench.get());

    // Shutdown
    std::cout << "INFO: Shutting down" << std::endl;
    if (gDoGammaCorrection)
        restoreGammaCorrection();
    Shader::deleteAll();
    gGame.cleanup();
    if (gPhysics) {
        gPhysics->release();
        delete gPhysics;
        gPhysics = nullptr;
    }
    delete gMenu;
    gMenu = nullptr;
    for (Font** font : {&gFontSmall, &gFontLarge, &gFontMono}) {
        delete *font;
        *font = nullptr;
    }
    Font::doneFreeType();
    delete gSound;
    gSound = nullptr;
    deleteDefaultTextures();
    setGammaGlfwAlive(false);
    glfwTerminate();
    gWindow = nullptr;
    std::cout << "INFO: Shutdown complete" << std::endl;
    return 0;
}
