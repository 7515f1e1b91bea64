#pragma once

// The sound system calls the program uses, over SDL2_mixer. Names, calls and
// constants keep the spelling of the sound library the game code was written
// against, so calling code reads the same:
//
//   FMOD::System* sys; FMOD_System_Create(&sys); sys->init(100, FMOD_INIT_NORMAL, nullptr);
//   FMOD::Sound* s; sys->createSound("Data/sounds/a.wav", FMOD_CREATESAMPLE, nullptr, &s);
//   FMOD::Channel* ch = nullptr; sys->playSound(FMOD_CHANNEL_REUSE, s, true, &ch);
//   ch->setVolume(0.5f); ch->setPaused(false); ... sys->release();
//
// Every sound, streams included, is decoded into memory when created (WAV and
// MP3), so each channel has a volume of its own. Only one system can be
// initialised at a time (the mixer is process-wide). All calls are for the
// main thread; the mixer's audio thread only marks channels finished.
//
// Channel handles stay valid objects until their system is released, but a
// handle whose sound has ended, was stopped or was stolen for another sound is
// stale: its calls return FMOD_ERR_INVALID_HANDLE and touch no other sound.

#include <atomic>
#include <memory>
#include <vector>

struct Mix_Chunk;
struct _Mix_Music;

namespace plat
{

typedef int FMOD_RESULT;
constexpr FMOD_RESULT FMOD_OK = 0;
constexpr FMOD_RESULT FMOD_ERR_INVALID_PARAM = 1;  // null pointer, out-of-range value
constexpr FMOD_RESULT FMOD_ERR_INVALID_HANDLE = 2; // stale channel, sound of another system
constexpr FMOD_RESULT FMOD_ERR_UNINITIALIZED = 3;  // System::init not called (or failed)
constexpr FMOD_RESULT FMOD_ERR_INITIALIZED = 4;    // init called twice, or another system is live
constexpr FMOD_RESULT FMOD_ERR_OUTPUT_INIT = 5;    // no audio output, not even the silent one
constexpr FMOD_RESULT FMOD_ERR_FILE_NOTFOUND = 6;
constexpr FMOD_RESULT FMOD_ERR_FORMAT = 7;        // unreadable, corrupt or unsupported file
constexpr FMOD_RESULT FMOD_ERR_CHANNEL_ALLOC = 8; // every channel is reserved and none can be stolen

// A short English text for a result code.
const char* FMOD_ErrorString(FMOD_RESULT result);

typedef unsigned int FMOD_MODE;
constexpr FMOD_MODE FMOD_DEFAULT = 0x0;
constexpr FMOD_MODE FMOD_LOOP_OFF = 0x1;
constexpr FMOD_MODE FMOD_LOOP_NORMAL = 0x2;
constexpr FMOD_MODE FMOD_CREATESTREAM = 0x80;
constexpr FMOD_MODE FMOD_CREATESAMPLE = 0x100;
constexpr FMOD_MODE FMOD_CREATECOMPRESSEDSAMPLE = 0x200;

typedef unsigned int FMOD_INITFLAGS;
constexpr FMOD_INITFLAGS FMOD_INIT_NORMAL = 0x0;

typedef unsigned int FMOD_TIMEUNIT;
constexpr FMOD_TIMEUNIT FMOD_TIMEUNIT_MS = 0x1;
constexpr FMOD_TIMEUNIT FMOD_TIMEUNIT_PCM = 0x2;      // sample frames at the output rate
constexpr FMOD_TIMEUNIT FMOD_TIMEUNIT_PCMBYTES = 0x4; // bytes of decoded data

// playSound's channel argument: a channel number 0..n-1, or one of these.
typedef int FMOD_CHANNELINDEX;
// Take a free channel (or steal the oldest one) and hand back a new handle.
constexpr FMOD_CHANNELINDEX FMOD_CHANNEL_FREE = -1;
// Restart on the channel of the handle passed in when it is still live;
// otherwise as FMOD_CHANNEL_FREE, re-using the handle object.
constexpr FMOD_CHANNELINDEX FMOD_CHANNEL_REUSE = -2;

// Extra creation data; accepted and ignored.
struct FMOD_CREATESOUNDEXINFO
{
    int cbsize;
};

namespace FMOD
{
class System;
}

// Makes a system object; init must follow before anything is played.
FMOD_RESULT FMOD_System_Create(FMOD::System** system);

namespace FMOD
{

class Sound;

// Per-channel state kept on the main thread.
struct ChannelSlot
{
    Sound* pSound = nullptr;
    bool bStarted = false; // handed to the mixer (not just reserved while paused)
    bool bPaused = false;
    float fVolume = 1.0f;
    int iLoopCount = 0;
};

class Sound
{
public:
    // The mode the sound was created with (FMOD_CREATESTREAM included for streams,
    // FMOD_LOOP_OFF added when no loop mode was given).
    FMOD_RESULT getMode(FMOD_MODE* mode);
    FMOD_RESULT getLength(unsigned int* length, FMOD_TIMEUNIT unit);
    // Stops the channels playing the sound, frees it and deletes this object.
    FMOD_RESULT release();

private:
    friend class System;
    friend class Channel;
    Sound(System* system, Mix_Chunk* chunk, _Mix_Music* music, FMOD_MODE mode)
        : m_pSystem(system), m_pChunk(chunk), m_pMusic(music), m_Mode(mode)
    {
    }
    ~Sound() = default;
    // Frees the samples or the stream (the object stays).
    void Free();

