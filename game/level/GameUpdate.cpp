// One step of the loaded level per frame: the lander and its sounds, the world around
// it, landing and collisions, the level goal, the culling tree and the camera.
#include "level/Game.h"

#include "app/Globals.h"
#include "scene/KDTree.h"
#include "scene/Mesh.h"
#include "scene/Model.h"
#include "physics/Physics.h"
#include "lander/Player.h"
#include "objects/Crawler.h"
#include "objects/Crystal.h"
#include "objects/Liquid.h"
#include "audio/SoundSystem.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>
#include <iostream>

bool gLodSwitching = true;

namespace {

const float FIXED_STEP = 1.0f / 60.0f;
const float TWO_PI = 6.2831855f;

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

float fuelFraction(const Player& p)
{
    return static_cast<float>(p.fuel) / static_cast<float>(PLAYER_MAX_FUEL);
}

} // namespace

void Game::update(float dt)
{
    // Below 60 frames per second the game runs slower rather than skipping steps.
    if (m_fixedStep) {
        if (!m_stepClock.advance(dt))
            return;
        dt = m_stepClock.step();
    } else if (!std::isfinite(dt) || dt < 0.0f) {
        dt = 0.0f;
    }

    // The loading screen and the end sequence hold the world still.
    if (m_loadingScreen)
        return;
    if (m_endSequence) {
        updateEndSequence(dt);
        return;
    }

    m_checkpointSavedThisStep = false;

    // A paused game or an accomplished mission only moves the camera and culls.
    if (!m_paused && !m_missionAccomplished && m_player)
        updateWorld(dt);

    // The camera follows the world's new state, and culling uses the camera's new view.
    updateCrashView(dt);
    if (m_kdTree && m_viewFrustumCulling)
        m_kdTree->cull(m_projection * m_camera.getViewMatrix());

    // A restart is reported to the input code for one step only.
    m_restartedThisStep = false;
}

void Game::updateEndSequence(float dt)
{
    // The end picture stays for its hold time, then fades; the main loop then returns
    // to the menu.
    m_endScreenHold -= dt;
    if (m_endScreenHold >= 0.0f)
        return;
    m_endScreenHold = 0.0f;
    m_endScreenFade -= dt;
    if (m_endScreenFade <= 0.0f)
        m_nextLevelRequested = true;
}

