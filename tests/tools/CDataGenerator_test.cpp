#include "tools/datagen/CDataGenerator.h"

#include "scenesdk/fileio/KScn.h"
#include "tests/support/RepoFiles.h"
#include "tests/support/TempDir.h"
#include "tests/tools/TgaTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

using testsupport::TempDir;
using tgatest::ParseTga;
using tgatest::STga;

const std::string kRepo = fs::path(testsupport::RepoRoot()).parent_path().string();

std::string Read(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// One generation shared by the tests of this file (it takes a fraction of a
// second, but the file checks need only one).
class GeneratedData : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_Root = new TempDir();
        s_Data = s_Root->Path() + "/Data";
        s_Generator = new CDataGenerator(s_Data, kRepo + "/tools/data");
        s_Ok = s_Generator->Generate();
    }
    static void TearDownTestSuite()
    {
        delete s_Generator;
        delete s_Root;
    }
    static bool LameFound()
    {
        for (const std::string& n : s_Generator->Notes())
        {
            if (n.find("lame not found") != std::string::npos)
                return false;
        }
        return true;
    }

    static TempDir* s_Root;
    static std::string s_Data;
    static CDataGenerator* s_Generator;
    static bool s_Ok;
};
TempDir* GeneratedData::s_Root = nullptr;
std::string GeneratedData::s_Data;
CDataGenerator* GeneratedData::s_Generator = nullptr;
bool GeneratedData::s_Ok = false;

std::vector<std::string> AllFiles(bool withMp3)
{
    std::vector<std::string> all = CDataGenerator::ImageFiles();
    for (const auto& list : {CDataGenerator::ModelFiles(), CDataGenerator::WavFiles()})
        all.insert(all.end(), list.begin(), list.end());
    if (withMp3)
    {
        const auto mp3 = CDataGenerator::Mp3Files();
        all.insert(all.end(), mp3.begin(), mp3.end());
    }
    return all;
}

// "Data/..." values of the shipped settings.ini, by key.
std::map<std::string, std::string> SettingsDataFiles()
{
    std::map<std::string, std::string> files;
    std::istringstream in(Read(kRepo + "/settings.ini"));
    std::string line, section;
    while (std::getline(in, line))
    {
        if (!line.empty() && line[0] == '[')
            section = line;
        const size_t eq = line.find(" = Data/");
        if (eq != std::string::npos)
            files[section + line.substr(0, eq)] = line.substr(eq + 3);
    }
    return files;
}

} // namespace

TEST_F(GeneratedData, WritesEveryInventoriedFile)
{
    EXPECT_TRUE(s_Ok);
    const bool lame = LameFound();
    const auto all = AllFiles(lame);
    for (const std::string& f : all)
    {
        EXPECT_TRUE(fs::is_regular_file(s_Data + "/" + f)) << f;
        EXPECT_GT(fs::file_size(s_Data + "/" + f), 0u) << f;
    }
    const bool shader = fs::exists(kRepo + "/tools/data/shader/simpleBump.cg");
    if (shader)
    {
        EXPECT_EQ(Read(s_Data + "/shader/simpleBump.cg"), Read(kRepo + "/tools/data/shader/simpleBump.cg"));
    }
    EXPECT_EQ(s_Generator->FilesWritten(), all.size() + (shader ? 1 : 0));
    // Nothing else is left behind (no temporary WAVs of the MP3 encoding).
    size_t onDisk = 0;
    for (const auto& e : fs::recursive_directory_iterator(s_Data))
        onDisk += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(onDisk, s_Generator->FilesWritten());
}

TEST_F(GeneratedData, EveryDataFileOfTheSettingsIsGenerated)
{
    const auto all = AllFiles(true);
    const std::set<std::string> generated(all.begin(), all.end());
    const auto files = SettingsDataFiles();
    EXPECT_GE(files.size(), 18u);
    for (const auto& [key, path] : files)
    {
        EXPECT_EQ(generated.count(path.substr(5)), 1u) << key << " = " << path;
    }
}

TEST_F(GeneratedData, ImagesAreTgaFilesTheGameLoads)
{
    for (const std::string& f : CDataGenerator::ImageFiles())
    {
        const STga t = ParseTga(Read(s_Data + "/" + f));
        EXPECT_EQ(t.error, "") << f;
    }
    // The full-screen pictures have the shipped window's shape, 4:3: no
    // black bars beside them at 1024 x 768.
    for (const char* f :
         {"mainbg.tga", "endbg.tga", "wonbg.tga", "loadingscreens/Level1.tga", "loadingscreens/Level3.tga"})
    {
        const STga t = ParseTga(Read(s_Data + "/" + f));
        EXPECT_EQ(t.width * 3, t.height * 4) << f;
    }
    // Four button bands of equal height; the buttons carry alpha.
    const STga button = ParseTga(Read(s_Data + "/buttonTex.tga"));
    EXPECT_EQ(button.bpp, 4);
    EXPECT_EQ(button.height % 4, 0);
    for (size_t p = 3; p < button.pixels.size(); p += 4)
        ASSERT_EQ(button.pixels[p], 255) << "pixel " << p / 4;
    // The bars (top half) are opaque; the centre mark (left quarter of the
    // third quarter) is a mark on a transparent ground.
    const STga windows = ParseTga(Read(s_Data + "/windows.tga"));
    ASSERT_EQ(windows.bpp, 4);
    auto alpha = [&](int x, int y)
    { return windows.pixels[(static_cast<size_t>(y) * windows.width + x) * 4 + 3]; };
    for (int y = 0; y < windows.height / 2; ++y)
        for (int x = 0; x < windows.width; ++x)
            ASSERT_EQ(alpha(x, y), 255) << x << "," << y;
    const int q = windows.height / 4;
    EXPECT_EQ(alpha(1, 2 * q + 1), 0);
    EXPECT_EQ(alpha(windows.width / 8, 2 * q + q / 2), 255);
}

TEST_F(GeneratedData, HeightmapFitsTheTerrainSettings)
{
    const STga hm = ParseTga(Read(s_Data + "/terrain/heightmap.tga"));
    ASSERT_EQ(hm.error, "");
    const std::string settings = Read(kRepo + "/settings.ini");
    const size_t at = settings.find("\nSegments = ");
    ASSERT_NE(at, std::string::npos);
    const int segments = std::atoi(settings.c_str() + at + 12);
    ASSERT_GT(segments, 0);
    EXPECT_EQ((hm.width - 1) % segments, 0);
    EXPECT_EQ((hm.height - 1) % segments, 0);
    // Grey samples; the middle, where StartPos points, is the plateau of 80
    // (height 8.0 at YScale 0.1).
    for (size_t p = 0; p < hm.pixels.size(); p += 3)
    {
        ASSERT_EQ(hm.pixels[p], hm.pixels[p + 1]);
        ASSERT_EQ(hm.pixels[p], hm.pixels[p + 2]);
    }
    // The plateau of 80 (height 8.0 at YScale 0.1) around the town, where
    // StartPos points and the statue stands (20 along -x): every sample of
    // the cells within the plateau radius is 80, so both spots are flat.
    ASSERT_EQ(hm.width, CDataGenerator::kHeightmapSize);
    const double cell = CDataGenerator::kTerrainSize / (hm.width - 1);
    for (int z = 0; z < hm.height; ++z)
        for (int x = 0; x < hm.width; ++x)
            if (std::hypot(x * cell - CDataGenerator::kTownX, z * cell - CDataGenerator::kTownZ) <=
                CDataGenerator::kPlateauRadius)
            {
                ASSERT_EQ(hm.pixels[(static_cast<size_t>(z) * hm.width + x) * 3],
                          CDataGenerator::kPlateauSample)
                    << x << "," << z;
            }
    EXPECT_NE(settings.find("StartPos = 450.0;8.0;400.0\n"), std::string::npos);
    EXPECT_NE(settings.find("XSize = 1000.0\n"), std::string::npos);
    EXPECT_NE(settings.find("ZSize = 1000.0\n"), std::string::npos);
    EXPECT_NE(settings.find("YScale = 0.1\n"), std::string::npos);
    // The build camera scrolls over x 300-600, z 200-600 and starts at
    // (x, y + 50, z + 25): the town and its plateau lie within that frame.
    EXPECT_GE(CDataGenerator::kTownX - 150, 300 - 40);
    EXPECT_LE(CDataGenerator::kTownX + 150, 600 + 40);
    EXPECT_TRUE(CDataGenerator::kTownZ + 25 >= 200 && CDataGenerator::kTownZ + 25 <= 600);
}

