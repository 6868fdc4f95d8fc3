// The one game object: the current level's world from level load to level unload,
// its per-frame update and rendering, and the game's own input handling.
#pragma once

#include "Camera.h"
#include "MessageList.h"

#include <glm/glm.hpp>

class Game {
public:
    Game();
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Loads level `level`; with skipLoadingScreen the level starts without its loading screen.
    void init(int level, bool skipLoadingScreen);
    // Tears the loaded level down; safe to call when nothing is loaded and more than once.
    void cleanup();
    bool isInitialized() const { return m_initialized; }

    void processInput(float dt);
    void update(float dt);
    void render();
    void onKey(int key, int scancode, int action, int mods);
    void onResize();
    void setCursorCaptured(bool captured);
    void leaveLoadingScreen();

    int m_horizonMode = 2;
    MessageList* m_messages = nullptr;
    Camera m_camera;
    glm::mat4 m_projection = glm::mat4(1.0f);
    glm::mat4 m_view = glm::mat4(1.0f);
    bool m_viewFrustumCulling = true;
    bool m_cullPerEntity = true;
    bool m_paused = false;
    float m_scroll = 0.0f;
    bool m_cursorCaptured = true;

    // Radiation settings
    float m_radRateInc = 0.0f, m_radRateDec = 0.0f, m_radRateCharge = 0.0f, m_radMinRadToCharge = 0.0f;
    int m_radChargeMode = 0;
    float m_radEmpRadius = 0.0f, m_radEmpRadiation = 0.0f, m_radEmpDuration = 0.0f;
    bool m_radEmpQuadratic = false;
    float m_radMinimap = 0.0f, m_radStabilizer = 0.0f, m_radAuxiliary = 0.0f, m_radCompass = 0.0f,
          m_radLights = 0.0f, m_radFadeMax = 0.0f;

    // EMP bombs
    int m_empTriggerFrames = 600; // 1/60 s frames
    float m_empRadius = 50.0f;
    int m_empNumMax = 3;

    int m_antialiasing = 4; // samples of the multisampled scene framebuffer

    bool m_initialized = false;
    bool m_nextLevelRequested = false;
    bool m_endSequence = false;
    bool m_loadingScreen = false;
    int m_levelNumber = 0;

    void (*m_updateWindowTitle)() = nullptr;
};

extern Game gGame;
