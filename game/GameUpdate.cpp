// One step of the loaded level per frame: the lander and its sounds, the world around
// it, landing and collisions, the level goal and the camera.
#include "Game.h"

#include "Globals.h"
#include "Player.h"
#include "SoundSystem.h"

#include <algorithm>
#include <cmath>
#include <iostream>

bool gLodSwitching = true;

namespace {

const float FIXED_STEP = 1.0f / 60.0f;

// Keeps a looping slot playing exactly while the condition holds.
void soundFollows(int slot, bool condition)
{
    if (gSound && gSound->isPaused(slot) == condition)
        gSound->setPaused(slot, !condition);
}

void playSound(int slot)
{
    if (gSound)
        gSound->play(slot);
}

void pauseEffects()
{
    if (gSound)
        gSound->pauseEffects();
}

bool rotationThrustersFiring(const Player& p)
{
    const glm::vec3& c = p.rotationCommand;
    return std::fabs(c.x) > 0.1f || std::fabs(c.y) > 0.1f || std::fabs(c.z) > 0.1f ||
           (p.split && p.splitTimer > 0.0f);
}

} // namespace

void Game::update(float dt)
{
    if (!std::isfinite(dt) || dt < 0.0f)
        dt = 0.0f;

    if (m_fixedStep) {
        m_stepAccumulator += dt;
        if (m_stepAccumulator < FIXED_STEP)
            return;
        m_stepAccumulator -= FIXED_STEP;
        // At most one step per frame: below 60 frames per second the game runs slower.
        // Time beyond the current step is dropped rather than kept as a backlog that
        // later frames would run through at double speed.
        if (m_stepAccumulator >= FIXED_STEP)
            m_stepAccumulator = std::fmod(m_stepAccumulator, FIXED_STEP);
        dt = FIXED_STEP;
    }

    if (m_loadingScreen)
        return;

    if (m_endSequence) {
        m_endScreenHold -= dt;
        if (m_endScreenHold >= 0.0f)
            return;
        m_endScreenHold = 0.0f;
        m_endScreenFade -= dt;
        if (m_endScreenFade <= 0.0f)
            m_nextLevelRequested = true;
        return;
    }

    const glm::vec3 eye = glm::vec3(m_camera.getWorldMatrix() * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
    (void)eye;
    m_checkpointSavedThisStep = false;

    if (!m_paused && !m_missionAccomplished && m_player) {
        Player& player = *m_player;

        // The lander
        const float fuelBefore = static_cast<float>(player.fuel) / static_cast<float>(PLAYER_MAX_FUEL);
        player.stabilizerOffline = m_radiation > m_radStabilizer;
        player.autopilotOffline = m_radiation > m_radAuxiliary;
        const bool stepped = player.update(m_fixedStep, dt);
        (void)stepped;

        // Its sounds
        soundFollows(SOUND_CONTROL_THRUSTERS, rotationThrustersFiring(player));
        soundFollows(SOUND_MAIN_THRUSTER, player.thrustCommand != 0.0f);
        soundFollows(SOUND_BUBBLES, false);
        if (fuelBefore > 0.2f && static_cast<float>(player.fuel) / static_cast<float>(PLAYER_MAX_FUEL) <= 0.2f)
            playSound(SOUND_LOW_FUEL);

        // Contacts and the level goal
        if (!player.destroyed && !player.exploding) {
            player.updateContacts();
            const bool colliding = player.collided;
            const bool landed = player.landed;
            soundFollows(SOUND_DRIVING, false);

            if (colliding != m_wasColliding) {
                std::cout << "{" << gFrameCounter << "} "
                          << (colliding ? "BOOM - player collision" : "(Player no longer colliding with terrain)")
                          << std::endl;
                m_wasColliding = colliding;
            }
            if (landed != m_wasLanded) {
                std::cout << "{" << gFrameCounter << "} " << (landed ? "LANDED" : "Taking off") << std::endl;
                m_wasLanded = landed;
            }

            if (!landed && colliding && !m_invincible) {
                player.exploding = true;
                player.explosionFrame = 0;
                player.setActiveModelVisible(false);
                pauseEffects();
                playSound(SOUND_EXPLOSION);
                CrashZoom& z = m_crashZoom;
                if (z.crashTime <= 0.0f) {
                    z.startPhi = m_camera.phi;
                    z.startTheta = m_camera.theta;
                    z.startRadius = m_camera.r;
                    z.targetPhi = m_camera.phi + 3.1415927f;
                    z.targetTheta = 3.1415927f / 2.0f;
                    z.targetRadius = 2500.0f;
                    z.crashTime = z.duration;
                    m_camera.max_rad = std::max(2500.0f, m_camera.max_rad);
                }
            }
        }
    }

    updateCrashView(dt);

    m_restartedThisStep = false;
}

void Game::updateCrashView(float dt)
{
    CrashZoom& z = m_crashZoom;
    if (z.crashTime > 0.0f) {
        z.crashTime = std::max(0.0f, z.crashTime - dt);
        const float span = z.duration - z.holdTime;
        const float t = z.crashTime >= span ? 0.0f : std::clamp(1.0f - z.crashTime / span, 0.0f, 1.0f);
        m_camera.phi = z.startPhi * (1.0f - t) + z.targetPhi * t;
        m_camera.theta = z.startTheta * (1.0f - t) + z.targetTheta * t;
        m_camera.r = z.startRadius * (1.0f - t) + z.targetRadius * t;
        if (m_camera.r > 3000.0f) {
            std::cout << "BUG detected: m_crashZoom.crashTime = " << z.crashTime << " rad = " << m_camera.r
                      << std::endl;
            m_camera.printInfo();
        }
    } else if (m_cameraTracking && m_player) {
        m_camera.focus = m_player->getCameraFocus();
    }
}

void Game::restartLevel(bool)
{
    pauseEffects();
    m_nextLevelRequested = false;

    const Camera::ResetState& rs = m_camera.resetState;
    m_camera.phi = rs.phi;
    m_camera.theta = rs.theta;
    m_camera.r = rs.r;
    m_camera.focus = rs.focus;
    m_camera.min_rad = rs.min_rad;
    m_camera.max_rad = 50.0f;

    if (m_player)
        m_player->reset();
    m_radiation = 0.0f;
    m_separationPending = false;
    m_missionAccomplished = false;
    m_empCount = m_empNumMax;
    m_renderPass[RENDER_PASS_HUD] = true;
    m_hasCheckpoint = false;

    m_paused = false;
    m_endSequence = false;
    m_crashZoom.crashTime = 0.0f;
}
