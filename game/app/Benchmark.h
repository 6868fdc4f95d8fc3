// The developer benchmark, off unless the environment variable KESTRUN_BENCH gives a
// frame count. Started at the paused start of a level (the fixed scene: the camera
// and the lander hold still), it lets the frame settle, then measures
//   - the frame rate over that many ordinary frames, and the processor time they
//     took on all threads (the driver's too): the work of a frame, which changes
//     less than the frame rate when other programs load the machine, and the part
//     of it spent on the main thread (the game and the driver's vertex work, during
//     which a software renderer's raster threads wait),
//   - the time of each render pass over as many frames (see PassTimer),
//   - the game update over as many frames of play, the level running,
// prints one "BENCH ..." line per figure and asks the window to close.
// KESTRUN_BENCH_SHOT names a file that receives the settled frame as a binary PPM.
#pragma once

#include "gl/PassTimer.h"

#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

class Benchmark {
public:
    // The benchmark the environment asks for, or null.
    static std::unique_ptr<Benchmark> fromEnvironment();
    Benchmark(int frames, std::string shotPath);

    void beforeUpdate();
    void afterUpdate();
    void beforeSwap();
    void afterSwap();

private:
    enum class Phase { Settle, Fps, Passes, Update, Done };
    using Clock = std::chrono::steady_clock;

    void enter(Phase phase);
    void report() const;

    int m_frames;
    std::string m_shotPath;
    Phase m_phase = Phase::Settle;
    int m_frame = 0; // frames done in the current phase
    Clock::time_point m_phaseStart;
    Clock::time_point m_updateStart;
    double m_fpsSeconds = 0.0;
    std::clock_t m_cpuStart = 0;
    double m_cpuSeconds = 0.0; // of all the program's threads, the driver's included
    double m_mainCpuStart = 0.0;
    double m_mainCpuSeconds = 0.0; // of the main thread alone
    double m_passFrameSeconds = 0.0;
    std::vector<PassTime> m_passTimes;
    double m_updateSum = 0.0;
    double m_updateMax = 0.0;
};
