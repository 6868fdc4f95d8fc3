// The one game object: the current level's world from level load to level unload,
// its per-frame update and rendering, and the game's own input handling.
#pragma once

#include "scene/Camera.h"
#include "level/Checkpoint.h"
#include "level/LevelConfig.h"
#include "scene/Material.h"
#include "screen/MessageList.h"
#include "platform/FixedStepClock.h"

#include <glm/glm.hpp>

#include <string>
#include <vector>

class Player;

// The camera's swing out and up over a crashed lander.
struct CrashZoom {
    float holdTime = 0.5f;  // seconds the camera stands still first
    float duration = 3.0f;  // seconds of the whole view
    float crashTime = 0.0f; // seconds left; 0 = idle
    float startPhi = 0.0f, startTheta = 0.0f, startRadius = 0.0f;
    float targetPhi = 0.0f, targetTheta = 0.0f, targetRadius = 0.0f;
    bool enabled = true;
    bool startAtCollision = true;
};

// Indices of Game::m_renderPass.
enum RenderPass : int {
    RENDER_PASS_PLAYER = 0,
    RENDER_PASS_TERRAIN = 1,
    RENDER_PASS_SKY = 2,
    RENDER_PASS_HORIZON = 3,
    RENDER_PASS_HUD = 4,
    RENDER_PASS_MINIMAP = 5,
    RENDER_PASS_RADIATION = 6,
    RENDER_PASS_PARTICLES = 7,
    RENDER_PASS_LENS_FLARE = 8,
};

// Crystals and crawlers switch their level of detail by distance (developer key Ctrl+L).
extern bool gLodSwitching;

class Bomb;
class Compass;
class Crawler;
class Crystal;
class DirectionalLight;
class Framebuffer;
class Heightfield;
class Hud;
class KDTree;
class LensFlare;
class Liquid;
class Minimap;
class Model;
class Particles;
class Quad2D;
class Shader;
class Texture;

// The horizon: a sphere cap reaching this far down from its top, in this many facets round.
constexpr float HORIZON_CAP_DEGREES = 10.0f;
constexpr int HORIZON_SLICES = 32;

// Whether the horizon, a sphere cap of `radius` with its top at the origin, covers the
// whole window of projView (then nothing drawn before it in the sky shows).
bool horizonCoversWindow(const glm::mat4& projView, float radius, float capDegrees, int slices);

// "level/" + name: the folder of a level's (or the end screen's) picture, text and voices.
std::string levelFolder(const std::string& name);

