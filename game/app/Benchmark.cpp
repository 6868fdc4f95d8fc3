#include "app/Benchmark.h"

#include "app/Globals.h"
#include "gl/PassTimer.h"
#include "level/Game.h"
#include "lander/Player.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <vector>

namespace {

const int SETTLE_FRAMES = 20;
// The exhaust reaches its full length within two seconds of thrust.
const int FLIGHT_SETTLE_FRAMES = 120;
const float FLIGHT_HEIGHT = 30.0f;  // m above the start
const float FLIGHT_CLIMB = 5.0f;    // m/s

// Processor time of the calling thread.
double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The back buffer as a binary PPM, top row first.
void writeShot(const std::string& path)
{
    const int w = gWindowWidth, h = gWindowHeight;
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << w << " " << h << "\n255\n";
    for (int y = h - 1; y >= 0; --y)
        out.write(reinterpret_cast<const char*>(&pixels[static_cast<size_t>(y) * w * 3]), w * 3);
    if (!out)
        std::cout << "WARNING: benchmark: cannot write " << path << std::endl;
}

} // namespace

std::unique_ptr<Benchmark> Benchmark::fromEnvironment()
{
    const char* frames = std::getenv("KESTRUN_BENCH");
    if (!frames || std::atoi(frames) <= 0)
        return nullptr;
    const char* sceneName = std::getenv("KESTRUN_BENCH_SCENE");
    const std::string name = sceneName ? sceneName : "start";
    Scene scene = Scene::Start;
    if (name == "flight") {
        scene = Scene::Flight;
    } else if (name == "swing") {
        scene = Scene::Swing;
    } else if (name == "crash") {
        scene = Scene::Crash;
    } else if (name != "start") {
        std::cout << "WARNING: benchmark: unknown scene " << name << ", using start" << std::endl;
    }
    const char* shot = std::getenv("KESTRUN_BENCH_SHOT");
    return std::make_unique<Benchmark>(std::atoi(frames), scene, shot ? shot : "");
}

Benchmark::Benchmark(int frames, Scene scene, std::string shotPath)
    : m_frames(frames), m_scene(scene), m_shotPath(std::move(shotPath))
{
    std::cout << "BENCH frames " << m_frames << std::endl;
}

float Benchmark::frameTime()
{
    return 1.0f / 60.0f;
}

void Benchmark::beforeUpdate()
{
    PassTimer::lap("update");
    holdScene();
    m_updateStart = Clock::now();
}

// Sets the scene up on the first frame and, in flight, holds the lander's pose.
void Benchmark::holdScene()
{
    if (m_scene == Scene::Start || !gGame.m_player)
        return;
    Player& player = *gGame.m_player;
    if (!m_sceneSetUp) {
        m_sceneSetUp = true;
        gGame.m_paused = false;
        if (sceneCrashes()) {
            gGame.crashLander();
        } else {
            gGravityEnabled = false;
            player.state.position += glm::vec3(0.0f, FLIGHT_HEIGHT, 0.0f);
            m_flightPosition = player.state.position;
            m_flightOrientation = player.state.orientation;
        }
    }
    if (m_scene == Scene::Swing) {
        // Halfway through the move, every frame: the update takes one step off the time left.
        CrashZoom& z = gGame.m_crashZoom;
        z.crashTime = 0.5f * (z.duration - z.holdTime) + frameTime();
    }
    if (m_scene == Scene::Flight) {
        player.state.position = m_flightPosition;
        player.state.orientation = m_flightOrientation;
        player.state.momentum = glm::vec3(0.0f, FLIGHT_CLIMB * player.state.mass, 0.0f);
        player.state.angularMomentum = glm::vec3(0.0f);
        player.state.recalculate();
        player.thrustInput = 1;
    }
}

bool Benchmark::sceneCrashes() const
{
    return m_scene == Scene::Swing || m_scene == Scene::Crash;
}

bool Benchmark::sceneSettled() const
{
    if (!sceneCrashes())
        return true;
    const bool swung = m_scene == Scene::Swing || gGame.m_crashZoom.crashTime <= 0.0f;
    return swung && gGame.m_player && !gGame.m_player->exploding;
}

