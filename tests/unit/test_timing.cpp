#include "Timing.h"

#include <gtest/gtest.h>

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
