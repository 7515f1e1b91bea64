#include "platform/fmod/FModEx.h"
#include "tests/support/SoundFiles.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

using namespace plat;
using testsupport::MakeWav;
using Clock = std::chrono::steady_clock;

namespace
{

// Polls until cond holds or the time runs out; true when it held.
bool WaitFor(const std::function<bool()>& cond, double seconds = 3.0)
{
    auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < end)
    {
        if (cond())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return cond();
}

bool Playing(FMOD::Channel* ch)
{
    bool playing = false;
    ch->isPlaying(&playing);
    return playing;
}

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

class FModExTest : public testsupport::TempDirTest
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(FMOD_System_Create(&m_pSystem), FMOD_OK);
        ASSERT_EQ(m_pSystem->init(Channels(), FMOD_INIT_NORMAL, nullptr), FMOD_OK);
        m_Dir.WriteFile("Data/sounds/short.wav", MakeWav(0.05));
        m_Dir.WriteFile("Data/sounds/tone.wav", MakeWav(0.15));
        m_Dir.WriteFile("Data/sounds/long.wav", MakeWav(2.0));
    }
    void TearDown() override
    {
        if (m_pSystem)
            m_pSystem->release();
    }
    virtual int Channels() const { return 100; }

    FMOD::Sound* Load(const char* name, FMOD_MODE mode = FMOD_CREATESAMPLE)
    {
        FMOD::Sound* sound = nullptr;
        EXPECT_EQ(m_pSystem->createSound(name, mode, nullptr, &sound), FMOD_OK) << name;
        return sound;
    }

    FMOD::System* m_pSystem = nullptr;
};

} // namespace

// ---- system life cycle -------------------------------------------------------

TEST_F(FModExTest, OnlyOneSystemAtATime)
{
    EXPECT_EQ(m_pSystem->init(100, FMOD_INIT_NORMAL, nullptr), FMOD_ERR_INITIALIZED);
    FMOD::System* second = nullptr;
    ASSERT_EQ(FMOD_System_Create(&second), FMOD_OK);
    EXPECT_EQ(second->init(100, FMOD_INIT_NORMAL, nullptr), FMOD_ERR_INITIALIZED);
    FMOD::Sound* sound = nullptr;
    EXPECT_EQ(second->createSound("Data/sounds/tone.wav", FMOD_CREATESAMPLE, nullptr, &sound),
              FMOD_ERR_UNINITIALIZED);
    EXPECT_EQ(sound, nullptr);
    EXPECT_EQ(second->release(), FMOD_OK);

    // After release a new system can take the output.
    m_pSystem->release();
    m_pSystem = nullptr;
    ASSERT_EQ(FMOD_System_Create(&m_pSystem), FMOD_OK);
    EXPECT_EQ(m_pSystem->init(0, FMOD_INIT_NORMAL, nullptr), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(m_pSystem->init(8, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
    EXPECT_NE(Load("Data/sounds/tone.wav"), nullptr);
}

TEST(FModExOutput, FallsBackToSilentDriverWithoutDevice)
{
    // A driver that cannot be opened stands for a machine without a sound card.
    const char* old = std::getenv("SDL_AUDIODRIVER");
    std::string saved = old ? old : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    FMOD::System* system = nullptr;
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    EXPECT_EQ(system->init(100, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
    char name[64] = "";
    EXPECT_EQ(system->getDriverInfo(0, name, sizeof name, nullptr), FMOD_OK);
    EXPECT_STREQ(name, "dummy");
    system->release();
    if (old)
        setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
}

// ---- loading -----------------------------------------------------------------

TEST_F(FModExTest, LoadsWavAndMp3WithTheirModes)
{
    FMOD::Sound* wav = Load("Data/sounds/tone.wav");
    ASSERT_NE(wav, nullptr);
    FMOD_MODE mode = 0;
    EXPECT_EQ(wav->getMode(&mode), FMOD_OK);
    EXPECT_EQ(mode, FMOD_CREATESAMPLE | FMOD_LOOP_OFF);
    unsigned int ms = 0;
    EXPECT_EQ(wav->getLength(&ms, FMOD_TIMEUNIT_MS), FMOD_OK);
    EXPECT_NEAR(ms, 150, 2);

    if (!testsupport::HaveMp3Encoder())
        GTEST_SKIP() << "lame is not installed (scripts/setup installs it); MP3 loading untested";
    ASSERT_TRUE(testsupport::EncodeMp3(m_Dir.Path() + "/Data/sounds/long.wav",
                                       m_Dir.Path() + "/Data/sounds/music.mp3"));
    FMOD::Sound* mp3 = nullptr;
    ASSERT_EQ(m_pSystem->createStream("Data/sounds/music.mp3", FMOD_LOOP_NORMAL, nullptr, &mp3), FMOD_OK);
    EXPECT_EQ(mp3->getMode(&mode), FMOD_OK);
    EXPECT_EQ(mode, FMOD_LOOP_NORMAL | FMOD_CREATESTREAM);
    // The encoder pads the start and end by a few frames of 1152 samples.
    EXPECT_EQ(mp3->getLength(&ms, FMOD_TIMEUNIT_MS), FMOD_OK);
    EXPECT_GE(ms, 1990u);
    EXPECT_LE(ms, 2200u);
}

TEST_F(FModExTest, NamesResolveAcrossCaseAndBackslashes)
{
    EXPECT_NE(Load("data\\SOUNDS\\Tone.WAV"), nullptr);
}

TEST_F(FModExTest, BadFilesFailCleanly)
{
    m_Dir.WriteFile("Data/sounds/text.wav", "this is not a sound file at all");
    std::string wav = MakeWav(0.1);
    m_Dir.WriteFile("Data/sounds/cut.wav", wav.substr(0, 30));
    m_Dir.WriteFile("Data/sounds/empty.mp3", "");
    std::string noChannels = wav;
    noChannels[22] = 0; // channel count
    m_Dir.WriteFile("Data/sounds/nochannels.wav", noChannels);
    std::string noRate = wav;
    noRate.replace(24, 4, std::string(4, '\0')); // sample rate
    m_Dir.WriteFile("Data/sounds/norate.wav", noRate);
    struct Case
    {
        const char* name;
        FMOD_RESULT result;
    } cases[] = {
        {"Data/sounds/missing.wav", FMOD_ERR_FILE_NOTFOUND}, {"Data/sounds", FMOD_ERR_FILE_NOTFOUND},
        {"Data/sounds/text.wav", FMOD_ERR_FORMAT},           {"Data/sounds/cut.wav", FMOD_ERR_FORMAT},
        {"Data/sounds/empty.mp3", FMOD_ERR_FORMAT},          {"Data/sounds/nochannels.wav", FMOD_ERR_FORMAT},
        {"Data/sounds/norate.wav", FMOD_ERR_FORMAT},
    };
    for (const Case& c : cases)
    {
        FMOD::Sound* sound = reinterpret_cast<FMOD::Sound*>(this);
        EXPECT_EQ(m_pSystem->createSound(c.name, FMOD_CREATESAMPLE, nullptr, &sound), c.result) << c.name;
        EXPECT_EQ(sound, nullptr) << c.name;
    }
    // A data size past the end of the file keeps the samples that are there.
    std::string overlong = wav;
    overlong.replace(40, 4, std::string("\x00\xe1\xf5\x05", 4)); // 100,000,000 bytes
    m_Dir.WriteFile("Data/sounds/overlong.wav", overlong);
    FMOD::Sound* cut = Load("Data/sounds/overlong.wav");
    unsigned int ms = 0;
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->getLength(&ms, FMOD_TIMEUNIT_MS), FMOD_OK);
    EXPECT_NEAR(ms, 100, 2);

    FMOD::Sound* sound = nullptr;
    EXPECT_EQ(m_pSystem->createSound(nullptr, FMOD_CREATESAMPLE, nullptr, &sound), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(m_pSystem->createSound("Data/sounds/tone.wav", 0, nullptr, nullptr), FMOD_ERR_INVALID_PARAM);
    EXPECT_STREQ(FMOD_ErrorString(FMOD_ERR_FILE_NOTFOUND), "File not found.");
}

// ---- channels ----------------------------------------------------------------

TEST_F(FModExTest, PausedPlayTakesSettingsThenStarts)
{
    FMOD::Sound* sound = Load("Data/sounds/long.wav");
    FMOD::Channel* ch = nullptr;
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_REUSE, sound, true, &ch), FMOD_OK);
    ASSERT_NE(ch, nullptr);
    bool paused = false;
    EXPECT_EQ(ch->getPaused(&paused), FMOD_OK);
    EXPECT_TRUE(paused);
    EXPECT_TRUE(Playing(ch));
    int loops = 7;
    EXPECT_EQ(ch->getLoopCount(&loops), FMOD_OK);
    EXPECT_EQ(loops, 0);

    EXPECT_EQ(ch->setVolume(0.25f), FMOD_OK);
    float volume = 0.0f;
    EXPECT_EQ(ch->getVolume(&volume), FMOD_OK);
    EXPECT_FLOAT_EQ(volume, 0.25f);
    EXPECT_EQ(ch->setVolume(3.0f), FMOD_OK);
    EXPECT_EQ(ch->getVolume(&volume), FMOD_OK);
    EXPECT_FLOAT_EQ(volume, 1.0f);
    EXPECT_EQ(ch->setVolume(-1.0f), FMOD_OK);
    EXPECT_EQ(ch->getVolume(&volume), FMOD_OK);
    EXPECT_FLOAT_EQ(volume, 0.0f);
    EXPECT_EQ(ch->setLoopCount(-2), FMOD_ERR_INVALID_PARAM);

    EXPECT_EQ(ch->setPaused(false), FMOD_OK);
    EXPECT_EQ(ch->getPaused(&paused), FMOD_OK);
    EXPECT_FALSE(paused);
    EXPECT_EQ(ch->setPaused(true), FMOD_OK);
    EXPECT_EQ(ch->getPaused(&paused), FMOD_OK);
    EXPECT_TRUE(paused);
    int count = 0;
    EXPECT_EQ(m_pSystem->getChannelsPlaying(&count), FMOD_OK);
    EXPECT_EQ(count, 1);

    EXPECT_EQ(ch->stop(), FMOD_OK);
    EXPECT_FALSE(Playing(ch));
    EXPECT_EQ(ch->setVolume(1.0f), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(ch->stop(), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(m_pSystem->getChannelsPlaying(&count), FMOD_OK);
    EXPECT_EQ(count, 0);
}

TEST_F(FModExTest, ReuseRestartsOnTheSameChannelAndFreeTakesAnother)
{
    FMOD::Sound* sound = Load("Data/sounds/long.wav");
    FMOD::Channel* a = nullptr;
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_REUSE, sound, false, &a), FMOD_OK);
    int first = -1;
    ASSERT_EQ(a->getIndex(&first), FMOD_OK);
    FMOD::Channel* same = a;
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_REUSE, sound, false, &same), FMOD_OK);
    EXPECT_EQ(same, a);
    int again = -1;
    EXPECT_EQ(a->getIndex(&again), FMOD_OK);
    EXPECT_EQ(again, first);

    FMOD::Channel* b = nullptr;
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, sound, false, &b), FMOD_OK);
    int other = -1;
    EXPECT_EQ(b->getIndex(&other), FMOD_OK);
    EXPECT_NE(other, first);
    int count = 0;
    EXPECT_EQ(m_pSystem->getChannelsPlaying(&count), FMOD_OK);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(m_pSystem->playSound(5, sound, false, &b), FMOD_ERR_INVALID_PARAM);
}

