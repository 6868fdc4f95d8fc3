// The game's part of the one in-memory checkpoint of a level: radiation and EMP state.
// The lander keeps its own part (PlayerCheckpoint), each crawler its driving state.
#pragma once

#include "platform/FixedStepClock.h"

#include <vector>

struct GameCheckpoint {
    // Radiation settings (a developer key may have changed one) and radiation state
    float m_radRateInc = 0.0f, m_radRateDec = 0.0f, m_radRateCharge = 0.0f, m_radMinRadToCharge = 0.0f;
    int m_radChargeMode = 0;
    float m_radEmpRadius = 0.0f, m_radEmpRadiation = 0.0f, m_radEmpDuration = 0.0f;
    bool m_radEmpQuadratic = false;
    float m_radMinimap = 0.0f, m_radStabilizer = 0.0f, m_radAuxiliary = 0.0f, m_radCompass = 0.0f,
          m_radLights = 0.0f, m_radFadeMax = 0.0f;
    float m_radiation = 0.0f, m_radiationPrev = 0.0f, m_radiationTarget = 0.0f, m_radiationZones = 0.0f;
    float m_empCharge = 0.0f, m_empHoldTime = 0.0f, m_empHitRadiation = 0.0f;
    // Bombs and the separation countdown
    int m_empCount = 0;
    bool m_separationPending = false;
    float m_separationTimer = 0.0f;
    // Each crawler's part-step time, in the order of the level's crawlers (their driving
    // state they keep themselves)
    std::vector<FixedStepClock> m_crawlerClocks;
};

// Copies the checkpointed game values between a Game and a GameCheckpoint (either way).
template <typename To, typename From> void copyGameCheckpoint(To& to, const From& from)
{
    to.m_radRateInc = from.m_radRateInc;
    to.m_radRateDec = from.m_radRateDec;
    to.m_radRateCharge = from.m_radRateCharge;
    to.m_radMinRadToCharge = from.m_radMinRadToCharge;
    to.m_radChargeMode = from.m_radChargeMode;
    to.m_radEmpRadius = from.m_radEmpRadius;
    to.m_radEmpRadiation = from.m_radEmpRadiation;
    to.m_radEmpDuration = from.m_radEmpDuration;
    to.m_radEmpQuadratic = from.m_radEmpQuadratic;
    to.m_radMinimap = from.m_radMinimap;
    to.m_radStabilizer = from.m_radStabilizer;
    to.m_radAuxiliary = from.m_radAuxiliary;
    to.m_radCompass = from.m_radCompass;
    to.m_radLights = from.m_radLights;
    to.m_radFadeMax = from.m_radFadeMax;
    to.m_radiation = from.m_radiation;
    to.m_radiationPrev = from.m_radiationPrev;
    to.m_radiationTarget = from.m_radiationTarget;
    to.m_radiationZones = from.m_radiationZones;
    to.m_empCharge = from.m_empCharge;
    to.m_empHoldTime = from.m_empHoldTime;
    to.m_empHitRadiation = from.m_empHitRadiation;
    to.m_empCount = from.m_empCount;
    to.m_separationPending = from.m_separationPending;
    to.m_separationTimer = from.m_separationTimer;
}
