#include "gl/PassTimer.h"

#include <GL/glew.h>

#include <chrono>

bool PassTimer::s_enabled = false;
std::vector<PassTime> PassTimer::s_times;

namespace {

using Clock = std::chrono::steady_clock;

bool gRunning = false;
std::string gRunningName;
Clock::time_point gStarted;

} // namespace

void PassTimer::setEnabled(bool on)
{
    s_enabled = on;
    s_times.clear();
    gRunning = false;
}

void PassTimer::lap(const char* name)
{
    if (!s_enabled)
        return;
    glFinish();
    const Clock::time_point now = Clock::now();
    if (gRunning) {
        const double seconds = std::chrono::duration<double>(now - gStarted).count();
        PassTime* entry = nullptr;
        for (PassTime& t : s_times) {
            if (t.name == gRunningName)
                entry = &t;
        }
        if (!entry) {
            s_times.push_back({gRunningName, 0.0});
            entry = &s_times.back();
        }
        entry->seconds += seconds;
    }
    gRunning = name != nullptr;
    if (name)
        gRunningName = name;
    gStarted = now;
}
