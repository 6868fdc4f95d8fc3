#include "audio/SoundSystem.h"

#include "platform/AssetFiles.h"
#include "audio/AudioSettings.h"

#include <iostream>

SoundSystem* gSound = nullptr;

namespace {

using namespace SoundLib;

struct TableRow {
    int slot;
    Mode mode;
    int category;
    const char* file;
};

// Loaded in this order at start-up; the first file that fails stops the loading.
const TableRow kTable[] = {
    {SOUND_CONTROL_THRUSTERS, LOOP_NORMAL, SOUND_EFFECTS, "ControlThrusters.wav"},
    {SOUND_MAIN_THRUSTER, LOOP_NORMAL, SOUND_EFFECTS, "MainThruster.wav"},
    {SOUND_EXPLOSION, MODE_DEFAULT, SOUND_EFFECTS, "Explosion.mp3"},
    {SOUND_LAUNCH_EMP, MODE_DEFAULT, SOUND_EFFECTS, "LaunchEMP.mp3"},
    {SOUND_CLICK, MODE_DEFAULT, SOUND_EFFECTS, "click.wav"},
    {SOUND_DRIVING, LOOP_NORMAL, SOUND_EFFECTS, "driving.mp3"},
    {SOUND_BUBBLES, LOOP_NORMAL, SOUND_EFFECTS, "bubbles.mp3"},
    {SOUND_GEIGER, LOOP_NORMAL, SOUND_EFFECTS, "geiger.wav"},
    {SOUND_RADAR_OFFLINE, MODE_DEFAULT, SOUND_VOICE, "speech/radar_offline.mp3"},
    {SOUND_DAMPING_OFFLINE, MODE_DEFAULT, SOUND_VOICE, "speech/damping_offline.mp3"},
    {SOUND_AUXILIARY_OFFLINE, MODE_DEFAULT, SOUND_VOICE, "speech/auxiliary_offline.mp3"},
    {SOUND_COMPASS_OFFLINE, MODE_DEFAULT, SOUND_VOICE, "speech/compass_offline.mp3"},
    {SOUND_LIGHTS_OFFLINE, MODE_DEFAULT, SOUND_VOICE, "speech/lights_offline.mp3"},
    {SOUND_SEPARATION, MODE_DEFAULT, SOUND_VOICE, "speech/separation.mp3"},
    {SOUND_LOW_FUEL, MODE_DEFAULT, SOUND_VOICE, "speech/low_fuel.mp3"},
    {SOUND_FUEL, MODE_DEFAULT, SOUND_VOICE, "speech/fuel.mp3"},
    {SOUND_ALL_SYSTEMS_ONLINE, MODE_DEFAULT, SOUND_VOICE, "speech/all_systems_online.mp3"},
    {SOUND_EMPS_RECHARGED, MODE_DEFAULT, SOUND_VOICE, "speech/emps_recharded.mp3"},
    {SOUND_NO_BOMBS, MODE_DEFAULT, SOUND_VOICE, "speech/no_bombs.mp3"},
    {SOUND_GROUNDSPEED, MODE_DEFAULT, SOUND_VOICE, "speech/groundspeed.mp3"},
    {SOUND_INTRO_MUSIC, CREATESTREAM | LOOP_NORMAL, SOUND_MUSIC, "intro.wav"},
};

} // namespace

void printSoundError(const std::string& message, Result result)
{
    std::cout << "ERROR: " << message << static_cast<int>(result) << ") " << errorString(result) << std::endl;
}

SoundSystem::SoundSystem()
{
    if (!gSoundEnabled) {
        std::cout << "Sound is disabled via ini file" << std::endl;
        return;
    }
    Result result = systemCreate(&system);
    if (result != OK) {
        printSoundError("SOUND: Failed to create sound system: (", result);
        system = nullptr;
        return;
    }
    result = system->init(512);
    if (result != OK) {
        printSoundError("SOUND: Failed to init sound system: (", result);
        // Without an output there is nothing to load into; drop the object at once.
        system->release();
        system = nullptr;
        return;
    }
    for (const TableRow& row : kTable)
        if (!load(row.slot, row.mode, row.category, row.file))
            return;
    ready = true;
}

SoundSystem::~SoundSystem()
{
    // Closed whenever it exists: a table that failed half-way still holds an open output.
    if (system) {
        system->close();
        system->release();
    }
    system = nullptr;
    ready = false;
}

