#include "app/CFModSoundMgr.h"

#include "app/Log.h"

using namespace plat;

namespace
{

constexpr int kChannels = 100;

// How each sound kind is loaded.
struct SoundKind
{
    bool bStream;
    FMOD_MODE mode;
};
const SoundKind kSoundKinds[] = {
    {false, FMOD_CREATESAMPLE},           // 0: decoded effect
    {false, FMOD_CREATECOMPRESSEDSAMPLE}, // 1: compressed effect
    {true, FMOD_LOOP_NORMAL},             // 2: looping stream
};
constexpr int kSoundKindCount = sizeof kSoundKinds / sizeof kSoundKinds[0];

} // namespace

// ---- CFModSound ----------------------------------------------------------------

CFModSound::CFModSound(CFModSoundMgr* mgr) : m_pMgr(mgr), m_pSound(nullptr), m_Mode(0), m_pChannel(nullptr)
{
    if (m_pMgr)
        m_pMgr->m_Sounds.insert(this);
}

CFModSound::~CFModSound()
{
    if (m_pMgr)
        m_pMgr->m_Sounds.erase(this);
}

void CFModSound::Play()
{
    if (m_pMgr)
        m_pMgr->PlaySound(*this);
}

void CFModSound::Stop()
{
    if (m_pMgr)
        m_pMgr->StopSound(*this);
}

// ---- CFModSoundMgr -------------------------------------------------------------

CFModSoundMgr::CFModSoundMgr() : m_pSystem(nullptr) {}

CFModSoundMgr::~CFModSoundMgr()
{
    Destroy();
    for (CFModSound* sound : m_Sounds)
        sound->m_pMgr = nullptr;
    m_Sounds.clear();
}

bool CFModSoundMgr::Create()
{
    if (m_pSystem)
        return true;
    FMOD::System* system = nullptr;
    if (FMOD_System_Create(&system) != FMOD_OK || !system)
    {
        Log(1, "Error: Creating System Object failed in CFModSoundMgr::Create");
        return false;
    }
    if (system->init(kChannels, FMOD_INIT_NORMAL, nullptr) != FMOD_OK)
    {
        Log(1, "Error: Initializing FMod failed in CFModSoundMgr::Create");
        system->release();
        return false;
    }
    m_pSystem = system;
    return true;
}

void CFModSoundMgr::Destroy()
{
    // Releasing the system halts its channels and frees every cached sound:
    // no sound object may keep pointers to them.
    for (CFModSound* sound : m_Sounds)
    {
        sound->m_pSound = nullptr;
        sound->m_pChannel = nullptr;
    }
    m_Cache.clear();
    if (m_pSystem)
    {
        m_pSystem->release();
        m_pSystem = nullptr;
    }
}

CRefPtr<ISound> CFModSoundMgr::GetSound(int kind, const std::string& fileName)
{
    if (kind < 0 || kind >= kSoundKindCount)
    {
        Log(1, "Error: Unknown sound kind %d for \"%s\" in CFModSoundMgr::GetSound", kind, fileName.c_str());
        return CRefPtr<ISound>();
    }
    if (!m_pSystem)
    {
        Log(1, "Error: No sound system for \"%s\" in CFModSoundMgr::GetSound", fileName.c_str());
        return CRefPtr<ISound>();
    }
    CRefPtr<CFModSound> pSound(new CFModSound(this));

    auto cached = m_Cache.find(fileName);
    if (cached != m_Cache.end())
    {
        pSound->m_pSound = cached->second;
        return CRefPtr<ISound>(pSound);
    }

    const SoundKind& how = kSoundKinds[kind];
    FMOD::Sound* loaded = nullptr;
    FMOD_RESULT result = how.bStream ? m_pSystem->createStream(fileName.c_str(), how.mode, nullptr, &loaded)
                                     : m_pSystem->createSound(fileName.c_str(), how.mode, nullptr, &loaded);
    if (result == FMOD_OK && loaded)
        result = loaded->getMode(&pSound->m_Mode);
    if (result != FMOD_OK || !loaded)
    {
        Log(1, "Error: Loading \"%s\" failed (%s) in CFModSoundMgr::GetSound", fileName.c_str(),
            FMOD_ErrorString(result));
        return CRefPtr<ISound>();
    }
    pSound->m_pSound = loaded;
    m_Cache.emplace(fileName, loaded);
    return CRefPtr<ISound>(pSound);
}

void CFModSoundMgr::PlaySound(CFModSound& sound)
{
    if (!m_pSystem || !sound.m_pSound)
        return;
    // Starts paused on the object's own channel (a free one when it has none,
    // or when its channel has since gone to another sound), so volume and loop
    // count apply from the first sample.
    m_pSystem->playSound(FMOD_CHANNEL_REUSE, sound.m_pSound, true, &sound.m_pChannel);
    if (!sound.m_pChannel)
        return;
    sound.m_pChannel->setVolume(sound.m_fVolume);
    sound.m_pChannel->setLoopCount(ChannelLoopCount(sound));
    sound.m_pChannel->setPaused(false);
}

int CFModSoundMgr::ChannelLoopCount(const CFModSound& sound)
{
    // Background music is made as a looping stream and played from a state's
    // Enter to its Leave: its owner bounds the repeats with a loop count (the
    // battle music's 20) or leaves it at 0 to loop until Stop. Every other
    // sound repeats as often as its owner asks (the button rollover's 4).
    FMOD_MODE mode = 0;
    bool looping = sound.m_pSound->getMode(&mode) == FMOD_OK && (mode & FMOD_LOOP_NORMAL);
    if (sound.m_iLoopCount < 0 || (looping && sound.m_iLoopCount == 0))
        return -1;
    return sound.m_iLoopCount;
}

void CFModSoundMgr::StopSound(CFModSound& sound)
{
    // A channel that has ended or gone to another sound refuses the call.
    if (m_pSystem && sound.m_pChannel)
        sound.m_pChannel->stop();
}
