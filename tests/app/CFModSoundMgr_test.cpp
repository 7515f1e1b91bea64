#include "app/CEngineServices.h"
#include "app/CFModSoundMgr.h"
#include "tests/support/SoundFiles.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

using namespace plat;
using testsupport::MakeWav;
using testsupport::TempDir;

namespace
{

bool WaitFor(const std::function<bool()>& cond, double seconds = 3.0)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end)
    {
        if (cond())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return cond();
}

CFModSound* Fmod(const CRefPtr<ISound>& sound)
{
    return static_cast<CFModSound*>(sound.Get());
}

bool Playing(const CRefPtr<ISound>& sound)
{
    bool playing = false;
    FMOD::Channel* ch = Fmod(sound)->GetChannel();
    return ch && ch->isPlaying(&playing) == FMOD_OK && playing;
}

int ChannelOf(const CRefPtr<ISound>& sound)
{
    int index = -1;
    FMOD::Channel* ch = Fmod(sound)->GetChannel();
    if (ch)
        ch->getIndex(&index);
    return index;
}

class CFModSoundMgrTest : public testsupport::TempDirTest
{
protected:
    void SetUp() override
    {
        m_Dir.WriteFile("Data/sounds/button_rollover.wav", MakeWav(0.05));
        m_Dir.WriteFile("Data/sounds/build.wav", MakeWav(1.5));
        m_pMgr = new CFModSoundMgr();
        ASSERT_TRUE(m_pMgr->Create());
    }

    // Runs f and returns what it logged to the standard error stream.
    static std::string Logged(const std::function<void()>& f)
    {
        testing::internal::CaptureStderr();
        f();
        return testing::internal::GetCapturedStderr();
    }

    CRefPtr<CFModSoundMgr> m_pMgr;
};

} // namespace

// ---- creation ----------------------------------------------------------------

TEST_F(CFModSoundMgrTest, CreateIsIdempotentAndASecondOutputFails)
{
    EXPECT_TRUE(m_pMgr->Create());
    CRefPtr<CFModSoundMgr> other(new CFModSoundMgr());
    bool created = true;
    EXPECT_EQ(Logged([&] { created = other->Create(); }),
              "Error: Initializing FMod failed in CFModSoundMgr::Create\n");
    EXPECT_FALSE(created);
    EXPECT_FALSE(other->IsCreated());
    EXPECT_EQ(TempDir::ReadFile("Error.log"), "Error: Initializing FMod failed in CFModSoundMgr::Create\n");

    // Once the first lets go of the output the second can open it.
    m_pMgr->Destroy();
    EXPECT_FALSE(m_pMgr->IsCreated());
    EXPECT_TRUE(other->Create());
}

// ---- loading and cache -------------------------------------------------------

TEST_F(CFModSoundMgrTest, SameNameIsLoadedOnceIntoDistinctSoundObjects)
{
    CRefPtr<ISound> a = m_pMgr->GetSound(0, "Data\\sounds\\button_rollover.wav");
    ASSERT_TRUE(a);
    EXPECT_EQ(Fmod(a)->GetMode(), FMOD_CREATESAMPLE | FMOD_LOOP_OFF);
    // The file is gone: a second request must come from the cache.
    std::remove("Data/sounds/button_rollover.wav");
    CRefPtr<ISound> b = m_pMgr->GetSound(2, "Data\\sounds\\button_rollover.wav");
    ASSERT_TRUE(b);
    EXPECT_NE(a.Get(), b.Get());
    EXPECT_EQ(Fmod(a)->GetFModSound(), Fmod(b)->GetFModSound());
    EXPECT_EQ(Fmod(b)->GetMode(), 0u);
    EXPECT_EQ(m_pMgr->GetCacheSize(), 1u);
    // The first request's kind wins: the cached sound is a plain sample.
    FMOD_MODE mode = 0;
    Fmod(b)->GetFModSound()->getMode(&mode);
    EXPECT_EQ(mode & FMOD_CREATESTREAM, 0u);
    EXPECT_FLOAT_EQ(b->GetVolume(), 1.0f);
    EXPECT_EQ(b->GetLoopCount(), 0);

    // Names are keys byte for byte: another spelling loads the file again.
    EXPECT_TRUE(m_pMgr->GetSound(0, "data/sounds/BUILD.wav"));
    EXPECT_TRUE(m_pMgr->GetSound(0, "Data/sounds/build.wav"));
    EXPECT_EQ(m_pMgr->GetCacheSize(), 3u);
}

