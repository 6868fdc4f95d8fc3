// The lander's exhaust plume, and the head-up display with its minimap as the frame
// ends.
#include "level/Game.h"

#include "app/Globals.h"
#include "gl/PassTimer.h"
#include "hud/Hud.h"
#include "hud/Minimap.h"
#include "level/Heightfield.h"
#include "lander/Player.h"
#include "scene/Particles.h"

#include <cmath>

void Game::updateExhaust(const Player& player)
{
    if (!m_particles)
        return;
    // The plume leaves the engine bell below the lander, which sits higher on the
    // upper stage alone.
    const float bellDistance = player.split ? 1.7f : 2.0f;
    const glm::vec3 down = player.state.orientation * glm::vec3(0.0f, -1.0f, 0.0f);
    m_particles->m_emitting = player.thrustCommand > 0.0f;
    m_particles->m_emitter_position = player.state.position + down * bellDistance;
    m_particles->m_emitter_dir = down;
    m_particles->m_emitter_velocity = player.state.velocity + down * 0.1f;
    m_particles->update(1.0f / 60.0f);
    // The upper stage burns blue.
    m_particles->m_color1 = player.split ? glm::vec3(0.5f, 0.5f, 0.8f) : glm::vec3(1.0f, 1.0f, 0.2f);
    m_particles->m_color2 = player.split ? glm::vec3(0.0f, 0.0f, 0.8f) : glm::vec3(0.8f, 0.0f, 0.0f);
}

void Game::drawHud()
{
    if (!m_renderPass[RENDER_PASS_HUD] || !m_hud)
        return;
    const Player& player = *m_player;

    // The map is redrawn only every few frames.
    if (--m_minimapCounter <= 0) {
        m_minimapCounter = m_minimapInterval;
        if (m_minimap && m_heightfield) {
            PassTimer::lap("minimap");
            const float patch = m_heightfield->m_patch_size;
            m_minimap->render(player.state.position, m_crawlers, patch * static_cast<float>(m_heightfield->m_xpatches),
                              patch * static_cast<float>(m_heightfield->m_zpatches));
        }
    }

    // The minimap refresh above is timed on its own.
    PassTimer::lap("HUD");
    Hud& hud = *m_hud;
    hud.lamps[0] = player.speedOk;
    hud.lamps[1] = player.slopeOk;
    hud.lamps[2] = player.attitudeOk;
    hud.fuel = static_cast<float>(player.fuel) / static_cast<float>(PLAYER_MAX_FUEL);
    hud.helium = static_cast<float>(player.helium) / static_cast<float>(PLAYER_MAX_HELIUM);
    hud.radiation = m_radiation;
    // Enough radiation puts the lamps and the map out of order.
    hud.lampsWorking = m_radiation <= m_radLights;
    hud.minimapShown = m_radiation <= m_radMinimap && m_renderPass[RENDER_PASS_MINIMAP];
    hud.empCount = m_empCount;
    hud.empMax = m_empNumMax;
    hud.empCharge = m_empCharge;
    const glm::vec3& v = player.state.velocity;
    hud.empSpeedReady = std::sqrt(v.x * v.x + v.z * v.z) >= gEmpMinimalGroundspeed;
    hud.draw(m_minimap);
}
