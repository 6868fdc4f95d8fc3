// The developer benchmark, off unless the environment variable KESTRUN_BENCH gives a
// frame count. Started at the paused start of a level, it sets up one of four scenes
// (KESTRUN_BENCH_SCENE):
//   start   the paused start: the camera and the lander hold still (the default),
//   flight  the level running, gravity off, the lander held 30 m above its start and
//           climbing under full thrust with its exhaust, crawlers driving,
//   swing   the lander explodes where it stands; the camera is held halfway through
//           its swing out and up over the wreck, once the explosion is over,
//   crash   the same, the scene the overhead view at the end of the swing,
// lets the frame settle, checks that the camera is the scene's (the level's reset
// camera, turned by the crash swing; a camera the mouse turned ends the run with
// "BENCH ERROR" and no figures), then measures
//   - the frame rate over that many ordinary frames, and the processor time they
//     took on all threads (the driver's too): the work of a frame, which changes
//     less than the frame rate when other programs load the machine, and the part
//     of it spent on the main thread (the game and the driver's vertex work, during
//     which a software renderer's raster threads wait),
//   - the time of each render pass over as many frames (see PassTimer),
//   - the game update over as many frames of play, the level running,
// prints one "BENCH ..." line per figure and asks the window to close. Every frame
// runs exactly one game step, so a scene is the same from run to run and binary to
// binary.
// KESTRUN_BENCH_SHOT names a file that receives the settled frame as a binary PPM.
#pragma once

#include "gl/PassTimer.h"

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

class Benchmark {
public:
    // The benchmark the environment asks for, or null.
    static std::unique_ptr<Benchmark> fromEnvironment();
    enum class Scene { Start, Flight, Swing, Crash };
    Benchmark(int frames, Scene scene, std::string shotPath);

    // The frame time the game is given: one step's worth.
    static float frameTime();
    void beforeUpdate();
    void afterUpdate();
    void beforeSwap();
    void afterSwap();

private:
    enum class Phase { Settle, Fps, Passes, Update, Done };
    using Clock = std::chrono::steady_clock;

    void enter(Phase phase);
    void holdScene();
    bool sceneSettled() const;
    bool sceneCrashes() const;
    // Whether the camera is the one the scene must show; says what differs when not.
    bool cameraIsTheScenes() const;
    int settleFrames() const;
    void report() const;

    int m_frames;
    Scene m_scene;
    bool m_sceneSetUp = false;
    glm::vec3 m_flightPosition = glm::vec3(0.0f);
    glm::quat m_flightOrientation = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
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