TEST_F(CFModSoundMgrTest, StreamsAndCompressedSamplesLoadMp3)
{
    if (!testsupport::HaveMp3Encoder())
        GTEST_SKIP() << "lame is not installed (scripts/setup installs it); MP3 loading untested";
    ASSERT_TRUE(testsupport::EncodeMp3("Data/sounds/build.wav", "Data/sounds/bg_battle.mp3"));
    CRefPtr<ISound> music = m_pMgr->GetSound(2, "Data/sounds/bg_battle.mp3");
    ASSERT_TRUE(music);
    EXPECT_EQ(Fmod(music)->GetMode(), FMOD_LOOP_NORMAL | FMOD_CREATESTREAM);
    music->SetVolume(0.2f);
    music->SetLoopCount(20);
    music->Play();
    ASSERT_TRUE(Playing(music));
    float volume = 0.0f;
    int loops = 0;
    Fmod(music)->GetChannel()->getVolume(&volume);
    Fmod(music)->GetChannel()->getLoopCount(&loops);
    EXPECT_FLOAT_EQ(volume, 0.2f);
    EXPECT_EQ(loops, 20);

    CRefPtr<ISound> packed = m_pMgr->GetSound(1, "Data/sounds/build.wav");
    ASSERT_TRUE(packed);
    EXPECT_EQ(Fmod(packed)->GetMode(), FMOD_CREATECOMPRESSEDSAMPLE | FMOD_LOOP_OFF);
}

TEST_F(CFModSoundMgrTest, BadFilesAndKindsGiveAMessageAndNoSound)
{
    m_Dir.WriteFile("Data/sounds/broken.mp3", "ID3 but nothing else");
    CRefPtr<ISound> sound;
    EXPECT_EQ(
        Logged([&] { sound = m_pMgr->GetSound(0, "Data/sounds/missing.wav"); }),
        "Error: Loading \"Data/sounds/missing.wav\" failed (File not found.) in CFModSoundMgr::GetSound\n");
    EXPECT_FALSE(sound);
    EXPECT_EQ(Logged([&] { sound = m_pMgr->GetSound(2, "Data/sounds/broken.mp3"); }),
              "Error: Loading \"Data/sounds/broken.mp3\" failed (Unsupported file or audio format.) in "
              "CFModSoundMgr::GetSound\n");
    EXPECT_FALSE(sound);
    EXPECT_EQ(Logged([&] { sound = m_pMgr->GetSound(3, "Data/sounds/build.wav"); }),
              "Error: Unknown sound kind 3 for \"Data/sounds/build.wav\" in CFModSoundMgr::GetSound\n");
    EXPECT_FALSE(sound);
    EXPECT_EQ(m_pMgr->GetCacheSize(), 0u);

    // Nothing was cached: the files are tried again once they are usable.
    m_Dir.WriteFile("Data/sounds/missing.wav", MakeWav(0.05));
    EXPECT_TRUE(m_pMgr->GetSound(0, "Data/sounds/missing.wav"));
    EXPECT_TRUE(m_pMgr->GetSound(0, "Data/sounds/build.wav"));
    EXPECT_EQ(m_pMgr->GetCacheSize(), 2u);
}

// ---- playing -------------------------------------------------------------------

TEST_F(CFModSoundMgrTest, PlayRestartsOnItsOwnChannelAndStopStopsOnlyIt)
{
    CRefPtr<ISound> a = m_pMgr->GetSound(0, "Data/sounds/build.wav");
    CRefPtr<ISound> b = m_pMgr->GetSound(0, "Data/sounds/build.wav");
    a->SetVolume(0.4f);
    a->Play();
    ASSERT_TRUE(Playing(a));
    int channel = ChannelOf(a);
    float volume = 0.0f;
    Fmod(a)->GetChannel()->getVolume(&volume);
    EXPECT_FLOAT_EQ(volume, 0.4f);
    bool paused = true;
    Fmod(a)->GetChannel()->getPaused(&paused);
    EXPECT_FALSE(paused);

    a->Play();
    EXPECT_EQ(ChannelOf(a), channel);
    b->Play();
    EXPECT_NE(ChannelOf(b), channel);
    int count = 0;
    m_pMgr->GetSystem()->getChannelsPlaying(&count);
    EXPECT_EQ(count, 2);

    a->Stop();
    EXPECT_FALSE(Playing(a));
    EXPECT_TRUE(Playing(b));
    a->Stop();
    a->Reserved();
    EXPECT_TRUE(Playing(b));
}

int LoopCountOf(const CRefPtr<ISound>& sound)
{
    int loops = -99;
    FMOD::Channel* ch = Fmod(sound)->GetChannel();
    if (ch)
        ch->getLoopCount(&loops);
    return loops;
}

