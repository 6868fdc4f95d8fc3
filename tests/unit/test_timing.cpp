#include "platform/FixedStepClock.h"
#include "platform/Timing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>
#include <sstream>

TEST(TimingReport, WithoutTimersItIsBannerHeaderAndTotal)
{
    std::ostringstream out;
    printTimingReport(out);
    EXPECT_EQ(out.str(), "---------- Timing report ----------\n"
                         "    Current               Overall\n"
                         "Total :     0 us ... 100 %       0.0 s ... 100 %\n");
}

TEST(TimingReport, TimersShowTheirShares)
{
    TimingRegistry& registry = gTimingRegistry;
    registry.formatsBuilt = false;
    TimerRecord* render = registry.add("render");
    TimerRecord* physics = registry.add("physics step");
    render->current = 3.0;  // 3 ms per frame over 1000 frames
    render->overall = 30.0;
    physics->current = 1.0;
    physics->overall = 10.0;
    std::ostringstream out;
    printTimingReport(out);
    const std::string text = out.str();
    EXPECT_NE(text.find("render       :  3000 us ...  75 %      30.0 s ...  75 %\n"), std::string::npos) << text;
    EXPECT_NE(text.find("physics step :  1000 us ...  25 %      10.0 s ...  25 %\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Total        :  4000 us ... 100 %      40.0 s ... 100 %\n"), std::string::npos) << text;
}

TEST(FixedStepClock, AtMostOneStepPerCallAndNoBacklog)
{
    const float step = 1.0f / 60.0f;
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* what;
        std::vector<float> frames;
        int steps;
    };
    const Case cases[] = {
        {"1/120 s frames step on every second call", std::vector<float>(10, 1.0f / 120.0f), 5},
        {"1/30 s frames step once per call", std::vector<float>(30, 1.0f / 30.0f), 30},
        {"10 ms frames", {0.01f, 0.01f, 0.01f}, 1},
        {"one long frame leaves no backlog for the next", {0.11f, 0.001f}, 1},
        {"broken frame times count as nothing", {inf, -1.0f, nan, 0.01f}, 0},
    };
    for (const Case& c : cases) {
        FixedStepClock clock(step);
        int steps = 0;
        for (float dt : c.frames) {
            if (clock.advance(dt)) {
                ++steps;
                EXPECT_LT(clock.backlog(), step) << c.what;
            }
            EXPECT_TRUE(std::isfinite(clock.backlog())) << c.what;
        }
        EXPECT_EQ(steps, c.steps) << c.what;
    }

    // What a long frame leaves behind is its remainder after whole steps.
    FixedStepClock clock(step);
    EXPECT_TRUE(clock.advance(0.11f));
    EXPECT_NEAR(clock.backlog(), 0.01f, 1e-5f);
}