TEST_F(GeneratedData, PlantMapPlantsTreesOnlyAwayFromTheTown)
{
    const STga tm = ParseTga(Read(s_Data + "/terrain/treemap.tga"));
    ASSERT_EQ(tm.error, "");
    int trees = 0;
    for (int y = 0; y < tm.height; ++y)
    {
        for (int x = 0; x < tm.width; ++x)
        {
            int here = 0;
            for (int k = 0; k < 3; ++k)
                here += static_cast<int>(tm.pixels[(static_cast<size_t>(y) * tm.width + x) * tm.bpp + k] *
                                         0.0470588244);
            trees += here;
            // Trees stay inside their area: an area any of whose points is
            // near the town must be empty.
            const double size = CDataGenerator::kTerrainSize / tm.width;
            const double nx =
                std::clamp(CDataGenerator::kTownX, x * size, (x + 1) * size) - CDataGenerator::kTownX;
            const double nz =
                std::clamp(CDataGenerator::kTownZ, y * size, (y + 1) * size) - CDataGenerator::kTownZ;
            if (std::hypot(nx, nz) < 120.0)
            {
                EXPECT_EQ(here, 0) << x << "," << y;
            }
        }
    }
    EXPECT_GT(trees, 50);
    EXPECT_LT(trees, 1500);
}