TEST_F(FModExTest, StaleChannelNeverTouchesTheNextSound)
{
    FMOD::Sound* shortSound = Load("Data/sounds/short.wav");
    FMOD::Sound* longSound = Load("Data/sounds/long.wav");
    FMOD::Channel* old = nullptr;
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_REUSE, shortSound, false, &old), FMOD_OK);
    int oldIndex = -1;
    ASSERT_EQ(old->getIndex(&oldIndex), FMOD_OK);
    ASSERT_TRUE(WaitFor([&] { return !Playing(old); })) << "the short sound never ended";

    // The ended channel is free again and the next sound takes it.
    FMOD::Channel* next = nullptr;
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, longSound, false, &next), FMOD_OK);
    int nextIndex = -1;
    ASSERT_EQ(next->getIndex(&nextIndex), FMOD_OK);
    EXPECT_EQ(nextIndex, oldIndex);

    EXPECT_EQ(old->stop(), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(old->setVolume(0.0f), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(old->setPaused(true), FMOD_ERR_INVALID_HANDLE);
    EXPECT_TRUE(Playing(next));
    bool paused = true;
    EXPECT_EQ(next->getPaused(&paused), FMOD_OK);
    EXPECT_FALSE(paused);

    // Re-using the stale handle picks a free channel instead of cutting `next`.
    FMOD::Channel* reused = old;
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_REUSE, shortSound, true, &reused), FMOD_OK);
    EXPECT_EQ(reused, old);
    int reusedIndex = -1;
    EXPECT_EQ(old->getIndex(&reusedIndex), FMOD_OK);
    EXPECT_NE(reusedIndex, nextIndex);
    EXPECT_TRUE(Playing(next));
}

