#include "app/Benchmark.h"

#include "app/Globals.h"
#include "gl/PassTimer.h"
#include "level/Game.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <vector>

namespace {

const int SETTLE_FRAMES = 20;

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
    const char* shot = std::getenv("KESTRUN_BENCH_SHOT");
    return std::make_unique<Benchmark>(std::atoi(frames), shot ? shot : "");
}

Benchmark::Benchmark(int frames, std::string shotPath) : m_frames(frames), m_shotPath(std::move(shotPath))
{
    std::cout << "BENCH frames " << m_frames << std::endl;
}

void Benchmark::beforeUpdate()
{
    PassTimer::lap("update");
    m_updateStart = Clock::now();
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
    if (m_phase == Phase::Settle && m_frame == SETTLE_FRAMES - 1 && !m_shotPath.empty())
        writeShot(m_shotPath);
}

void Benchmark::afterSwap()
{
    PassTimer::stop();
    ++m_frame;
    switch (m_phase) {
    case Phase::Settle:
        if (m_frame == SETTLE_FRAMES)
            enter(Phase::Fps);
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
