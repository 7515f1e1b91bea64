// Parsing speed and memory of scene files: a generated mesh-like file of about
// 50 MB (long arrays of coordinates and indices) in each encoding, opened
// through KScn (parse into the tree plus the header check), and the same file
// opened and every number read back.
//
// Aims: text 100 MB/s or more, binary 500 MB/s or more, tree memory within
// twice the file size (counter "memory/file").

#include "scenesdk/fileio/KScn.h"
#include "tools/scnwriter/CScnWriter.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

constexpr size_t kTargetSize = 50u << 20;

std::string Generate(CScnWriter::EForm form)
{
    CScnWriter w(form);
    w.WriteHeader("scene file benchmark");
    w.BeginField("Objects");
    w.BeginBlock();
    unsigned seed = 12345;
    const auto next = [&seed]
    {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFF;
    };
    // Meshes of 20,000 points until the file is large enough.
    for (int model = 0; model < 100000; ++model)
    {
        w.BeginField("Model");
        w.AddString("Mesh" + std::to_string(model));
        w.AddString("Mesh");
        w.BeginBlock();
        w.BeginField("Mesh");
        w.BeginBlock();
        w.BeginField("ControlPoints");
        for (int i = 0; i < 60000; ++i)
        {
            w.AddDouble(static_cast<int>(next()) / 256.0 - 128.0);
        }
        w.EndField();
        w.BeginField("PolygonVertices");
        for (int i = 0; i < 60000; ++i)
        {
            w.AddInt(static_cast<int32_t>(next() % 20000));
        }
        w.EndField();
        w.EndBlock();
        w.EndField();
        w.EndBlock();
        w.EndField();
        if (w.Size() >= kTargetSize)
        {
            break;
        }
    }
    w.EndBlock();
    w.EndField();
    std::string out;
    w.Finish(out);
    return out;
}

const std::string& File(CScnWriter::EForm form)
{
    static const std::string text = Generate(CScnWriter::eText);
    static const std::string binary = Generate(CScnWriter::eBinary);
    return form == CScnWriter::eText ? text : binary;
}

void Open(benchmark::State& state, CScnWriter::EForm form, bool readAll)
{
    const std::string& file = File(form);
    double memoryRatio = 0.0;
    for (auto _ : state)
    {
        state.PauseTiming();
        std::vector<char> bytes;
        bytes.reserve(file.size() + 1);
        bytes.assign(file.begin(), file.end());
        state.ResumeTiming();
        KScn scn;
        if (!scn.OpenBytes(std::move(bytes)))
        {
            state.SkipWithError(scn.GetStatusText());
            return;
        }
        memoryRatio = static_cast<double>(scn.GetTree().MemoryUsed()) / static_cast<double>(file.size());
        if (readAll)
        {
            double sum = 0.0;
            scn.OpenField("Objects");
            scn.EnterFieldBlock();
            while (scn.OpenField("Model"))
            {
                scn.EnterFieldBlock();
                scn.OpenField("Mesh");
                scn.EnterFieldBlock();
                for (const char* name : {"ControlPoints", "PolygonVertices"})
                {
                    scn.OpenField(name);
                    while (scn.RemainingValueCount() > 0)
                    {
                        sum += scn.NextValueAsDouble();
                    }
                    scn.CloseField();
                }
                scn.LeaveFieldBlock();
                scn.CloseField();
                scn.LeaveFieldBlock();
                scn.CloseField();
            }
            benchmark::DoNotOptimize(sum);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size()));
    state.counters["fileMB"] = static_cast<double>(file.size()) / (1 << 20);
    state.counters["memory/file"] = memoryRatio;
}

void BM_ParseText(benchmark::State& state)
{
    Open(state, CScnWriter::eText, false);
}
void BM_ParseBinary(benchmark::State& state)
{
    Open(state, CScnWriter::eBinary, false);
}
void BM_ParseAndReadText(benchmark::State& state)
{
    Open(state, CScnWriter::eText, true);
}
void BM_ParseAndReadBinary(benchmark::State& state)
{
    Open(state, CScnWriter::eBinary, true);
}

} // namespace

BENCHMARK(BM_ParseText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ParseBinary)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ParseAndReadText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ParseAndReadBinary)->Unit(benchmark::kMillisecond)->MinTime(2.0);