TEST_F(FModExTest, LoopCountRepeatsEveryKindOfSound)
{
    FMOD::Sound* looping = Load("Data/sounds/tone.wav", FMOD_LOOP_NORMAL);
    FMOD::Sound* sample = Load("Data/sounds/tone.wav", FMOD_CREATESAMPLE);
    FMOD::Sound* stream = nullptr;
    ASSERT_EQ(m_pSystem->createStream("Data/sounds/tone.wav", FMOD_LOOP_NORMAL, nullptr, &stream), FMOD_OK);
    FMOD::Channel* a = nullptr;
    FMOD::Channel* b = nullptr;
    FMOD::Channel* c = nullptr;
    FMOD::Channel* once = nullptr;
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, looping, true, &a), FMOD_OK);
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, sample, true, &b), FMOD_OK);
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, stream, true, &c), FMOD_OK);
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, sample, true, &once), FMOD_OK);
    int loops = 0;
    EXPECT_EQ(a->getLoopCount(&loops), FMOD_OK);
    EXPECT_EQ(loops, -1);
    EXPECT_EQ(once->getLoopCount(&loops), FMOD_OK);
    EXPECT_EQ(loops, 0);
    ASSERT_EQ(a->setLoopCount(5), FMOD_OK); // six plays of 0.15 s
    ASSERT_EQ(b->setLoopCount(5), FMOD_OK); // the same for a sound made without a loop mode
    ASSERT_EQ(c->setLoopCount(5), FMOD_OK); // and for a stream
    Clock::time_point start = Clock::now();
    ASSERT_EQ(a->setPaused(false), FMOD_OK);
    ASSERT_EQ(b->setPaused(false), FMOD_OK);
    ASSERT_EQ(c->setPaused(false), FMOD_OK);
    ASSERT_EQ(once->setPaused(false), FMOD_OK);

    ASSERT_TRUE(WaitFor([&] { return !Playing(once); }));
    EXPECT_LT(Seconds(start), 0.75);
    EXPECT_TRUE(Playing(a));
    EXPECT_TRUE(Playing(b));
    EXPECT_TRUE(Playing(c));
    // Six plays of 0.15 s each for the stream too (five would end at 0.75 s).
    ASSERT_TRUE(WaitFor([&] { return !Playing(c); }));
    EXPECT_GE(Seconds(start), 0.82);
    ASSERT_TRUE(WaitFor([&] { return !Playing(a) && !Playing(b); }));
    EXPECT_GE(Seconds(start), 0.7);
}

