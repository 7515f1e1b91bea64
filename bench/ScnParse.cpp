// Parsing speed and memory of scene files, beside references in the same run.
//
// A generated mesh-like document of about 50 MB (long arrays of coordinates
// and indices) is written three ways: as a text scene file, as a binary scene
// file, and as JSON with the same numbers (the same shortest texts) and the
// same nesting. Each is parsed from memory into a fresh tree, then, in the
// "AndRead" variants, every number is read back and summed.
//
// Scene files (KScn): tree only; tree + every number read one value at a time
// (NextValueAsDouble); tree + every number read by arrays (NextValuesAsDouble).
// References: RapidJSON DOM (exact number conversion, as ours; a fresh
// document every iteration, as KScn builds a fresh tree) and simdjson DOM (one
// parser reused, so its buffers are allocated once), alone and with every
// number read; and memcpy of the binary file into a fresh
// allocation (the cost of merely taking the bytes into new memory).
//
// Goals: text tree + every number read at least as fast as RapidJSON DOM +
// read (aim: 0.8x simdjson DOM + read); binary tree + every value read at
// 1.5 GB/s or 0.9x the memcpy; tree memory within twice the file size
// (counter "memory/file"). Compare bytes per second: each document is
// measured over its own size.

#include "scenesdk/fileio/KScn.h"
#include "tools/scnwriter/CScnWriter.h"

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <simdjson.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

constexpr size_t kTargetSize = 50u << 20;
constexpr int kPoints = 60000;

template <typename T> void AppendNumber(std::string& out, T v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// The three documents, from one sequence of numbers.
struct Documents
{
    std::string text;
    std::string binary;
    std::string json;
};

Documents Generate()
{
    CScnWriter text(CScnWriter::eText);
    CScnWriter binary(CScnWriter::eBinary);
    Documents d;
    for (CScnWriter* w : {&text, &binary})
    {
        w->WriteHeader("scene file benchmark");
        w->BeginField("Objects");
        w->BeginBlock();
    }
    d.json = "{\"Objects\":{\"Model\":[";
    unsigned seed = 12345;
    const auto next = [&seed]
    {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFF;
    };
    std::vector<double> points(kPoints);
    std::vector<int32_t> indices(kPoints);
    for (int model = 0; model < 100000; ++model)
    {
        for (int i = 0; i < kPoints; ++i)
        {
            points[static_cast<size_t>(i)] = static_cast<int>(next()) / 256.0 - 128.0;
        }
        for (int i = 0; i < kPoints; ++i)
        {
            indices[static_cast<size_t>(i)] = static_cast<int32_t>(next() % 20000);
        }
        const std::string name = "Mesh" + std::to_string(model);
        for (CScnWriter* w : {&text, &binary})
        {
            w->BeginField("Model");
            w->AddString(name);
            w->AddString("Mesh");
            w->BeginBlock();
            w->BeginField("Mesh");
            w->BeginBlock();
            w->BeginField("ControlPoints");
            w->AddDoubles(points.data(), points.size());
            w->EndField();
            w->BeginField("PolygonVertices");
            w->AddInts(indices.data(), indices.size());
            w->EndField();
            w->EndBlock();
            w->EndField();
            w->EndBlock();
            w->EndField();
        }
        d.json += model == 0 ? "{" : ",{";
        d.json += "\"Name\":\"" + name + "\",\"Type\":\"Mesh\",\"Mesh\":{\"ControlPoints\":[";
        for (size_t i = 0; i < points.size(); ++i)
        {
            if (i > 0)
            {
                d.json += ',';
            }
            AppendNumber(d.json, points[i]);
        }
        d.json += "],\"PolygonVertices\":[";
        for (size_t i = 0; i < indices.size(); ++i)
        {
            if (i > 0)
            {
                d.json += ',';
            }
            AppendNumber(d.json, indices[i]);
        }
        d.json += "]}}";
        if (binary.Size() >= kTargetSize)
        {
            break;
        }
    }
    d.json += "]}}";
    for (CScnWriter* w : {&text, &binary})
    {
        w->EndBlock();
        w->EndField();
    }
    text.Finish(d.text);
    binary.Finish(d.binary);
    return d;
}

const Documents& Docs()
{
    static const Documents docs = Generate();
    return docs;
}

enum class ERead
{
    eTreeOnly,
    eOneByOne,
    eArrays
};

double ReadAll(KScn& scn, ERead read)
{
    double sum = 0.0;
    std::vector<double> values;
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
            if (read == ERead::eArrays)
            {
                values.resize(static_cast<size_t>(scn.RemainingValueCount()));
                const int n = scn.NextValuesAsDouble(values.data(), static_cast<int>(values.size()));
                for (int i = 0; i < n; ++i)
                {
                    sum += values[static_cast<size_t>(i)];
                }
            }
            else
            {
                while (scn.RemainingValueCount() > 0)
                {
                    sum += scn.NextValueAsDouble();
                }
            }
            scn.CloseField();
        }
        scn.LeaveFieldBlock();
        scn.CloseField();
        scn.LeaveFieldBlock();
        scn.CloseField();
    }
    return sum;
}

