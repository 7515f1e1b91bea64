// Reading a 20 MB DXF drawing (eight layers of 3DFACE terrain, polyface
// meshes, outlines, lines and a few thousand inserts of two blocks, one an
// array) into a scene through the importer, as ASCII and as binary (the
// same drawing, smaller), beside dxflib's parse of the ASCII file in the
// same process (its callbacks only: no scene is built; it reads no binary).
// "parse only" is our parse without building the scene, for locating where
// the time goes.
//
// Aim (Release): our whole ASCII read at least as fast as dxflib's parse.

#include "bench/BenchImport.h"
#include "scenesdk/importers/KScnDxfData.h"
#include "scenesdk/importers/KScnDxfParser.h"
#include "scenesdk/importers/KStreamOptionsDxf.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <dl_creationadapter.h>
#include <dl_dxf.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

using namespace scenesdk;

namespace
{

// Writes each pair as ASCII and as binary (2-byte codes) at once.
class CPairWriter
{
public:
    CPairWriter(std::FILE* ascii, std::FILE* binary) : mAscii(ascii), mBinary(binary)
    {
        std::fwrite("VOSTREL Binary DXF\r\n\x1a\0", 1, 22, mBinary);
    }
    void Text(int code, const char* text)
    {
        std::fprintf(mAscii, "%3d\n%s\n", code, text);
        Code(code);
        std::fwrite(text, 1, std::strlen(text) + 1, mBinary);
    }
    void Real(int code, double value)
    {
        std::fprintf(mAscii, "%3d\n%.6f\n", code, value);
        Code(code);
        std::fwrite(&value, sizeof(value), 1, mBinary);
    }
    void Short(int code, int value)
    {
        std::fprintf(mAscii, "%3d\n%6d\n", code, value);
        Code(code);
        const int16_t v = static_cast<int16_t>(value);
        std::fwrite(&v, sizeof(v), 1, mBinary);
    }
    void Point(int code, double x, double y, double z)
    {
        Real(code, x);
        Real(code + 10, y);
        Real(code + 20, z);
    }

private:
    void Code(int code)
    {
        const uint16_t c = static_cast<uint16_t>(code);
        std::fwrite(&c, sizeof(c), 1, mBinary);
    }
    std::FILE* mAscii;
    std::FILE* mBinary;
};

const char* const kLayers[] = {"Ground", "Roads", "Walls", "Roofs", "Trees", "Water", "Fences", "Lamps"};

void WriteBlocks(CPairWriter& w)
{
    w.Text(0, "SECTION");
    w.Text(2, "BLOCKS");
    w.Text(0, "BLOCK");
    w.Text(2, "Tree");
    w.Point(10, 0.0, 0.0, 0.0);
    for (int i = 0; i < 12; ++i)
    {
        w.Text(0, "3DFACE");
        w.Text(8, "0");
        w.Short(62, i % 2 == 0 ? 0 : 256);
        w.Point(10, 0.0, 0.0, 0.0);
        w.Point(11, std::cos(i * 0.5), std::sin(i * 0.5), 2.0);
        w.Point(12, std::cos(i * 0.5 + 0.5), std::sin(i * 0.5 + 0.5), 2.0);
        w.Point(13, 0.0, 0.0, 4.0);
    }
    w.Text(0, "ENDBLK");
    w.Text(0, "BLOCK");
    w.Text(2, "Lamp");
    w.Point(10, 0.0, 0.0, 0.0);
    w.Text(0, "LINE");
    w.Point(10, 0.0, 0.0, 0.0);
    w.Point(11, 0.0, 0.0, 3.0);
    w.Text(0, "INSERT");
    w.Text(2, "Tree");
    w.Point(10, 0.0, 0.0, 3.0);
    w.Real(41, 0.1);
    w.Real(42, 0.1);
    w.Real(43, 0.1);
    w.Text(0, "ENDBLK");
    w.Text(0, "ENDSEC");
}

void WritePolyface(CPairWriter& w, const char* layer, double x, double y)
{
    w.Text(0, "POLYLINE");
    w.Text(8, layer);
    w.Short(66, 1);
    w.Short(70, 64);
    for (int i = 0; i < 8; ++i)
    {
        w.Text(0, "VERTEX");
        w.Text(8, layer);
        w.Point(10, x + (i & 1), y + ((i >> 1) & 1), (i >> 2) & 1);
        w.Short(70, 192);
    }
    const int faces[6][4] = {{1, 2, 4, 3}, {5, 6, 8, 7}, {1, 2, 6, 5},
                             {3, 4, 8, 7}, {1, 3, 7, 5}, {2, 4, 8, 6}};
    for (const auto& f : faces)
    {
        w.Text(0, "VERTEX");
        w.Text(8, layer);
        w.Point(10, 0.0, 0.0, 0.0);
        w.Short(70, 128);
        for (int k = 0; k < 4; ++k)
            w.Short(71 + k, f[k]);
    }
    w.Text(0, "SEQEND");
}

void WriteEntities(CPairWriter& w)
{
    w.Text(0, "SECTION");
    w.Text(2, "ENTITIES");
    const int side = 250; // the terrain: side x side quads
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
        {
            const auto h = [](int i, int j) { return 0.25 * ((i * 7 + j * 3) % 11); };
            w.Text(0, "3DFACE");
            w.Text(8, kLayers[(x / 23 + y / 23) % 2]);
            w.Point(10, x, y, h(x, y));
            w.Point(11, x + 1, y, h(x + 1, y));
            w.Point(12, x + 1, y + 1, h(x + 1, y + 1));
            w.Point(13, x, y + 1, h(x, y + 1));
        }
    for (int i = 0; i < 4000; ++i)
        WritePolyface(w, kLayers[2 + i % 2], (i % 50) * 3.0, (i / 50) * 3.0);
    for (int i = 0; i < 12000; ++i)
    {
        w.Text(0, "LWPOLYLINE");
        w.Text(8, kLayers[6]);
        w.Short(70, i % 2);
        for (int k = 0; k < 6; ++k)
        {
            w.Real(10, (i % 100) + std::cos(k));
            w.Real(20, (i / 100) + std::sin(k));
        }
        w.Text(0, "LINE");
        w.Text(8, kLayers[5]);
        w.Short(62, 1 + i % 255);
        w.Point(10, i * 0.01, 0.0, 0.0);
        w.Point(11, i * 0.01, 1.0, 0.5);
    }
    for (int i = 0; i < 3000; ++i)
    {
        w.Text(0, "INSERT");
        w.Text(8, kLayers[4]);
        w.Text(2, i % 3 == 0 ? "Lamp" : "Tree");
        w.Short(62, 1 + i % 7);
        w.Point(10, (i % 60) * 3.0, (i / 60) * 3.0, 0.0);
        w.Real(50, i * 7.0);
    }
    w.Text(0, "INSERT");
    w.Text(8, kLayers[7]);
    w.Text(2, "Lamp");
    w.Short(70, 20);
    w.Short(71, 20);
    w.Real(44, 9.0);
    w.Real(45, 9.0);
    w.Text(0, "ENDSEC");
}

// Writes the drawing once, ASCII about 20 MB.
struct SFiles
{
    std::string ascii = "/tmp/vostrel-bench-" + std::to_string(getpid()) + ".dxf";
    std::string binary = "/tmp/vostrel-bench-" + std::to_string(getpid()) + "-binary.dxf";
    SFiles()
    {
        std::FILE* a = std::fopen(ascii.c_str(), "w");
        std::FILE* b = std::fopen(binary.c_str(), "wb");
        CPairWriter w(a, b);
        w.Text(0, "SECTION");
        w.Text(2, "TABLES");
        w.Text(0, "TABLE");
        w.Text(2, "LAYER");
        for (int i = 0; i < 8; ++i)
        {
            w.Text(0, "LAYER");
            w.Text(2, kLayers[i]);
            w.Short(62, i + 1);
            w.Short(70, 0);
        }
        w.Text(0, "ENDTAB");
        w.Text(0, "ENDSEC");
        WriteBlocks(w);
        WriteEntities(w);
        w.Text(0, "EOF");
        std::fclose(a);
        std::fclose(b);
    }
    ~SFiles()
    {
        std::remove(ascii.c_str());
        std::remove(binary.c_str());
    }
};

const SFiles& Files()
{
    static SFiles files;
    return files;
}

using benchimport::FileSize;

void Read(benchmark::State& state, const std::string& path)
{
    benchimport::ImportEach(state, path, 3);
    state.SetBytesProcessed(int64_t(state.iterations()) * FileSize(path));
    state.counters["MB"] = double(FileSize(path)) / 1e6;
}

void BM_OurReadAscii(benchmark::State& state)
{
    Read(state, Files().ascii);
}

void BM_OurReadBinary(benchmark::State& state)
{
    Read(state, Files().binary);
}

void BM_OurParseOnly(benchmark::State& state)
{
    std::ifstream in(Files().ascii, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const KStreamOptionsDxf options;
    for (auto _ : state)
    {
        KScnDxfDrawing drawing;
        std::string why;
        KScnDxfParser parser(options, drawing);
        if (!parser.Parse(text.data(), text.size(), why))
            state.SkipWithError(why.c_str());
        benchmark::DoNotOptimize(drawing.mModel.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

// dxflib hands every entity to callbacks; these count what a reader keeps.
class CCounter : public DL_CreationAdapter
{
public:
    void addLayer(const DL_LayerData&) override { ++mItems; }
    void addLine(const DL_LineData&) override { ++mItems; }
    void addPolyline(const DL_PolylineData&) override { ++mItems; }
    void addVertex(const DL_VertexData&) override { ++mItems; }
    void addInsert(const DL_InsertData&) override { ++mItems; }
    void add3dFace(const DL_3dFaceData&) override { ++mItems; }
    void addBlock(const DL_BlockData&) override { ++mItems; }
    long mItems = 0;
};

void BM_DxflibParse(benchmark::State& state)
{
    const std::string& path = Files().ascii;
    for (auto _ : state)
    {
        CCounter counter;
        DL_Dxf dxf;
        if (!dxf.in(path, &counter))
            state.SkipWithError("dxflib refused the file");
        benchmark::DoNotOptimize(counter.mItems);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * FileSize(path));
}

} // namespace

BENCHMARK(BM_OurReadAscii)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_OurReadBinary)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_OurParseOnly)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_DxflibParse)->Unit(benchmark::kMillisecond)->MinTime(3.0);
