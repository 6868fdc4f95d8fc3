// A clock that turns variable frame times into fixed simulation steps.
//
// Every per-frame accumulator of the game (the level update, the lander's flight,
// fuses, crawlers, particles) follows the same rule, kept here in one place:
// - at most one step is due per call, so below the step rate the game runs slower
//   rather than replaying a backlog at double speed later;
// - after a step, less than one step of time is left over;
// - a non-finite or negative frame time counts as 0, so a broken clock cannot stop
//   the simulation for good (a NaN would stick in the sum forever).
#pragma once

class FixedStepClock {
public:
    explicit FixedStepClock(float step = 1.0f / 60.0f) : m_step(step) {}

    // Adds `dt` seconds; returns true when one step is due.
    bool advance(float dt);

    void reset() { m_backlog = 0.0f; }

    float step() const { return m_step; }
    float backlog() const { return m_backlog; } // time not yet run, below one step after a step

private:
    float m_step;
    float m_backlog = 0.0f;
};
