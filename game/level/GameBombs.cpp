// EMP bombs in play: the launch from the lander, the fuses, the explosions with their
// shock wave, the crawlers they stop and the radiation they give a lander close by.
#include "level/Game.h"

#include "app/Globals.h"
#include "audio/SoundSystem.h"
#include "lander/Player.h"
#include "objects/Bomb.h"
#include "objects/Crawler.h"
#include "scene/KDTree.h"
#include "scene/Model.h"

#include <GLFW/glfw3.h>

#include <cmath>
#include <iostream>

namespace {

void playSound(int slot)
{
    if (gSound)
        gSound->play(slot);
}

bool isFinite(const glm::vec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace

void Game::launchBomb(bool ctrl)
{
    if (!isPlayerControllable() || !m_player || m_player->split)
        return;
    const Player& player = *m_player;
    const glm::vec3 v = player.state.velocity;
    const float groundSpeed = std::sqrt(v.x * v.x + v.z * v.z);
    const bool allowed = groundSpeed >= gEmpMinimalGroundspeed || (gDevKeysEnabled && ctrl);
    if (m_empCount <= 0) {
        playSound(SOUND_NO_BOMBS);
        return;
    }
    if (!allowed) {
        playSound(SOUND_GROUNDSPEED);
        return;
    }

    // The bomb leaves the lander along the launch direction turned with the lander.
    const glm::vec3 dir = player.state.orientation * gEmpLaunchDirection;
    const glm::vec3 start = player.state.position + dir * gEmpLaunchPosition;
    const glm::vec3 velocity = player.state.velocity + dir * gEmpLaunchVelocity;
    // The physics world cannot take a body at an undefined place.
    if (!isFinite(start) || !isFinite(velocity)) {
        std::cout << "WARNING: bomb not launched: its start position or velocity is not a number" << std::endl;
        return;
    }
    m_empCount -= 1;
    Bomb* bomb = new Bomb(start, velocity, m_empTriggerFrames != 0);
    m_bombs.push_back(bomb);
    gDrawList.push_back(bomb->m_model);
    playSound(SOUND_LAUNCH_EMP);
}

void Game::updateBombs(float dt)
{
    for (size_t i = 0; i < m_bombs.size();) {
        if (m_bombs[i]->burnFuse(m_fixedStep, dt))
            explodeBomb(static_cast<int>(i)); // the next bomb moves into this index
        else
            ++i;
    }
}

void Game::explodeBomb(int index)
{
    Bomb* bomb = m_bombs[static_cast<size_t>(index)];
    std::cout << "Bomb exploded" << std::endl;

    // One shock wave at a time, centred where the bomb is on screen. A bomb behind the
    // camera has no place on screen and starts none.
    const glm::vec4 clip = m_projection * m_view * bomb->m_model->m_model_matrix * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f);
    if (!m_shockwaveActive && clip.w > 1e-6f) {
        m_shockwaveCenter = glm::vec2(clip.x, clip.y) / clip.w * 0.5f + 0.5f;
        m_shockwaveActive = true;
        m_shockwaveStart = static_cast<float>(glfwGetTime());
    }

    const glm::vec3 blast = bomb->position();
    for (Crawler* crawler : m_crawlers) {
        if (glm::length(crawler->m_position - blast) < m_empRadius) {
            crawler->m_driving = false;
            crawler->m_disableTimer = m_level.crawler_disable_time;
        }
    }

    // A lander inside the blast radius takes radiation, the more the closer it is.
    if (m_radEmpRadiation > 0.0f && m_player) {
        const float d = glm::length(m_player->state.position - blast);
        if (d < m_radEmpRadius) {
            float factor = 1.0f - d / m_radEmpRadius;
            if (m_radEmpQuadratic)
                factor *= factor;
            const float amount = m_radEmpRadiation * factor;
            updateRadiation(0.0f, amount);
            std::cout << "EMP inflicted radiation: " << amount << " (factor = " << factor << ")" << std::endl;
        }
    }
    removeBomb(index);
}

void Game::removeBomb(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_bombs.size())
        return;
    Bomb* bomb = m_bombs[static_cast<size_t>(index)];
    Model* model = bomb->m_model;
    removeFromDrawList(model);
    if (m_kdTree && model->m_culling_entity) {
        if (model->m_culling_entity->node)
            model->m_culling_entity->node->removeEntity(model->m_culling_entity);
        delete model->m_culling_entity;
        model->m_culling_entity = nullptr;
    }
    delete bomb;
    m_bombs.erase(m_bombs.begin() + index);
}
