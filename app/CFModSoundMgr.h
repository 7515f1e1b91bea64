#pragma once

#include "app/ISoundMgr.h"
#include "platform/fmod/FModEx.h"

#include <map>
#include <set>
#include <string>

class CFModSoundMgr;

// A sound object of CFModSoundMgr: a shared decoded sound and the channel of
// its last Play. It goes silent (Play and Stop do nothing) once its manager
// is destroyed or has closed its output.
class CFModSound : public ISound
{
public:
    explicit CFModSound(CFModSoundMgr* mgr);
    ~CFModSound() override;
    void Play() override;
    void Stop() override;

    // The shared sound (null when silent), the mode reported when this request
    // loaded it (0 when it came from the cache) and the channel of the last Play.
    plat::FMOD::Sound* GetFModSound() const { return m_pSound; }
    plat::FMOD_MODE GetMode() const { return m_Mode; }
    plat::FMOD::Channel* GetChannel() const { return m_pChannel; }

private:
    friend class CFModSoundMgr;

    CFModSoundMgr* m_pMgr;       // not owned; cleared by the manager's destructor
    plat::FMOD::Sound* m_pSound; // owned by the manager's cache
    plat::FMOD_MODE m_Mode;
    plat::FMOD::Channel* m_pChannel;
};

// Sound manager over the sound layer: 100 channels, decoded sounds cached by
// file name (byte for byte) for the life of the output.
class CFModSoundMgr : public ISoundMgr
{
public:
    CFModSoundMgr();
    ~CFModSoundMgr() override;
    bool Create() override;
    void Destroy() override;
    CRefPtr<ISound> GetSound(int kind, const std::string& fileName) override;

    bool IsCreated() const { return m_pSystem != nullptr; }
    size_t GetCacheSize() const { return m_Cache.size(); }
    plat::FMOD::System* GetSystem() const { return m_pSystem; }

private:
    friend class CFModSound;
    void PlaySound(CFModSound& sound);
    void StopSound(CFModSound& sound);
    // The sound layer's loop count for a Play of sound (-1: until stopped).
    static int ChannelLoopCount(const CFModSound& sound);

    plat::FMOD::System* m_pSystem;
    std::map<std::string, plat::FMOD::Sound*> m_Cache;
    // Sound objects alive, so that Destroy and the destructor can silence them.
    std::set<CFModSound*> m_Sounds;
};
