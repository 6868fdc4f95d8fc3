// The game's sounds: 24 numbered slots, each with one sound and one channel. Slots 0 and
// 2 ... 21 are loaded from a fixed table when the system is made; slot 1 holds the level's
// music and slots 22 and 23 the level's two announcements. A loaded slot always has a
// channel, paused at the start of its sound until the slot is played.
#pragma once

#include "audio/SoundLib.h"

#include <string>

// Volume category of a slot.
enum SoundCategory {
    SOUND_MUSIC = 0,
    SOUND_EFFECTS = 1,
    SOUND_VOICE = 2,
};

// Slot numbers.
enum SoundSlot {
    SOUND_INTRO_MUSIC = 0,       // "intro.wav", the menu theme
    SOUND_LEVEL_MUSIC = 1,       // the level's music file
    SOUND_CONTROL_THRUSTERS = 2,
    SOUND_MAIN_THRUSTER = 3,
    SOUND_EXPLOSION = 4,
    SOUND_LAUNCH_EMP = 5,
    SOUND_CLICK = 6,
    SOUND_DRIVING = 7,
    SOUND_BUBBLES = 8,
    SOUND_GEIGER = 9,
    SOUND_RADAR_OFFLINE = 10,
    SOUND_DAMPING_OFFLINE = 11,
    SOUND_AUXILIARY_OFFLINE = 12,
    SOUND_COMPASS_OFFLINE = 13,
    SOUND_LIGHTS_OFFLINE = 14,
    SOUND_SEPARATION = 15,
    SOUND_LOW_FUEL = 16,
    SOUND_FUEL = 17,
    SOUND_ALL_SYSTEMS_ONLINE = 18,
    SOUND_EMPS_RECHARGED = 19,
    SOUND_NO_BOMBS = 20,
    SOUND_GROUNDSPEED = 21,
    SOUND_LEVEL_LOADING_VOICE = 22,
    SOUND_LEVEL_STARTING_VOICE = 23,
    SOUND_SLOT_COUNT = 24,
};

class SoundSystem {
public:
    // Creates the sound library and loads the fixed table; announces when sound is
    // disabled in the settings. Never ends the program: on any failure `ready` stays false.
    SoundSystem();
    ~SoundSystem();

    // Loads file (relative to the sounds folder) into the slot and gives it a paused
    // channel at the slot's volume. Prints the error line and returns false on failure.
    bool load(int slot, SoundLib::Mode mode, int category, const std::string& file);

    // 0 while muted, else the master volume times the slot's category volume.
    float getVolume(int slot) const;

    // Restarts the slot's sound from its beginning at the current volume.
    void play(int slot);
    // True also when not ready, without a channel, or when the channel has ended.
    bool isPaused(int slot) const;
    void setPaused(int slot, bool paused);

    // Playback frequency of the Geiger counter (slot 9), in Hz; 0 when unknown.
    void setGeigerFrequency(float hz);
    float getGeigerFrequency() const;

    // Pauses the looping effect and voice slots where they are and rewinds the others to a
    // paused start. Music is left alone.
    void pauseEffects();

    // Loads and starts the level's loading announcement (slot 22) on gSound, and loads its
    // starting announcement (slot 23) paused when startingFile is not empty.
    static void startLevelVoice(const std::string& loadingFile, const std::string& startingFile);

    // Frees the level music and the two level announcements (slots 1, 22, 23).
    void releaseLevelSounds();

    // Once per frame.
    void update();

    // Frees the slot's sound and forgets its channel.
    void releaseSlot(int slot);

    bool ready = false;
    SoundLib::System* system = nullptr;
    SoundLib::Sound* sounds[SOUND_SLOT_COUNT] = {};
    SoundLib::Channel channels[SOUND_SLOT_COUNT];
    int categories[SOUND_SLOT_COUNT] = {};
    bool looping[SOUND_SLOT_COUNT] = {};

private:
    bool validSlot(int slot) const { return slot >= 0 && slot < SOUND_SLOT_COUNT; }
    bool hasChannel(int slot) const { return ready && validSlot(slot) && channels[slot]; }
};

extern SoundSystem* gSound;

// "ERROR: " + message + code + ") " + the library's text for it, on standard output.
void printSoundError(const std::string& message, SoundLib::Result result);