    System* m_pSystem;
    Mix_Chunk* m_pChunk;   // owned; null for a stream
    _Mix_Music* m_pMusic;  // owned; a stream, decoded as it plays
    FMOD_MODE m_Mode;
};

class Channel
{
public:
    // Linear volume, clamped to 0..1; 1 at the start of each play.
    FMOD_RESULT setVolume(float volume);
    FMOD_RESULT getVolume(float* volume);
    // Repeats after the first play: 0 plays once, n plays n + 1 times, -1 for
    // ever, for every kind of sound. Honoured when set before the channel is
    // first unpaused. The default is -1 for sounds created with
    // FMOD_LOOP_NORMAL and 0 for the others.
    FMOD_RESULT setLoopCount(int loopCount);
    FMOD_RESULT getLoopCount(int* loopCount);
    // The first unpause of a channel started paused starts the sound.
    FMOD_RESULT setPaused(bool paused);
    FMOD_RESULT getPaused(bool* paused);
    FMOD_RESULT isPlaying(bool* playing);
    // The mixer channel number the handle plays on.
    FMOD_RESULT getIndex(int* index);
    FMOD_RESULT stop();

private:
    friend class System;
    explicit Channel(System* system) : m_pSystem(system), m_iIndex(-1) {}
    ~Channel() = default;
    // The slot this handle owns, or null when the handle is stale.
    ChannelSlot* Slot();

    System* m_pSystem;
    int m_iIndex; // -1 before the first play
};

class System
{
public:
    // Opens the audio output. When no real device can be opened (no sound card,
    // a server, CI) it falls back to SDL's silent "dummy" driver, so the game
    // runs without sound instead of failing. maxChannels is 1..4096.
    FMOD_RESULT init(int maxChannels, FMOD_INITFLAGS flags, void* extraDriverData);
    // Loads and decodes a WAV or MP3 file (any mode), the name resolved with
    // plat::ResolvePath. On failure *sound is null.
    FMOD_RESULT createSound(const char* name, FMOD_MODE mode, FMOD_CREATESOUNDEXINFO* exInfo, Sound** sound);
    // Opens a WAV or MP3 file as a stream (FMOD_CREATESTREAM added to the
    // mode): decoded as it plays, never whole, so a long tune costs no more
    // memory than a short one. One stream sounds at a time: starting another
    // ends the channel of the first.
    FMOD_RESULT createStream(const char* name, FMOD_MODE mode, FMOD_CREATESOUNDEXINFO* exInfo, Sound** sound);
    // Starts sound on a channel (see FMOD_CHANNEL_FREE / _REUSE), paused when
    // asked so that volume and loop count can be set first. *channel is in/out
    // for FMOD_CHANNEL_REUSE and may be null on the way in.
    FMOD_RESULT playSound(FMOD_CHANNELINDEX channelId, Sound* sound, bool paused, Channel** channel);
    // Per-frame housekeeping; the mixer needs none.
    FMOD_RESULT update();
    // Channels holding a sound (playing, paused or waiting to start).
    FMOD_RESULT getChannelsPlaying(int* channels);
    // Name of the audio driver in use (for example "pulseaudio", "alsa", "dummy").
    FMOD_RESULT getDriverInfo(int id, char* name, int nameLength, void* guid);
    // Stops every channel, frees every sound and channel handle, closes the
    // output and deletes this object.
    FMOD_RESULT release();

private:
    friend FMOD_RESULT plat::FMOD_System_Create(System** system);
    friend class Sound;
    friend class Channel;
    System() = default;
    ~System() = default;

    void Shutdown();
    FMOD_RESULT OpenOutput();
    int FindFreeChannel();
    void HaltChannel(int index);
    FMOD_RESULT StartChannel(int index);
    void ForgetSound(Sound* sound);

    bool m_bInitialised = false;
    std::vector<ChannelSlot> m_Slots;
    // Channel number -> handle that owns it. The audio thread clears an entry
    // when its sound ends; only the main thread sets entries.
    std::unique_ptr<std::atomic<Channel*>[]> m_pOwners;
    std::vector<Sound*> m_Sounds;     // owned, freed by release
    std::vector<Channel*> m_Channels; // owned handles, freed by release
};

} // namespace FMOD

} // namespace plat
