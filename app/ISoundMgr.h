#pragma once

#include "app/CRefCounted.h"

#include <cstdint>
#include <string>

// A playable sound handed out by the sound manager. Each request returns a
// sound object of its own with its own channel; the decoded data behind it
// may be shared. The owner sets volume and loop count before Play.
class ISound : public CRefCounted
{
public:
    ISound() : m_fVolume(1.0f), m_iLoopCount(0) {}
    virtual ~ISound() {}
    // Starts the sound, or restarts it when this object is already playing.
    virtual void Play() = 0;
    // Kept empty.
    virtual void Reserved() {}
    virtual void Stop() = 0;

    // Linear volume 0..1, used by the next Play.
    void SetVolume(float volume) { m_fVolume = volume; }
    float GetVolume() const { return m_fVolume; }
    // Repeats after the first play, used by the next Play: n plays n + 1 times,
    // -1 (any negative) for ever. 0 plays an effect (kinds 0 and 1) once and
    // lets a stream (kind 2, made looping) loop until Stop.
    void SetLoopCount(int32_t loopCount) { m_iLoopCount = loopCount; }
    int32_t GetLoopCount() const { return m_iLoopCount; }

protected:
    float m_fVolume;
    int32_t m_iLoopCount;
};

// The game's sound manager, created on first use by CEngineServices and
// initialised by the application's start-up.
class ISoundMgr : public CRefCounted
{
public:
    // Kinds of GetSound: decoded effect, compressed effect, looping stream.
    enum
    {
        SOUND_SAMPLE = 0,
        SOUND_COMPRESSED = 1,
        SOUND_STREAM = 2
    };

    virtual ~ISoundMgr() {}
    // Opens the sound output; true also when it is open already.
    virtual bool Create() = 0;
    // Stops every sound and closes the output; existing sound objects go silent.
    virtual void Destroy() = 0;
    // A new sound object for a file (paths as the data spell them, any slashes
    // and letter case), or an empty handle when the file cannot be loaded or
    // the kind is unknown. Callers test the handle before playing.
    virtual CRefPtr<ISound> GetSound(int kind, const std::string& fileName) = 0;
};
