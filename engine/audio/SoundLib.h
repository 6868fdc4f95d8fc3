// The game's small sound library: a system with an output device, sounds made from
// WAV or MP3 files, and channels that play them. It sits on OpenAL Soft for mixing and
// libsndfile for decoding.
//
// Semantics the game relies on:
//  - playSound with paused = true hands out a channel that is silent and stays at the
//    start of its sound until it is unpaused; a paused channel keeps its position.
//  - stop ends a channel. A one-shot sound that plays to its end ends its channel too.
//    An ended channel answers every call with ERR_INVALID_HANDLE until the handle is
//    replaced by the next playSound.
//  - Looping sounds (LOOP_NORMAL or LOOP_BIDI) and streams play until stopped.
//  - Streams (CREATESTREAM) are decoded while they play, on the library's own thread, so
//    they keep playing while the caller is busy. A stream plays on one channel at a
//    time: playing it again ends its previous channel.
//  - Volumes above 1 amplify; negative volumes count as 0.
//  - Frequencies are in Hz; a channel starts at the file's sample rate.
//  - All calls come from one thread (the library's stream thread is its own business).
#pragma once

#include <string>

namespace SoundLib {

// Result codes of every operation; OK is 0, failures are positive.
enum Result {
    OK = 0,
    ERR_INVALID_PARAM = 1,    // an argument is null or out of range
    ERR_UNINITIALIZED = 2,    // the system has not been initialised, or was closed
    ERR_INITIALIZED = 3,      // init called twice
    ERR_OUTPUT_INIT = 4,      // no audio output device could be opened
    ERR_OUTPUT_CONTEXT = 5,   // the output device refused a mixing context
    ERR_FILE_NOT_FOUND = 6,   // the sound file does not exist
    ERR_FORMAT = 7,           // the file is not a sound format we can decode
    ERR_FILE_BAD = 8,         // the file could not be read to the end
    ERR_INVALID_HANDLE = 9,   // the channel has ended or was never handed out
    ERR_CHANNEL_ALLOC = 10,   // every channel is in use
    ERR_OUTPUT = 11,          // the output refused an operation
    ERR_THREAD = 12,          // the stream thread could not be started
};

const char* errorString(Result result);

// Creation modes; may be combined with '|'.
typedef unsigned int Mode;
constexpr Mode MODE_DEFAULT = 0x00;   // a one-shot sample, decoded whole at creation
constexpr Mode LOOP_OFF = 0x01;
constexpr Mode LOOP_NORMAL = 0x02;
constexpr Mode LOOP_BIDI = 0x04;      // loops forward like LOOP_NORMAL
constexpr Mode CREATESTREAM = 0x80;   // decoded while playing

class System;
class Sound;

// A handle to a playing (or paused) sound. Copies refer to the same channel. A default
// handle is null; a non-null handle may still have ended (see above).
class Channel {
public:
    Channel() = default;

    // True once playSound has filled the handle; says nothing about whether it has ended.
    explicit operator bool() const { return m_system != nullptr; }

    Result setPaused(bool paused);
    Result getPaused(bool* paused) const;
    Result setVolume(float volume);
    Result stop();
    Result setFrequency(float hz);
    Result getFrequency(float* hz) const;

private:
    friend class System;
    // Runs action(impl, voice) under the system's lock while the channel is alive.
    template <typename Action>
    Result withVoice(Action&& action) const;

    System* m_system = nullptr;
    int m_index = -1;
    unsigned int m_generation = 0;
};

// Creates a system object; no output is opened until init.
Result systemCreate(System** system);

class System {
public:
    // Opens the default output device and starts mixing. maxChannels bounds the number
    // of channels alive at once.
    Result init(int maxChannels);
    // Per-frame housekeeping: frees the channels of sounds that have ended.
    Result update();
    // Releases every sound, stops the output and closes the device.
    Result close();
    // Closes when still open, then deletes the object.
    Result release();

    // Loads a file (any path; '\\' and letter case are forgiven) with the given mode.
    Result createSound(const std::string& path, Mode mode, Sound** sound);
    // Starts the sound on a fresh channel, from its beginning, at volume 1 and the file's
    // frequency; with paused = true it stays silent until unpaused. On failure the handle
    // is set to null.
    Result playSound(Sound* sound, bool paused, Channel* channel);

    struct Impl;

private:
    friend class Channel;
    friend class Sound;
    friend Result systemCreate(System** system);
    System();
    ~System();
    Impl* m_impl;
};

class Sound {
public:
    // Ends every channel playing this sound and frees it.
    Result release();

    struct Impl;

private:
    friend class System;
    Sound();
    ~Sound();
    Impl* m_impl;
};

} // namespace SoundLib
