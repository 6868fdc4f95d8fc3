#include "audio/SoundLib.h"

#include "platform/AssetFiles.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

namespace SoundLib {

namespace {

// A stream keeps this many buffers queued; together they hold about 0.75 s of a 44.1 kHz
// file, far more than the stream thread's wake-up interval.
constexpr int kStreamBuffers = 4;
constexpr sf_count_t kStreamChunkFrames = 8192;
constexpr auto kStreamInterval = std::chrono::milliseconds(10);

// OpenAL rejects negative pitch and limits the resampling step; the requested frequency is
// kept separately so that getFrequency returns what was asked for.
constexpr float kMinPitch = 1.0f / 256.0f;
constexpr float kMaxPitch = 255.0f;
// Volumes above 1 are allowed; OpenAL would otherwise cap them at 1.
constexpr float kMaxGain = 1000.0f;

} // namespace

const char* errorString(Result result)
{
    switch (result) {
    case OK: return "No errors.";
    case ERR_INVALID_PARAM: return "An invalid parameter was passed to this function.";
    case ERR_UNINITIALIZED: return "The sound system has not been initialized, or was closed.";
    case ERR_INITIALIZED: return "The sound system is already initialized.";
    case ERR_OUTPUT_INIT: return "Error initializing output device.";
    case ERR_OUTPUT_CONTEXT: return "The output device could not create a mixing context.";
    case ERR_FILE_NOT_FOUND: return "File not found.";
    case ERR_FORMAT: return "Unsupported file or audio format.";
    case ERR_FILE_BAD: return "Error loading file.";
    case ERR_INVALID_HANDLE: return "An invalid object handle was used.";
    case ERR_CHANNEL_ALLOC: return "Error trying to allocate a channel.";
    case ERR_OUTPUT: return "The output device refused the operation.";
    case ERR_THREAD: return "The stream thread could not be started.";
    }
    return "Unknown error.";
}

struct Sound::Impl {
    System* system = nullptr;
    bool floatData = false;                // samples stored as floats, read through readFrames
    bool looping = false;
    bool stream = false;
    int rate = 0;
    ALenum format = 0;
    ALuint buffer = 0;                     // a sample's whole sound
    SNDFILE* file = nullptr;               // a stream's open file
    int channels = 0;
    ALuint streamBuffers[kStreamBuffers] = {};
    int voice = -1;                        // the channel a stream plays on, or -1
    bool endOfFile = false;
    std::vector<short> scratch;
};

namespace {

bool holdsFloats(const SF_INFO& info)
{
    const int samples = info.format & SF_FORMAT_SUBMASK;
    return samples == SF_FORMAT_FLOAT || samples == SF_FORMAT_DOUBLE;
}

// Reads up to `frames` frames as 16-bit samples. Float files are read as floats and put
// on the 16-bit scale here, as their 16-bit twin holds them: read as integers directly,
// libsndfile passes -1..1 on unscaled (silence), and its scaling switch would instead
// stretch each file's loudest sample to full scale.
sf_count_t readFrames(SNDFILE* file, bool floatData, short* out, sf_count_t frames, int channels)
{
    if (!floatData)
        return sf_readf_short(file, out, frames);
    std::vector<float> samples(static_cast<size_t>(frames * channels));
    const sf_count_t got = sf_readf_float(file, samples.data(), frames);
    for (sf_count_t i = 0; i < got * channels; ++i) {
        const float v = samples[static_cast<size_t>(i)];
        out[i] = std::isnan(v) ? 0 : static_cast<short>(std::lrint(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
    }
    return got;
}

struct Voice {
    bool active = false;
    unsigned int generation = 1;
    ALuint source = 0;
    Sound* sound = nullptr;
    bool paused = true;
    float frequency = 0.0f;
};

} // namespace

struct System::Impl {
    std::mutex lock;   // guards everything below; the stream thread takes it too
    bool initialised = false;
    int maxChannels = 0;
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    std::vector<Voice> voices;
    std::vector<Sound*> sounds;

    std::thread streamThread;
    std::condition_variable wake;
    bool stopStreams = false;

    Sound::Impl& sound(Sound* s) { return *s->m_impl; }

    bool owns(Sound* s) const { return s && std::find(sounds.begin(), sounds.end(), s) != sounds.end(); }

    // Fills an AL buffer with the stream's next chunk, wrapping to the start when it loops.
    // Returns false when nothing was left to play.
    bool fillStreamBuffer(Sound::Impl& s, ALuint buffer)
    {
        const sf_count_t wanted = kStreamChunkFrames;
        s.scratch.resize(static_cast<size_t>(wanted * s.channels));
        sf_count_t got = 0;
        bool rewound = false;
        while (got < wanted && !s.endOfFile) {
            const sf_count_t n =
                readFrames(s.file, s.floatData, s.scratch.data() + got * s.channels, wanted - got, s.channels);
            if (n > 0) {
                got += n;
                rewound = false;
                continue;
            }
            // End of file: loop back, unless the file gave nothing since the last rewind.
            if (s.looping && !rewound && sf_seek(s.file, 0, SEEK_SET) == 0)
                rewound = true;
            else
                s.endOfFile = true;
        }
        if (got == 0)
            return false;
        alBufferData(buffer, s.format, s.scratch.data(), static_cast<ALsizei>(got * s.channels * sizeof(short)),
                     s.rate);
        return alGetError() == AL_NO_ERROR;
    }

    // Queues the first chunks of a stream on a stopped source.
    void primeStream(Sound::Impl& s, ALuint source)
    {
        sf_seek(s.file, 0, SEEK_SET);
        s.endOfFile = false;
        for (ALuint buffer : s.streamBuffers) {
            if (!fillStreamBuffer(s, buffer))
                break;
            alSourceQueueBuffers(source, 1, &buffer);
        }
    }

    // Refills the buffers a stream has played and restarts it after an underrun.
    void serviceStream(Voice& v)
    {
        Sound::Impl& s = sound(v.sound);
        ALint processed = 0;
        alGetSourcei(v.source, AL_BUFFERS_PROCESSED, &processed);
        for (; processed > 0; --processed) {
            ALuint buffer = 0;
            alSourceUnqueueBuffers(v.source, 1, &buffer);
            if (fillStreamBuffer(s, buffer))
                alSourceQueueBuffers(v.source, 1, &buffer);
        }
        ALint state = 0, queued = 0;
        alGetSourcei(v.source, AL_SOURCE_STATE, &state);
        alGetSourcei(v.source, AL_BUFFERS_QUEUED, &queued);
        if (!v.paused && state == AL_STOPPED && queued > 0)
            alSourcePlay(v.source);
        alGetError();
    }

    // A channel ends when its one-shot sound has played out: the source stopped by itself.
    bool hasEnded(Voice& v)
    {
        if (v.paused)
            return false;
        if (sound(v.sound).stream)
            serviceStream(v);
        ALint state = 0;
        alGetSourcei(v.source, AL_SOURCE_STATE, &state);
        return state == AL_STOPPED;
    }

    void freeVoice(Voice& v)
    {
        alSourceStop(v.source);
        alSourcei(v.source, AL_BUFFER, 0);
        alGetError();
        if (v.sound && sound(v.sound).stream)
            sound(v.sound).voice = -1;
        v.active = false;
        v.sound = nullptr;
        v.paused = true;
        ++v.generation;
    }

    // The voice of a live channel handle, or null when it has ended.
    Voice* lookup(int index, unsigned int generation)
    {
        if (!initialised || index < 0 || index >= static_cast<int>(voices.size()))
            return nullptr;
        Voice& v = voices[static_cast<size_t>(index)];
        if (!v.active || v.generation != generation)
            return nullptr;
        if (hasEnded(v)) {
            freeVoice(v);
            return nullptr;
        }
        return &v;
    }

    void destroySound(Sound* s)
    {
        Sound::Impl& si = sound(s);
        for (Voice& v : voices)
            if (v.active && v.sound == s)
                freeVoice(v);
        if (si.buffer)
            alDeleteBuffers(1, &si.buffer);
        if (si.stream)
            alDeleteBuffers(kStreamBuffers, si.streamBuffers);
        alGetError();
        if (si.file)
            sf_close(si.file);
        sounds.erase(std::remove(sounds.begin(), sounds.end(), s), sounds.end());
        delete s;
    }

    void streamLoop()
    {
        std::unique_lock<std::mutex> guard(lock);
        while (!stopStreams) {
            for (Voice& v : voices)
                if (v.active && sound(v.sound).stream)
                    serviceStream(v);
            wake.wait_for(guard, kStreamInterval);
        }
    }
};

// ---------------------------------------------------------------------------------------
// System

System::System() : m_impl(new Impl) {}

System::~System()
{
    delete m_impl;
}

Result systemCreate(System** system)
{
    if (!system)
        return ERR_INVALID_PARAM;
    *system = new System();
    return OK;
}

Result System::init(int maxChannels)
{
    Impl& d = *m_impl;
    std::lock_guard<std::mutex> guard(d.lock);
    if (d.initialised)
        return ERR_INITIALIZED;
    if (maxChannels < 1)
        return ERR_INVALID_PARAM;
    d.device = alcOpenDevice(nullptr);
    if (!d.device)
        return ERR_OUTPUT_INIT;
    d.context = alcCreateContext(d.device, nullptr);
    if (!d.context || !alcMakeContextCurrent(d.context)) {
        if (d.context)
            alcDestroyContext(d.context);
        alcCloseDevice(d.device);
        d.context = nullptr;
        d.device = nullptr;
        return ERR_OUTPUT_CONTEXT;
    }
    alGetError();
    d.maxChannels = maxChannels;
    d.voices.clear();
    d.voices.reserve(static_cast<size_t>(maxChannels));
    d.stopStreams = false;
    try {
        d.streamThread = std::thread([&d] { d.streamLoop(); });
    } catch (const std::system_error&) {
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(d.context);
        alcCloseDevice(d.device);
        d.context = nullptr;
        d.device = nullptr;
        return ERR_THREAD;
    }
    d.initialised = true;
    return OK;
}

Result System::update()
{
    Impl& d = *m_impl;
    std::lock_guard<std::mutex> guard(d.lock);
    if (!d.initialised)
        return ERR_UNINITIALIZED;
    for (Voice& v : d.voices)
        if (v.active && d.hasEnded(v))
            d.freeVoice(v);
    return OK;
}

Result System::close()
{
    Impl& d = *m_impl;
    {
        std::lock_guard<std::mutex> guard(d.lock);
        if (!d.initialised)
            return ERR_UNINITIALIZED;
        d.stopStreams = true;
    }
    d.wake.notify_all();
    if (d.streamThread.joinable())
        d.streamThread.join();

    std::lock_guard<std::mutex> guard(d.lock);
    while (!d.sounds.empty())
        d.destroySound(d.sounds.back());
    for (Voice& v : d.voices)
        if (v.source)
            alDeleteSources(1, &v.source);
    d.voices.clear();
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(d.context);
    alcCloseDevice(d.device);
    d.context = nullptr;
    d.device = nullptr;
    d.initialised = false;
    return OK;
}

Result System::release()
{
    if (m_impl->initialised)
        close();
    delete this;
    return OK;
}

Result System::createSound(const std::string& path, Mode mode, Sound** out)
{
    Impl& d = *m_impl;
    if (!out)
        return ERR_INVALID_PARAM;
    *out = nullptr;
    std::lock_guard<std::mutex> guard(d.lock);
    if (!d.initialised)
        return ERR_UNINITIALIZED;

    const std::string file = resolvePath(path);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return ERR_FILE_NOT_FOUND;

    SF_INFO info = {};
    SNDFILE* sf = sf_open(file.c_str(), SFM_READ, &info);
    if (!sf)
        return ERR_FORMAT;
    if ((info.channels != 1 && info.channels != 2) || info.samplerate <= 0) {
        sf_close(sf);
        return ERR_FORMAT;
    }
    sf_command(sf, SFC_SET_CLIPPING, nullptr, SF_TRUE);

    Sound* sound = new Sound();
    Sound::Impl& s = *sound->m_impl;
    s.system = this;
    s.looping = (mode & (LOOP_NORMAL | LOOP_BIDI)) != 0;
    s.stream = (mode & CREATESTREAM) != 0;
    s.rate = info.samplerate;
    s.channels = info.channels;
    s.floatData = holdsFloats(info);
    s.format = info.channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;

    Result result = OK;
    if (s.stream) {
        s.file = sf;
        alGenBuffers(kStreamBuffers, s.streamBuffers);
        if (alGetError() != AL_NO_ERROR) {
            std::fill(std::begin(s.streamBuffers), std::end(s.streamBuffers), 0u);
            result = ERR_OUTPUT;
        } else if (!d.fillStreamBuffer(s, s.streamBuffers[0])) {
            result = ERR_FILE_BAD;   // nothing to play
        }
    } else {
        std::vector<short> samples;
        std::vector<short> chunk(static_cast<size_t>(16384 * info.channels));
        sf_count_t n = 0;
        while ((n = readFrames(sf, s.floatData, chunk.data(), 16384, info.channels)) > 0)
            samples.insert(samples.end(), chunk.begin(), chunk.begin() + n * info.channels);
        const bool failed = sf_error(sf) != SF_ERR_NO_ERROR;
        sf_close(sf);
        if (failed || samples.empty()) {
            result = ERR_FILE_BAD;
        } else {
            alGenBuffers(1, &s.buffer);
            alBufferData(s.buffer, s.format, samples.data(), static_cast<ALsizei>(samples.size() * sizeof(short)),
                         s.rate);
            if (alGetError() != AL_NO_ERROR)
                result = ERR_OUTPUT;
        }
    }
    d.sounds.push_back(sound);
    if (result != OK) {
        d.destroySound(sound);
        return result;
    }
    *out = sound;
    return OK;
}

Result System::playSound(Sound* sound, bool paused, Channel* channel)
{
    Impl& d = *m_impl;
    if (!channel)
        return ERR_INVALID_PARAM;
    *channel = Channel();
    std::lock_guard<std::mutex> guard(d.lock);
    if (!d.initialised)
        return ERR_UNINITIALIZED;
    if (!d.owns(sound))
        return ERR_INVALID_PARAM;
    Sound::Impl& s = d.sound(sound);

    // A stream has one read position, so it plays on one channel at a time.
    if (s.stream && s.voice >= 0)
        d.freeVoice(d.voices[static_cast<size_t>(s.voice)]);

    int index = -1;
    for (size_t i = 0; i < d.voices.size(); ++i) {
        if (!d.voices[i].active || d.hasEnded(d.voices[i])) {
            if (d.voices[i].active)
                d.freeVoice(d.voices[i]);
            index = static_cast<int>(i);
            break;
        }
    }
    if (index < 0) {
        if (static_cast<int>(d.voices.size()) >= d.maxChannels)
            return ERR_CHANNEL_ALLOC;
        d.voices.emplace_back();
        index = static_cast<int>(d.voices.size()) - 1;
    }
    Voice& v = d.voices[static_cast<size_t>(index)];
    if (!v.source) {
        alGenSources(1, &v.source);
        if (alGetError() != AL_NO_ERROR) {
            v.source = 0;
            return ERR_CHANNEL_ALLOC;
        }
        // Every sound plays flat, at the listener, without distance attenuation.
        alSourcei(v.source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(v.source, AL_POSITION, 0.0f, 0.0f, 0.0f);
        alSourcef(v.source, AL_ROLLOFF_FACTOR, 0.0f);
        alSourcef(v.source, AL_MAX_GAIN, kMaxGain);
    }
    alSourceStop(v.source);
    alSourcei(v.source, AL_BUFFER, 0);
    alSourcef(v.source, AL_GAIN, 1.0f);
    alSourcef(v.source, AL_PITCH, 1.0f);
    if (s.stream) {
        alSourcei(v.source, AL_LOOPING, AL_FALSE);
        d.primeStream(s, v.source);
        s.voice = index;
    } else {
        alSourcei(v.source, AL_LOOPING, s.looping ? AL_TRUE : AL_FALSE);
        alSourcei(v.source, AL_BUFFER, static_cast<ALint>(s.buffer));
    }
    if (alGetError() != AL_NO_ERROR) {
        alSourcei(v.source, AL_BUFFER, 0);
        alGetError();
        if (s.stream)
            s.voice = -1;
        return ERR_OUTPUT;
    }
    v.active = true;
    v.sound = sound;
    v.paused = paused;
    v.frequency = static_cast<float>(s.rate);
    if (!paused)
        alSourcePlay(v.source);

    channel->m_system = this;
    channel->m_index = index;
    channel->m_generation = v.generation;
    return OK;
}

// ---------------------------------------------------------------------------------------
// Sound

Sound::Sound() : m_impl(new Impl) {}

Sound::~Sound()
{
    delete m_impl;
}

Result Sound::release()
{
    System::Impl& d = *m_impl->system->m_impl;
    std::lock_guard<std::mutex> guard(d.lock);
    if (!d.owns(this))
        return ERR_INVALID_PARAM;
    d.destroySound(this);
    return OK;
}

// ---------------------------------------------------------------------------------------
// Channel

template <typename Action>
Result Channel::withVoice(Action&& action) const
{
    if (!m_system)
        return ERR_INVALID_HANDLE;
    System::Impl& d = *m_system->m_impl;
    std::lock_guard<std::mutex> guard(d.lock);
    Voice* v = d.lookup(m_index, m_generation);
    if (!v)
        return ERR_INVALID_HANDLE;
    return action(d, *v);
}

Result Channel::setPaused(bool paused)
{
    return withVoice([paused](System::Impl&, Voice& v) {
        if (paused == v.paused)
            return OK;
        v.paused = paused;
        if (paused)
            alSourcePause(v.source);
        else
            alSourcePlay(v.source);
        return alGetError() == AL_NO_ERROR ? OK : ERR_OUTPUT;
    });
}

Result Channel::getPaused(bool* paused) const
{
    if (!paused)
        return ERR_INVALID_PARAM;
    return withVoice([paused](System::Impl&, Voice& v) {
        *paused = v.paused;
        return OK;
    });
}

Result Channel::setVolume(float volume)
{
    return withVoice([volume](System::Impl&, Voice& v) {
        const float gain = volume > 0.0f ? std::min(volume, kMaxGain) : 0.0f; // NaN counts as 0
        alSourcef(v.source, AL_GAIN, gain);
        return alGetError() == AL_NO_ERROR ? OK : ERR_OUTPUT;
    });
}

Result Channel::stop()
{
    return withVoice([](System::Impl& d, Voice& v) {
        d.freeVoice(v);
        return OK;
    });
}

Result Channel::setFrequency(float hz)
{
    return withVoice([hz](System::Impl& d, Voice& v) {
        if (std::isnan(hz))
            return ERR_INVALID_PARAM;
        v.frequency = hz;
        const float pitch = std::clamp(hz / static_cast<float>(d.sound(v.sound).rate), kMinPitch, kMaxPitch);
        alSourcef(v.source, AL_PITCH, pitch);
        return alGetError() == AL_NO_ERROR ? OK : ERR_OUTPUT;
    });
}

Result Channel::getFrequency(float* hz) const
{
    if (!hz)
        return ERR_INVALID_PARAM;
    return withVoice([hz](System::Impl&, Voice& v) {
        *hz = v.frequency;
        return OK;
    });
}

} // namespace SoundLib
