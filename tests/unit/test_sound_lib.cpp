// The sound library against OpenAL Soft's wave writer: what is played is what is heard.
#include "SoundTestOutput.h"
#include "TempDir.h"

#include "SoundLib.h"

#include <gtest/gtest.h>

#include <set>

using namespace SoundLib;
using namespace soundtest;

namespace {

class SoundLibTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        outputDir();
        tone = writeTone(dir.path() / "tone.wav", 400.0, 1.0);   // 400 whole cycles: loops cleanly
    }
    void TearDown() override
    {
        if (system)
            system->release();
    }

    // Opens the output; the clock starts with the output file.
    void open()
    {
        ASSERT_EQ(systemCreate(&system), OK);
        clock = Clock();
        ASSERT_EQ(system->init(64), OK);
    }

    // Closes the output and returns everything it played.
    std::vector<float> finish()
    {
        EXPECT_EQ(system->release(), OK);
        system = nullptr;
        return readOutput();
    }

    Sound* load(const std::string& path, Mode mode)
    {
        Sound* sound = nullptr;
        EXPECT_EQ(system->createSound(path, mode, &sound), OK) << path;
        return sound;
    }

    // Level of a sound played at a volume for a while, measured in the middle.
    double levelAt(float volume)
    {
        open();
        Sound* sound = load(tone, LOOP_NORMAL);
        Channel channel;
        EXPECT_EQ(system->playSound(sound, true, &channel), OK);
        EXPECT_EQ(channel.setVolume(volume), OK);
        EXPECT_EQ(channel.setPaused(false), OK);
        const double from = clock.now();
        sleepSeconds(0.35);
        const double to = clock.now();
        return rms(finish(), from + 0.08, to - 0.03);
    }

    TempDir dir;
    std::string tone;
    System* system = nullptr;
    Clock clock;
};

} // namespace

TEST_F(SoundLibTest, PausedChannelIsSilentAndKeepsItsPlace)
{
    // A 0.6 s one-shot: played 0.3 s, paused 0.8 s, then resumed. It must be silent while
    // paused, sound again afterwards, and end about 0.3 s later (not 0.6 s: no restart).
    writeTone(dir.path() / "short.wav", 400.0, 0.6);
    open();
    Sound* sound = load((dir.path() / "short.wav").string(), MODE_DEFAULT);
    Channel channel;
    ASSERT_EQ(system->playSound(sound, true, &channel), OK);
    bool paused = false;
    ASSERT_EQ(channel.getPaused(&paused), OK);
    EXPECT_TRUE(paused);
    sleepSeconds(0.3);
    const double armedUntil = clock.now();

    ASSERT_EQ(channel.setPaused(false), OK);
    const double playFrom = clock.now();
    sleepSeconds(0.3);
    ASSERT_EQ(channel.setPaused(true), OK);
    const double pauseFrom = clock.now();
    sleepSeconds(0.8);
    const double pauseTo = clock.now();
    ASSERT_EQ(channel.getPaused(&paused), OK) << "a paused one-shot must not end";
    EXPECT_TRUE(paused);

    ASSERT_EQ(channel.setPaused(false), OK);
    const double resumeFrom = clock.now();
    sleepSeconds(0.12);
    EXPECT_EQ(channel.getPaused(&paused), OK);
    sleepSeconds(0.38);
    EXPECT_EQ(channel.getPaused(&paused), ERR_INVALID_HANDLE) << "the rest of the sound should have played out";

    const std::vector<float> out = finish();
    EXPECT_EQ(rms(out, 0.05, armedUntil - 0.03), 0.0);
    EXPECT_GT(rms(out, playFrom + 0.06, pauseFrom - 0.03), 0.2);
    EXPECT_EQ(rms(out, pauseFrom + 0.06, pauseTo - 0.03), 0.0);
    EXPECT_GT(rms(out, resumeFrom + 0.06, resumeFrom + 0.12), 0.2);
}

TEST_F(SoundLibTest, VolumeScalesTheLevel)
{
    const double full = levelAt(1.0f);
    ASSERT_GT(full, 0.2);
    EXPECT_NEAR(levelAt(0.25f) / full, 0.25, 0.03);
    EXPECT_NEAR(levelAt(1.8f) / full, 1.8, 0.1) << "volumes above 1 amplify";
    EXPECT_EQ(levelAt(-1.0f), 0.0) << "negative volumes are silence";
}

