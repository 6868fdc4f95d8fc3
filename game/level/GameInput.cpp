// Keyboard and mouse while a level is played: camera moves, the lander's control
// inputs, and the game's key commands (many of them developer keys).
#include "level/Game.h"

#include "audio/AudioSettings.h"
#include "app/Globals.h"
#include "level/Heightfield.h"
#include "hud/Compass.h"
#include "scene/KDTree.h"
#include "scene/Model.h"
#include "lander/Player.h"
#include "objects/Crawler.h"
#include "audio/SoundSystem.h"
#include "platform/Timing.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>
#include <vector>

namespace {

const float LOOK_PER_PIXEL = 0.004363323f; // a quarter of a degree
const float KEY_TURN = 0.1745329f;         // ten degrees

// The cursor position of the previous frame, and the developer movement mode.
double gPreviousCursorX = 0.0;
double gPreviousCursorY = 0.0;
// Until this time (glfwGetTime) a reading of the cursor only becomes the next one's
// starting point. The stray reports come within a few events of the capture or the
// focus change; a fifth of a second is far longer, and too short for a player to miss.
const double CURSOR_SETTLE_SECONDS = 0.2;
double gCursorSettlesAt = 0.0;
bool gDebugMovementCameraRelative = true;

const char* onOff(bool on)
{
    return on ? "on" : "off";
}

bool shiftHeld()
{
    return Game::isKeyDown(GLFW_KEY_LEFT_SHIFT) || Game::isKeyDown(GLFW_KEY_RIGHT_SHIFT);
}

bool ctrlHeld()
{
    return Game::isKeyDown(GLFW_KEY_LEFT_CONTROL) || Game::isKeyDown(GLFW_KEY_RIGHT_CONTROL);
}

bool altHeld()
{
    return Game::isKeyDown(GLFW_KEY_LEFT_ALT) || Game::isKeyDown(GLFW_KEY_RIGHT_ALT);
}

// +1 when `plus` is held, else -1 when `minus` is held, else 0.
int axisInput(int plus, int minus)
{
    if (Game::isKeyDown(plus))
        return 1;
    if (Game::isKeyDown(minus))
        return -1;
    return 0;
}

} // namespace

void Game::settleCursor()
{
    if (gWindow)
        gCursorSettlesAt = glfwGetTime() + CURSOR_SETTLE_SECONDS;
}

bool Game::isKeyDown(int key)
{
    return gWindow && glfwGetKey(gWindow, key) == GLFW_PRESS;
}

bool Game::isMouseButtonDown(int button)
{
    return gWindow && glfwGetMouseButton(gWindow, button) == GLFW_PRESS;
}

bool Game::isPlayerControllable() const
{
    if (m_loadingScreen || m_endSequence || m_paused || m_separationPending)
        return false;
    return !(m_player && (m_player->exploding || m_player->destroyed));
}

