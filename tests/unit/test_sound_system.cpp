// The game's sound slots on top of the sound library, heard through the wave writer.
#include "SoundTestOutput.h"
#include "TempDir.h"

#include "platform/AssetFiles.h"
#include "audio/AudioSettings.h"
#include "audio/SoundSystem.h"
#include "app/Window.h"

#include <gtest/gtest.h>

using namespace SoundLib;
using namespace soundtest;

namespace {

void resetSoundSettings()
{
    gSoundEnabled = true;
    gSoundMuted = false;
    gMasterVolume = 1.0f;
    gMusicVolume = gEffectsVolume = gVoiceVolume = 0.5f;
}

class SoundSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        outputDir();
        savedAssetsDir = gAssetsDir;
        gAssetsDir = dir.path().string();
        resetSoundSettings();
    }
    void TearDown() override
    {
        gSound = nullptr;
        delete sound;
        gAssetsDir = savedAssetsDir;
        resetSoundSettings();
    }

    void writeTable(const std::string& skip = "") { writeToneTable(dir.path(), skip); }

    void writeSound(const std::string& file, double seconds, double hz = 400.0)
    {
        writeTone(dir.path() / "sounds" / file, hz, seconds);
    }

    // Makes the sound system and returns what it printed.
    std::string create()
    {
        testing::internal::CaptureStdout();
        sound = new SoundSystem();
        return testing::internal::GetCapturedStdout();
    }

    std::vector<float> finish()
    {
        delete sound;
        sound = nullptr;
        return readOutput();
    }

    // Every call of a sound system that is not ready must be a silent no-op.
    void expectInert(SoundSystem& s)
    {
        for (int slot = 0; slot < SOUND_SLOT_COUNT; ++slot) {
            EXPECT_TRUE(s.isPaused(slot)) << "slot " << slot;
            s.play(slot);
            s.setPaused(slot, false);
        }
        s.setGeigerFrequency(1000.0f);
        EXPECT_EQ(s.getGeigerFrequency(), 0.0f);
        s.pauseEffects();
        s.update();
        gSound = &s;
        SoundSystem::startLevelVoice("level/1/loading.mp3", "level/1/starting.mp3");
        applyChannelVolumes();
        gSound = nullptr;
        s.releaseLevelSounds();
    }

    TempDir dir;
    std::string savedAssetsDir;
    SoundSystem* sound = nullptr;
};

} // namespace

TEST_F(SoundSystemTest, WithoutSoundItSaysSoOnceAndEveryCallIsSafe)
{
    writeTable();
    for (const bool enabled : {false, true}) {
        gSoundEnabled = enabled;
        NoOutputDevice noDevice;
        testing::internal::CaptureStdout();
        {
            SoundSystem s;
            EXPECT_FALSE(s.ready);
            EXPECT_EQ(s.system, nullptr);
            expectInert(s);
            // The level start asks for its music: refused, not a crash.
            EXPECT_FALSE(s.load(SOUND_LEVEL_MUSIC, CREATESTREAM | LOOP_NORMAL, SOUND_MUSIC, "intro.wav"));
        }
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  enabled ? "ERROR: SOUND: Failed to init sound system: (4) Error initializing output device.\n"
                          : "Sound is disabled via ini file\n");
    }
}

TEST_F(SoundSystemTest, MissingTableFileStopsTheLoading)
{
    writeTable("click.wav");
    EXPECT_EQ(create(), "ERROR: SOUND: Failed to load sound \"click.wav\": (6) File not found.\n");
    EXPECT_FALSE(sound->ready);
    for (int slot : {2, 3, 4, 5})
        EXPECT_NE(sound->sounds[slot], nullptr) << "slot " << slot;
    for (int slot = 6; slot <= 21; ++slot)
        EXPECT_EQ(sound->sounds[slot], nullptr) << "slot " << slot;
    EXPECT_EQ(sound->sounds[0], nullptr);
    testing::internal::CaptureStdout();
    expectInert(*sound);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    const double to = outputTime();
    EXPECT_EQ(rms(finish(), 0.0, to), 0.0);
}