// A stream is decoded as it plays; one sounds at a time: a second one ends
// the first's channel, and stopping or releasing it ends its own.
TEST_F(FModExTest, StreamsPlayOneAtATime)
{
    FMOD::Sound* first = nullptr;
    FMOD::Sound* second = nullptr;
    ASSERT_EQ(m_pSystem->createStream("Data/sounds/long.wav", FMOD_LOOP_NORMAL, nullptr, &first), FMOD_OK);
    ASSERT_EQ(m_pSystem->createStream("Data/sounds/tone.wav", FMOD_LOOP_NORMAL, nullptr, &second), FMOD_OK);
    unsigned int ms = 0, bytes = 0;
    EXPECT_EQ(second->getLength(&ms, FMOD_TIMEUNIT_MS), FMOD_OK);
    EXPECT_NEAR(ms, 150, 2);
    EXPECT_EQ(second->getLength(&bytes, FMOD_TIMEUNIT_PCMBYTES), FMOD_OK);
    EXPECT_NEAR(bytes, 0.15 * 44100 * 4, 400) << "the output's 16-bit stereo frames";
    FMOD::Sound* missing = reinterpret_cast<FMOD::Sound*>(this);
    EXPECT_EQ(m_pSystem->createStream("Data/sounds/none.mp3", 0, nullptr, &missing), FMOD_ERR_FILE_NOTFOUND);
    EXPECT_EQ(missing, nullptr);
    m_Dir.WriteFile("Data/sounds/text.mp3", "this is not a sound file at all");
    EXPECT_EQ(m_pSystem->createStream("Data/sounds/text.mp3", 0, nullptr, &missing), FMOD_ERR_FORMAT);

    FMOD::Channel* a = nullptr;
    FMOD::Channel* b = nullptr;
    FMOD::Channel* effect = nullptr;
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, first, false, &a), FMOD_OK);
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, Load("Data/sounds/long.wav"), false, &effect), FMOD_OK);
    EXPECT_TRUE(Playing(a));
    ASSERT_EQ(a->setPaused(true), FMOD_OK);
    ASSERT_EQ(a->setVolume(0.5f), FMOD_OK);
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, second, false, &b), FMOD_OK);
    EXPECT_FALSE(Playing(a)) << "the second stream ended the first's channel";
    EXPECT_TRUE(Playing(b));
    EXPECT_TRUE(Playing(effect)) << "a sample plays beside the stream";
    EXPECT_EQ(b->stop(), FMOD_OK);
    EXPECT_FALSE(Playing(b));
    EXPECT_TRUE(Playing(effect));
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_REUSE, second, false, &b), FMOD_OK);
    EXPECT_TRUE(Playing(b));
    EXPECT_EQ(second->release(), FMOD_OK);
    EXPECT_FALSE(Playing(b));
    EXPECT_TRUE(Playing(effect));

    // A paused stream waits, and ends on its own once resumed; a stopped one
    // leaves its channel to the next sound for good.
    FMOD::Sound* once = nullptr;
    ASSERT_EQ(m_pSystem->createStream("Data/sounds/tone.wav", FMOD_LOOP_OFF, nullptr, &once), FMOD_OK);
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, once, false, &a), FMOD_OK);
    ASSERT_EQ(a->setPaused(true), FMOD_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(Playing(a));
    ASSERT_EQ(a->setPaused(false), FMOD_OK);
    EXPECT_TRUE(WaitFor([&] { return !Playing(a); })) << "the resumed stream never ended";
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, once, false, &a), FMOD_OK);
    EXPECT_EQ(a->stop(), FMOD_OK);
    FMOD::Channel* next = nullptr;
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, Load("Data/sounds/long.wav"), false, &next), FMOD_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_TRUE(Playing(next));
}

