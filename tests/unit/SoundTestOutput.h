// Lets sound tests hear what was played: OpenAL Soft's wave writer mixes the output into a
// mono 16-bit WAV file in real time, which the tests read back and measure.
#pragma once

#include <AL/alc.h>
#include <AL/alext.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace soundtest {

constexpr int kRate = 44100;
// RMS of the test tone (a sine of amplitude 0.5) heard at volume 1.
const double kToneLevel = 0.5 / std::sqrt(2.0);

// Directory of this process's output file; selects the wave writer on first use, which
// must come before the first OpenAL call of the process.
inline std::filesystem::path processDir()
{
    return std::filesystem::temp_directory_path() / ("kestrun-sound-" + std::to_string(getpid()));
}

inline const std::filesystem::path& outputDir()
{
    static const std::filesystem::path dir = [] {
        const auto base = processDir();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(processDir(), ec);
        });
        const auto out = base / "out";
        std::filesystem::create_directories(out);
        const auto conf = base / "alsoft.conf";
        std::ofstream(conf) << "[general]\n"
                               "drivers = wave\n"
                               "channels = mono\n"
                               "sample-type = int16\n"
                               "frequency = 44100\n"
                               "dither = false\n"
                               "output-limiter = false\n"
                               "[wave]\n"
                               "file = "
                            << (out / "out.wav").string() << "\n";
        setenv("ALSOFT_CONF", conf.c_str(), 1);
        setenv("ALSOFT_DRIVERS", "wave", 1);
        setenv("ALSOFT_LOGLEVEL", "0", 1);
        return out;
    }();
    return dir;
}

inline std::string outputFile()
{
    return (outputDir() / "out.wav").string();
}

// While one of these lives the output cannot be opened, as on a machine without a device.
struct NoOutputDevice {
    NoOutputDevice() { std::filesystem::remove_all(outputDir()); }
    ~NoOutputDevice() { std::filesystem::create_directories(outputDir()); }
};

// Seconds of output mixed so far by the open device, which is the position in the output
// file; 0 while no device is open. State changes made now are heard from here on. Under
// load the writer may fall behind the wall clock and catch up later, so tests time their
// windows by this clock, never by the wall clock.
inline double outputTime()
{
    ALCcontext* context = alcGetCurrentContext();
    ALCdevice* device = context ? alcGetContextsDevice(context) : nullptr;
    if (!device)
        return 0.0;
    auto getInteger64 = reinterpret_cast<LPALCGETINTEGER64VSOFT>(alcGetProcAddress(device, "alcGetInteger64vSOFT"));
    ALCint64SOFT nanoseconds = 0;
    if (getInteger64)
        getInteger64(device, ALC_DEVICE_CLOCK_SOFT, 1, &nanoseconds);
    return static_cast<double>(nanoseconds) / 1e9;
}

// Waits until the device has played `seconds` more (or ten times that of wall time).
inline void waitOutput(double seconds)
{
    const double until = outputTime() + seconds;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(10.0 * seconds);
    while (outputTime() < until && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

inline std::vector<float> readWav(const std::string& path, int* rate = nullptr)
{
    SF_INFO info = {};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    std::vector<float> samples;
    if (!f)
        return samples;
    std::vector<float> frame(static_cast<size_t>(info.channels) * 4096);
    sf_count_t n = 0;
    while ((n = sf_readf_float(f, frame.data(), 4096)) > 0)
        for (sf_count_t i = 0; i < n; ++i)
            samples.push_back(frame[static_cast<size_t>(i * info.channels)]);
    if (rate)
        *rate = info.samplerate;
    sf_close(f);
    return samples;
}

// The mixed output of the last closed system.
inline std::vector<float> readOutput()
{
    return readWav(outputFile());
}

// Root mean square of the samples between two times (seconds); 0 when out of range.
inline double rms(const std::vector<float>& s, double from, double to, int rate = kRate)
{
    const size_t a = static_cast<size_t>(std::max(0.0, from) * rate);
    const size_t b = std::min(s.size(), static_cast<size_t>(std::max(0.0, to) * rate));
    if (b <= a)
        return 0.0;
    double sum = 0.0;
    for (size_t i = a; i < b; ++i)
        sum += static_cast<double>(s[i]) * s[i];
    return std::sqrt(sum / static_cast<double>(b - a));
}

// Frequency of a plain tone between two times, from its upward zero crossings.
inline double toneFrequency(const std::vector<float>& s, double from, double to, int rate = kRate)
{
    const size_t a = static_cast<size_t>(from * rate);
    const size_t b = std::min(s.size(), static_cast<size_t>(to * rate));
    size_t first = 0, last = 0;
    int crossings = 0;
    for (size_t i = a + 1; i < b; ++i) {
        if (s[i - 1] < 0.0f && s[i] >= 0.0f) {
            if (crossings == 0)
                first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0.0;
    return (crossings - 1) * static_cast<double>(rate) / static_cast<double>(last - first);
}

// Writes a mono WAV (16-bit unless another sample format is given): a sine of the
// given frequency and amplitude.
inline std::string writeTone(const std::filesystem::path& path, double hz, double seconds, double amplitude = 0.5,
                             int rate = kRate, int sampleFormat = SF_FORMAT_PCM_16)
{
    std::filesystem::create_directories(path.parent_path());
    SF_INFO info = {};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | sampleFormat;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    const size_t n = static_cast<size_t>(seconds * rate);
    std::vector<float> samples(n);
    for (size_t i = 0; i < n; ++i)
        samples[i] = static_cast<float>(amplitude * std::sin(2.0 * M_PI * hz * static_cast<double>(i) / rate));
    sf_writef_float(f, samples.data(), static_cast<sf_count_t>(n));
    sf_close(f);
    return path.string();
}

// The files of the fixed sound table and their slots, in table order.
inline const char* const kTableFiles[] = {
    "ControlThrusters.wav", "MainThruster.wav", "Explosion.mp3", "LaunchEMP.mp3", "click.wav",
    "driving.mp3", "bubbles.mp3", "geiger.wav", "speech/radar_offline.mp3", "speech/damping_offline.mp3",
    "speech/auxiliary_offline.mp3", "speech/compass_offline.mp3", "speech/lights_offline.mp3",
    "speech/separation.mp3", "speech/low_fuel.mp3", "speech/fuel.mp3", "speech/all_systems_online.mp3",
    "speech/emps_recharded.mp3", "speech/no_bombs.mp3", "speech/groundspeed.mp3", "intro.wav",
};
inline const int kTableSlots[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 0};

inline bool isLoop(int slot)
{
    return slot == 0 || slot == 2 || slot == 3 || slot == 7 || slot == 8 || slot == 9;
}

// Every table file under <root>/sounds as a 400 Hz tone (the decoder reads WAV whatever
// the name says): loops of 0.5 s, one-shots of 0.25 s.
inline void writeToneTable(const std::filesystem::path& root, const std::string& skip = "")
{
    for (int i = 0; i < 21; ++i)
        if (kTableFiles[i] != skip)
            writeTone(root / "sounds" / kTableFiles[i], 400.0, isLoop(kTableSlots[i]) ? 0.5 : 0.25);
}

} // namespace soundtest