TEST_F(SoundLibTest, FrequencySetsThePitch)
{
    open();
    Sound* sound = load(tone, LOOP_NORMAL);
    Channel channel;
    ASSERT_EQ(system->playSound(sound, false, &channel), OK);
    float hz = 0.0f;
    ASSERT_EQ(channel.getFrequency(&hz), OK);
    EXPECT_EQ(hz, 44100.0f) << "a channel starts at the file's rate";
    sleepSeconds(0.3);
    const double normalTo = clock.now();

    ASSERT_EQ(channel.setFrequency(88200.0f), OK);
    const double doubleFrom = clock.now();
    sleepSeconds(0.3);
    const double doubleTo = clock.now();

    ASSERT_EQ(channel.setFrequency(132300.0f), OK);   // the Geiger counter's top rate
    const double tripleFrom = clock.now();
    sleepSeconds(0.3);
    const double tripleTo = clock.now();

    // Out-of-range requests are clamped for playback but remembered as asked.
    EXPECT_EQ(channel.setFrequency(-500.0f), OK);
    EXPECT_EQ(channel.getFrequency(&hz), OK);
    EXPECT_EQ(hz, -500.0f);
    bool paused = true;
    EXPECT_EQ(channel.getPaused(&paused), OK);
    EXPECT_FALSE(paused);

    const std::vector<float> out = finish();
    EXPECT_NEAR(toneFrequency(out, 0.1, normalTo - 0.03), 400.0, 4.0);
    EXPECT_NEAR(toneFrequency(out, doubleFrom + 0.06, doubleTo - 0.03), 800.0, 8.0);
    EXPECT_NEAR(toneFrequency(out, tripleFrom + 0.06, tripleTo - 0.03), 1200.0, 12.0);
}

TEST_F(SoundLibTest, OneShotEndsItsChannelLoopsAndStreamsGoOn)
{
    writeTone(dir.path() / "blip.wav", 400.0, 0.15);
    writeTone(dir.path() / "loop.wav", 400.0, 0.2);
    writeTone(dir.path() / "stream.wav", 400.0, 0.25);
    open();
    Sound* blip = load((dir.path() / "blip.wav").string(), MODE_DEFAULT);
    Sound* loop = load((dir.path() / "loop.wav").string(), LOOP_NORMAL);
    Sound* stream = load((dir.path() / "stream.wav").string(), CREATESTREAM | LOOP_NORMAL);
    Channel blipChannel, loopChannel, streamChannel;
    ASSERT_EQ(system->playSound(blip, false, &blipChannel), OK);
    ASSERT_EQ(system->playSound(loop, false, &loopChannel), OK);
    ASSERT_EQ(system->playSound(stream, false, &streamChannel), OK);
    const double start = clock.now();

    // The main thread is busy for 1.2 s: no update, yet the stream must keep flowing.
    sleepSeconds(1.2);
    const double end = clock.now();

    bool paused = false;
    EXPECT_EQ(blipChannel.getPaused(&paused), ERR_INVALID_HANDLE);
    EXPECT_EQ(blipChannel.setPaused(false), ERR_INVALID_HANDLE) << "an ended one-shot cannot be resumed";
    EXPECT_EQ(blipChannel.setVolume(1.0f), ERR_INVALID_HANDLE);
    EXPECT_EQ(blipChannel.stop(), ERR_INVALID_HANDLE);
    ASSERT_EQ(loopChannel.getPaused(&paused), OK) << "a loop outlives twice its length";
    EXPECT_FALSE(paused);
    ASSERT_EQ(streamChannel.getPaused(&paused), OK);
    EXPECT_FALSE(paused);

    // A channel that ended stays ended although its place is handed out again.
    Channel again;
    ASSERT_EQ(system->playSound(blip, true, &again), OK);
    EXPECT_EQ(again.getPaused(&paused), OK);
    EXPECT_EQ(blipChannel.getPaused(&paused), ERR_INVALID_HANDLE);

    // Only the stream keeps sounding after the loop stops: no gap anywhere in it.
    ASSERT_EQ(loopChannel.stop(), OK);
    EXPECT_EQ(loopChannel.getPaused(&paused), ERR_INVALID_HANDLE);
    const double streamOnlyFrom = clock.now();
    sleepSeconds(0.9);
    const double streamOnlyTo = clock.now();
    EXPECT_EQ(system->update(), OK);

    const std::vector<float> out = finish();
    for (double t = start + 0.1; t < end - 0.05; t += 0.05)
        EXPECT_GT(rms(out, t, t + 0.05), 0.2) << "silence at " << t << " s";
    for (double t = streamOnlyFrom + 0.06; t < streamOnlyTo - 0.05; t += 0.05)
        EXPECT_NEAR(rms(out, t, t + 0.05), 0.5 / std::sqrt(2.0), 0.05) << "stream level at " << t << " s";
}

