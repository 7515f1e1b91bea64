// Import and teardown of large scene shapes through the importer: a chain of
// parented models, one parent with many children, many empty models, many
// materials, many takes over many models, and many takes on one model, each
// then made current ("current_s"). Each shape runs at a tenth of its size and
// at its full size: the time per object should stay flat.
//
// Aims (Release): every full shape imports and is destroyed within 1 s (the
// takes on one model are also each made current within it); an
// empty model holds at most 16 KB ("KB/object", measured as the heap in use
// after the import); the takes shape stays under 500 MB. "peakMB" is the
// process's peak resident size so far: run one shape per process
// (--benchmark_filter) to read it for that shape alone.

#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tools/scnwriter/CScnWriter.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>

using namespace scenesdk;

namespace
{

using Body = std::function<void(CScnWriter&)>;

// Writes the scene (binary form) to a temporary file once per shape and size.
const std::string& SceneFile(const std::string& key, const Body& objects, const Body& takes)
{
    // The files go when the program ends.
    struct SFiles : std::map<std::string, std::string>
    {
        ~SFiles()
        {
            for (const auto& entry : *this)
                std::remove(entry.second.c_str());
        }
    };
    static SFiles files;
    auto it = files.find(key);
    if (it != files.end())
        return it->second;
    CScnWriter w(CScnWriter::eBinary);
    w.WriteHeader("import benchmark");
    w.BeginField("Objects");
    w.BeginBlock();
    objects(w);
    w.EndBlock();
    w.EndField();
    if (takes)
        takes(w);
    const std::string path = "/tmp/vostrel-bench-" + std::to_string(getpid()) + "-" + key + ".scn";
    if (!w.SaveFile(path))
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), w.Error().c_str());
    return files[key] = path;
}

void Model(CScnWriter& w, const std::string& name, const std::string& child)
{
    w.BeginField("Model");
    w.AddString(name);
    w.AddWord("Null");
    if (!child.empty())
    {
        w.BeginBlock();
        w.BeginField("Children");
        w.AddString(child);
        w.EndField();
        w.EndBlock();
    }
    w.EndField();
}

size_t HeapInUse()
{
    return mallinfo2().uordblks;
}

