// Sound settings shared by the sound system and the volume keys.
#pragma once

extern bool gSoundEnabled;      // false: the sound system stays silent
extern bool gSoundMuted;        // every channel at volume 0
extern float gMasterVolume;     // 0 .. gMasterVolumeMax
extern float gMasterVolumeMax;  // upper bound of the volume keys
extern float gMusicVolume;      // category 0
extern float gEffectsVolume;    // category 1
extern float gVoiceVolume;      // category 2