TEST_F(SoundSystemTest, TableLoadsPausedAndFollowsTheVolumes)
{
    writeTable();
    gMasterVolume = 0.5f;
    gMusicVolume = 0.8f;
    gEffectsVolume = 0.4f;
    gVoiceVolume = 0.5f;
    ASSERT_EQ(create(), "");
    ASSERT_TRUE(sound->ready);
    for (int i = 0; i < 21; ++i) {
        const int slot = kTableSlots[i];
        EXPECT_TRUE(sound->channels[slot]) << kTableFiles[i];
        EXPECT_TRUE(sound->isPaused(slot)) << kTableFiles[i];
        EXPECT_EQ(sound->looping[slot], isLoop(slot)) << kTableFiles[i];
        EXPECT_EQ(sound->categories[slot], slot == 0 ? SOUND_MUSIC : slot <= 9 ? SOUND_EFFECTS : SOUND_VOICE);
    }
    EXPECT_FLOAT_EQ(sound->getVolume(SOUND_RADAR_OFFLINE), 0.25f);
    EXPECT_FLOAT_EQ(sound->getVolume(SOUND_INTRO_MUSIC), 0.4f);
    EXPECT_FLOAT_EQ(sound->getVolume(SOUND_GEIGER), 0.2f);
    EXPECT_FLOAT_EQ(sound->getGeigerFrequency(), 44100.0f);
    waitOutput(0.3);
    const double silentTo = outputTime();

    gSound = sound;
    sound->play(SOUND_CONTROL_THRUSTERS);
    EXPECT_FALSE(sound->isPaused(SOUND_CONTROL_THRUSTERS));
    const double halfFrom = outputTime();
    waitOutput(0.3);
    const double halfTo = outputTime();
    gMasterVolume = 1.0f;   // the volume keys: master up, then mute
    applyChannelVolumes();
    const double fullFrom = outputTime();
    waitOutput(0.3);
    const double fullTo = outputTime();
    gSoundMuted = true;
    applyChannelVolumes();
    const double mutedFrom = outputTime();
    waitOutput(0.2);
    sound->play(SOUND_MAIN_THRUSTER);   // played while muted: restarts at volume 0
    EXPECT_FALSE(sound->isPaused(SOUND_MAIN_THRUSTER));
    waitOutput(0.2);
    const double mutedTo = outputTime();

    const std::vector<float> out = finish();
    EXPECT_EQ(rms(out, 0.0, silentTo), 0.0) << "loaded slots stay paused";
    EXPECT_NEAR(rms(out, halfFrom + 0.05, halfTo), 0.2 * kToneLevel, 0.02);
    EXPECT_NEAR(rms(out, fullFrom + 0.05, fullTo), 0.4 * kToneLevel, 0.02);
    EXPECT_EQ(rms(out, mutedFrom + 0.05, mutedTo), 0.0);
}

TEST_F(SoundSystemTest, PauseEffectsRestsEffectsAndVoicesButNotMusic)
{
    writeTable();
    ASSERT_EQ(create(), "");
    ASSERT_TRUE(sound->ready);
    sound->play(SOUND_LOW_FUEL);
    waitOutput(0.4);
    bool paused = false;
    EXPECT_EQ(sound->channels[SOUND_LOW_FUEL].getPaused(&paused), ERR_INVALID_HANDLE) << "the voice has played out";
    EXPECT_TRUE(sound->isPaused(SOUND_LOW_FUEL));

    sound->play(SOUND_INTRO_MUSIC);
    sound->play(SOUND_CONTROL_THRUSTERS);
    sound->play(SOUND_GEIGER);
    sound->play(SOUND_EXPLOSION);
    waitOutput(0.1);
    sound->pauseEffects();
    const double pausedFrom = outputTime();

    EXPECT_FALSE(sound->isPaused(SOUND_INTRO_MUSIC));
    for (int slot : {SOUND_CONTROL_THRUSTERS, SOUND_GEIGER, SOUND_EXPLOSION, SOUND_LOW_FUEL}) {
        ASSERT_EQ(sound->channels[slot].getPaused(&paused), OK) << "slot " << slot << " keeps a live channel";
        EXPECT_TRUE(paused) << "slot " << slot;
    }
    waitOutput(0.3);
    const double pausedTo = outputTime();
    // The one-shots were rewound and re-armed: unpaused they play again.
    sound->setPaused(SOUND_LOW_FUEL, false);
    EXPECT_FALSE(sound->isPaused(SOUND_LOW_FUEL));

    const std::vector<float> out = finish();
    EXPECT_NEAR(rms(out, pausedFrom + 0.05, pausedTo), 0.5 * kToneLevel, 0.02) << "only the music is left";
}