TEST_F(SoundLibTest, ReleasingAPlayingSoundSilencesIt)
{
    open();
    Sound* loop = load(tone, LOOP_NORMAL);
    Sound* stream = load(tone, CREATESTREAM | LOOP_NORMAL);
    Channel loopChannel, streamChannel;
    ASSERT_EQ(system->playSound(loop, false, &loopChannel), OK);
    ASSERT_EQ(system->playSound(stream, false, &streamChannel), OK);
    sleepSeconds(0.2);
    EXPECT_EQ(loop->release(), OK);
    EXPECT_EQ(stream->release(), OK);
    const double releasedAt = clock.now();
    bool paused = false;
    EXPECT_EQ(loopChannel.getPaused(&paused), ERR_INVALID_HANDLE);
    EXPECT_EQ(streamChannel.getPaused(&paused), ERR_INVALID_HANDLE);
    sleepSeconds(0.3);
    const double to = clock.now();
    const std::vector<float> out = finish();
    EXPECT_GT(rms(out, 0.08, releasedAt - 0.05), 0.2);
    EXPECT_EQ(rms(out, releasedAt + 0.06, to - 0.03), 0.0);
}

TEST_F(SoundLibTest, PlayingAStreamAgainRestartsIt)
{
    open();
    Sound* stream = load(tone, CREATESTREAM | LOOP_NORMAL);
    Channel first, second;
    ASSERT_EQ(system->playSound(stream, false, &first), OK);
    ASSERT_EQ(system->playSound(stream, false, &second), OK);
    bool paused = false;
    EXPECT_EQ(first.getPaused(&paused), ERR_INVALID_HANDLE);
    EXPECT_EQ(second.getPaused(&paused), OK);
    sleepSeconds(0.3);
    const double to = clock.now();
    // One stream at a time: the level is that of one channel, not two.
    EXPECT_NEAR(rms(finish(), 0.1, to - 0.03), 0.5 / std::sqrt(2.0), 0.05);
}

TEST_F(SoundLibTest, FailuresAreReportedNotHidden)
{
    Channel none;
    bool paused = false;
    float hz = 0.0f;
    EXPECT_FALSE(static_cast<bool>(none));
    EXPECT_EQ(none.getPaused(&paused), ERR_INVALID_HANDLE);
    EXPECT_EQ(none.setPaused(false), ERR_INVALID_HANDLE);
    EXPECT_EQ(none.setFrequency(1.0f), ERR_INVALID_HANDLE);
    EXPECT_EQ(none.getFrequency(&hz), ERR_INVALID_HANDLE);

    ASSERT_EQ(systemCreate(&system), OK);
    Sound* sound = nullptr;
    EXPECT_EQ(system->createSound(tone, MODE_DEFAULT, &sound), ERR_UNINITIALIZED);
    EXPECT_EQ(system->update(), ERR_UNINITIALIZED);
    {
        NoOutputDevice noDevice;
        EXPECT_EQ(system->init(64), ERR_OUTPUT_INIT);
    }
    ASSERT_EQ(system->init(64), OK);
    EXPECT_EQ(system->init(64), ERR_INITIALIZED);

    EXPECT_EQ(system->createSound((dir.path() / "missing.wav").string(), MODE_DEFAULT, &sound), ERR_FILE_NOT_FOUND);
    EXPECT_EQ(sound, nullptr);
    const std::string text = dir.write("notes.wav", "this is not a sound\n");
    EXPECT_EQ(system->createSound(text, MODE_DEFAULT, &sound), ERR_FORMAT);
    EXPECT_EQ(system->createSound(text, CREATESTREAM, &sound), ERR_FORMAT);
    const std::string empty = writeTone(dir.path() / "empty.wav", 400.0, 0.0);
    EXPECT_EQ(system->createSound(empty, MODE_DEFAULT, &sound), ERR_FILE_BAD);
    EXPECT_EQ(system->createSound(empty, CREATESTREAM | LOOP_NORMAL, &sound), ERR_FILE_BAD);

    // Names written with Windows habits still find the file.
    const std::string shouted = (dir.path() / "TONE.WAV").string();
    EXPECT_EQ(system->createSound(shouted, MODE_DEFAULT, &sound), OK);

    Channel channel;
    EXPECT_EQ(system->playSound(nullptr, true, &channel), ERR_INVALID_PARAM);
    EXPECT_FALSE(static_cast<bool>(channel));
    EXPECT_EQ(system->playSound(sound, true, nullptr), ERR_INVALID_PARAM);

    std::set<std::string> texts;
    for (int code = OK; code <= ERR_THREAD; ++code)
        texts.insert(errorString(static_cast<Result>(code)));
    EXPECT_EQ(texts.size(), static_cast<size_t>(ERR_THREAD) + 1) << "every code has its own text";
}
