#pragma once

// What the importer benchmarks share: reading one file through the importer
// into a new scene per iteration (the scene and the importer made and
// destroyed outside the time), the file's size, and the counters of a
// motion read.

#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <string>

namespace benchimport
{

inline int64_t FileSize(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return static_cast<int64_t>(in.tellg());
}

// A refused read stops the benchmark with the importer's status text.
inline void ImportEach(benchmark::State& state, const std::string& path, int format)
{
    scenesdk::KScnSdkManager manager;
    for (auto _ : state)
    {
        scenesdk::KScnSceneRoot* scene = manager.CreateScene();
        scenesdk::KScnImporter* importer = manager.CreateImporter();
        importer->SetFileFormat(format);
        if (!importer->Initialize(path.c_str()) || !importer->Import(scene))
            state.SkipWithError(importer->GetStatusText());
        state.PauseTiming();
        manager.DestroyImporter(importer);
        manager.DestroyScene(scene, true);
        state.ResumeTiming();
    }
}

// "per frame" and "per value" (seconds) of reading frames x channels values.
inline void SetMotionCounters(benchmark::State& state, int frames, int channels)
{
    const double read = double(state.iterations()) * frames;
    state.counters["per frame"] =
        benchmark::Counter(read, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["per value"] =
        benchmark::Counter(read * channels, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace benchimport
