// Developer timing report: named timers with their time per frame and in total.
#pragma once

#include <ostream>
#include <string>
#include <vector>

constexpr int timingFrames = 1000; // frames in one measuring window

struct TimerRecord {
    std::string name;
    double current = 0.0; // seconds over the current window of frames
    double overall = 0.0; // seconds since start
};

class TimingRegistry {
public:
    ~TimingRegistry();
    TimerRecord* add(const std::string& name);
    const std::vector<TimerRecord*>& timers() const { return m_timers; }

    std::string headerFormat;
    std::string lineFormat;
    bool formatsBuilt = false;

private:
    std::vector<TimerRecord*> m_timers;
};

extern TimingRegistry gTimingRegistry;

// Builds the two report formats from the longest timer name (done once).
void prepareTimingFormats();

// Prints the report: banner, header, one line per timer and the "Total" line.
void printTimingReport(std::ostream& out);
void printTimingReport();