// The material of generated meshes (sky box, horizon, planet, bound displays).
extern const Material gDefaultMaterial;

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
    // Whether render draws the scene off screen first (to resolve its samples or for
    // the shock wave) rather than straight into the window.
    bool drawsSceneOffScreen() const;
    void onKey(int key, int scancode, int action, int mods);
    void onResize();
    void setCursorCaptured(bool captured);
    // For a moment the cursor's motion turns nothing: after a capture or a change of the
    // window's focus, X and the windowing library report the pointer's old place and
    // their own warps to the window's centre as motion the player never made.
    void settleCursor();

    // Loading and end screens: 1 to 3 prepare and draw a level's screen, -1 the end
    // screen, 0 redraws what is prepared; other levels get no picture.
    void showLoadingScreen(int level);
    void leaveLoadingScreen();
    // Opacity of the black cover that fades the end screen out.
    float endScreenFadeAlpha() const;
    // The camera as the level started it, free to zoom out to 50.
    void resetCameraForPlay();

    // Level set-up and rendering
    void initTerrain(bool create);
    // One crystal per level record, placed on the terrain where the record asks.
    void createCrystals();
    void createFramebuffers();
    void drawScreenImage(Texture* image, float relX, float relY);
    // The sky box, the sun (at sunNdc, or none) and the planet, behind everything.
    void drawSky(const glm::mat4& projView, const glm::vec3& eye, const glm::vec2* sunNdc);
    void drawKdTreeBoxes(const glm::mat4& projView, const glm::vec3& eye);

    std::vector<Crawler*> m_crawlers;
    std::vector<Bomb*> m_bombs;
    std::vector<Liquid*> m_liquids;
    std::vector<Crystal*> m_crystals;
    Heightfield* m_heightfield = nullptr;
    Minimap* m_minimap = nullptr;
    Hud* m_hud = nullptr;
    Compass* m_compass = nullptr;
    Particles* m_particles = nullptr; // thrust exhaust
    Model* m_skybox = nullptr;  // "Skybox", owned by gDrawList
    Model* m_horizon = nullptr; // "Horizon"
    Model* m_planet = nullptr;  // "Kestrun"
    LevelConfig m_level;
    DirectionalLight* m_sun = nullptr;
    LensFlare* m_lensFlare = nullptr;
    KDTree* m_kdTree = nullptr;
    bool m_multisampling = true;
    Framebuffer* m_msaaFramebuffer = nullptr;
    Framebuffer* m_resolveFramebuffer = nullptr;
    Quad2D* m_quad = nullptr;
    Texture* m_texPaused = nullptr;
    Texture* m_texMissionFailed = nullptr;
    Texture* m_texYouWon = nullptr;
    Texture* m_skyCubeMap = nullptr;
    Texture* m_texSun = nullptr;
    Texture* m_texPlanet = nullptr;
    Texture* m_texPlanetSprite = nullptr;
    Texture* m_loadingImage = nullptr; // picture of the loading or end screen
    std::string m_introText;
    glm::mat4 m_planetSpriteMatrix = glm::mat4(1.0f);
    unsigned int m_quad3dVao = 0;
    Shader* m_quad3dShader = nullptr;
    Model* m_boundsSphere = nullptr;
    Model* m_boundsBox = nullptr;
    Model* m_kdBox = nullptr;
    bool m_shockwaveActive = false;
    float m_shockwaveStart = 0.0f; // GLFW time
    glm::vec2 m_shockwaveCenter = glm::vec2(0.0f); // 0..1 screen units
    unsigned int m_shockwaveVao = 0;
    Shader* m_shockwaveShader = nullptr;
    float m_radiationPrev = 0.0f;
    float m_radiationTarget = 0.0f; // intensity at the lander 0..1
    float m_radiationZones = 0.0f;  // share of it from radiation zones
    float m_empCharge = 0.0f;
    float m_empHoldTime = 0.0f;
    float m_empHitRadiation = 0.0f;

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

    // Geiger counter pitch at radiation 0 and 1, Hz
    float m_geigerFreqMin = 33075.0f;
    float m_geigerFreqMax = 132300.0f;

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

    // Flight, contacts, controls and the per-frame update
    static bool isKeyDown(int key);
    static bool isMouseButtonDown(int button);
    bool isPlayerControllable() const;
    void restartLevel(bool fromStart);
    void saveCheckpoint();
    void updateWorld(float dt);
    void updateEndSequence(float dt);
    void updateLanderSounds(const Player& player, float fuelBefore);
    // The lander has just taken the last helium of the crawler it sits on.
    bool emptiedCrawlerThisStep(const Player& player, unsigned int heliumBefore) const;
    void stepPhysics(float dt);
    void spinPlanet(float dt);
    void moveChangedModelsInCullingTree();
    void updateContactsAndGoal(float dt);
    // The lander explodes and the camera swings out over the wreck.
    void crashLander();
    void updateCrashView(float dt);
    // Radiation and EMP bombs
    // A step of dt seconds (empRadiation 0), or an EMP hit of empRadiation (dt 0).
    void updateRadiation(float dt, float empRadiation);
    // B: launches a bomb when the lander may (Ctrl: developer launch at any ground speed).
    void launchBomb(bool ctrl);
    void updateBombs(float dt);
    void explodeBomb(int index);
    void removeBomb(int index);
    void startEndSequence();
    void printStateDump();
    void updateExhaust(const Player& player);
    void drawHud();

    Player* m_player = nullptr;
    bool m_cameraTracking = true;
    bool m_freeLook = true;
    bool m_renderPass[10] = {true, true, true, true, true, true, true, true, true, true}; // [4]: HUD
    bool m_renderModelType[6] = {true, true, true, true, true, true};
    bool m_showBounds = false;
    bool m_showKdBoxes = false;
    int m_kdNodeToDraw = -1; // -1: all nodes
    bool m_normalMapping = true;
    bool m_invincible = false;
    int m_minimapInterval = 10;
    int m_minimapCounter = 0;
    float m_radiation = 0.0f; // 0..1
    float m_endScreenHold = 0.0f;
    float m_endScreenFade = 0.0f;
    float m_endScreenFadeDuration = 5.0f;
    bool m_wasLanded = false;
    bool m_wasColliding = false;
    int m_empCount = 3;
    bool m_fixedStep = true;
    int m_culledCount = 0;
    int m_cullableCount = 0;
    bool m_separationPending = false;
    float m_separationTimer = 0.0f;
    bool m_missionAccomplished = false;
    GameCheckpoint m_checkpoint;
    bool m_hasCheckpoint = false;
    bool m_checkpointSavedThisStep = false;
    bool m_restartedThisStep = false;
    CrashZoom m_crashZoom;
    FixedStepClock m_stepClock;        // frame time not yet run in fixed steps; kept across levels
    FixedStepClock m_planetSpinClock;
    float m_planetSpinAngle = 0.0f; // radians, 0..2 pi
};

extern Game gGame;
