// The level's one checkpoint, kept in memory: saving it, and restarting the level from
// it or from the level start.
#include "level/Checkpoint.h"

#include "app/Globals.h"
#include "audio/SoundSystem.h"
#include "lander/Player.h"
#include "objects/Crawler.h"
#include "level/Game.h"
#include "scene/Model.h"
#include "screen/MessageList.h"

#include <iostream>

namespace {

void logLander(const Player& player)
{
    const glm::vec3& p = player.state.position;
    std::cout << "INFO: Checkpoint lander at [" << p.x << " " << p.y << " " << p.z << "], fuel " << player.fuel
              << ", helium " << player.helium << std::endl;
}

void pauseEffects()
{
    if (gSound)
        gSound->pauseEffects();
}

// Copies the checkpointed values of the lander between a Player and a PlayerCheckpoint
// (either way); the separation is left to the caller.
template <typename To, typename From> void copyPlayerCheckpoint(To& to, const From& from)
{
    to.stepClock = from.stepClock;
    to.stabilizerOffline = from.stabilizerOffline;
    to.autopilotOffline = from.autopilotOffline;
    to.state = from.state;
    to.landed = from.landed;
    to.collided = from.collided;
    to.dockedCrawler = from.dockedCrawler;
    to.bottomStageCrawler = from.bottomStageCrawler;
    to.relativePosition = from.relativePosition;
    to.relativeOrientation = from.relativeOrientation;
    to.exploding = from.exploding;
    to.destroyed = from.destroyed;
    to.explosionFrame = from.explosionFrame;
    to.fuel = from.fuel;
    to.helium = from.helium;
}

} // namespace

void Player::saveCheckpoint()
{
    copyPlayerCheckpoint(checkpoint, *this);
    checkpoint.split = split;
    checkpoint.splitTimer = splitTimer;
    if (bottomStageModel)
        checkpoint.bottomStageMatrix = bottomStageModel->m_model_matrix;
}

void Player::loadCheckpoint()
{
    reset();
    if (checkpoint.split) {
        // Separating again would lift the stage and push it once more; only the
        // separated configuration is wanted, the saved values follow below.
        setSplit(true);
        if (bottomStageModel)
            bottomStageModel->m_model_matrix = checkpoint.bottomStageMatrix;
    }
    copyPlayerCheckpoint(*this, checkpoint);
    splitTimer = checkpoint.splitTimer;
    state.recalculate();
    setActiveModelVisible(!exploding && !destroyed);
    updateTransforms();
}

void Game::saveCheckpoint()
{
    // One save per step, and none in the step that restored one.
    if (m_checkpointSavedThisStep || m_restartedThisStep)
        return;
    copyGameCheckpoint(m_checkpoint, *this);
    m_checkpointSavedThisStep = true;
    if (m_player) {
        m_player->saveCheckpoint();
        logLander(*m_player);
    }
    m_checkpoint.m_crawlerClocks.clear();
    for (Crawler* crawler : m_crawlers) {
        m_checkpoint.m_crawlerClocks.push_back(crawler->m_stepClock);
        crawler->m_checkpoint = *crawler;
    }
    m_hasCheckpoint = true;
    std::cout << "Checkpoint saved!" << std::endl;
    if (m_messages && gFontLarge)
        m_messages->add(gFontLarge, glm::vec3(1.0f), 1.5f, "CHECKPOINT", 0.5f, 0.8f, 1.5f, MessageId::Checkpoint);
}

void Game::restartLevel(bool fromStart)
{
    const bool fullRestart = fromStart || !m_hasCheckpoint || m_missionAccomplished;
    pauseEffects();
    m_nextLevelRequested = false;
    while (!m_bombs.empty())
        removeBomb(0);

    resetCameraForPlay();

    if (fullRestart) {
        if (m_player)
            m_player->reset();
        m_radiation = m_radiationPrev = m_radiationTarget = m_radiationZones = 0.0f;
        m_empCharge = m_empHoldTime = m_empHitRadiation = 0.0f;
        for (Crawler* crawler : m_crawlers)
            crawler->restoreStart();
        m_empCount = m_empNumMax;
        m_separationPending = false;
        m_missionAccomplished = false;
        m_renderPass[RENDER_PASS_HUD] = true;
        m_hasCheckpoint = false;
    } else {
        m_restartedThisStep = true;
        pauseEffects();
        copyGameCheckpoint(*this, m_checkpoint);
        if (m_player) {
            m_player->loadCheckpoint();
            logLander(*m_player);
        }
        for (size_t i = 0; i < m_crawlers.size(); ++i) {
            Crawler* crawler = m_crawlers[i];
            if (i < m_checkpoint.m_crawlerClocks.size())
                crawler->m_stepClock = m_checkpoint.m_crawlerClocks[i];
            crawler->restore(crawler->m_checkpoint);
        }
        std::cout << "Checkpoint loaded" << std::endl;
    }

    m_paused = false;
    m_endSequence = false;
    m_crashZoom.crashTime = 0.0f;
}
