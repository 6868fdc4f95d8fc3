// Render-pass times for the developer benchmark, off unless switched on. A frame is
// cut into laps: lap("terrain") ends the pass before it and starts the terrain pass.
// When on, every lap waits with glFinish for all drawing queued so far, so the wall
// time between two laps is what that pass really costs, even on a driver that defers
// drawing until the frame is flushed (Mesa's llvmpipe bins the whole frame first).
// Off, a lap costs one branch.
#pragma once

#include <string>
#include <vector>

struct PassTime {
    std::string name;
    double seconds = 0.0; // summed over the laps of that name since the last reset
};

class PassTimer {
public:
    static void lap(const char* name);
    // Ends the running pass without starting another (the end of a frame).
    static void stop() { lap(nullptr); }
    static void setEnabled(bool on);
    static bool enabled() { return s_enabled; }
    static const std::vector<PassTime>& times() { return s_times; }

private:
    static bool s_enabled;
    static std::vector<PassTime> s_times;
};