void SoundSystem::releaseSlot(int slot)
{
    if (sounds[slot])
        sounds[slot]->release();
    sounds[slot] = nullptr;
    channels[slot] = Channel();
}

bool SoundSystem::load(int slot, Mode mode, int category, const std::string& file)
{
    if (!system || !validSlot(slot))
        return false;
    categories[slot] = category;
    looping[slot] = (mode & (LOOP_NORMAL | LOOP_BIDI)) != 0;
    const float volume = getVolume(slot);
    // A slot owns one sound: whatever it held before must not keep playing unreachable.
    releaseSlot(slot);

    Result result = system->createSound(gAssetsDir + "/sounds/" + file, mode, &sounds[slot]);
    if (result != OK) {
        sounds[slot] = nullptr;
        printSoundError("SOUND: Failed to load sound \"" + file + "\": (", result);
        return false;
    }
    result = system->playSound(sounds[slot], true, &channels[slot]);
    if (result != OK) {
        printSoundError("ERROR: Failed to play sound: (", result);
        return false;
    }
    result = channels[slot].setVolume(volume);
    if (result != OK) {
        printSoundError("ERROR: Failed to set volume: (", result);
        return false;
    }
    return true;
}

float SoundSystem::getVolume(int slot) const
{
    if (gSoundMuted)
        return 0.0f;
    const int category = validSlot(slot) ? categories[slot] : SOUND_MUSIC;
    if (category == SOUND_MUSIC)
        return gMasterVolume * gMusicVolume;
    if (category == SOUND_EFFECTS)
        return gMasterVolume * gEffectsVolume;
    return gMasterVolume * gVoiceVolume;
}

void SoundSystem::play(int slot)
{
    if (!hasChannel(slot))
        return;
    channels[slot].stop();
    system->playSound(sounds[slot], true, &channels[slot]);
    channels[slot].setVolume(getVolume(slot));
    channels[slot].setPaused(false);
}

bool SoundSystem::isPaused(int slot) const
{
    if (!hasChannel(slot))
        return true;
    bool paused = true;
    if (channels[slot].getPaused(&paused) != OK)
        return true;
    return paused;
}

void SoundSystem::setPaused(int slot, bool paused)
{
    if (hasChannel(slot))
        channels[slot].setPaused(paused);
}

void SoundSystem::setGeigerFrequency(float hz)
{
    if (hasChannel(SOUND_GEIGER))
        channels[SOUND_GEIGER].setFrequency(hz);
}

float SoundSystem::getGeigerFrequency() const
{
    if (!hasChannel(SOUND_GEIGER))
        return 0.0f;
    float hz = 0.0f;
    if (channels[SOUND_GEIGER].getFrequency(&hz) != OK)
        return 0.0f;
    return hz;
}

void SoundSystem::pauseEffects()
{
    for (int slot = 0; slot < SOUND_SLOT_COUNT; ++slot) {
        if (categories[slot] != SOUND_EFFECTS && categories[slot] != SOUND_VOICE)
            continue;
        if (!hasChannel(slot))
            continue;
        if (looping[slot]) {
            channels[slot].setPaused(true);
        } else {
            channels[slot].stop();
            system->playSound(sounds[slot], true, &channels[slot]);
            channels[slot].setVolume(getVolume(slot));
        }
    }
}

void SoundSystem::startLevelVoice(const std::string& loadingFile, const std::string& startingFile)
{
    SoundSystem* sound = gSound;
    if (!sound || !sound->ready)
        return;
    if (!sound->load(SOUND_LEVEL_LOADING_VOICE, MODE_DEFAULT, SOUND_VOICE, loadingFile))
        return;
    const Result result = sound->channels[SOUND_LEVEL_LOADING_VOICE].setPaused(false);
    if (result != OK) {
        printSoundError("ERROR: Failed to start level loading voice: (", result);
        return;
    }
    if (!startingFile.empty())
        sound->load(SOUND_LEVEL_STARTING_VOICE, MODE_DEFAULT, SOUND_VOICE, startingFile);
}

void SoundSystem::releaseLevelSounds()
{
    if (!ready)
        return;
    for (int slot : {SOUND_LEVEL_MUSIC, SOUND_LEVEL_LOADING_VOICE, SOUND_LEVEL_STARTING_VOICE})
        releaseSlot(slot);
}

void SoundSystem::update()
{
    if (ready)
        system->update();
}