void Game::updateWorld(float dt)
{
    Player& player = *m_player;

    // The lander steps first: the systems radiation has switched off stay off for
    // this step, and everything after it sees the lander's new pose.
    const float fuelBefore = fuelFraction(player);
    const unsigned int heliumBefore = player.helium;
    player.stabilizerOffline = m_radiation > m_radStabilizer;
    player.autopilotOffline = m_radiation > m_radAuxiliary;
    const bool landerStepped = player.update(m_fixedStep, dt);
    updateLanderSounds(player, fuelBefore);

    updateRadiation(dt, 0.0f);

    if (emptiedCrawlerThisStep(player, heliumBefore))
        saveCheckpoint();

    const glm::vec3 eye = glm::vec3(m_camera.getWorldMatrix() * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
    for (Crawler* crawler : m_crawlers)
        crawler->update(m_fixedStep, eye, dt);
    for (Crystal* crystal : m_crystals)
        crystal->showDetail(gLodSwitching ? crystal->detailFor(eye) : 0);

    updateBombs(dt);
    stepPhysics(dt);

    if (landerStepped)
        updateExhaust(player);

    for (Liquid* liquid : m_liquids)
        liquid->flow(dt);

    spinPlanet(dt);

    // Contacts are tested against the poses the physics step has just produced.
    if (!player.destroyed && !player.exploding)
        updateContactsAndGoal(dt);

    moveChangedModelsInCullingTree();
}

bool Game::emptiedCrawlerThisStep(const Player& player, unsigned int heliumBefore) const
{
    return player.landed && player.dockedCrawler && !m_separationPending && !player.split &&
           player.dockedCrawler->m_helium == 0 && player.helium > heliumBefore;
}

void Game::updateLanderSounds(const Player& player, float fuelBefore)
{
    soundFollows(SOUND_CONTROL_THRUSTERS, rotationThrustersFiring(player));
    soundFollows(SOUND_MAIN_THRUSTER, player.thrustCommand != 0.0f);
    soundFollows(SOUND_BUBBLES, player.landed && player.dockedCrawler && player.dockedCrawler->m_helium > 0);
    if (fuelBefore > 0.2f && fuelFraction(player) <= 0.2f)
        playSound(SOUND_LOW_FUEL);
}

void Game::stepPhysics(float dt)
{
    if (!gPhysics || !gPhysics->m_fixed_step)
        return;
    float step = 0.0f;
    if (m_fixedStep) {
        step = dt;
    } else {
        gPhysics->m_accumulator += dt;
        if (gPhysics->m_accumulator >= FIXED_STEP) {
            gPhysics->m_accumulator -= FIXED_STEP;
            step = FIXED_STEP;
        }
    }
    if (step <= 0.0f)
        return;
    gPhysics->simulate(step);
    for (Model* model : gDrawList)
        if (model->m_actor)
            model->updateFromActor();
}

void Game::spinPlanet(float dt)
{
    if (!m_planet || m_level.kestrun_mode != 1 || m_level.kestrun_rps == 0.0f)
        return;
    if (!m_planetSpinClock.advance(dt))
        return;
    m_planetSpinAngle += m_level.kestrun_rps / 60.0f;
    while (m_planetSpinAngle > TWO_PI)
        m_planetSpinAngle -= TWO_PI;
    while (m_planetSpinAngle < 0.0f)
        m_planetSpinAngle += TWO_PI;
    if (!m_planet->m_meshes.empty())
        m_planet->m_meshes[0]->m_transform =
            glm::rotate(glm::mat4(1.0f), m_planetSpinAngle, glm::vec3(0.0f, 1.0f, 0.0f));
}

void Game::moveChangedModelsInCullingTree()
{
    if (!m_kdTree || !m_kdTree->root || !m_viewFrustumCulling)
        return;
    for (Model* model : gDrawList) {
        if (model->m_type == MODEL_CRYSTAL || !model->m_culling_entity)
            continue;
        CullingEntity* entity = model->m_culling_entity;
        CullingEntity now = *entity;
        model->fillCullingEntity(now);
        if (now.center == entity->center)
            continue;
        // An entity the tree could not find must not be added a second time: it
        // would sit in two nodes and leave a dangling pointer behind at cleanup.
        if (!m_kdTree->root->removeEntity(entity)) {
            std::cout << "WARNING: culling entity of model " << model->m_name
                      << " not found in the kd-tree; not moved" << std::endl;
            continue;
        }
        model->fillCullingEntity(*entity);
        m_kdTree->root->addEntity(entity);
    }
}

void Game::crashLander()
{
    Player& player = *m_player;
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

void Game::updateContactsAndGoal(float dt)
{
    Player& player = *m_player;
    const bool dockedBefore = player.landed && player.dockedCrawler;
    player.updateContacts();
    const bool colliding = player.collided;
    const bool landed = player.landed;

    bool riding = false;
    if (landed && player.dockedCrawler) {
        if (!dockedBefore)
            playSound(SOUND_FUEL);
        riding = player.dockedCrawler->m_driving && player.dockedCrawler->m_speed > 0.0f;
    }
    soundFollows(SOUND_DRIVING, riding);

    if (colliding != m_wasColliding) {
        std::cout << "{" << gFrameCounter << "} "
                  << (colliding ? "BOOM - player collision" : "(Player no longer colliding with terrain)") << std::endl;
        m_wasColliding = colliding;
    }
    if (landed != m_wasLanded) {
        std::cout << "{" << gFrameCounter << "} " << (landed ? "LANDED" : "Taking off") << std::endl;
        m_wasLanded = landed;
    }

    if (!landed && colliding && !m_invincible)
        crashLander();

    // The goal: enough helium, the separation 11.5 s later, then the upper stage climbs
    // above the target height.
    const bool targetReached = static_cast<int64_t>(player.helium) >= static_cast<int64_t>(m_level.target_helium);
    if (targetReached && !player.split && !m_separationPending) {
        saveCheckpoint();
        m_separationPending = true;
        m_separationTimer = 11.500001f;
        playSound(SOUND_SEPARATION);
    }
    if (m_separationPending) {
        m_separationTimer -= dt;
        if (m_separationTimer < 0.0f) {
            m_separationPending = false;
            player.setSplit(true);
        }
    } else if (player.split && player.state.position.y > m_level.target_height) {
        pauseEffects();
        m_missionAccomplished = true;
    }
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