void Game::processInput(float dt)
{
    double x = gPreviousCursorX, y = gPreviousCursorY;
    bool settling = false;
    if (gWindow) {
        glfwGetCursorPos(gWindow, &x, &y);
        settling = glfwGetTime() < gCursorSettlesAt;
    }
    const float dx = settling ? 0.0f : static_cast<float>(x - gPreviousCursorX);
    const float dy = settling ? 0.0f : static_cast<float>(y - gPreviousCursorY);
    gPreviousCursorX = x;
    gPreviousCursorY = y;

    if (dt < 0.0f || !m_initialized)
        return;

    if (m_loadingScreen) {
        if (isMouseButtonDown(GLFW_MOUSE_BUTTON_LEFT) || isMouseButtonDown(GLFW_MOUSE_BUTTON_RIGHT) ||
            isMouseButtonDown(GLFW_MOUSE_BUTTON_MIDDLE))
            leaveLoadingScreen();
        return;
    }

    // Mouse look
    if (m_freeLook && m_cameraTracking && m_cursorCaptured) {
        m_camera.addPitch(dy * LOOK_PER_PIXEL);
        m_camera.phi += dx * LOOK_PER_PIXEL;
    } else {
        if (isMouseButtonDown(GLFW_MOUSE_BUTTON_RIGHT)) {
            m_camera.theta = std::clamp(m_camera.theta + dy * LOOK_PER_PIXEL, -Camera::maxPitch, Camera::maxPitch);
            m_camera.phi += dx * LOOK_PER_PIXEL;
        }
        if (isMouseButtonDown(GLFW_MOUSE_BUTTON_LEFT))
            m_camera.pan(-0.01f * dx, 0.01f * dy);
    }

    // Zoom: one notch up shortens the radius by 5 %
    if (m_scroll != 0.0f) {
        m_camera.r = m_camera.r + std::fabs(m_camera.r) * (-0.05f * m_scroll);
        if (m_camera.min_rad > m_camera.r)
            m_camera.r = m_camera.min_rad;
        else if (m_camera.r > m_camera.max_rad)
            m_camera.r = m_camera.max_rad;
        m_scroll = 0.0f;
    }

    if (m_paused && isKeyDown(GLFW_KEY_SPACE)) {
        m_paused = false;
        if (m_updateWindowTitle)
            m_updateWindowTitle();
    }

    // Held modifiers freeze the lander's inputs, so that Ctrl+S does not also pitch.
    const bool shift = shiftHeld();
    if (!isPlayerControllable() || ctrlHeld() || altHeld() || !m_player)
        return;

    Player& player = *m_player;
    player.pitchInput = axisInput(GLFW_KEY_S, GLFW_KEY_W);
    player.yawInput = axisInput(GLFW_KEY_E, GLFW_KEY_Q);
    player.rollInput = axisInput(GLFW_KEY_A, GLFW_KEY_D);
    player.thrustInput = isKeyDown(GLFW_KEY_SPACE) ? 1 : 0;

    uint16_t bits = 0;
    if (isKeyDown(GLFW_KEY_X) || isKeyDown(GLFW_KEY_HOME) || isMouseButtonDown(GLFW_MOUSE_BUTTON_MIDDLE))
        bits |= AUTOPILOT_LEVEL;
    if (isKeyDown(GLFW_KEY_C) || isKeyDown(GLFW_KEY_PAGE_UP) ||
        (m_freeLook && isMouseButtonDown(GLFW_MOUSE_BUTTON_LEFT)))
        bits |= AUTOPILOT_PROGRADE;
    if (isKeyDown(GLFW_KEY_Z) || isKeyDown(GLFW_KEY_PAGE_DOWN) ||
        (m_freeLook && isMouseButtonDown(GLFW_MOUSE_BUTTON_RIGHT)))
        bits |= AUTOPILOT_RETROGRADE;
    if (shift && (bits & (AUTOPILOT_PROGRADE | AUTOPILOT_RETROGRADE)))
        bits |= AUTOPILOT_POINT_ONLY;
    player.autopilotBits = bits;
}

