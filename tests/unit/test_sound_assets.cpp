// The generated sound files: each one the game loads exists, decodes, has the length and
// rate its use needs, is audible, and loops without a click where it loops.
#include "SoundTestOutput.h"

#include "platform/AssetFiles.h"
#include "audio/SoundLib.h"

#include <gtest/gtest.h>

using namespace SoundLib;
using namespace soundtest;

namespace {

struct Expected {
    const char* file;
    Mode mode;
    double minSeconds, maxSeconds;
    int rate;   // 0: any
};

const Expected kSounds[] = {
    {"ControlThrusters.wav", LOOP_NORMAL, 0.5, 3.0, 0},
    {"MainThruster.wav", LOOP_NORMAL, 0.5, 3.0, 0},
    {"Explosion.mp3", MODE_DEFAULT, 1.5, 4.0, 0},
    {"LaunchEMP.mp3", MODE_DEFAULT, 0.5, 3.0, 0},
    {"click.wav", MODE_DEFAULT, 0.01, 0.2, 0},
    {"driving.mp3", LOOP_NORMAL, 1.0, 4.0, 0},
    {"bubbles.mp3", LOOP_NORMAL, 1.0, 4.0, 0},
    // Its playback frequency is set between 0.75 and 3 times 44.1 kHz.
    {"geiger.wav", LOOP_NORMAL, 1.0, 4.0, 44100},
    {"speech/radar_offline.mp3", MODE_DEFAULT, 0.5, 4.0, 0},
    {"speech/damping_offline.mp3", MODE_DEFAULT, 0.5, 4.0, 0},
    {"speech/auxiliary_offline.mp3", MODE_DEFAULT, 0.5, 4.0, 0},
    {"speech/compass_offline.mp3", MODE_DEFAULT, 0.5, 4.0, 0},
    {"speech/lights_offline.mp3", MODE_DEFAULT, 0.5, 4.0, 0},
    // Said at the start of the 11.5 s separation countdown: it must end before it.
    {"speech/separation.mp3", MODE_DEFAULT, 2.0, 11.0, 0},
    {"speech/low_fuel.mp3", MODE_DEFAULT, 0.5, 4.0, 0},
    {"speech/fuel.mp3", MODE_DEFAULT, 0.5, 4.0, 0},
    {"speech/all_systems_online.mp3", MODE_DEFAULT, 0.5, 4.0, 0},
    {"speech/emps_recharded.mp3", MODE_DEFAULT, 0.5, 4.0, 0},
    {"speech/no_bombs.mp3", MODE_DEFAULT, 0.5, 4.0, 0},
    {"speech/groundspeed.mp3", MODE_DEFAULT, 0.5, 4.0, 0},
    {"intro.wav", CREATESTREAM | LOOP_NORMAL, 15.0, 45.0, 0},
    {"ganymed.mp3", CREATESTREAM | LOOP_NORMAL, 20.0, 90.0, 0},
    {"europa.mp3", CREATESTREAM | LOOP_NORMAL, 20.0, 90.0, 0},
    {"io.mp3", CREATESTREAM | LOOP_NORMAL, 20.0, 90.0, 0},
    {"level/1/loading.mp3", MODE_DEFAULT, 3.0, 40.0, 0},
    {"level/1/starting.mp3", MODE_DEFAULT, 0.5, 8.0, 0},
    {"level/2/loading.mp3", MODE_DEFAULT, 3.0, 40.0, 0},
    {"level/2/starting.mp3", MODE_DEFAULT, 0.5, 8.0, 0},
    {"level/3/loading.mp3", MODE_DEFAULT, 3.0, 40.0, 0},
    {"level/3/starting.mp3", MODE_DEFAULT, 0.5, 8.0, 0},
    {"level/end/loading.mp3", MODE_DEFAULT, 3.0, 40.0, 0},
};

bool hasExtension(const std::string& file, const std::string& ext)
{
    return file.size() > ext.size() && file.compare(file.size() - ext.size(), ext.size(), ext) == 0;
}

} // namespace

TEST(SoundAssets, EveryFileDecodesWithTheLengthAndRateItsUseNeeds)
{
    outputDir();
    locateAssetsDir();
    System* system = nullptr;
    ASSERT_EQ(systemCreate(&system), OK);
    ASSERT_EQ(system->init(64), OK);

    for (const Expected& e : kSounds) {
        SCOPED_TRACE(e.file);
        const std::string path = gAssetsDir + "/sounds/" + e.file;
        Sound* sound = nullptr;
        ASSERT_EQ(system->createSound(path, e.mode, &sound), OK);
        Channel channel;
        EXPECT_EQ(system->playSound(sound, true, &channel), OK);
        EXPECT_EQ(sound->release(), OK);

        // The container is what the name says.
        SF_INFO info = {};
        SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
        ASSERT_NE(f, nullptr);
        sf_close(f);
        const int major = info.format & SF_FORMAT_TYPEMASK;
        EXPECT_EQ(major, hasExtension(e.file, ".wav") ? SF_FORMAT_WAV : SF_FORMAT_MPEG);
        EXPECT_EQ(info.channels, 1);

        int rate = 0;
        const std::vector<float> samples = readWav(path, &rate);
        const double seconds = static_cast<double>(samples.size()) / rate;
        EXPECT_GE(seconds, e.minSeconds);
        EXPECT_LE(seconds, e.maxSeconds);
        if (e.rate) {
            EXPECT_EQ(rate, e.rate);
        }
        EXPECT_GT(rms(samples, 0.0, seconds, rate), 0.01) << "too quiet";

        // A loop must not jump where its end meets its start: the step there is no larger
        // than the steps the sound takes anyway.
        if (e.mode & LOOP_NORMAL) {
            double stepSquares = 0.0;
            for (size_t i = 1; i < samples.size(); ++i)
                stepSquares += (samples[i] - samples[i - 1]) * (samples[i] - samples[i - 1]);
            const double typicalStep = std::sqrt(stepSquares / static_cast<double>(samples.size() - 1));
            const double seam = std::abs(samples.front() - samples.back());
            EXPECT_LE(seam, 4.0 * typicalStep + 0.002) << "click at the loop point";
        }
    }
    system->release();
}
