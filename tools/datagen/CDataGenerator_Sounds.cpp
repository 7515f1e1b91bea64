// Synthesised sounds (WAV; MP3 through the lame encoder) and the copy of the
// bump shader's source.

#include "tools/datagen/CDataGenerator.h"
#include "tools/datagen/CDataRandom.h"
#include "tools/datagen/CWavWriter.h"

#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace
{

constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kRate = 22050;

using Samples = std::vector<float>;

// A sound of the given length from a function of time (seconds); a short fade
// at both ends avoids clicks.
Samples Synth(double seconds, const std::function<double(double)>& f)
{
    const size_t n = static_cast<size_t>(seconds * kRate);
    Samples s(n);
    const double fade = 0.005 * kRate;
    for (size_t i = 0; i < n; ++i)
    {
        const double edge = std::min({1.0, i / fade, (n - 1 - i) / fade});
        s[i] = static_cast<float>(f(static_cast<double>(i) / kRate) * edge);
    }
    return s;
}

double Envelope(double t, double attack, double decay)
{
    return t < attack ? t / attack : std::exp(-(t - attack) / decay);
}

// Frequency of a note: semitones above A4.
double Note(int semitones)
{
    return 440.0 * std::pow(2.0, semitones / 12.0);
}

// A looping tune: melody over a bass, notes in semitones from A4 (a value of
// 100 is a rest), one note per beat.
Samples Tune(const std::vector<int>& melody, const std::vector<int>& bass, double beat, double volume)
{
    const double length = melody.size() * beat;
    return Synth(length,
                 [&](double t)
                 {
                     const size_t i = static_cast<size_t>(t / beat) % melody.size();
                     const double tn = std::fmod(t, beat);
                     double v = 0;
                     if (melody[i] != 100)
                     {
                         const double f = Note(melody[i]);
                         v += (std::sin(2 * kPi * f * t) + 0.3 * std::sin(4 * kPi * f * t)) *
                              Envelope(tn, 0.01, beat * 0.6);
                     }
                     const size_t bi = static_cast<size_t>(t / (beat * 2)) % bass.size();
                     const double tb = std::fmod(t, beat * 2);
                     v += 0.8 * std::sin(2 * kPi * Note(bass[bi] - 24) * t) * Envelope(tb, 0.02, beat * 1.5);
                     return v * volume;
                 });
}

// The battle music: its tune (16 beats of 0.22 s, 3.52 s) four times in
// each of seven sections in the keys of a i-i-iv-i-v-iv-i plan, 28 loops or
// 98.56 s. The battle plays it 21 times (loop count 20), 34.5 minutes, over
// twice the longest battle of the shipped levels (docs/game-data.md). Each
// key is synthesised once and copied, which keeps the generation cheap.
Samples BattleMusic()
{
    const std::vector<int> melody = {0, 3, 7, 3, 0, 3, 8, 7, 5, 8, 12, 8, 7, 3, 2, -2};
    const std::vector<int> bass = {0, 0, 5, 7, 0, 0, 8, 7};
    const int kPlan[] = {0, 0, 5, 0, 7, 5, 0};
    const int kLoopsPerSection = 4;
    std::map<int, Samples> keys;
    Samples music;
    for (int shift : kPlan)
    {
        auto key = keys.find(shift);
        if (key == keys.end())
        {
            std::vector<int> m = melody, b = bass;
            for (int& note : m)
                note += note == 100 ? 0 : shift;
            for (int& note : b)
                note += shift;
            key = keys.emplace(shift, Tune(m, b, 0.22, 0.28)).first;
        }
        for (int i = 0; i < kLoopsPerSection; ++i)
            music.insert(music.end(), key->second.begin(), key->second.end());
    }
    return music;
}

// Starts a program (looked up in PATH); 0 when it could not be started.
pid_t Start(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
    {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
    {
        return 0;
    }
    return pid;
}

// Waits for a started program; true when it exited with status 0.
bool Finished(pid_t pid)
{
    int status = 0;
    if (pid == 0 || waitpid(pid, &status, 0) != pid)
    {
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool HaveLame()
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size())
    {
        const size_t end = dirs.find(':', start);
        const std::string dir =
            dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty() && access((fs::path(dir) / "lame").c_str(), X_OK) == 0)
        {
            return true;
        }
        if (end == std::string::npos)
        {
            break;
        }
        start = end + 1;
    }
    return false;
}

} // namespace