TEST_F(GeneratedData, WavFilesArePcm)
{
    for (const std::string& f : CDataGenerator::WavFiles())
    {
        const std::string b = Read(s_Data + "/" + f);
        ASSERT_GT(b.size(), 44u) << f;
        EXPECT_EQ(b.substr(0, 4), "RIFF");
        EXPECT_EQ(b.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(b.substr(36, 4), "data");
        uint32_t riff = 0, data = 0;
        for (int i = 3; i >= 0; --i)
        {
            riff = riff << 8 | static_cast<uint8_t>(b[4 + i]);
            data = data << 8 | static_cast<uint8_t>(b[40 + i]);
        }
        EXPECT_EQ(riff, b.size() - 8);
        EXPECT_EQ(data, b.size() - 44);
    }
    if (LameFound())
    {
        for (const std::string& f : CDataGenerator::Mp3Files())
        {
            const std::string b = Read(s_Data + "/" + f);
            ASSERT_GE(b.size(), 4u);
            // An MPEG audio frame sync (no ID3 tag is written).
            EXPECT_EQ(static_cast<uint8_t>(b[0]), 0xFF) << f;
            EXPECT_EQ(static_cast<uint8_t>(b[1]) & 0xE0, 0xE0) << f;
        }
    }
}

namespace
{

// Seconds of the generator's MP3 (MPEG-2 layer III, 22050 Hz, 576 samples a
// frame) by its frame headers; -1 when a header is not one of these.
double Mp3Seconds(const std::string& b)
{
    const int kKbps[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    size_t at = 0, frames = 0;
    for (; at + 4 <= b.size(); ++frames)
    {
        const auto h1 = static_cast<uint8_t>(b[at + 1]), h2 = static_cast<uint8_t>(b[at + 2]);
        if (static_cast<uint8_t>(b[at]) != 0xFF || (h1 & 0xFE) != 0xF2 || (h2 & 0x0C) != 0 || !kKbps[h2 >> 4])
            return -1;
        at += 72000 * kKbps[h2 >> 4] / 22050 + (h2 >> 1 & 1);
    }
    return at == b.size() ? frames * 576.0 / 22050 : -1;
}

} // namespace

// The battle music plays 21 times (loop count 20): longer than the longest
// battle of the shipped levels as docs/game-data.md reckons it, the level's
// last flock and then one bomber nobody shoots razing the statue (400) and
// the houses the levels demanded so far (120 each), a dropping of 10 every
// 11 s (measured with the generated models).
TEST_F(GeneratedData, BattleMusicOutlastsTheLongestBattle)
{
    if (!LameFound())
        GTEST_SKIP() << "lame is not installed: no MP3 files";
    std::istringstream in(Read(kRepo + "/settings.ini"));
    double houses = 0, lastFlock = 0, longest = 0;
    bool level = false;
    auto endLevel = [&]
    { longest = std::max(longest, level ? lastFlock + (400 + houses * 120) / 10 * 11 : 0); };
    for (std::string line; std::getline(in, line);)
    {
        const size_t eq = line.find(" = ");
        if (line.rfind('[', 0) == 0)
        {
            endLevel();
            level = line.rfind("[Level", 0) == 0;
            lastFlock = 0;
        }
        else if (level && line.rfind("PreCitizen = ", 0) == 0)
            houses += std::stod(line.substr(eq + 3));
        else if (level && line.rfind("SpawnPoint", 0) == 0 && line.rfind("SpawnPoints", 0) != 0)
            lastFlock = std::max(lastFlock, std::stod(line.substr(eq + 3)));
    }
    endLevel();
    EXPECT_NEAR(longest, 896.0, 1e-9) << "docs/game-data.md gives the shipped levels' longest battle";
    const double music = Mp3Seconds(Read(s_Data + "/sounds/bg_battle.mp3"));
    EXPECT_GT(music * 21, longest);
}

// Every model parses; its layout is what the game's model importer walks: a
// first mesh node of triangles with per-control-point normals, one material
// settings node per material, and texture files that exist.
TEST_F(GeneratedData, ModelsParseAndFollowTheModelConvention)
{
    size_t checked = 0;
    for (const std::string& f : CDataGenerator::ModelFiles())
    {
        SCOPED_TRACE(f);
        scenesdk::KScn scn;
        ASSERT_TRUE(scn.OpenFile((s_Data + "/" + f).c_str())) << scn.GetStatusText();
        EXPECT_EQ(scn.GetFileVersion(), 6000);
        ASSERT_TRUE(scn.OpenField("Objects"));
        ASSERT_TRUE(scn.EnterFieldBlock());

        ASSERT_TRUE(scn.OpenField("Model"));
        EXPECT_STREQ(scn.NextValueAsString(), "Body");
        EXPECT_STREQ(scn.NextValueAsString(), "Mesh");
        ASSERT_TRUE(scn.EnterFieldBlock());
        std::vector<std::string> materials, textures;
        ASSERT_TRUE(scn.OpenField("Materials"));
        while (scn.RemainingValueCount() > 0)
            materials.push_back(scn.NextValueAsString());
        ASSERT_TRUE(scn.OpenField("Textures"));
        while (scn.RemainingValueCount() > 0)
            textures.push_back(scn.NextValueAsString());
        ASSERT_TRUE(scn.OpenField("Mesh"));
        ASSERT_TRUE(scn.EnterFieldBlock());
        auto numbers = [&](const char* name)
        {
            std::vector<double> v;
            if (scn.OpenField(name))
                while (scn.RemainingValueCount() > 0)
                    v.push_back(scn.NextValueAsDouble());
            return v;
        };
        const std::vector<double> points = numbers("ControlPoints");
        const std::vector<double> sizes = numbers("PolygonSizes");
        const std::vector<double> corners = numbers("PolygonVertices");
        ASSERT_EQ(points.size() % 3, 0u);
        ASSERT_EQ(corners.size(), sizes.size() * 3);
        EXPECT_TRUE(std::all_of(sizes.begin(), sizes.end(), [](double s) { return s == 3; }));
        ASSERT_TRUE(scn.OpenField("Layer"));
        ASSERT_TRUE(scn.EnterFieldBlock());
        ASSERT_TRUE(scn.OpenField("LayerElementNormal"));
        ASSERT_TRUE(scn.EnterFieldBlock());
        EXPECT_STREQ(scn.ReadStringField("Mapping", ""), "ByControlPoint");
        EXPECT_STREQ(scn.ReadStringField("Reference", ""), "Direct");
        const std::vector<double> normals = numbers("Values");
        scn.LeaveFieldBlock();
        ASSERT_EQ(normals.size(), points.size());
        // Winding agrees with the normals: front faces are the lit ones.
        for (size_t t = 0; t < corners.size(); t += 3)
        {
            const size_t a = static_cast<size_t>(corners[t]) * 3, b = static_cast<size_t>(corners[t + 1]) * 3,
                         c = static_cast<size_t>(corners[t + 2]) * 3;
            ASSERT_LT(std::max({a, b, c}), points.size());
            const double e1[3] = {points[b] - points[a], points[b + 1] - points[a + 1],
                                  points[b + 2] - points[a + 2]};
            const double e2[3] = {points[c] - points[a], points[c + 1] - points[a + 1],
                                  points[c + 2] - points[a + 2]};
            const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                 e1[0] * e2[1] - e1[1] * e2[0]};
            const double d = n[0] * (normals[a] + normals[b] + normals[c]) +
                             n[1] * (normals[a + 1] + normals[b + 1] + normals[c + 1]) +
                             n[2] * (normals[a + 2] + normals[b + 2] + normals[c + 2]);
            EXPECT_GE(d, 0.0) << "triangle " << t / 3;
        }
        for (const char* element : {"LayerElementMaterial", "LayerElementTexture"})
        {
            ASSERT_TRUE(scn.OpenField(element)) << element;
            ASSERT_TRUE(scn.EnterFieldBlock());
            EXPECT_STREQ(scn.ReadStringField("Mapping", ""), "ByPolygon");
            EXPECT_STREQ(scn.ReadStringField("Reference", ""), "IndexToDirect");
            const std::vector<double> indices = numbers("Indices");
            EXPECT_EQ(indices.size(), sizes.size());
            const size_t limit = element[12] == 'M' ? materials.size() : textures.size();
            for (double i : indices)
                EXPECT_TRUE(i >= 0 && i < limit) << element << " " << i;
            scn.LeaveFieldBlock();
        }
        ASSERT_TRUE(scn.OpenField("LayerElementUV"));
        ASSERT_TRUE(scn.EnterFieldBlock());
        EXPECT_STREQ(scn.ReadStringField("Mapping", ""), "ByPolygonVertex");
        EXPECT_EQ(numbers("Indices").size(), corners.size());
        scn.LeaveFieldBlock();
        scn.LeaveFieldBlock(); // Layer
        scn.LeaveFieldBlock(); // Mesh
        scn.LeaveFieldBlock(); // Model

        // Settings nodes and shader nodes after the mesh node.
        std::set<std::string> nullNodes;
        while (scn.OpenField("Model"))
        {
            const std::string name = scn.NextValueAsString();
            EXPECT_STREQ(scn.NextValueAsString(), "Null") << name;
            nullNodes.insert(name);
        }
        for (const std::string& m : materials)
            EXPECT_EQ(nullNodes.count("mat_" + m), 1u) << m;
        if (nullNodes.count("s_simpleBump"))
        {
            EXPECT_EQ(f, "models/buildings/statue.scn");
            EXPECT_EQ(nullNodes.count("texNormal_s_stoneNormal"), 1u);
        }
        for (size_t t = 0; t < textures.size(); ++t)
        {
            ASSERT_TRUE(scn.OpenField("Texture"));
            const std::string name = scn.NextValueAsString();
            EXPECT_EQ(std::count(textures.begin(), textures.end(), name), 1);
            ASSERT_TRUE(scn.EnterFieldBlock());
            const std::string file = scn.ReadStringField("FileName", "");
            ASSERT_EQ(file.substr(0, 5), "Data/");
            EXPECT_TRUE(fs::is_regular_file(s_Data + "/" + file.substr(5))) << file;
            scn.LeaveFieldBlock();
        }
        size_t materialFields = 0;
        while (scn.OpenField("Material"))
            ++materialFields;
        EXPECT_EQ(materialFields, materials.size());
        ++checked;
    }
    EXPECT_EQ(checked, 16u);
}

TEST_F(GeneratedData, SecondRunWritesTheSameBytes)
{
    TempDir other;
    CDataGenerator again(other.Path() + "/Data", kRepo + "/tools/data");
    ASSERT_TRUE(again.Generate());
    for (const std::string& f : AllFiles(LameFound()))
        EXPECT_TRUE(Read(s_Data + "/" + f) == Read(other.Path() + "/Data/" + f)) << f;
    // Over an existing tree: the files are replaced, not appended to.
    ASSERT_TRUE(again.Generate());
    EXPECT_TRUE(Read(s_Data + "/models/bird.scn") == Read(other.Path() + "/Data/models/bird.scn"));
}

TEST(DataGeneratorShader, MissingSourceIsANoteAndCopiedWhenPresent)
{
    TempDir dir;
    {
        CDataGenerator g(dir.Path() + "/Data", dir.Path() + "/nothing");
        EXPECT_TRUE(g.Generate());
        EXPECT_FALSE(fs::exists(dir.Path() + "/Data/shader/simpleBump.cg"));
        const auto& notes = g.Notes();
        EXPECT_TRUE(
            std::any_of(notes.begin(), notes.end(),
                        [](const std::string& n)
                        { return n.find("Data/shader/simpleBump.cg is not written") != std::string::npos; }));
    }
    dir.WriteFile("src/shader/simpleBump.cg", "// shader\nvoid mainVertex() {}\n");
    CDataGenerator g(dir.Path() + "/Data", dir.Path() + "/src");
    EXPECT_TRUE(g.Generate());
    EXPECT_EQ(Read(dir.Path() + "/Data/shader/simpleBump.cg"), "// shader\nvoid mainVertex() {}\n");
}

TEST(DataGeneratorFailure, UnwritableFolderFails)
{
    TempDir dir;
    dir.WriteFile("blocker", "a file where the Data folder should be");
    testing::internal::CaptureStderr();
    CDataGenerator g(dir.Path() + "/blocker", "");
    EXPECT_FALSE(g.Generate());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error: cannot create the folder"), std::string::npos) << err;
    EXPECT_EQ(g.FilesWritten(), 0u);
}