namespace
{
class FModExFourChannelTest : public FModExTest
{
protected:
    int Channels() const override { return 4; }
};
} // namespace

// Sounds ending on the audio thread while the main thread starts, restarts and
// stops others (and steals channels): a live handle always owns its channel
// alone. Run under ThreadSanitizer this also checks the channel-finished path.
TEST_F(FModExFourChannelTest, LiveHandlesNeverShareAChannelWhileSoundsEnd)
{
    m_Dir.WriteFile("Data/sounds/blip.wav", MakeWav(0.01));
    FMOD::Sound* blip = Load("Data/sounds/blip.wav");
    FMOD::Sound* tone = Load("Data/sounds/tone.wav");
    FMOD::Channel* handles[8] = {};
    Clock::time_point start = Clock::now();
    for (int step = 0; Seconds(start) < 0.4; ++step)
    {
        FMOD::Channel*& h = handles[step % 8];
        ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_REUSE, step % 3 ? blip : tone, true, &h), FMOD_OK);
        h->setVolume(0.5f);
        h->setPaused(false);
        FMOD::Channel* other = handles[(step + 3) % 8];
        if (step % 5 == 0 && other)
            other->stop();
        bool used[4] = {};
        int live = 0;
        for (FMOD::Channel* c : handles)
        {
            int index = -1;
            if (c && c->getIndex(&index) == FMOD_OK)
            {
                ASSERT_GE(index, 0);
                ASSERT_LT(index, 4);
                EXPECT_FALSE(used[index]) << "two handles own channel " << index;
                used[index] = true;
                ++live;
            }
        }
        int count = -1;
        m_pSystem->getChannelsPlaying(&count);
        EXPECT_LE(count, live); // sounds may end between the two looks, never start
        std::this_thread::sleep_for(std::chrono::milliseconds(step % 4));
    }
}

TEST_F(FModExTest, ReleasingASoundStopsItsChannels)
{
    FMOD::Sound* sound = Load("Data/sounds/long.wav");
    FMOD::Sound* other = Load("Data/sounds/long.wav");
    FMOD::Channel* a = nullptr;
    FMOD::Channel* b = nullptr;
    FMOD::Channel* c = nullptr;
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, sound, false, &a), FMOD_OK);
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, sound, true, &b), FMOD_OK);
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, other, false, &c), FMOD_OK);
    EXPECT_EQ(sound->release(), FMOD_OK);
    EXPECT_FALSE(Playing(a));
    EXPECT_FALSE(Playing(b));
    EXPECT_TRUE(Playing(c));
    // A released sound is no longer accepted.
    EXPECT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, sound, false, &a), FMOD_ERR_INVALID_PARAM);
}

namespace
{
class FModExTwoChannelTest : public FModExTest
{
protected:
    int Channels() const override { return 2; }
};
} // namespace

TEST_F(FModExTwoChannelTest, FullMixerStealsTheOldestChannel)
{
    FMOD::Sound* sound = Load("Data/sounds/long.wav");
    FMOD::Channel* first = nullptr;
    FMOD::Channel* second = nullptr;
    FMOD::Channel* third = nullptr;
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, sound, false, &first), FMOD_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, sound, false, &second), FMOD_OK);
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, sound, false, &third), FMOD_OK);
    EXPECT_FALSE(Playing(first));
    EXPECT_TRUE(Playing(second));
    EXPECT_TRUE(Playing(third));

    // Channels reserved but not started cannot be stolen.
    FMOD::Channel* p = nullptr;
    FMOD::Channel* q = nullptr;
    second->stop();
    third->stop();
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, sound, true, &p), FMOD_OK);
    ASSERT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, sound, true, &q), FMOD_OK);
    FMOD::Channel* r = nullptr;
    EXPECT_EQ(m_pSystem->playSound(FMOD_CHANNEL_FREE, sound, true, &r), FMOD_ERR_CHANNEL_ALLOC);
    EXPECT_EQ(r, nullptr);
}