void CDataGenerator::WriteSounds()
{
    auto saveWav = [&](const std::string& relative, const Samples& s)
    {
        if (!CWavWriter::Save(Path(relative), s, kRate))
        {
            Fail("cannot write " + Path(relative));
            return false;
        }
        ++m_Written;
        return true;
    };

    // GUI: a soft blip on hover, a wooden click on press.
    saveWav("sounds/button_rollover.wav",
            Synth(0.08,
                  [](double t) { return 0.35 * std::sin(2 * kPi * 1320 * t) * Envelope(t, 0.005, 0.025); }));
    CDataRandom clickNoise(91);
    saveWav("sounds/button_select.wav", Synth(0.12,
                                              [&](double t)
                                              {
                                                  const double noise = clickNoise.Range(-1, 1);
                                                  return (0.5 * std::sin(2 * kPi * 660 * t) + 0.3 * noise) *
                                                         Envelope(t, 0.002, 0.03);
                                              }));

    if (!HaveLame())
    {
        Note("Note: lame not found; the MP3 sounds and music are not written");
        return;
    }
    StartMp3Sounds();
}

void CDataGenerator::StartMp3Sounds()
{
    CDataRandom noise(92);
    struct SMp3
    {
        const char* file;
        Samples samples;
    };
    const SMp3 sounds[] = {
        // Calm major tune for building, a driving minor one for battle.
        {"sounds/bg_build.mp3", Tune({3, 7, 10, 7, 5, 8, 12, 8, 3, 7, 10, 15, 14, 10, 7, 100},
                                     {3, 8, 3, 10, 3, 8, 10, 3}, 0.4, 0.25)},
        {"sounds/bg_battle.mp3", BattleMusic()},
        // Two hammer knocks.
        {"sounds/build.mp3", Synth(0.5,
                                   [&](double t)
                                   {
                                       const double tk = std::fmod(t, 0.22);
                                       return (0.6 * std::sin(2 * kPi * 180 * tk) +
                                               0.4 * noise.Range(-1, 1)) *
                                              Envelope(tk, 0.002, 0.04) * (t < 0.44 ? 1 : 0);
                                   })},
        // A falling buzz.
        {"sounds/nobuild.mp3", Synth(0.4,
                                     [](double t)
                                     {
                                         const double f = 220 - 120 * t;
                                         return 0.4 * (std::fmod(f * t, 1.0) < 0.5 ? 1 : -1) *
                                                Envelope(t, 0.01, 0.2);
                                     })},
        // Bow: a string twang and a whoosh of noise.
        {"sounds/bowshot.mp3", Synth(0.35,
                                     [&](double t)
                                     {
                                         return 0.5 * std::sin(2 * kPi * 110 * t) * Envelope(t, 0.002, 0.05) +
                                                0.3 * noise.Range(-1, 1) * Envelope(t, 0.03, 0.08);
                                     })},
        // Jump: a rising chirp.
        {"sounds/jump.mp3", Synth(0.25,
                                  [](double t)
                                  {
                                      const double phase = 2 * kPi * (200 * t + 800 * t * t);
                                      return 0.4 * std::sin(phase) * Envelope(t, 0.01, 0.1);
                                  })},
        // A bird's squawk falling off.
        {"sounds/bird_death.mp3",
         Synth(0.5,
               [&](double t)
               {
                   const double f = 1400 - 1600 * t + 150 * std::sin(2 * kPi * 30 * t);
                   return (0.4 * std::sin(2 * kPi * f * t) + 0.15 * noise.Range(-1, 1)) *
                          Envelope(t, 0.01, 0.15);
               })},
    };
    for (const SMp3& s : sounds)
    {
        const std::string mp3 = Path(s.file);
        const std::string wav = mp3 + ".tmp.wav";
        if (!CWavWriter::Save(wav, s.samples, kRate))
        {
            Fail("cannot write " + wav);
            continue;
        }
        // Constant bit rate without the encoder's tag: the same input gives
        // the same file. The fast mode halves the encoding of the battle
        // music, audibly the same for these synthesised tunes. The encoders
        // run while the images and models are written.
        const pid_t pid =
            Start({"lame", "--quiet", "-f", "-t", "-b", "64", "-m", "m", "--noreplaygain", wav, mp3});
        m_Encodings.push_back({static_cast<int>(pid), wav, mp3});
    }
}

void CDataGenerator::FinishMp3Sounds()
{
    for (const SEncoding& e : m_Encodings)
    {
        const bool ok = Finished(static_cast<pid_t>(e.pid));
        std::error_code ec;
        fs::remove(e.wav, ec);
        if (!ok)
        {
            Fail("lame failed on " + e.mp3);
            continue;
        }
        ++m_Written;
    }
    m_Encodings.clear();
}

void CDataGenerator::CopyShader()
{
    const fs::path source = fs::path(m_SourceDataDir) / "shader" / "simpleBump.cg";
    std::error_code ec;
    if (m_SourceDataDir.empty() || !fs::is_regular_file(source, ec))
    {
        Note("Note: no shader source at " + source.string() + "; Data/shader/simpleBump.cg is not written");
        return;
    }
    fs::copy_file(source, Path(ShaderFile()), fs::copy_options::overwrite_existing, ec);
    if (ec)
    {
        Fail("cannot copy " + source.string() + ": " + ec.message());
        return;
    }
    ++m_Written;
}
