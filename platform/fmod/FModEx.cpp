#include "platform/fmod/FModEx.h"

#include "platform/sys/PathResolver.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace plat
{
namespace
{

// Output format asked of the device; SDL converts when the device differs.
constexpr int kOutputRate = 44100;
constexpr int kOutputChannels = 2;
constexpr int kOutputChunkFrames = 2048;
constexpr int kMaxChannels = 4096;

// The live system's channel-owner table, read by the mixer's channel-finished
// callback on the audio thread. Published before the callback is installed and
// withdrawn only after the output is closed.
std::atomic<std::atomic<FMOD::Channel*>*> g_pOwners{nullptr};
std::atomic<int> g_iOwnerCount{0};
// The one initialised system (the mixer is process-wide). Main thread only.
FMOD::System* g_pLiveSystem = nullptr;
// The channel number whose slot holds the stream the mixer plays (the mixer
// plays one stream at a time), or -1; read by the music-finished callback.
std::atomic<int> g_iStreamChannel{-1};

// Runs on the audio thread when a channel ends by itself, and on the main
// thread inside Mix_HaltChannel / Mix_PlayChannel.
void SDLCALL OnChannelFinished(int channel)
{
    std::atomic<FMOD::Channel*>* owners = g_pOwners.load();
    if (owners && channel >= 0 && channel < g_iOwnerCount.load())
        owners[channel].store(nullptr);
}

// Runs where OnChannelFinished runs, when the stream ends or is halted.
void SDLCALL OnStreamFinished()
{
    OnChannelFinished(g_iStreamChannel.load());
}

int MixerVolume(float volume)
{
    return static_cast<int>(std::lround(volume * MIX_MAX_VOLUME));
}

bool IsRegularFile(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The checks a sample and a stream share before either touches the file: the
// out pointer is cleared first, so a caller never reads an old sound.
FMOD_RESULT CheckCreateArguments(const char* name, FMOD::Sound** sound, bool initialised)
{
    if (!sound)
        return FMOD_ERR_INVALID_PARAM;
    *sound = nullptr;
    if (!name)
        return FMOD_ERR_INVALID_PARAM;
    return initialised ? FMOD_OK : FMOD_ERR_UNINITIALIZED;
}

bool OpenMixer()
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    if (Mix_OpenAudio(kOutputRate, AUDIO_S16SYS, kOutputChannels, kOutputChunkFrames) == 0)
        return true;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
}

struct ErrorText
{
    FMOD_RESULT result;
    const char* text;
};

const ErrorText kErrorTexts[] = {
    {FMOD_OK, "No errors."},
    {FMOD_ERR_INVALID_PARAM, "An invalid parameter was passed to this function."},
    {FMOD_ERR_INVALID_HANDLE, "An invalid object handle was used."},
    {FMOD_ERR_UNINITIALIZED, "This command failed because System::init was not called."},
    {FMOD_ERR_INITIALIZED, "Cannot call this command after System::init."},
    {FMOD_ERR_OUTPUT_INIT, "Error initializing output device."},
    {FMOD_ERR_FILE_NOTFOUND, "File not found."},
    {FMOD_ERR_FORMAT, "Unsupported file or audio format."},
    {FMOD_ERR_CHANNEL_ALLOC, "Error trying to allocate a channel."},
};

} // namespace

const char* FMOD_ErrorString(FMOD_RESULT result)
{
    for (const ErrorText& e : kErrorTexts)
        if (e.result == result)
            return e.text;
    return "Unknown error.";
}

FMOD_RESULT FMOD_System_Create(FMOD::System** system)
{
    if (!system)
        return FMOD_ERR_INVALID_PARAM;
    *system = new FMOD::System();
    return FMOD_OK;
}

namespace FMOD
{

// ---- System ----------------------------------------------------------------

FMOD_RESULT System::OpenOutput()
{
    if (OpenMixer())
        return FMOD_OK;
    // No usable device: run silent on SDL's dummy driver. The override beats
    // an SDL_AUDIODRIVER naming a driver that cannot work here; it is reset
    // once the output is open so it does not outlive this attempt.
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    bool opened = OpenMixer();
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    return opened ? FMOD_OK : FMOD_ERR_OUTPUT_INIT;
}

FMOD_RESULT System::init(int maxChannels, FMOD_INITFLAGS, void*)
{
    if (m_bInitialised || g_pLiveSystem)
        return FMOD_ERR_INITIALIZED;
    if (maxChannels < 1 || maxChannels > kMaxChannels)
        return FMOD_ERR_INVALID_PARAM;
    FMOD_RESULT result = OpenOutput();
    if (result != FMOD_OK)
        return result;
    // MP3 decoding is loaded on demand; without it MP3 files fail to load
    // with FMOD_ERR_FORMAT and WAV still works.
    Mix_Init(MIX_INIT_MP3);

    m_Slots.assign(static_cast<size_t>(maxChannels), ChannelSlot());
    m_pOwners.reset(new std::atomic<Channel*>[static_cast<size_t>(maxChannels)]);
    for (int i = 0; i < maxChannels; ++i)
        m_pOwners[i].store(nullptr);
    Mix_AllocateChannels(maxChannels);
    g_iOwnerCount.store(maxChannels);
    g_pOwners.store(m_pOwners.get());
    Mix_ChannelFinished(OnChannelFinished);
    Mix_HookMusicFinished(OnStreamFinished);

    m_bInitialised = true;
    g_pLiveSystem = this;
    return FMOD_OK;
}

FMOD_RESULT System::createSound(const char* name, FMOD_MODE mode, FMOD_CREATESOUNDEXINFO*, Sound** sound)
{
    FMOD_RESULT checked = CheckCreateArguments(name, sound, m_bInitialised);
    if (checked != FMOD_OK)
        return checked;
    std::string path = ResolvePath(name);
    Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
    if (!chunk)
        return IsRegularFile(path) ? FMOD_ERR_FORMAT : FMOD_ERR_FILE_NOTFOUND;
    if ((mode & (FMOD_LOOP_OFF | FMOD_LOOP_NORMAL)) == 0)
        mode |= FMOD_LOOP_OFF;
    Sound* created = new Sound(this, chunk, nullptr, mode);
    m_Sounds.push_back(created);
    *sound = created;
    return FMOD_OK;
}

FMOD_RESULT System::createStream(const char* name, FMOD_MODE mode, FMOD_CREATESOUNDEXINFO*, Sound** sound)
{
    FMOD_RESULT checked = CheckCreateArguments(name, sound, m_bInitialised);
    if (checked != FMOD_OK)
        return checked;
    std::string path = ResolvePath(name);
    if (!IsRegularFile(path))
        return FMOD_ERR_FILE_NOTFOUND;
    // The decoder is chosen by the data, as for samples, not by the name.
    SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
    Mix_Music* music = file ? Mix_LoadMUS_RW(file, 1) : nullptr;
    if (!music)
        return FMOD_ERR_FORMAT;
    mode |= FMOD_CREATESTREAM;
    if ((mode & (FMOD_LOOP_OFF | FMOD_LOOP_NORMAL)) == 0)
        mode |= FMOD_LOOP_OFF;
    Sound* created = new Sound(this, nullptr, music, mode);
    m_Sounds.push_back(created);
    *sound = created;
    return FMOD_OK;
}

FMOD_RESULT System::playSound(FMOD_CHANNELINDEX channelId, Sound* sound, bool paused, Channel** channel)
{
    if (!m_bInitialised)
        return FMOD_ERR_UNINITIALIZED;
    if (channelId != FMOD_CHANNEL_FREE && channelId != FMOD_CHANNEL_REUSE)
        return FMOD_ERR_INVALID_PARAM;
    if (!sound || std::find(m_Sounds.begin(), m_Sounds.end(), sound) == m_Sounds.end())
        return FMOD_ERR_INVALID_PARAM;

    // The handle passed in for re-use must be one of ours (a handle of a
    // released system is never dereferenced).
    Channel* handle = nullptr;
    if (channelId == FMOD_CHANNEL_REUSE && channel && *channel &&
        std::find(m_Channels.begin(), m_Channels.end(), *channel) != m_Channels.end())
        handle = *channel;

    int index;
    if (handle && handle->Slot())
    {
        index = handle->m_iIndex;
        HaltChannel(index);
    }
    else
    {
        index = FindFreeChannel();
        if (index < 0)
            return FMOD_ERR_CHANNEL_ALLOC;
    }
    if (!handle)
    {
        handle = new Channel(this);
        m_Channels.push_back(handle);
    }
    handle->m_iIndex = index;
    ChannelSlot& slot = m_Slots[static_cast<size_t>(index)];
    slot = ChannelSlot();
    slot.pSound = sound;
    slot.bPaused = paused;
    slot.iLoopCount = (sound->m_Mode & FMOD_LOOP_NORMAL) ? -1 : 0;
    m_pOwners[index].store(handle);
    if (channel)
        *channel = handle;
    return paused ? FMOD_OK : StartChannel(index);
}

int System::FindFreeChannel()
{
    // An entry without owner has no sound: only the main thread hands out
    // channels, and the audio thread clears an owner only after its sound ended.
    int count = static_cast<int>(m_Slots.size());
    for (int i = 0; i < count; ++i)
        if (!m_pOwners[i].load() && !Mix_Playing(i))
            return i;
    // Every channel is taken: steal the one playing longest.
    int oldest = Mix_GroupOldest(-1);
    if (oldest < 0 || oldest >= count)
        return -1;
    HaltChannel(oldest);
    return oldest;
}

void System::HaltChannel(int index)
{
    // The mixer calls OnChannelFinished (OnStreamFinished) for a sounding
    // channel, on this thread.
    const Sound* sound = m_Slots[static_cast<size_t>(index)].pSound;
    if (sound && sound->m_pMusic && g_iStreamChannel.load() == index)
    {
        Mix_HaltMusic();
        g_iStreamChannel.store(-1);
    }
    else
        Mix_HaltChannel(index);
    m_pOwners[index].store(nullptr);
    m_Slots[static_cast<size_t>(index)] = ChannelSlot();
}

FMOD_RESULT System::StartChannel(int index)
{
    ChannelSlot& slot = m_Slots[static_cast<size_t>(index)];
    slot.bStarted = true;
    slot.bPaused = false;
    if (Mix_Music* music = slot.pSound->m_pMusic)
    {
        // A stream still sounding on another channel ends there.
        const int playing = g_iStreamChannel.load();
        const Sound* other = playing >= 0 ? m_Slots[static_cast<size_t>(playing)].pSound : nullptr;
        if (playing != index && other && other->m_pMusic && m_pOwners[playing].load())
            HaltChannel(playing);
        g_iStreamChannel.store(index);
        Mix_VolumeMusic(MixerVolume(slot.fVolume));
        // The mixer counts a stream's plays, not its repeats (0 and 1 both
        // play once).
        if (Mix_PlayMusic(music, slot.iLoopCount < 0 ? -1 : slot.iLoopCount + 1) < 0)
        {
            g_iStreamChannel.store(-1);
            m_pOwners[index].store(nullptr);
            slot = ChannelSlot();
            return FMOD_ERR_FORMAT;
        }
        return FMOD_OK;
    }
    Mix_Volume(index, MixerVolume(slot.fVolume));
    // The mixer counts loops as this layer does: n repeats, -1 for ever.
    if (Mix_PlayChannel(index, slot.pSound->m_pChunk, slot.iLoopCount) < 0)
    {
        m_pOwners[index].store(nullptr);
        slot = ChannelSlot();
        return FMOD_ERR_FORMAT;
    }
    return FMOD_OK;
}

void System::ForgetSound(Sound* sound)
{
    int count = static_cast<int>(m_Slots.size());
    for (int i = 0; i < count; ++i)
        if (m_pOwners[i].load() && m_Slots[static_cast<size_t>(i)].pSound == sound)
            HaltChannel(i);
    m_Sounds.erase(std::remove(m_Sounds.begin(), m_Sounds.end(), sound), m_Sounds.end());
}

FMOD_RESULT System::update()
{
    return m_bInitialised ? FMOD_OK : FMOD_ERR_UNINITIALIZED;
}

FMOD_RESULT System::getChannelsPlaying(int* channels)
{
    if (!channels)
        return FMOD_ERR_INVALID_PARAM;
    *channels = 0;
    if (!m_bInitialised)
        return FMOD_ERR_UNINITIALIZED;
    for (size_t i = 0; i < m_Slots.size(); ++i)
        if (m_pOwners[i].load())
            ++*channels;
    return FMOD_OK;
}

FMOD_RESULT System::getDriverInfo(int id, char* name, int nameLength, void*)
{
    if (!m_bInitialised)
        return FMOD_ERR_UNINITIALIZED;
    if (id != 0 || !name || nameLength < 1)
        return FMOD_ERR_INVALID_PARAM;
    const char* driver = SDL_GetCurrentAudioDriver();
    SDL_strlcpy(name, driver ? driver : "", static_cast<size_t>(nameLength));
    return FMOD_OK;
}

void System::Shutdown()
{
    if (m_bInitialised)
    {
        Mix_HaltChannel(-1);
        Mix_HaltMusic();
        g_iStreamChannel.store(-1);
        // Chunks go while the mixer still knows its channels, then the audio
        // thread stops before the owner table is withdrawn.
        for (Sound* sound : m_Sounds)
        {
            sound->Free();
            delete sound;
        }
        m_Sounds.clear();
        Mix_ChannelFinished(nullptr);
        Mix_HookMusicFinished(nullptr);
        Mix_CloseAudio();
        g_pOwners.store(nullptr);
        g_iOwnerCount.store(0);
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        g_pLiveSystem = nullptr;
        m_bInitialised = false;
    }
    for (Channel* channel : m_Channels)
        delete channel;
    m_Channels.clear();
    m_pOwners.reset();
    m_Slots.clear();
}

FMOD_RESULT System::release()
{
    Shutdown();
    delete this;
    return FMOD_OK;
}

// ---- Sound -----------------------------------------------------------------

FMOD_RESULT Sound::getMode(FMOD_MODE* mode)
{
    if (!mode)
        return FMOD_ERR_INVALID_PARAM;
    *mode = m_Mode;
    return FMOD_OK;
}

FMOD_RESULT Sound::getLength(unsigned int* length, FMOD_TIMEUNIT unit)
{
    if (!length)
        return FMOD_ERR_INVALID_PARAM;
    *length = 0;
    int rate = 0;
    int channels = 0;
    Uint16 format = 0;
    if (!Mix_QuerySpec(&rate, &format, &channels) || rate <= 0 || channels <= 0)
        return FMOD_ERR_UNINITIALIZED;
    const unsigned frameBytes = static_cast<unsigned>(SDL_AUDIO_BITSIZE(format) / 8) * channels;
    unsigned long long frames = 0;
    if (m_pMusic)
    {
        // A stream's length as its decoder tells it, in output frames.
        const double seconds = Mix_MusicDuration(m_pMusic);
        frames = seconds > 0.0 ? static_cast<unsigned long long>(seconds * rate) : 0;
    }
    else
        frames = m_pChunk->alen / frameBytes;
    const unsigned long long bytes = frames * frameBytes;
    switch (unit)
    {
    case FMOD_TIMEUNIT_MS:
        *length = static_cast<unsigned int>(frames * 1000 / static_cast<unsigned>(rate));
        return FMOD_OK;
    case FMOD_TIMEUNIT_PCM:
        *length = static_cast<unsigned int>(frames);
        return FMOD_OK;
    case FMOD_TIMEUNIT_PCMBYTES:
        *length = static_cast<unsigned int>(bytes);
        return FMOD_OK;
    default:
        return FMOD_ERR_INVALID_PARAM;
    }
}

void Sound::Free()
{
    if (m_pMusic)
        Mix_FreeMusic(m_pMusic);
    else
        Mix_FreeChunk(m_pChunk);
    m_pMusic = nullptr;
    m_pChunk = nullptr;
}

FMOD_RESULT Sound::release()
{
    m_pSystem->ForgetSound(this);
    Free();
    delete this;
    return FMOD_OK;
}

// ---- Channel ---------------------------------------------------------------

ChannelSlot* Channel::Slot()
{
    if (!m_pSystem->m_bInitialised || m_iIndex < 0 || m_pSystem->m_pOwners[m_iIndex].load() != this)
        return nullptr;
    return &m_pSystem->m_Slots[static_cast<size_t>(m_iIndex)];
}

FMOD_RESULT Channel::setVolume(float volume)
{
    ChannelSlot* slot = Slot();
    if (!slot)
        return FMOD_ERR_INVALID_HANDLE;
    slot->fVolume = std::isnan(volume) ? 0.0f : std::min(1.0f, std::max(0.0f, volume));
    if (slot->bStarted && slot->pSound->m_pMusic)
        Mix_VolumeMusic(MixerVolume(slot->fVolume));
    else if (slot->bStarted)
        Mix_Volume(m_iIndex, MixerVolume(slot->fVolume));
    return FMOD_OK;
}

FMOD_RESULT Channel::getVolume(float* volume)
{
    ChannelSlot* slot = Slot();
    if (!volume)
        return FMOD_ERR_INVALID_PARAM;
    if (!slot)
        return FMOD_ERR_INVALID_HANDLE;
    *volume = slot->fVolume;
    return FMOD_OK;
}

FMOD_RESULT Channel::setLoopCount(int loopCount)
{
    ChannelSlot* slot = Slot();
    if (!slot)
        return FMOD_ERR_INVALID_HANDLE;
    if (loopCount < -1)
        return FMOD_ERR_INVALID_PARAM;
    slot->iLoopCount = loopCount;
    return FMOD_OK;
}

FMOD_RESULT Channel::getLoopCount(int* loopCount)
{
    ChannelSlot* slot = Slot();
    if (!loopCount)
        return FMOD_ERR_INVALID_PARAM;
    if (!slot)
        return FMOD_ERR_INVALID_HANDLE;
    *loopCount = slot->iLoopCount;
    return FMOD_OK;
}

FMOD_RESULT Channel::setPaused(bool paused)
{
    ChannelSlot* slot = Slot();
    if (!slot)
        return FMOD_ERR_INVALID_HANDLE;
    if (!slot->bStarted)
    {
        if (!paused)
            return m_pSystem->StartChannel(m_iIndex);
        return FMOD_OK;
    }
    const bool stream = slot->pSound->m_pMusic != nullptr;
    if (stream && paused)
        Mix_PauseMusic();
    else if (stream)
        Mix_ResumeMusic();
    else if (paused)
        Mix_Pause(m_iIndex);
    else
        Mix_Resume(m_iIndex);
    slot->bPaused = paused;
    return FMOD_OK;
}

FMOD_RESULT Channel::getPaused(bool* paused)
{
    ChannelSlot* slot = Slot();
    if (!paused)
        return FMOD_ERR_INVALID_PARAM;
    if (!slot)
        return FMOD_ERR_INVALID_HANDLE;
    *paused = slot->bPaused;
    return FMOD_OK;
}

FMOD_RESULT Channel::isPlaying(bool* playing)
{
    if (!playing)
        return FMOD_ERR_INVALID_PARAM;
    *playing = Slot() != nullptr;
    return *playing ? FMOD_OK : FMOD_ERR_INVALID_HANDLE;
}

FMOD_RESULT Channel::getIndex(int* index)
{
    if (!index)
        return FMOD_ERR_INVALID_PARAM;
    if (!Slot())
        return FMOD_ERR_INVALID_HANDLE;
    *index = m_iIndex;
    return FMOD_OK;
}

FMOD_RESULT Channel::stop()
{
    if (!Slot())
        return FMOD_ERR_INVALID_HANDLE;
    m_pSystem->HaltChannel(m_iIndex);
    return FMOD_OK;
}

} // namespace FMOD
} // namespace plat
