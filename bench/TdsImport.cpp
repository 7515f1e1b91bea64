// Reading 3D Studio files through the importer into a fresh scene: a file
// of large meshes (grids of 10 201 vertices and 20 000 faces with mapping
// coordinates, smoothing and two material groups, each a keyframer node
// with a short track) and a file of long keyframer tracks (200 nodes). Each
// runs at about 2 MB and about 20 MB; "bytes_per_second" is the file's size
// over the read (the teardown is not timed) and should stay flat between
// the two sizes. Aim (Release): 20 MB/s or more.

#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/Chunks3DS.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>

using namespace scenesdk;
using namespace testsupport;

namespace
{

const std::string& File(const std::string& key, const std::string& (*make)(int), int n)
{
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
    const std::string path = "/tmp/vostrel-bench-" + std::to_string(getpid()) + "-" + key + ".3ds";
    std::ofstream(path, std::ios::binary) << make(n);
    return files[key] = path;
}

std::string Materials()
{
    return Chunk(0xAFFF, Chunk(0xA000, Cstr("Stone")) +
                             Chunk(0xA020, Chunk(0x0011, std::string("\x80\x80\x80", 3))) +
                             Chunk(0xA200, Chunk(0xA300, Cstr("STONE.TGA")))) +
           Chunk(0xAFFF,
                 Chunk(0xA000, Cstr("Moss")) + Chunk(0xA020, Chunk(0x0010, Floats({0.2f, 0.6f, 0.2f}))));
}

// A 101 x 101 grid of vertices, two triangles per cell.
std::string Grid(int index)
{
    const int n = 101;
    std::string points = Le16(n * n), uvs = Le16(n * n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
        {
            points += Floats({float(x), float(y), float((x * y + index) % 7) * 0.1f});
            uvs += Floats({x / 100.0f, y / 100.0f});
        }
    const int cells = (n - 1) * (n - 1);
    std::string faces = Le16(2 * cells), smoothing, stone = Cstr("Stone") + Le16(cells),
                moss = Cstr("Moss") + Le16(cells);
    for (int y = 0; y + 1 < n; ++y)
        for (int x = 0; x + 1 < n; ++x)
        {
            const uint16_t a = uint16_t(y * n + x), b = uint16_t(a + 1), c = uint16_t(a + n + 1),
                           d = uint16_t(a + n);
            faces += Le16(a) + Le16(b) + Le16(c) + Le16(7) + Le16(a) + Le16(c) + Le16(d) + Le16(7);
            smoothing += Le32(1) + Le32(1);
        }
    for (int f = 0; f < 2 * cells; ++f)
        (f < cells ? stone : moss) += Le16(uint16_t(f));
    const std::string mesh =
        Chunk(0x4110, points) + Chunk(0x4140, uvs) +
        Chunk(0x4160, Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0})) +
        Chunk(0x4120, faces + Chunk(0x4130, stone) + Chunk(0x4130, moss) + Chunk(0x4150, smoothing));
    return Chunk(0x4000, Cstr("Grid" + std::to_string(index)) + Chunk(0x4100, mesh));
}

std::string Keys(uint16_t id, int count, int values)
{
    std::string body = Le16(0) + std::string(8, '\0') + Le32(uint32_t(count));
    for (int k = 0; k < count; ++k)
    {
        body += Le32(uint32_t(k)) + Le16(0);
        body += values == 4 ? Floats({0.01f, 0.0f, 0.0f, 1.0f}) : Floats({float(k), 1.0f, 2.0f});
    }
    return Chunk(id, body);
}

std::string Node(int index, const std::string& name, int keys)
{
    return KeyNode(uint16_t(index), name, 0xFFFF,
                   Keys(0xB020, keys, 3) + Keys(0xB021, keys, 4) + Keys(0xB022, keys, 3));
}

const std::string& Meshes(int objects)
{
    static std::string text;
    std::string editor = Materials(), keyframer;
    for (int i = 0; i < objects; ++i)
    {
        editor += Grid(i);
        keyframer += Node(i, "Grid" + std::to_string(i), 30);
    }
    return text = File3DS(editor, keyframer);
}

const std::string& Tracks(int keys)
{
    static std::string text;
    std::string editor, keyframer;
    for (int i = 0; i < 200; ++i)
    {
        const std::string name = "Joint" + std::to_string(i);
        editor += Chunk(0x4000, Cstr(name) + Chunk(0x4100, VertexList({0, 0, 0})));
        keyframer += Node(i, name, keys);
    }
    return text = File3DS(editor, keyframer);
}

void Read(benchmark::State& state, const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const int64_t bytes = static_cast<int64_t>(in.tellg());
    for (auto _ : state)
    {
        auto manager = std::make_unique<KScnSdkManager>();
        KScnSceneRoot* scene = manager->CreateScene();
        KScnFree<KScnImporter> importer(manager.get());
        importer.SetFileFormat(KScnImporter::FindFileFormat("3ds"));
        if (!importer.Initialize(path.c_str()) || !importer.Import(scene))
        {
            state.SkipWithError(importer.GetStatusText());
            return;
        }
        state.PauseTiming();
        manager.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(bytes * state.iterations());
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_Meshes(benchmark::State& state)
{
    const int objects = static_cast<int>(state.range(0));
    Read(state, File("meshes" + std::to_string(objects), &Meshes, objects));
}
BENCHMARK(BM_Meshes)->Arg(4)->Arg(42)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_Tracks(benchmark::State& state)
{
    const int keys = static_cast<int>(state.range(0));
    Read(state, File("tracks" + std::to_string(keys), &Tracks, keys));
}
BENCHMARK(BM_Tracks)->Arg(180)->Arg(1800)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace
