// The sound library against OpenAL Soft's wave writer: what is played is what is heard.
#include "SoundTestOutput.h"
#include "TempDir.h"

#include "audio/SoundLib.h"

#include <gtest/gtest.h>

using namespace SoundLib;
using namespace soundtest;

namespace {

class SoundLibTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        outputDir();
        ASSERT_EQ(systemCreate(&system), OK);
    }
    void TearDown() override
    {
        if (system)
            system->release();
    }

    void open() { ASSERT_EQ(system->init(64), OK); }

    // Closes the output and returns everything it played.
    std::vector<float> finish()
    {
        system->release();
        system = nullptr;
        return readOutput();
    }

    // A 400 Hz tone of the given length, loaded with the given mode.
    Sound* tone(double seconds, Mode mode)
    {
        const auto path = writeTone(dir.path() / (std::to_string(seconds) + ".wav"), 400.0, seconds);
        Sound* sound = nullptr;
        EXPECT_EQ(system->createSound(path, mode, &sound), OK);
        return sound;
    }

    // Lets the output play on; returns the stretch of it that shows the current state.
    std::pair<double, double> hold(double seconds)
    {
        const double from = outputTime();
        waitOutput(seconds);
        return {from + 0.05, outputTime()};
    }

    TempDir dir;
    System* system = nullptr;
};

double rms(const std::vector<float>& s, std::pair<double, double> window)
{
    return soundtest::rms(s, window.first, window.second);
}

} // namespace

TEST_F(SoundLibTest, PausedChannelIsSilentAndKeepsItsPlace)
{
    // A 1 s one-shot: armed paused, played 0.3 s, paused 0.8 s, resumed. It ends 0.7 s
    // after resuming: the pause kept its place, nothing restarted it.
    open();
    Sound* sound = tone(1.0, MODE_DEFAULT);
    Channel channel;
    ASSERT_EQ(system->playSound(sound, true, &channel), OK);
    const auto armed = hold(0.3);
    ASSERT_EQ(channel.setPaused(false), OK);
    const auto playing = hold(0.3);
    ASSERT_EQ(channel.setPaused(true), OK);
    const auto paused = hold(0.8);
    bool isPaused = false;
    ASSERT_EQ(channel.getPaused(&isPaused), OK) << "a paused one-shot must not end";
    EXPECT_TRUE(isPaused);
    ASSERT_EQ(channel.setPaused(false), OK);
    const double resumed = outputTime();
    waitOutput(1.0);
    EXPECT_EQ(channel.getPaused(&isPaused), ERR_INVALID_HANDLE) << "the one-shot should have ended";

    const std::vector<float> out = finish();
    EXPECT_EQ(rms(out, armed), 0.0);
    EXPECT_NEAR(rms(out, playing), kToneLevel, 0.03);
    EXPECT_EQ(rms(out, paused), 0.0);
    EXPECT_NEAR(soundtest::rms(out, resumed + 0.05, resumed + 0.6), kToneLevel, 0.03);
    EXPECT_EQ(soundtest::rms(out, resumed + 0.8, resumed + 0.95), 0.0);
}

TEST_F(SoundLibTest, VolumeAndFrequencyShapeWhatIsHeard)
{
    open();
    Channel channel;
    ASSERT_EQ(system->playSound(tone(1.0, LOOP_NORMAL), false, &channel), OK);
    float hz = 0.0f;
    ASSERT_EQ(channel.getFrequency(&hz), OK);
    EXPECT_EQ(hz, 44100.0f) << "a channel starts at the file's rate";
    const auto full = hold(0.3);
    ASSERT_EQ(channel.setVolume(0.25f), OK);
    const auto quarter = hold(0.3);
    ASSERT_EQ(channel.setVolume(1.8f), OK);   // volumes above 1 amplify
    const auto loud = hold(0.3);
    ASSERT_EQ(channel.setVolume(-1.0f), OK);   // below 0: silence, not an error
    const auto negative = hold(0.3);

    ASSERT_EQ(channel.setVolume(1.0f), OK);
    ASSERT_EQ(channel.setFrequency(88200.0f), OK);
    const auto doubled = hold(0.3);
    ASSERT_EQ(channel.setFrequency(132300.0f), OK);   // the Geiger counter's top rate
    const auto tripled = hold(0.3);

    const std::vector<float> out = finish();
    const double level = rms(out, full);
    EXPECT_NEAR(level, kToneLevel, 0.03);
    EXPECT_NEAR(rms(out, quarter) / level, 0.25, 0.03);
    EXPECT_NEAR(rms(out, loud) / level, 1.8, 0.1);
    EXPECT_EQ(rms(out, negative), 0.0);
    EXPECT_NEAR(toneFrequency(out, full.first, full.second), 400.0, 4.0);
    EXPECT_NEAR(toneFrequency(out, doubled.first, doubled.second), 800.0, 8.0);
    EXPECT_NEAR(toneFrequency(out, tripled.first, tripled.second), 1200.0, 12.0);
}

TEST_F(SoundLibTest, OneShotsEndLoopsAndStreamsGoOnUntilReleased)
{
    open();
    Sound* blip = tone(0.15, MODE_DEFAULT);
    Sound* loop = tone(0.2, LOOP_NORMAL);
    Sound* stream = tone(0.25, CREATESTREAM | LOOP_NORMAL);
    Channel blipChannel, loopChannel, streamChannel;
    ASSERT_EQ(system->playSound(blip, false, &blipChannel), OK);
    ASSERT_EQ(system->playSound(loop, false, &loopChannel), OK);
    ASSERT_EQ(system->playSound(stream, false, &streamChannel), OK);
    // The caller is busy for 1.2 s without any update; the stream must keep flowing.
    const auto busy = hold(1.2);

    bool paused = false;
    EXPECT_EQ(blipChannel.getPaused(&paused), ERR_INVALID_HANDLE);
    EXPECT_EQ(blipChannel.setPaused(false), ERR_INVALID_HANDLE) << "an ended one-shot cannot be resumed";
    ASSERT_EQ(loopChannel.getPaused(&paused), OK) << "a loop outlives twice its length";
    EXPECT_FALSE(paused);
    ASSERT_EQ(streamChannel.getPaused(&paused), OK);
    EXPECT_FALSE(paused);
    // An ended channel stays ended although its place is handed out again.
    Channel again;
    ASSERT_EQ(system->playSound(blip, true, &again), OK);
    EXPECT_EQ(blipChannel.getPaused(&paused), ERR_INVALID_HANDLE);

    ASSERT_EQ(loopChannel.stop(), OK);
    EXPECT_EQ(loopChannel.getPaused(&paused), ERR_INVALID_HANDLE);
    const auto streamOnly = hold(0.9);
    // Releasing a sound that still plays stops its channel first.
    EXPECT_EQ(stream->release(), OK);
    EXPECT_EQ(streamChannel.getPaused(&paused), ERR_INVALID_HANDLE);
    const auto released = hold(0.3);
    EXPECT_EQ(system->update(), OK);

    const std::vector<float> out = finish();
    for (double t = busy.first; t < busy.second - 0.05; t += 0.05)
        EXPECT_GT(soundtest::rms(out, t, t + 0.05), 0.2) << "silence at " << t << " s";
    for (double t = streamOnly.first; t < streamOnly.second - 0.05; t += 0.05)
        EXPECT_NEAR(soundtest::rms(out, t, t + 0.05), kToneLevel, 0.05) << "stream level at " << t << " s";
    EXPECT_EQ(rms(out, released), 0.0);
}

TEST_F(SoundLibTest, FloatFileSoundsLikeItsIntegerTwin)
{
    open();
    const std::string path = writeTone(dir.path() / "float.wav", 400.0, 1.0, 0.5, kRate, SF_FORMAT_FLOAT);
    Sound* sample = nullptr;
    Sound* stream = nullptr;
    ASSERT_EQ(system->createSound(path, MODE_DEFAULT, &sample), OK);
    ASSERT_EQ(system->createSound(path, CREATESTREAM, &stream), OK);
    Channel channel;
    ASSERT_EQ(system->playSound(sample, false, &channel), OK);
    const auto sampled = hold(0.3);
    ASSERT_EQ(channel.stop(), OK);
    ASSERT_EQ(system->playSound(stream, false, &channel), OK);
    const auto streamed = hold(0.3);

    const std::vector<float> out = finish();
    EXPECT_NEAR(rms(out, sampled), kToneLevel, 0.03);
    EXPECT_NEAR(rms(out, streamed), kToneLevel, 0.03);
}

TEST_F(SoundLibTest, FailuresAreReported)
{
    Channel none;
    bool paused = false;
    EXPECT_FALSE(static_cast<bool>(none));
    EXPECT_EQ(none.getPaused(&paused), ERR_INVALID_HANDLE);
    EXPECT_EQ(none.setFrequency(1.0f), ERR_INVALID_HANDLE);

    Sound* sound = nullptr;
    const std::string text = dir.write("notes.wav", "this is not a sound\n");
    EXPECT_EQ(system->createSound(text, MODE_DEFAULT, &sound), ERR_UNINITIALIZED);
    {
        NoOutputDevice noDevice;
        EXPECT_EQ(system->init(64), ERR_OUTPUT_INIT);
    }
    open();
    EXPECT_EQ(system->init(64), ERR_INITIALIZED);
    EXPECT_EQ(system->createSound((dir.path() / "missing.wav").string(), MODE_DEFAULT, &sound), ERR_FILE_NOT_FOUND);
    EXPECT_EQ(sound, nullptr);
    EXPECT_EQ(system->createSound(text, CREATESTREAM, &sound), ERR_FORMAT);
    const std::string empty = writeTone(dir.path() / "empty.wav", 400.0, 0.0);
    EXPECT_EQ(system->createSound(empty, MODE_DEFAULT, &sound), ERR_FILE_BAD);
    EXPECT_EQ(system->createSound(empty, CREATESTREAM | LOOP_NORMAL, &sound), ERR_FILE_BAD);
    Channel channel;
    EXPECT_EQ(system->playSound(nullptr, true, &channel), ERR_INVALID_PARAM);
    EXPECT_FALSE(static_cast<bool>(channel));
}