TEST_F(SoundSystemTest, LevelMusicAndVoicesComeAndGo)
{
    writeTable();
    writeSound("ganymed.mp3", 0.5, 600.0);
    writeSound("level/1/loading.mp3", 3.0);
    writeSound("level/1/starting.mp3", 0.25);
    ASSERT_EQ(create(), "");
    ASSERT_TRUE(sound->ready);
    gSound = sound;

    testing::internal::CaptureStdout();
    ASSERT_TRUE(sound->load(SOUND_LEVEL_MUSIC, CREATESTREAM | LOOP_NORMAL, SOUND_MUSIC, "ganymed.mp3"));
    EXPECT_TRUE(sound->looping[SOUND_LEVEL_MUSIC]);
    EXPECT_TRUE(sound->isPaused(SOUND_LEVEL_MUSIC));
    sound->setPaused(SOUND_LEVEL_MUSIC, false);
    SoundSystem::startLevelVoice("level/1/loading.mp3", "level/1/starting.mp3");
    EXPECT_FALSE(sound->isPaused(SOUND_LEVEL_LOADING_VOICE));
    EXPECT_TRUE(sound->channels[SOUND_LEVEL_STARTING_VOICE]);
    EXPECT_TRUE(sound->isPaused(SOUND_LEVEL_STARTING_VOICE));
    EXPECT_EQ(sound->categories[SOUND_LEVEL_STARTING_VOICE], SOUND_VOICE);
    waitOutput(0.2);

    // Loading the music again replaces the playing one instead of leaving it running:
    // only the loading voice is heard until the new music is unpaused.
    ASSERT_TRUE(sound->load(SOUND_LEVEL_MUSIC, CREATESTREAM | LOOP_NORMAL, SOUND_MUSIC, "ganymed.mp3"));
    const double reloadedFrom = outputTime();
    waitOutput(0.3);
    const double reloadedTo = outputTime();
    EXPECT_FALSE(sound->isPaused(SOUND_LEVEL_LOADING_VOICE));
    sound->releaseLevelSounds();
    const double releasedFrom = outputTime();
    for (int slot : {SOUND_LEVEL_MUSIC, SOUND_LEVEL_LOADING_VOICE, SOUND_LEVEL_STARTING_VOICE}) {
        EXPECT_EQ(sound->sounds[slot], nullptr);
        EXPECT_FALSE(sound->channels[slot]);
        EXPECT_TRUE(sound->isPaused(slot));
    }
    waitOutput(0.3);
    const double releasedTo = outputTime();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    // The end screen has no second voice; a missing voice is reported and nothing else loads.
    testing::internal::CaptureStdout();
    SoundSystem::startLevelVoice("level/end/loading.mp3", "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR: SOUND: Failed to load sound \"level/end/loading.mp3\": (6) File not found.\n");
    EXPECT_EQ(sound->sounds[SOUND_LEVEL_LOADING_VOICE], nullptr);
    EXPECT_EQ(sound->sounds[SOUND_LEVEL_STARTING_VOICE], nullptr);

    const std::vector<float> out = finish();
    EXPECT_NEAR(rms(out, reloadedFrom + 0.05, reloadedTo), 0.5 * kToneLevel, 0.02);
    EXPECT_EQ(rms(out, releasedFrom + 0.05, releasedTo), 0.0);
}