bool Benchmark::cameraIsTheScenes() const
{
    // How far the crash swing has turned the reset camera: none, halfway or all the way.
    const CrashZoom& z = gGame.m_crashZoom;
    float t = 0.0f;
    float phi = 0.0f, theta = 0.0f, r = 0.0f; // where a crash swing ends
    if (sceneCrashes()) {
        t = m_scene == Scene::Swing ? 0.5f : 1.0f;
        phi = z.targetPhi - z.startPhi;
        theta = z.targetTheta;
        r = z.targetRadius;
    }
    const Camera& cam = gGame.m_camera;
    const Camera::ResetState& reset = cam.resetState;
    const float wantPhi = reset.phi + t * phi;
    const float wantTheta = std::min(reset.theta * (1.0f - t) + t * theta, Camera::maxPitch);
    const float wantR = reset.r * (1.0f - t) + t * r;
    const bool same = std::fabs(cam.phi - wantPhi) < 1e-4f && std::fabs(cam.theta - wantTheta) < 1e-4f &&
                      std::fabs(cam.r - wantR) < 1e-3f * wantR;
    if (!same)
        std::printf("BENCH ERROR: the camera (phi %.4f, theta %.4f, r %.2f) is not the scene's (phi %.4f, theta "
                    "%.4f, r %.2f): the mouse or a stray cursor report turned it\n",
                    cam.phi, cam.theta, cam.r, wantPhi, wantTheta, wantR);
    return same;
}

void Benchmark::afterUpdate()
{
    if (m_phase != Phase::Update)
        return;
    const double seconds = secondsSince(m_updateStart);
    m_updateSum += seconds;
    m_updateMax = std::max(m_updateMax, seconds);
}

void Benchmark::beforeSwap()
{
    PassTimer::lap("present");
    if (m_phase == Phase::Settle && sceneSettled() && m_frame == settleFrames() - 1 && !m_shotPath.empty())
        writeShot(m_shotPath);
}

void Benchmark::afterSwap()
{
    PassTimer::stop();
    ++m_frame;
    switch (m_phase) {
    case Phase::Settle:
        if (!sceneSettled()) {
            m_frame = 0;
        } else if (m_frame == settleFrames()) {
            if (!cameraIsTheScenes()) {
                std::fflush(stdout);
                enter(Phase::Done);
                glfwSetWindowShouldClose(gWindow, GLFW_TRUE);
                break;
            }
            enter(Phase::Fps);
        }
        break;
    case Phase::Fps:
        if (m_frame == m_frames) {
            m_fpsSeconds = secondsSince(m_phaseStart);
            m_cpuSeconds = static_cast<double>(std::clock() - m_cpuStart) / CLOCKS_PER_SEC;
            m_mainCpuSeconds = threadCpuSeconds() - m_mainCpuStart;
            enter(Phase::Passes);
        }
        break;
    case Phase::Passes:
        if (m_frame == m_frames) {
            m_passFrameSeconds = secondsSince(m_phaseStart);
            m_passTimes = PassTimer::times();
            PassTimer::setEnabled(false);
            enter(Phase::Update);
        }
        break;
    case Phase::Update:
        if (m_frame == m_frames) {
            report();
            enter(Phase::Done);
            glfwSetWindowShouldClose(gWindow, GLFW_TRUE);
        }
        break;
    case Phase::Done:
        break;
    }
}

int Benchmark::settleFrames() const
{
    return m_scene == Scene::Flight ? FLIGHT_SETTLE_FRAMES : SETTLE_FRAMES;
}

void Benchmark::enter(Phase phase)
{
    m_phase = phase;
    m_frame = 0;
    if (phase == Phase::Passes) {
        PassTimer::setEnabled(true);
    } else if (phase == Phase::Update) {
        // The level runs from here on: crawlers drive, the lander falls.
        gGame.m_paused = false;
    }
    m_phaseStart = Clock::now();
    m_cpuStart = std::clock();
    m_mainCpuStart = threadCpuSeconds();
}

void Benchmark::report() const
{
    std::printf("BENCH fps %.2f\n", m_frames / m_fpsSeconds);
    std::printf("BENCH cpu %.3f\n", 1000.0 * m_cpuSeconds / m_frames);
    std::printf("BENCH main %.3f\n", 1000.0 * m_mainCpuSeconds / m_frames);
    for (const PassTime& t : m_passTimes)
        std::printf("BENCH pass %s %.3f\n", t.name.c_str(), 1000.0 * t.seconds / m_frames);
    std::printf("BENCH pass frame %.3f\n", 1000.0 * m_passFrameSeconds / m_frames);
    std::printf("BENCH update mean %.3f max %.3f\n", 1000.0 * m_updateSum / m_frames, 1000.0 * m_updateMax);
    std::fflush(stdout);
}
