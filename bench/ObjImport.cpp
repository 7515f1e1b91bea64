// Reading a 50 MB OBJ file (a grid of quads in 64 groups with positions,
// UVs and normals, four materials in a library) into a scene through the
// importer, beside tinyobjloader's parse of the same file in the same
// process (its own arrays only: no scene is built). "parse only" is our OBJ
// parse without building the scene, for locating where the time goes.
//
// Aim (Release): our whole read (parse, materials, nodes, meshes) at least
// as fast as tinyobjloader's parse.

#include "bench/BenchImport.h"
#include "scenesdk/importers/KScnObjData.h"
#include "scenesdk/importers/KScnObjParser.h"
#include "scenesdk/importers/KStreamOptionsObj.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <tiny_obj_loader.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

using namespace scenesdk;

namespace
{

// Writes the model once: about 50 MB.
const std::string& ModelFile()
{
    struct SFile
    {
        std::string path = "/tmp/vostrel-bench-" + std::to_string(getpid()) + ".obj";
        std::string library = "/tmp/vostrel-bench-" + std::to_string(getpid()) + ".mtl";
        SFile()
        {
            std::FILE* mtl = std::fopen(library.c_str(), "w");
            for (int m = 0; m < 4; ++m)
                std::fprintf(mtl,
                             "newmtl m%d\nKa 0.1 0.1 0.1\nKd 0.%d 0.5 0.5\nKs 0.2 0.2 0.2\nNs 32\nd 1\n"
                             "map_Kd tex%d.tga\n",
                             m, m + 2, m);
            std::fclose(mtl);
            std::FILE* f = std::fopen(path.c_str(), "w");
            std::fprintf(f, "# benchmark grid\nmtllib %s\n", library.substr(library.rfind('/') + 1).c_str());
            const int side = 575; // (side+1)^2 points, side^2 quads: 50 MB
            for (int y = 0; y <= side; ++y)
                for (int x = 0; x <= side; ++x)
                    std::fprintf(f, "v %.6f %.6f %.6f\n", x * 0.01, 0.25 * ((x * 7 + y * 3) % 11) * 0.01,
                                 y * 0.01);
            for (int y = 0; y <= side; ++y)
                for (int x = 0; x <= side; ++x)
                    std::fprintf(f, "vt %.6f %.6f\n", double(x) / side, double(y) / side);
            for (int y = 0; y <= side; ++y)
                for (int x = 0; x <= side; ++x)
                    std::fprintf(f, "vn %.6f %.6f %.6f\n", 0.01 * (x % 5), 0.999, 0.01 * (y % 5));
            for (int y = 0; y < side; ++y)
            {
                if (y % (side / 64 + 1) == 0)
                    std::fprintf(f, "g strip%d\nusemtl m%d\ns %d\n", y, y % 4, 1 + y % 2);
                for (int x = 0; x < side; ++x)
                {
                    const int a = y * (side + 1) + x + 1, b = a + 1, c = a + side + 2, d = a + side + 1;
                    std::fprintf(f, "f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, c, c, c, d,
                                 d, d);
                }
            }
            std::fclose(f);
        }
        ~SFile()
        {
            std::remove(path.c_str());
            std::remove(library.c_str());
        }
    };
    static SFile file;
    return file.path;
}

using benchimport::FileSize;

void BM_OurRead(benchmark::State& state)
{
    const std::string& path = ModelFile();
    benchimport::ImportEach(state, path, 5);
    state.SetBytesProcessed(int64_t(state.iterations()) * FileSize(path));
}

void BM_OurParseOnly(benchmark::State& state)
{
    const std::string& path = ModelFile();
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const KStreamOptionsObj options;
    for (auto _ : state)
    {
        KScnObjData data;
        std::string why;
        if (!KScnObjParser::Parse(text.data(), text.size(), options, data, why))
            state.SkipWithError(why.c_str());
        benchmark::DoNotOptimize(data.mPositions.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

void BM_TinyObjParse(benchmark::State& state)
{
    const std::string& path = ModelFile();
    tinyobj::ObjReaderConfig config;
    config.triangulate = false;
    for (auto _ : state)
    {
        tinyobj::ObjReader reader;
        if (!reader.ParseFromFile(path, config))
            state.SkipWithError(reader.Error().c_str());
        benchmark::DoNotOptimize(reader.GetAttrib().vertices.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * FileSize(path));
}

} // namespace

BENCHMARK(BM_OurRead)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_OurParseOnly)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_TinyObjParse)->Unit(benchmark::kMillisecond)->MinTime(3.0);