TEST_F(CFModSoundMgrTest, LoopCountRepeatsEffectsAndBoundsStreams)
{
    m_Dir.WriteFile("Data/sounds/bg_build.wav", MakeWav(0.05));
    // The button rollover: an effect with loop count 4 plays five times.
    CRefPtr<ISound> rollover = m_pMgr->GetSound(0, "Data\\sounds\\button_rollover.wav");
    ASSERT_TRUE(rollover);
    rollover->SetLoopCount(4);
    auto start = std::chrono::steady_clock::now();
    rollover->Play();
    EXPECT_EQ(LoopCountOf(rollover), 4);
    ASSERT_TRUE(WaitFor([&] { return !Playing(rollover); }));
    EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.2);
    // An effect left at 0 plays once.
    CRefPtr<ISound> effect = m_pMgr->GetSound(0, "Data/sounds/build.wav");
    effect->Play();
    EXPECT_EQ(LoopCountOf(effect), 0);

    // Background music left at loop count 0 loops until its state stops it.
    CRefPtr<ISound> music = m_pMgr->GetSound(2, "Data/sounds/bg_build.wav");
    ASSERT_TRUE(music);
    music->Play();
    EXPECT_EQ(LoopCountOf(music), -1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(Playing(music));
    music->Stop();
    EXPECT_FALSE(Playing(music));
    // The battle music bounds its repeats; a negative count means for ever.
    music->SetLoopCount(20);
    music->Play();
    EXPECT_EQ(LoopCountOf(music), 20);
    rollover->SetLoopCount(-3);
    rollover->Play();
    EXPECT_EQ(LoopCountOf(rollover), -1);
    // A stream name first loaded as an effect stays an effect (the first kind wins).
    CRefPtr<ISound> notLooping = m_pMgr->GetSound(2, "Data/sounds/build.wav");
    notLooping->Play();
    EXPECT_EQ(LoopCountOf(notLooping), 0);
}

TEST_F(CFModSoundMgrTest, EndedSoundLetsItsChannelGoWithoutCuttingTheNextOwner)
{
    CRefPtr<ISound> click = m_pMgr->GetSound(0, "Data/sounds/button_rollover.wav");
    CRefPtr<ISound> music = m_pMgr->GetSound(0, "Data/sounds/build.wav");
    click->Play();
    int channel = ChannelOf(click);
    ASSERT_TRUE(WaitFor([&] { return !Playing(click); })) << "the click never ended";
    music->Play();
    EXPECT_EQ(ChannelOf(music), channel);

    click->Stop();
    EXPECT_TRUE(Playing(music));
    click->Play();
    EXPECT_TRUE(Playing(click));
    EXPECT_NE(ChannelOf(click), channel);
    EXPECT_TRUE(Playing(music));
}

TEST_F(CFModSoundMgrTest, DestroySilencesEverythingAndEmptiesTheCache)
{
    CRefPtr<ISound> a = m_pMgr->GetSound(0, "Data/sounds/build.wav");
    a->Play();
    ASSERT_TRUE(Playing(a));
    m_pMgr->Destroy();
    EXPECT_EQ(m_pMgr->GetCacheSize(), 0u);
    EXPECT_EQ(Fmod(a)->GetFModSound(), nullptr);
    a->Play();
    a->Stop();
    CRefPtr<ISound> none;
    EXPECT_EQ(Logged([&] { none = m_pMgr->GetSound(0, "Data/sounds/build.wav"); }),
              "Error: No sound system for \"Data/sounds/build.wav\" in CFModSoundMgr::GetSound\n");
    EXPECT_FALSE(none);
    m_pMgr->Destroy();

    // A new output does not revive sound objects of the old one.
    ASSERT_TRUE(m_pMgr->Create());
    a->Play();
    int count = -1;
    m_pMgr->GetSystem()->getChannelsPlaying(&count);
    EXPECT_EQ(count, 0);
    CRefPtr<ISound> b = m_pMgr->GetSound(0, "Data/sounds/build.wav");
    ASSERT_TRUE(b);
    b->Play();
    EXPECT_TRUE(Playing(b));
}

TEST_F(CFModSoundMgrTest, SoundsOutliveTheirManagerSilently)
{
    CRefPtr<ISound> a = m_pMgr->GetSound(0, "Data/sounds/build.wav");
    a->Play();
    m_pMgr.Release();
    a->Play();
    a->Stop();
    // The output is free again.
    CRefPtr<CFModSoundMgr> next(new CFModSoundMgr());
    EXPECT_TRUE(next->Create());
}

// ---- engine services -----------------------------------------------------------

TEST(CFModSoundMgrServicesTest, ServicesMakeOneManagerOnFirstUseWithoutCreatingIt)
{
    testsupport::TempDir dir;
    dir.WriteFile("Data/sounds/build.wav", MakeWav(0.5));
    CEngineServices::CreateInstance();
    CRefPtr<ISoundMgr> mgr = CEngineServices::GetInstance()->GetSoundMgr();
    ASSERT_TRUE(mgr);
    EXPECT_EQ(CEngineServices::GetInstance()->GetSoundMgr().Get(), mgr.Get());
    CFModSoundMgr* fmod = dynamic_cast<CFModSoundMgr*>(mgr.Get());
    ASSERT_NE(fmod, nullptr);
    EXPECT_FALSE(fmod->IsCreated());
    ASSERT_TRUE(mgr->Create());
    CRefPtr<ISound> sound = mgr->GetSound(0, "Data/sounds/build.wav");
    ASSERT_TRUE(sound);

    // A copy held past the services keeps the manager and its output alive.
    CEngineServices::DestroyInstance();
    EXPECT_TRUE(fmod->IsCreated());
    sound->Play();
    EXPECT_TRUE(Playing(sound));
    mgr.Release();
    sound->Play(); // silent: its manager is gone
}