void Game::onKey(int key, int, int action, int mods)
{
    if (!m_initialized)
        return;
    if (m_loadingScreen) {
        if (action == GLFW_PRESS)
            leaveLoadingScreen();
        return;
    }
    if (m_endSequence || action == GLFW_RELEASE)
        return;

    const bool shift = mods & GLFW_MOD_SHIFT;
    const bool ctrl = mods & GLFW_MOD_CONTROL;
    const bool alt = mods & GLFW_MOD_ALT;
    const bool dev = gDevKeysEnabled;

    if (action == GLFW_PRESS) {
        switch (key) {
        case GLFW_KEY_UP:
            if (dev)
                m_camera.addPitch(-KEY_TURN);
            break;
        case GLFW_KEY_DOWN:
            if (dev)
                m_camera.addPitch(KEY_TURN);
            break;
        case GLFW_KEY_LEFT:
            if (dev)
                m_camera.phi -= KEY_TURN;
            break;
        case GLFW_KEY_RIGHT:
            if (dev)
                m_camera.phi += KEY_TURN;
            break;
        case GLFW_KEY_R:
            restartLevel(shift);
            break;
        case GLFW_KEY_F:
            if (dev && m_player)
                m_player->clearMomenta();
            break;
        case GLFW_KEY_K:
            if (!dev || !m_kdTree)
                break;
            if (shift && ctrl) {
                std::cout << "Rebuilding kdTree ... " << std::flush;
                m_kdTree->rebuild();
                std::cout << "done" << std::endl;
            } else if (shift) {
                m_kdTree->root->print("");
            } else {
                std::cout << "Currently culling " << m_culledCount << " of " << m_cullableCount
                          << " cullable objects" << std::endl;
            }
            break;
        case GLFW_KEY_O:
            if (m_compass)
                m_compass->enabled = !m_compass->enabled;
            break;
        case GLFW_KEY_H:
            if (shift && ctrl) {
                if (dev && m_player) {
                    // The helium store holds at most PLAYER_MAX_HELIUM.
                    m_player->helium = std::min(m_player->helium + 600u, PLAYER_MAX_HELIUM);
                    std::cout << "CHEAT: Helium = " << m_player->helium << std::endl;
                }
            } else if (!ctrl) {
                m_renderPass[RENDER_PASS_HUD] = !m_renderPass[RENDER_PASS_HUD];
                m_minimapCounter = 0;
            }
            break;
        case GLFW_KEY_P:
        case GLFW_KEY_PAUSE:
            m_paused = !m_paused;
            if (m_updateWindowTitle)
                m_updateWindowTitle();
            if (m_paused && gSoundEnabled && gSound)
                gSound->setPaused(SOUND_GEIGER, true);
            break;
        case GLFW_KEY_B:
            if (shift) {
                if (dev && m_empCount < m_empNumMax)
                    m_empCount += 1;
            } else {
                launchBomb(ctrl);
            }
            break;
        case GLFW_KEY_U:
            setCursorCaptured(!m_cursorCaptured);
            break;
        case GLFW_KEY_G:
            if (dev) {
                gGravityEnabled = !gGravityEnabled;
                std::cout << "Gravity " << onOff(gGravityEnabled) << std::endl;
            }
            break;
        case GLFW_KEY_V:
            if (dev) {
                gDecayAngularVelocity = !gDecayAngularVelocity;
                std::cout << "Angular velocity decay " << onOff(gDecayAngularVelocity) << std::endl;
            }
            break;
        case GLFW_KEY_T:
            if (dev && ctrl) {
                if (m_heightfield)
                    m_heightfield->m_min_subdivisions =
                        m_heightfield->m_min_subdivisions == m_heightfield->m_max_subdivisions
                            ? 1
                            : m_heightfield->m_max_subdivisions;
            } else if (dev) {
                m_cameraTracking = !m_cameraTracking;
                std::cout << "Camera " << (m_cameraTracking ? "tracking" : "free") << std::endl;
            }
            break;
        case GLFW_KEY_L:
            if (dev && ctrl) {
                gLodSwitching = !gLodSwitching;
                std::cout << "LOD switching " << onOff(gLodSwitching) << std::endl;
            } else if (dev) {
                m_freeLook = !m_freeLook;
                std::cout << "Camera free look " << onOff(m_freeLook) << std::endl;
            }
            break;
        case GLFW_KEY_N:
            if (ctrl) {
                m_normalMapping = !m_normalMapping;
                if (m_player)
                    m_player->setNormalMapping(m_normalMapping);
                std::cout << "Normal mapping " << onOff(m_normalMapping) << std::endl;
            } else if (m_missionAccomplished) {
                if (m_levelNumber == 3)
                    startEndSequence();
                else
                    m_nextLevelRequested = true;
            }
            break;
        case GLFW_KEY_0:
        case GLFW_KEY_1:
        case GLFW_KEY_2:
        case GLFW_KEY_3:
        case GLFW_KEY_5:
        case GLFW_KEY_6:
        case GLFW_KEY_7:
        case GLFW_KEY_8:
            if (!dev)
                break;
            if (ctrl) {
                const int type = key - GLFW_KEY_0;
                if (type <= 5) {
                    m_renderModelType[type] = !m_renderModelType[type];
                    std::cout << "render " << modelTypeName(type) << ": " << onOff(m_renderModelType[type])
                              << std::endl;
                }
            } else if (key == GLFW_KEY_0) {
                for (int i = 0; i < 10; ++i)
                    if (i != RENDER_PASS_LENS_FLARE)
                        m_renderPass[i] = true;
                for (bool& on : m_renderModelType)
                    on = true;
            } else if (key == GLFW_KEY_7) {
                const int pass = shift ? RENDER_PASS_LENS_FLARE : RENDER_PASS_PARTICLES;
                m_renderPass[pass] = !m_renderPass[pass];
            } else {
                const int pass = key == GLFW_KEY_1   ? RENDER_PASS_PLAYER
                                 : key == GLFW_KEY_2 ? RENDER_PASS_TERRAIN
                                 : key == GLFW_KEY_3 ? RENDER_PASS_SKY
                                 : key == GLFW_KEY_5 ? RENDER_PASS_MINIMAP
                                 : key == GLFW_KEY_6 ? RENDER_PASS_RADIATION
                                                     : RENDER_PASS_HORIZON;
                m_renderPass[pass] = !m_renderPass[pass];
            }
            break;
        case GLFW_KEY_4:
            if (dev && ctrl) {
                m_renderModelType[4] = !m_renderModelType[4];
                std::cout << "render " << modelTypeName(4) << ": " << onOff(m_renderModelType[4]) << std::endl;
            }
            break;
        case GLFW_KEY_I:
            if (!dev)
                break;
            if (shift && ctrl) {
                for (Model* model : gModels)
                    model->printDebugInfo();
            } else if (ctrl) {
                m_invincible = !m_invincible;
                std::cout << "Invincibility " << onOff(m_invincible) << std::endl;
            } else if (shift) {
                printTimingReport();
            } else {
                printStateDump();
            }
            break;
        case GLFW_KEY_M:
            if (dev && shift) {
                if (glIsEnabled(GL_MULTISAMPLE))
                    glDisable(GL_MULTISAMPLE);
                else
                    glEnable(GL_MULTISAMPLE);
                std::cout << "Multisampling " << onOff(glIsEnabled(GL_MULTISAMPLE)) << std::endl;
            }
            break;
        case GLFW_KEY_S:
            if (dev && ctrl)
                saveCheckpoint();
            break;
        case GLFW_KEY_KP_SUBTRACT:
            if (dev && shift && m_player)
                m_player->setSplit(!m_player->split);
            break;
        case GLFW_KEY_KP_ENTER:
            if (dev && shift)
                m_showBounds = !m_showBounds;
            else if (dev && ctrl)
                m_showKdBoxes = !m_showKdBoxes;
            break;
        case GLFW_KEY_KP_ADD:
            if (!dev)
                break;
            if (alt) {
                if (gSound) {
                    gSound->setGeigerFrequency(44100.0f);
                    gSound->setPaused(SOUND_GEIGER, !gSound->isPaused(SOUND_GEIGER));
                }
            } else if (shift && ctrl) {
                m_radEmpQuadratic = !m_radEmpQuadratic;
                std::cout << "quadratic " << onOff(m_radEmpQuadratic) << std::endl;
            } else if (ctrl) {
                if (m_kdTree && m_kdTree->root) {
                    std::vector<KDNode*> nodes;
                    m_kdTree->root->collectNodes(nodes);
                    m_kdNodeToDraw += 1;
                    if (m_kdNodeToDraw >= static_cast<int>(nodes.size()))
                        m_kdNodeToDraw = -1;
                    std::cout << "renderKDTree_Node = " << m_kdNodeToDraw << std::endl;
                }
            } else if (gSound) {
                const float freq = gSound->getGeigerFrequency() * (shift ? 0.6666667f : 1.5f);
                gSound->setGeigerFrequency(freq);
                std::cout << "Freq " << freq << std::endl;
            }
            break;
        default:
            break;
        }
    }

    // Developer movement of the lander with the keypad, also on key repeat.
    if (!dev || !m_player)
        return;
    if (key == GLFW_KEY_KP_5) {
        gDebugMovementCameraRelative = !gDebugMovementCameraRelative;
        std::cout << "Debug movement: " << (gDebugMovementCameraRelative ? "camera-relative" : "absolute")
                  << std::endl;
        return;
    }
    const bool moveKey = key == GLFW_KEY_KP_2 || key == GLFW_KEY_KP_3 || key == GLFW_KEY_KP_4 ||
                         key == GLFW_KEY_KP_6 || key == GLFW_KEY_KP_8 || key == GLFW_KEY_KP_9;
    if (!moveKey || (ctrl && alt))
        return;
    const float a = (key == GLFW_KEY_KP_6 ? 1.0f : 0.0f) - (key == GLFW_KEY_KP_4 ? 1.0f : 0.0f);
    const float b = (key == GLFW_KEY_KP_9 ? 1.0f : 0.0f) - (key == GLFW_KEY_KP_3 ? 1.0f : 0.0f);
    const float c = (key == GLFW_KEY_KP_2 ? 1.0f : 0.0f) - (key == GLFW_KEY_KP_8 ? 1.0f : 0.0f);
    float step = 10.0f;
    if (shift)
        step = 100.0f;
    if (ctrl)
        step = 1.0f;
    if (alt)
        step = 0.1f;
    glm::vec3 delta(a, b, c);
    if (gDebugMovementCameraRelative) {
        glm::vec3 forward, right, up;
        m_camera.getAxes(&forward, &right, &up);
        delta = a * right + b * up - c * forward;
    }
    m_player->state.position += step * delta;
    m_player->updateTransforms();
    m_camera.focus = m_player->getCameraFocus();
}

