#include "platform/FixedStepClock.h"

#include <cmath>

bool FixedStepClock::advance(float dt)
{
    if (!std::isfinite(dt) || dt < 0.0f)
        dt = 0.0f;
    m_backlog += dt;
    if (m_backlog < m_step)
        return false;
    m_backlog -= m_step;
    if (m_backlog >= m_step)
        m_backlog = std::fmod(m_backlog, m_step);
    return true;
}
