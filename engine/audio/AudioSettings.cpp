#include "audio/AudioSettings.h"

bool gSoundEnabled = true;
bool gSoundMuted = false;
float gMasterVolume = 1.0f;
float gMasterVolumeMax = 1.0f;
float gMusicVolume = 0.5f;
float gEffectsVolume = 0.5f;
float gVoiceVolume = 0.5f;