void Game::startEndSequence()
{
    m_endScreenFade = m_endScreenFadeDuration;
    m_endSequence = true;
    m_endScreenHold = 16.0f;
    if (gSoundEnabled && gSound) {
        gSound->setPaused(SOUND_LEVEL_MUSIC, true);
        gSound->setPaused(SOUND_INTRO_MUSIC, false);
    }
    showLoadingScreen(-1);
    if (gSound)
        gSound->releaseLevelSounds();
    SoundSystem::startLevelVoice("level/end/loading.mp3", "");
}

void Game::printStateDump()
{
    for (size_t i = 0; i < gDrawList.size(); ++i) {
        Model* model = gDrawList[i];
        int polycount = 0;
        for (const Mesh* mesh : model->m_meshes)
            polycount += mesh->m_geometry ? static_cast<int>(mesh->m_geometry->m_triangle_count) : 0;
        glm::vec3 min(0.0f), max(0.0f);
        if (!model->m_meshes.empty())
            model->computeAABB(min, max);
        std::cout << "INFO: Model[" << i << "] type " << model->m_type << " \"" << model->m_name
                  << "\" render=" << (model->m_visible ? 1 : 0) << " polycount=" << polycount
                  << " meshes=" << model->m_meshes.size() << " BB: [" << std::to_string(min.x) << " "
                  << std::to_string(min.y) << " " << std::to_string(min.z) << "][" << std::to_string(max.x) << " "
                  << std::to_string(max.y) << " " << std::to_string(max.z) << "]" << std::endl;
    }
    for (size_t i = 0; i < m_crawlers.size(); ++i)
        m_crawlers[i]->print("Crawler " + std::to_string(i) + ": ");
    if (m_heightfield && m_player) {
        glm::vec3 n(0.0f, 1.0f, 0.0f);
        const float h = m_heightfield->getHeight(m_player->state.position, &n);
        const int angle = static_cast<int>(std::acos(std::clamp(n.y, -1.0f, 1.0f)) * 57.29578f);
        std::cout << "INFO: Terrain height " << h << ", normal [" << n.x << " " << n.y << " " << n.z << "] " << angle
                  << " deg" << std::endl;
    }
    m_camera.printInfo();
    if (m_player)
        m_player->printState();
}
