// Radiation: how strongly it falls on the lander (altitude, the border of the playing
// field, radiation zones, space after the separation, EMP blasts), the level it builds
// up to, the systems it switches off with their warnings, the Geiger counter, and the
// recharging of EMP bombs.
#include "level/Game.h"

#include "audio/AudioSettings.h"
#include "audio/SoundSystem.h"
#include "lander/Player.h"
#include "level/Heightfield.h"

#include <algorithm>
#include <cmath>

namespace {

// Limits x to 0..1; NaN counts as 0.
float clamp01(float x)
{
    return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f;
}

float smoothstep(float t)
{
    return (3.0f - 2.0f * t) * t * t;
}

// Where value lies between edge and edge + width, 0..1. A band without width is a step
// at its edge: level values may well give two equal heights or radii. Numbers that give
// no position (NaN) give `unknown`, the side of the band that does not radiate.
float bandPosition(float value, float edge, float width, float unknown = 0.0f)
{
    const float t = width == 0.0f ? (value > edge ? 1.0f : value <= edge ? 0.0f : NAN) : (value - edge) / width;
    return std::isnan(t) ? unknown : clamp01(t);
}

struct SystemWarning {
    float Game::*threshold;
    int voice;
};

// The systems in the order their warnings rank on equal thresholds.
const SystemWarning systemWarnings[] = {
    {&Game::m_radMinimap, SOUND_RADAR_OFFLINE},     {&Game::m_radStabilizer, SOUND_DAMPING_OFFLINE},
    {&Game::m_radAuxiliary, SOUND_AUXILIARY_OFFLINE}, {&Game::m_radCompass, SOUND_COMPASS_OFFLINE},
    {&Game::m_radLights, SOUND_LIGHTS_OFFLINE},
};

void playVoice(int slot)
{
    if (gSoundEnabled && gSound)
        gSound->play(slot);
}

} // namespace

void Game::updateRadiation(float dt, float empRadiation)
{
    // A wrecked lander measures nothing: radiation stays where it was.
    if (!m_player || m_player->destroyed || m_player->exploding)
        return;
    m_radiationPrev = m_radiation;
    const glm::vec3 p = m_player->state.position;

    float intensity = m_radiationTarget;
    float level = m_radiation;
    if (dt > 0.0f) {
        m_empHoldTime = std::max(0.0f, m_empHoldTime - dt);
        float zones = 0.0f;
        if (m_player->split && p.y >= m_level.space_min_height) {
            // Out in space radiation fades as the upper stage climbs away.
            const float space = m_level.space_max_height - m_level.space_min_height;
            intensity = 1.0f - smoothstep(bandPosition(p.y, m_level.space_min_height, space, 1.0f));
        } else {
            const float altitude =
                bandPosition(p.y, m_level.rad_min_height, m_level.rad_max_height - m_level.rad_min_height);
            float halfX = 0.0f, halfZ = 0.0f;
            if (m_heightfield) {
                halfX = m_heightfield->m_patch_size * static_cast<float>(m_heightfield->m_xpatches) * 0.5f;
                halfZ = m_heightfield->m_patch_size * static_cast<float>(m_heightfield->m_zpatches) * 0.5f;
            }
            const float border = m_level.max_border - m_level.min_border;
            const float borderX = bandPosition(std::fabs(p.x), m_level.min_border + halfX, border);
            const float borderZ = bandPosition(std::fabs(p.z), m_level.min_border + halfZ, border);
            for (const RadiationZone* zone : m_level.radiation_zones) {
                const float d = std::hypot(p.x - zone->world_x, p.z - zone->world_z);
                zones += 1.0f - smoothstep(bandPosition(d, zone->world_r2, zone->world_r1 - zone->world_r2, 1.0f));
            }
            zones = clamp01(zones);
            intensity = clamp01(smoothstep(altitude) + smoothstep(borderX) + smoothstep(borderZ) + zones);
        }
        m_radiationTarget = intensity;
        m_radiationZones = zones;

        // Any radiation at all raises the level; it falls only where there is none, and
        // not while an EMP hit is held.
        if (intensity > 0.0f)
            level = m_radiation + m_radRateInc * dt * intensity;
        else if (m_empHoldTime <= 0.0f)
            level = m_radiation - m_radRateDec * dt;
    } else {
        if (!(empRadiation >= 0.0f))
            return;
        m_empHitRadiation = empRadiation;
        level = m_radiation + empRadiation;
        m_empHoldTime = m_radEmpDuration;
    }
    m_radiation = clamp01(level);

    // Recharging the next bomb
    if (m_empCount < m_empNumMax) {
        bool charging = false;
        switch (m_radChargeMode) {
        case 0:
            charging = intensity >= m_radMinRadToCharge;
            break;
        case 1:
            charging = m_radiation >= m_radMinRadToCharge;
            break;
        case 2:
            charging = m_radiationZones >= m_radMinRadToCharge;
            break;
        default:
            break;
        }
        // A charge rate that is not a number leaves the charge alone.
        const float charge = m_empCharge + m_radRateCharge * dt;
        if (charging && std::isfinite(charge)) {
            m_empCharge = charge;
            if (m_empCharge >= 1.0f) {
                m_empCount += 1;
                m_empCharge = 0.0f;
                if (m_empCount == m_empNumMax)
                    playVoice(SOUND_EMPS_RECHARGED);
            }
        }
    }

    // One warning per call: the highest threshold crossed.
    const SystemWarning* warning = nullptr;
    bool wasAbove = false, isAbove = false;
    for (const SystemWarning& system : systemWarnings) {
        const float threshold = this->*system.threshold;
        wasAbove = wasAbove || m_radiationPrev > threshold;
        isAbove = isAbove || m_radiation > threshold;
        if (m_radiationPrev <= threshold && m_radiation > threshold &&
            (!warning || threshold > this->*warning->threshold))
            warning = &system;
    }
    if (warning)
        playVoice(warning->voice);

    // The Geiger counter clicks faster the stronger the radiation; after an EMP hit it
    // keeps the hit's pitch while the hold lasts.
    if (gSoundEnabled && gSound && gSound->channels[SOUND_GEIGER]) {
        float g = m_radiationTarget;
        if (m_empHoldTime > 0.0f)
            g = clamp01(std::max(m_empHitRadiation, m_radiationTarget));
        if (g > 0.0f) {
            if (gSound->isPaused(SOUND_GEIGER))
                gSound->setPaused(SOUND_GEIGER, false);
            gSound->setGeigerFrequency(m_geigerFreqMin + (m_geigerFreqMax - m_geigerFreqMin) * g);
        } else if (!gSound->isPaused(SOUND_GEIGER)) {
            gSound->setPaused(SOUND_GEIGER, true);
        }
    }

    if (wasAbove && !isAbove)
        playVoice(SOUND_ALL_SYSTEMS_ONLINE);
}
