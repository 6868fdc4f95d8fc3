#include "platform/Timing.h"

#include <boost/format.hpp>

#include <algorithm>
#include <cmath>
#include <iostream>

TimingRegistry gTimingRegistry;

TimingRegistry::~TimingRegistry()
{
    for (TimerRecord* timer : m_timers)
        delete timer;
    m_timers.clear();
}

TimerRecord* TimingRegistry::add(const std::string& name)
{
    auto* timer = new TimerRecord();
    timer->name = name;
    m_timers.push_back(timer);
    return timer;
}

void prepareTimingFormats()
{
    size_t width = 1;
    for (const TimerRecord* timer : gTimingRegistry.timers())
        width = std::max(width, timer->name.size());
    const std::string w = std::to_string(width);
    gTimingRegistry.headerFormat = "%1$-" + w + "s   Current               Overall";
    gTimingRegistry.lineFormat = "%1$-" + w + "s : %2$5d us ... %3$3d %%     %4$5.1f s ... %5$3d %%";
    gTimingRegistry.formatsBuilt = true;
}

namespace {

// A share of nothing is 0 % (no timer has run yet).
int percent(double part, double whole)
{
    if (whole == 0.0 || !std::isfinite(whole))
        return 0;
    return static_cast<int>(std::lround(part * 100.0 / whole));
}

int microsecondsPerFrame(double seconds)
{
    return static_cast<int>(seconds / timingFrames * 1000000.0);
}

} // namespace

void printTimingReport(std::ostream& out)
{
    if (!gTimingRegistry.formatsBuilt)
        prepareTimingFormats();

    double sumCurrent = 0.0, sumOverall = 0.0;
    for (const TimerRecord* timer : gTimingRegistry.timers()) {
        sumCurrent += timer->current;
        sumOverall += timer->overall;
    }

    out << "---------- Timing report ----------" << '\n';
    out << boost::format(gTimingRegistry.headerFormat) % "" << '\n';
    for (const TimerRecord* timer : gTimingRegistry.timers()) {
        out << boost::format(gTimingRegistry.lineFormat) % timer->name % microsecondsPerFrame(timer->current)
                   % percent(timer->current, sumCurrent) % timer->overall % percent(timer->overall, sumOverall)
            << '\n';
    }
    out << boost::format(gTimingRegistry.lineFormat) % "Total" % microsecondsPerFrame(sumCurrent) % 100 % sumOverall
               % 100
        << std::endl;
}

void printTimingReport()
{
    printTimingReport(std::cout);
}