double PeakMB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Imports the file into a fresh manager and destroys it, objects counted
// for the per-object figures.
void Run(benchmark::State& state, const std::string& path, double objects,
         const std::function<void(KScnSceneRoot&)>& use = nullptr)
{
    double importSeconds = 0.0, useSeconds = 0.0, destroySeconds = 0.0, heldBytes = 0.0;
    for (auto _ : state)
    {
        // Start from a heap handed back to the system, as a program that
        // imports one file does: otherwise a small shape, repeated, reuses
        // the memory of its last round and a full shape, run once, pays for
        // fresh pages alone.
        malloc_trim(0);
        const size_t before = HeapInUse();
        const auto t0 = std::chrono::steady_clock::now();
        auto manager = std::make_unique<KScnSdkManager>();
        KScnSceneRoot* scene = manager->CreateScene();
        {
            KScnFree<KScnImporter> importer(manager.get());
            if (!importer.Initialize(path.c_str()) || !importer.Import(scene))
            {
                state.SkipWithError(importer.GetStatusText());
                return;
            }
        }
        const auto t1 = std::chrono::steady_clock::now();
        heldBytes = static_cast<double>(HeapInUse()) - static_cast<double>(before);
        if (use)
            use(*scene);
        const auto t2 = std::chrono::steady_clock::now();
        manager.reset();
        const auto t3 = std::chrono::steady_clock::now();
        importSeconds += std::chrono::duration<double>(t1 - t0).count();
        useSeconds += std::chrono::duration<double>(t2 - t1).count();
        destroySeconds += std::chrono::duration<double>(t3 - t2).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["import_s"] = importSeconds / n;
    if (use)
        state.counters["current_s"] = useSeconds / n;
    state.counters["destroy_s"] = destroySeconds / n;
    state.counters["us/object"] = 1e6 * (importSeconds + useSeconds + destroySeconds) / n / objects;
    state.counters["KB/object"] = heldBytes / 1024.0 / objects;
    state.counters["peakMB"] = PeakMB();
}

// Model i is the parent of model i + 1.
void BM_Chain(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::string& path = SceneFile(
        "chain" + std::to_string(n),
        [n](CScnWriter& w)
        {
            for (int i = 0; i < n; ++i)
                Model(w, "M" + std::to_string(i), i + 1 < n ? "M" + std::to_string(i + 1) : "");
        },
        nullptr);
    Run(state, path, n);
}
BENCHMARK(BM_Chain)->Arg(800)->Arg(8000)->Unit(benchmark::kMillisecond)->MinTime(0.5);

void BM_Wide(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::string& path = SceneFile(
        "wide" + std::to_string(n),
        [n](CScnWriter& w)
        {
            w.BeginField("Model");
            w.AddString("Parent");
            w.AddWord("Null");
            w.BeginBlock();
            w.BeginField("Children");
            for (int i = 0; i < n; ++i)
                w.AddString("C" + std::to_string(i));
            w.EndField();
            w.EndBlock();
            w.EndField();
            for (int i = 0; i < n; ++i)
                Model(w, "C" + std::to_string(i), "");
        },
        nullptr);
    Run(state, path, n);
}
BENCHMARK(BM_Wide)->Arg(4000)->Arg(40000)->Unit(benchmark::kMillisecond)->MinTime(0.5);

void BM_EmptyModels(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::string& path = SceneFile(
        "empty" + std::to_string(n),
        [n](CScnWriter& w)
        {
            for (int i = 0; i < n; ++i)
                Model(w, "E" + std::to_string(i), "");
        },
        nullptr);
    Run(state, path, n);
}
BENCHMARK(BM_EmptyModels)->Arg(4000)->Arg(40000)->Unit(benchmark::kMillisecond)->MinTime(0.5);

void BM_Materials(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::string& path = SceneFile(
        "materials" + std::to_string(n),
        [n](CScnWriter& w)
        {
            for (int i = 0; i < n; ++i)
            {
                w.BeginField("Material");
                w.AddString("Mat" + std::to_string(i));
                w.EndField();
            }
        },
        nullptr);
    Run(state, path, n);
}
BENCHMARK(BM_Materials)->Arg(4000)->Arg(40000)->Unit(benchmark::kMillisecond)->MinTime(0.5);

// t empty takes over t models: t * t take nodes, counted as the objects.
void BM_Takes(benchmark::State& state)
{
    const int t = static_cast<int>(state.range(0));
    const std::string& path = SceneFile(
        "takes" + std::to_string(t),
        [t](CScnWriter& w)
        {
            for (int i = 0; i < t; ++i)
                Model(w, "M" + std::to_string(i), "");
        },
        [t](CScnWriter& w)
        {
            w.BeginField("Takes");
            w.BeginBlock();
            for (int i = 0; i < t; ++i)
            {
                w.BeginField("Take");
                w.AddString("Take" + std::to_string(i));
                w.EndField();
            }
            w.EndBlock();
            w.EndField();
        });
    Run(state, path, static_cast<double>(t) * t);
}
BENCHMARK(BM_Takes)->Arg(126)->Arg(400)->Unit(benchmark::kMillisecond)->MinTime(0.5);

// t empty takes on one model, each made current after the import.
void BM_TakesOneModel(benchmark::State& state)
{
    const int t = static_cast<int>(state.range(0));
    const auto name = [](int i) { return "Take" + std::to_string(i); };
    const std::string& path = SceneFile(
        "takes-one-model" + std::to_string(t), [](CScnWriter& w) { Model(w, "Null", ""); },
        [t, &name](CScnWriter& w)
        {
            w.BeginField("Takes");
            w.BeginBlock();
            for (int i = 0; i < t; ++i)
            {
                w.BeginField("Take");
                w.AddString(name(i));
                w.EndField();
            }
            w.EndBlock();
            w.EndField();
        });
    Run(state, path, t,
        [t, &name](KScnSceneRoot& scene)
        {
            for (int i = 0; i < t; ++i)
                if (!scene.SetCurrentTake(name(i).c_str()))
                    std::fprintf(stderr, "take %d not made current\n", i);
        });
}
BENCHMARK(BM_TakesOneModel)->Arg(6000)->Arg(60000)->Unit(benchmark::kMillisecond)->MinTime(0.5);

} // namespace