void Scene(benchmark::State& state, const std::string& file, ERead read)
{
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
        if (read != ERead::eTreeOnly)
        {
            benchmark::DoNotOptimize(ReadAll(scn, read));
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size()));
    state.counters["fileMB"] = static_cast<double>(file.size()) / (1 << 20);
    state.counters["memory/file"] = memoryRatio;
}

void BM_Text(benchmark::State& state)
{
    Scene(state, Docs().text, ERead::eTreeOnly);
}
void BM_TextAndReadOneByOne(benchmark::State& state)
{
    Scene(state, Docs().text, ERead::eOneByOne);
}
void BM_TextAndReadArrays(benchmark::State& state)
{
    Scene(state, Docs().text, ERead::eArrays);
}
void BM_Binary(benchmark::State& state)
{
    Scene(state, Docs().binary, ERead::eTreeOnly);
}
void BM_BinaryAndReadOneByOne(benchmark::State& state)
{
    Scene(state, Docs().binary, ERead::eOneByOne);
}
void BM_BinaryAndReadArrays(benchmark::State& state)
{
    Scene(state, Docs().binary, ERead::eArrays);
}

void RapidJson(benchmark::State& state, bool read)
{
    const std::string& json = Docs().json;
    for (auto _ : state)
    {
        rapidjson::Document doc;
        doc.Parse<rapidjson::kParseFullPrecisionFlag>(json.c_str(), json.size());
        if (doc.HasParseError())
        {
            state.SkipWithError("RapidJSON parse error");
            return;
        }
        if (read)
        {
            double sum = 0.0;
            for (const auto& model : doc["Objects"]["Model"].GetArray())
            {
                const auto& mesh = model["Mesh"];
                for (const char* name : {"ControlPoints", "PolygonVertices"})
                {
                    for (const auto& v : mesh[name].GetArray())
                    {
                        sum += v.GetDouble();
                    }
                }
            }
            benchmark::DoNotOptimize(sum);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(json.size()));
    state.counters["fileMB"] = static_cast<double>(json.size()) / (1 << 20);
}

void BM_RapidJsonDom(benchmark::State& state)
{
    RapidJson(state, false);
}
void BM_RapidJsonDomAndRead(benchmark::State& state)
{
    RapidJson(state, true);
}

void SimdJson(benchmark::State& state, bool read)
{
    const std::string& json = Docs().json;
    const simdjson::padded_string padded(json);
    // One parser for every iteration, as simdjson is meant to be used: its
    // buffers are allocated once (the stronger reference).
    simdjson::dom::parser parser;
    for (auto _ : state)
    {
        simdjson::dom::element doc;
        if (parser.parse(padded).get(doc) != simdjson::SUCCESS)
        {
            state.SkipWithError("simdjson parse error");
            return;
        }
        if (read)
        {
            double sum = 0.0;
            for (simdjson::dom::element model : doc["Objects"]["Model"].get_array())
            {
                simdjson::dom::element mesh = model["Mesh"];
                for (const char* name : {"ControlPoints", "PolygonVertices"})
                {
                    for (simdjson::dom::element v : mesh[name].get_array())
                    {
                        sum += double(v.get_double());
                    }
                }
            }
            benchmark::DoNotOptimize(sum);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(json.size()));
    state.counters["fileMB"] = static_cast<double>(json.size()) / (1 << 20);
}

void BM_SimdJsonDom(benchmark::State& state)
{
    SimdJson(state, false);
}
void BM_SimdJsonDomAndRead(benchmark::State& state)
{
    SimdJson(state, true);
}

void BM_MemcpyBinaryIntoFreshAllocation(benchmark::State& state)
{
    const std::string& file = Docs().binary;
    for (auto _ : state)
    {
        char* copy = static_cast<char*>(std::malloc(file.size()));
        std::memcpy(copy, file.data(), file.size());
        benchmark::DoNotOptimize(copy);
        benchmark::ClobberMemory();
        std::free(copy);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size()));
}

} // namespace

BENCHMARK(BM_Text)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TextAndReadOneByOne)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TextAndReadArrays)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RapidJsonDom)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RapidJsonDomAndRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SimdJsonDom)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SimdJsonDomAndRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Binary)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BinaryAndReadOneByOne)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BinaryAndReadArrays)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_MemcpyBinaryIntoFreshAllocation)->Unit(benchmark::kMillisecond)->MinTime(2.0);
