// Reading a 100,000-frame C3D file (16 markers, float data, 1 % of the
// samples not seen, two analog channels; about 30 MB) into a scene through
// the importer: 16 marker nodes and one take keyed at every frame of their
// 48 translation channels. "decode only" is the file class's check of the
// layout and the decoding of every sample without the scene: the simple
// reference the whole read is compared with, to tell what building the
// curves costs.
//
// Reported beside the time of a read: the time per frame and per channel
// value (counters "per frame" and "per value", in seconds).

#include "bench/BenchImport.h"
#include "scenesdk/importers/KScnFileVicon.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "tests/scenesdk/importers/C3dTestWriter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

using namespace scenesdk;

namespace
{

constexpr int kFrames = 100000;
constexpr int kMarkers = 16;
constexpr int kChannels = kMarkers * 3;

// Writes the file once.
const std::string& MotionFile()
{
    struct SFile
    {
        std::string path = "/tmp/vostrel-bench-" + std::to_string(getpid()) + ".c3d";
        SFile()
        {
            testsupport::C3dTestWriter w;
            w.mTrial = true; // past 65535 frames the range is only in TRIAL
            w.mAnalogChannels = 2;
            w.mAnalogPerFrame = 4;
            for (int m = 0; m < kMarkers; ++m)
                w.mLabels.push_back("Subject:M" + std::to_string(m));
            w.mFrames.resize(kFrames);
            for (int f = 0; f < kFrames; ++f)
                for (int m = 0; m < kMarkers; ++m)
                    w.mFrames[f].push_back({500.0 * std::sin(0.001 * f + m), 300.0 * std::cos(0.002 * f + m),
                                            1000.0 + 10.0 * m, (f * 7 + m * 13) % 100 != 0});
            const std::string bytes = w.Write();
            std::ofstream(path, std::ios::binary)
                .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        ~SFile() { std::remove(path.c_str()); }
    };
    static SFile file;
    return file.path;
}

void SetCounters(benchmark::State& state)
{
    benchimport::SetMotionCounters(state, kFrames, kChannels);
}

void BM_C3dRead(benchmark::State& state)
{
    benchimport::ImportEach(state, MotionFile(), KScnImporter::FindFileFormat("c3d"));
    SetCounters(state);
}

void BM_C3dDecodeOnly(benchmark::State& state)
{
    std::ifstream in(MotionFile(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (auto _ : state)
    {
        KScnFileVicon file;
        std::string why;
        if (!file.Read(bytes.data(), bytes.size(), why))
            state.SkipWithError(why.c_str());
        double sum = 0.0;
        double xyz[3];
        for (int64_t f = 0; f < file.GetFrameCount(); ++f)
            for (int p = 0; p < file.GetPointCount(); ++p)
                if (file.GetSample(f, p, xyz) == KScnFileVicon::ePresent)
                    sum += xyz[0] + xyz[1] + xyz[2];
        benchmark::DoNotOptimize(sum);
    }
    SetCounters(state);
}

} // namespace

BENCHMARK(BM_C3dRead)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_C3dDecodeOnly)->Unit(benchmark::kMillisecond)->MinTime(3.0);
