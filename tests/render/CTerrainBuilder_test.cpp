#include "render/CTerrainBuilder.h"

#include "app/CEngineServices.h"
#include "app/CSettings.h"
#include "platform/physx/NxPhysics.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using testsupport::TempDirTest;

namespace
{

typedef std::vector<CRefPtr<CModelData>> TModels;

// An uncompressed TGA of w x h pixels whose first byte is sample(x, z); the
// other channels differ from it so that only the first byte can be read.
std::string Heightmap(unsigned int w, unsigned int h,
                      const std::function<uint8_t(unsigned, unsigned)>& sample,
                      unsigned int bitsPerPixel = 24)
{
    std::string s(18, '\0');
    s[2] = 2;
    s[12] = static_cast<char>(w & 0xFF);
    s[13] = static_cast<char>(w >> 8);
    s[14] = static_cast<char>(h & 0xFF);
    s[15] = static_cast<char>(h >> 8);
    s[16] = static_cast<char>(bitsPerPixel);
    for (unsigned int z = 0; z < h; ++z)
        for (unsigned int x = 0; x < w; ++x)
        {
            const uint8_t v = sample(x, z);
            s.push_back(static_cast<char>(v));
            s.push_back(static_cast<char>(v ^ 0x55));
            s.push_back(static_cast<char>(255 - v));
            if (bitsPerPixel == 32)
                s.push_back(static_cast<char>(200));
        }
    return s;
}

uint8_t Flat(unsigned, unsigned)
{
    return 100;
}

const char* const kLevel = "XSize = 4\nZSize = 8\nYScale = 0.5\nSegments = 1\nHeightmap = map.tga\n"
                           "TerrainTexture1 = Data/grass.tga\nTerrainTexture2 = Data/detail.tga\n";

void ExpectVec(const CVector3& v, float x, float y, float z, float tolerance = 1e-5f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

class TerrainBuilderTest : public TempDirTest
{
protected:
    void SetUp() override
    {
        CSettings::CreateInstance();
        CEngineServices::CreateInstance();
        ASSERT_TRUE(CEngineServices::GetInstance()->GetPhysXMgr()->Create());
    }
    void TearDown() override
    {
        m_Models.clear();
        m_Info = CTerrainInfo();
        CEngineServices::DestroyInstance();
        CSettings::DestroyInstance();
    }

    // Writes settings.ini with the section "Level1" and loads it.
    void Settings(const std::string& level)
    {
        m_Dir.WriteFile("settings.ini", "[GAME]\nXSize = 1\n[Level1]\n" + level);
        ASSERT_TRUE(CSettings::GetInstance()->Load("settings.ini"));
    }
    // Builds "Level1" into m_Models and (withInfo) m_Info; the standard error
    // output goes to m_Err.
    bool Build(bool withInfo = true)
    {
        testing::internal::CaptureStderr();
        const bool ok = m_Builder->BuildTerrain("Level1", withInfo ? &m_Info : nullptr, m_Models);
        m_Err = testing::internal::GetCapturedStderr();
        return ok;
    }
    // A failed build logs exactly message (plus what came before it, when
    // given) and leaves the models and the record alone.
    void ExpectFailure(const std::string& message, const std::string& before = "")
    {
        m_Models.assign(1, CRefPtr<CModelData>(new CModelData));
        const CModelData* old = m_Models[0].Get();
        const uint16_t width = m_Info.GetWidth();
        const CRefPtr<CPhysXTriangleMesh> mesh = m_Info.GetMesh();
        EXPECT_FALSE(Build());
        EXPECT_EQ(m_Err, before + message + "\n");
        ASSERT_EQ(m_Models.size(), 1u);
        EXPECT_EQ(m_Models[0].Get(), old);
        EXPECT_EQ(m_Info.GetWidth(), width);
        EXPECT_EQ(m_Info.GetMesh(), mesh);
    }
    const STriangleGroupData& Group(size_t model) const
    {
        return *m_Models.at(model)->m_TriangleGroups.at(0);
    }
    // The render normal of the vertex at position p (first match) in a group.
    static CVector3 NormalAt(const STriangleGroupData& g, const CVector3& p)
    {
        for (size_t v = 0; v < g.m_Positions.size(); ++v)
            if (g.m_Positions[v] == p)
                return g.m_Normals[v];
        ADD_FAILURE() << "no vertex at " << p.x << "," << p.y << "," << p.z;
        return CVector3();
    }

    CRefPtr<CTextureLoader> m_Loader{new CTextureLoader};
    CRefPtr<CTerrainBuilder> m_Builder{new CTerrainBuilder(m_Loader)};
    TModels m_Models;
    CTerrainInfo m_Info;
    std::string m_Err;
};

const uint8_t kSamples3x3[9] = {0, 40, 80, 120, 20, 60, 100, 200, 10};

uint8_t Samples3x3(unsigned x, unsigned z)
{
    return kSamples3x3[z * 3 + x];
}

} // namespace

TEST(TerrainBuilder, HoldsTheTextureLoader)
{
    CRefPtr<CTextureLoader> loader(new CTextureLoader);
    {
        CRefPtr<CTerrainBuilder> builder(new CTerrainBuilder(loader));
        EXPECT_EQ(loader->GetRefCount(), 2u);
    }
    EXPECT_EQ(loader->GetRefCount(), 1u);
}

TEST_F(TerrainBuilderTest, VerticesTrianglesAndHeightRecord)
{
    m_Dir.WriteFile("map.tga", Heightmap(3, 3, Samples3x3));
    Settings(kLevel);
    ASSERT_TRUE(Build()) << m_Err;
    EXPECT_EQ(m_Err, "");

    // Collision mesh: 9 grid points then 4 centres, four triangles per cell.
    const plat::NxTriangleMesh* mesh = m_Info.GetMesh()->GetMesh();
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->getNbVertices(), 13u);
    ASSERT_EQ(mesh->getNbTriangles(), 16u);
    EXPECT_FLOAT_EQ(mesh->getHeightFieldVerticalExtent(), -1000.0f);
    const plat::NxVec3* v = mesh->getVertices();
    for (unsigned int z = 0; z < 3; ++z)
        for (unsigned int x = 0; x < 3; ++x)
        {
            const plat::NxVec3& p = v[z * 3 + x];
            EXPECT_FLOAT_EQ(p.x, x * 2.0f);
            EXPECT_FLOAT_EQ(p.y, kSamples3x3[z * 3 + x] * 0.5f);
            EXPECT_FLOAT_EQ(p.z, z * 4.0f);
        }
    // Centre of cell (1, 0): corners 40, 80, 20, 60.
    EXPECT_FLOAT_EQ(v[10].x, 3.0f);
    EXPECT_FLOAT_EQ(v[10].y, 50 * 0.5f);
    EXPECT_FLOAT_EQ(v[10].z, 2.0f);
    EXPECT_FLOAT_EQ(v[12].x, 3.0f);
    EXPECT_FLOAT_EQ(v[12].z, 6.0f);
    const uint32_t* t = mesh->getTriangles();
    // Cell (1, 1): a = 4, centre 12.
    const std::vector<uint32_t> cell11(t + 36, t + 48);
    EXPECT_EQ(cell11, (std::vector<uint32_t>{4, 12, 5, 5, 12, 8, 8, 12, 7, 7, 12, 4}));

    // Height record.
    EXPECT_EQ(m_Info.GetWidth(), 3);
    EXPECT_EQ(m_Info.GetHeight(), 3);
    EXPECT_FLOAT_EQ(m_Info.GetCellSizeX(), 2.0f);
    EXPECT_FLOAT_EQ(m_Info.GetCellSizeZ(), 4.0f);
    EXPECT_FLOAT_EQ(m_Info.GetHeightScale(), 0.5f);
    EXPECT_FLOAT_EQ(m_Info.GetSizeX(), 4.0f);
    EXPECT_FLOAT_EQ(m_Info.GetSizeZ(), 8.0f);
    EXPECT_EQ(m_Info.GetSample(1, 2), 200);
    EXPECT_FLOAT_EQ(m_Info.GetHeightAt(3, 2), 25.0f);

    // One render model: one group, two layers, the terrain material.
    ASSERT_EQ(m_Models.size(), 1u);
    const CModelData& model = *m_Models[0];
    ASSERT_EQ(model.m_TriangleGroups.size(), 1u);
    ASSERT_EQ(model.m_Materials.size(), 1u);
    const SMaterialData& m = model.m_Materials[0];
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(m.m_Ambient[i], 0.0);
        EXPECT_EQ(m.m_Diffuse[i], 1.0);
        EXPECT_EQ(m.m_Emissive[i], 0.0);
        EXPECT_EQ(m.m_Specular[i], 0.0);
    }
    EXPECT_EQ(m.m_dShininess, 0.0);
    EXPECT_EQ(m.m_dOpacity, 1.0);
    EXPECT_EQ(m.m_dReflectivity, 0.0);
    EXPECT_FALSE(m.m_bLighting);
    EXPECT_TRUE(m.m_strShader.empty());
    ASSERT_EQ(model.m_Textures.size(), 2u);
    EXPECT_EQ(model.m_Textures[0].m_strFileName, "Data/grass.tga");
    EXPECT_EQ(model.m_Textures[1].m_strFileName, "Data/detail.tga");
    EXPECT_EQ(model.m_Textures[0].m_iBlendMode, 0);
    EXPECT_EQ(model.m_Textures[1].m_iBlendMode, 0);
    const STriangleGroupData& g = Group(0);
    EXPECT_EQ(g.m_bUVLayerCount, 2);
    EXPECT_EQ(g.m_iMaterialIndex, 0);
    EXPECT_EQ(g.m_LayerTextures, (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(g.m_LayerBlendModes, (std::vector<uint32_t>{0, 0}));
    EXPECT_EQ(g.GetVertexCount(), 13u);
    ASSERT_EQ(g.m_Indices.size(), 48u);
    // The render triangles are the collision triangles, corner by corner.
    for (size_t k = 0; k < 48; ++k)
    {
        const plat::NxVec3& p = v[t[k]];
        EXPECT_EQ(g.m_Positions[g.m_Indices[k]], CVector3(p.x, p.y, p.z)) << k;
    }
    // Texture coordinates: layer 0 over W and H, layer 1 alternating per
    // grid point, (0.5, 0.5) at the centres.
    for (size_t k = 0; k < 48; ++k)
    {
        const uint32_t src = t[k];
        const uint32_t dst = g.m_Indices[k];
        const TTexCoord uv0 = g.m_TexCoords[0][dst], uv1 = g.m_TexCoords[1][dst];
        if (src < 9)
        {
            const unsigned int x = src % 3, z = src / 3;
            EXPECT_FLOAT_EQ(uv0[0], x / 3.0f);
            EXPECT_FLOAT_EQ(uv0[1], z / 3.0f);
            EXPECT_EQ(uv1[0], static_cast<float>(x % 2));
            EXPECT_EQ(uv1[1], static_cast<float>(z % 2));
        }
        else
        {
            const unsigned int x = (src - 9) % 2, z = (src - 9) / 2;
            EXPECT_FLOAT_EQ(uv0[0], (x + 0.5f) / 3.0f);
            EXPECT_FLOAT_EQ(uv0[1], (z + 0.5f) / 3.0f);
            EXPECT_EQ(uv1[0], 0.5f);
            EXPECT_EQ(uv1[1], 0.5f);
        }
    }
}

TEST_F(TerrainBuilderTest, FlatMapIsLevelWithUpNormalsAndNoRecordWhenNotAsked)
{
    m_Dir.WriteFile("map.tga", Heightmap(5, 3, Flat, 32));
    Settings("XSize = 10\nZSize = 3\nYScale = 0.3\nSegments = 2\nHeightmap = map.tga\n"
             "TerrainTexture1 = a.tga\nTerrainTexture2 = b.tga\n");
    ASSERT_TRUE(Build(false)) << m_Err;
    EXPECT_EQ(m_Info.GetWidth(), 0);
    ASSERT_EQ(m_Models.size(), 4u);
    for (size_t s = 0; s < 4; ++s)
    {
        const STriangleGroupData& g = Group(s);
        // 2 x 1 cells per segment: 6 grid points and 2 centres.
        EXPECT_EQ(g.GetVertexCount(), 8u);
        EXPECT_EQ(g.m_Indices.size(), 24u);
        for (size_t k = 0; k < g.GetVertexCount(); ++k)
        {
            EXPECT_EQ(g.m_Positions[k].y, 100 * 0.3f);
            EXPECT_EQ(g.m_Normals[k], CVector3(0, 1, 0));
        }
    }
}

TEST_F(TerrainBuilderTest, NormalsSumTheFacesAroundEachVertex)
{
    // A slope along x: every normal is the plane's.
    m_Dir.WriteFile("map.tga",
                    Heightmap(5, 5, [](unsigned x, unsigned) { return static_cast<uint8_t>(x * 20); }));
    Settings("XSize = 8\nZSize = 4\nYScale = 0.1\nSegments = 1\nHeightmap = map.tga\n"
             "TerrainTexture1 = a.tga\nTerrainTexture2 = b.tga\n");
    ASSERT_TRUE(Build()) << m_Err;
    const float slope = 20 * 0.1f / 2.0f; // rise per world unit along x
    const CVector3 plane = CVector3(-slope, 1, 0).Normalized();
    const STriangleGroupData& g = Group(0);
    for (const CVector3& n : g.m_Normals)
        ExpectVec(n, plane.x, plane.y, plane.z);

    // A rough map: each render normal is the normalised sum of the face
    // normals of every collision triangle that uses the vertex.
    std::mt19937 rng(11);
    std::vector<uint8_t> samples(5 * 4);
    for (uint8_t& s : samples)
        s = static_cast<uint8_t>(rng() % 256);
    m_Dir.WriteFile("map.tga", Heightmap(5, 4, [&](unsigned x, unsigned z) { return samples[z * 5 + x]; }));
    ASSERT_TRUE(Build()) << m_Err;
    const plat::NxTriangleMesh* mesh = m_Info.GetMesh()->GetMesh();
    const plat::NxVec3* v = mesh->getVertices();
    const uint32_t* t = mesh->getTriangles();
    const auto P = [&](uint32_t i) { return CVector3(v[i].x, v[i].y, v[i].z); };
    std::vector<CVector3> sums(mesh->getNbVertices());
    std::vector<int> faces(mesh->getNbVertices());
    for (uint32_t k = 0; k < mesh->getNbTriangles(); ++k)
    {
        const CVector3 n = (P(t[3 * k + 1]) - P(t[3 * k])).Cross(P(t[3 * k + 2]) - P(t[3 * k])).Normalized();
        EXPECT_GT(n.y, 0.0f);
        for (int c = 0; c < 3; ++c)
        {
            sums[t[3 * k + c]] += n;
            ++faces[t[3 * k + c]];
        }
    }
    EXPECT_EQ(faces[0], 2);  // corner
    EXPECT_EQ(faces[1], 4);  // edge
    EXPECT_EQ(faces[6], 8);  // inner grid point
    EXPECT_EQ(faces[20], 4); // centre
    const STriangleGroupData& rough = Group(0);
    for (uint32_t i = 0; i < mesh->getNbVertices(); ++i)
    {
        const CVector3 expected = sums[i].Normalized();
        const CVector3 n = NormalAt(rough, P(i));
        ExpectVec(n, expected.x, expected.y, expected.z);
    }
}

TEST_F(TerrainBuilderTest, SegmentsSplitTheCellsRowByRow)
{
    m_Dir.WriteFile("map.tga",
                    Heightmap(5, 9, [](unsigned x, unsigned z) { return static_cast<uint8_t>(x * 9 + z); }));
    Settings("XSize = 4\nZSize = 8\nYScale = 1\nSegments = 2\nHeightmap = map.tga\n"
             "TerrainTexture1 = a.tga\nTerrainTexture2 = b.tga\n");
    ASSERT_TRUE(Build()) << m_Err;
    ASSERT_EQ(m_Models.size(), 4u);
    size_t corners = 0;
    std::map<std::tuple<float, float, float>, int> seen;
    for (unsigned int sz = 0; sz < 2; ++sz)
        for (unsigned int sx = 0; sx < 2; ++sx)
        {
            // Segment (sx, sz) covers cells x = 2sx..2sx+1, z = 4sz..4sz+3.
            const STriangleGroupData& g = Group(sz * 2 + sx);
            EXPECT_EQ(g.GetVertexCount(), 3u * 5u + 2u * 4u);
            EXPECT_EQ(g.m_Indices.size(), 2u * 4u * 12u);
            for (const CVector3& p : g.m_Positions)
            {
                EXPECT_GE(p.x, 2.0f * sx);
                EXPECT_LE(p.x, 2.0f * sx + 2);
                EXPECT_GE(p.z, 4.0f * sz);
                EXPECT_LE(p.z, 4.0f * sz + 4);
                EXPECT_EQ(p.y, m_Info.GetHeightAt(p.x, p.z));
            }
            // The first triangle is the segment's first cell's first: (a, c, a + 1).
            EXPECT_EQ(g.m_Positions[g.m_Indices[0]], CVector3(2.0f * sx, 4.0f * sz + 18.0f * sx, 4.0f * sz));
            EXPECT_EQ(g.m_Positions[g.m_Indices[2]].x, 2.0f * sx + 1);
            for (uint32_t i : g.m_Indices)
            {
                const CVector3& p = g.m_Positions[i];
                ++seen[{p.x, p.y, p.z}];
            }
            corners += g.m_Indices.size();
        }
    // Together the segments hold every triangle of the map once.
    EXPECT_EQ(corners, 12u * 4u * 8u);
    EXPECT_EQ(seen.size(), 5u * 9u + 4u * 8u);
    EXPECT_EQ((seen[{2.0f, 18.0f + 4.0f, 4.0f}]), 8); // inner grid point (2, 4)
}

TEST_F(TerrainBuilderTest, LargeMapBuildsQuicklyAndAWrongSizeIsRefused)
{
    std::mt19937 rng(3);
    std::vector<uint8_t> samples(257 * 257);
    for (uint8_t& s : samples)
        s = static_cast<uint8_t>(rng() % 256);
    m_Dir.WriteFile("map.tga",
                    Heightmap(257, 257, [&](unsigned x, unsigned z) { return samples[z * 257 + x]; }));
    Settings("XSize = 512\nZSize = 512\nYScale = 0.2\nSegments = 4\nHeightmap = map.tga\n"
             "TerrainTexture1 = a.tga\nTerrainTexture2 = b.tga\n");
    ASSERT_TRUE(Build()) << m_Err;
    ASSERT_EQ(m_Models.size(), 16u);
    for (size_t s = 0; s < 16; ++s)
    {
        EXPECT_EQ(Group(s).GetVertexCount(), 65u * 65u + 64u * 64u);
        EXPECT_EQ(Group(s).m_Indices.size(), 64u * 64u * 12u);
        // Each corner is compared with about one stored vertex (the one it
        // shares), not with the thousands of a segment.
        EXPECT_LE(Group(s).GetVertexComparisons(), 2u * Group(s).m_Indices.size());
    }
    EXPECT_EQ(m_Info.GetMesh()->GetMesh()->getNbTriangles(), 256u * 256u * 4u);

    m_Dir.WriteFile("map.tga", Heightmap(256, 256, Flat));
    ExpectFailure("Error: Heightmap size (256 x 256) should be: (a multiple of 4) + 1");
    m_Dir.WriteFile("map.tga", Heightmap(257, 255, Flat));
    ExpectFailure("Error: Heightmap size (257 x 255) should be: (a multiple of 4) + 1");
}

TEST_F(TerrainBuilderTest, MissingKeysAreReportedInOrder)
{
    m_Dir.WriteFile("map.tga", Heightmap(3, 3, Flat));
    const char* keys[] = {"XSize",     "ZSize",           "YScale",         "Segments",
                          "Heightmap", "TerrainTexture1", "TerrainTexture2"};
    const char* values[] = {"4", "4", "1", "1", "map.tga", "a.tga", "b.tga"};
    for (int missing = 0; missing < 7; ++missing)
    {
        SCOPED_TRACE(keys[missing]);
        std::string level;
        // Every key after the missing one is left out too (only the first is
        // reported); an empty value counts as missing.
        for (int k = 0; k < 7; ++k)
            if (k < missing)
                level += std::string(keys[k]) + " = " + values[k] + "\n";
            else if (k == missing)
                level += std::string(keys[k]) + " =\n";
        Settings(level);
        ExpectFailure(std::string("Error: Couldn't get \"") + keys[missing] +
                      "\"-Value from \"Level1\" in CTerrainBuilder::BuildTerrain");
    }
    // A missing section, or no settings at all.
    Settings("");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(m_Builder->BuildTerrain("Level9", &m_Info, m_Models));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: Couldn't get \"XSize\"-Value from \"Level9\" in CTerrainBuilder::BuildTerrain\n");
    CSettings::DestroyInstance();
    ExpectFailure("Error: Couldn't get \"XSize\"-Value from \"Level1\" in CTerrainBuilder::BuildTerrain");
}

TEST_F(TerrainBuilderTest, UnusableValuesAreRefused)
{
    m_Dir.WriteFile("map.tga", Heightmap(3, 3, Flat));
    const struct
    {
        const char* key;
        const char* value;
    } cases[] = {{"Segments", "0"},
                 {"Segments", "65536"},
                 {"Segments", "-2"},
                 {"Segments", "many"},
                 {"Segments", "99999999999999999999"},
                 {"XSize", "0"},
                 {"XSize", "-4"},
                 {"XSize", "wide"},
                 {"ZSize", "1e999"},
                 {"ZSize", "nan"},
                 {"YScale", "inf"},
                 {"YScale", "3e38"},
                 {"YScale", "high"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        std::map<std::string, std::string> level = {
            {"XSize", "4"},           {"ZSize", "4"},           {"YScale", "1"},         {"Segments", "1"},
            {"Heightmap", "map.tga"}, {"TerrainTexture1", "a"}, {"TerrainTexture2", "b"}};
        level[c.key] = c.value;
        std::string text;
        for (const auto& kv : level)
            text += kv.first + " = " + kv.second + "\n";
        Settings(text);
        ExpectFailure(std::string("Error: Invalid \"") + c.key + "\"-Value \"" + c.value +
                      "\" from \"Level1\" in CTerrainBuilder::BuildTerrain");
    }
    // A size too small for the map's cells.
    m_Dir.WriteFile("big.tga", Heightmap(17, 3, Flat));
    Settings("XSize = 1e-44\nZSize = 4\nYScale = 1\nSegments = 1\nHeightmap = big.tga\n"
             "TerrainTexture1 = a\nTerrainTexture2 = b\n");
    EXPECT_FALSE(Build());
    EXPECT_EQ(m_Err.rfind("Error: Invalid \"XSize\"-Value \"", 0), 0u) << m_Err;
    EXPECT_TRUE(m_Info.GetMesh().IsNull());

    // A flat (0) or downward height scale is allowed.
    Settings("XSize = 4\nZSize = 4\nYScale = -0.5\nSegments = 2\nHeightmap = map.tga\n"
             "TerrainTexture1 = a\nTerrainTexture2 = b\n");
    ASSERT_TRUE(Build()) << m_Err;
    EXPECT_FLOAT_EQ(m_Info.GetHeightAt(1, 1), -50.0f);
    EXPECT_EQ(Group(3).m_Normals[0], CVector3(0, 1, 0));
}

TEST_F(TerrainBuilderTest, BadHeightmapsAreRefused)
{
    Settings("XSize = 4\nZSize = 4\nYScale = 1\nSegments = 1\nHeightmap = map.tga\n"
             "TerrainTexture1 = a\nTerrainTexture2 = b\n");
    ExpectFailure("Error: m_pTextureLoader->LoadImage(map.tga) failed in CTerrainBuilder::BuildTerrain",
                  "Could not open texture file: map.tga\n");
    std::string sixteen = Heightmap(3, 3, Flat);
    sixteen[16] = 16;
    m_Dir.WriteFile("map.tga", sixteen);
    ExpectFailure("Error: m_pTextureLoader->LoadImage(map.tga) failed in CTerrainBuilder::BuildTerrain",
                  "Invalid texture information\n");
    m_Dir.WriteFile("map.tga", Heightmap(3, 3, Flat).substr(0, 30));
    ExpectFailure("Error: m_pTextureLoader->LoadImage(map.tga) failed in CTerrainBuilder::BuildTerrain",
                  "Could not read image data\n");
    // A single row or column has no cell (and would divide by zero).
    m_Dir.WriteFile("map.tga", Heightmap(1, 5, Flat));
    ExpectFailure("Error: Heightmap size (1 x 5) should be at least 2 x 2 in CTerrainBuilder::BuildTerrain");
    m_Dir.WriteFile("map.tga", Heightmap(7, 1, Flat));
    ExpectFailure("Error: Heightmap size (7 x 1) should be at least 2 x 2 in CTerrainBuilder::BuildTerrain");

    // Without a loader the heightmap cannot be read either.
    m_Dir.WriteFile("map.tga", Heightmap(3, 3, Flat));
    m_Builder = new CTerrainBuilder(CRefPtr<CTextureLoader>());
    ExpectFailure("Error: m_pTextureLoader->LoadImage(map.tga) failed in CTerrainBuilder::BuildTerrain");
}

TEST_F(TerrainBuilderTest, CookingFailuresAreReported)
{
    m_Dir.WriteFile("map.tga", Heightmap(3, 3, Flat));
    Settings(kLevel);
    // A physics manager that was never created cannot make the mesh.
    CEngineServices::DestroyInstance();
    CEngineServices::CreateInstance();
    m_Models.assign(1, CRefPtr<CModelData>(new CModelData));
    EXPECT_FALSE(Build());
    EXPECT_NE(m_Err.find("in CPhysXMgr::CookTerrain\n"), std::string::npos) << m_Err;
    EXPECT_NE(m_Err.find("Error: CookTerrain failed in CTerrainBuilder::BuildTerrain\n"), std::string::npos);
    EXPECT_EQ(m_Models.size(), 1u);
    EXPECT_EQ(m_Info.GetWidth(), 0);
    // Nor can a build without the engine services.
    CEngineServices::DestroyInstance();
    ExpectFailure("Error: CookTerrain failed in CTerrainBuilder::BuildTerrain");
}

TEST_F(TerrainBuilderTest, ASecondBuildReplacesTheModels)
{
    m_Dir.WriteFile("map.tga", Heightmap(5, 5, Flat));
    Settings("XSize = 4\nZSize = 4\nYScale = 1\nSegments = 2\nHeightmap = map.tga\n"
             "TerrainTexture1 = a\nTerrainTexture2 = a\n");
    m_Models.assign(7, CRefPtr<CModelData>());
    ASSERT_TRUE(Build()) << m_Err;
    ASSERT_EQ(m_Models.size(), 4u);
    for (const auto& m : m_Models)
    {
        ASSERT_TRUE(m);
        EXPECT_EQ(m->GetRefCount(), 1u);
        // The same name twice with the same blend mode is one texture.
        EXPECT_EQ(m->m_Textures.size(), 1u);
        EXPECT_EQ(m->m_TriangleGroups[0]->m_LayerTextures, (std::vector<uint32_t>{0, 0}));
    }
    const CRefPtr<CPhysXTriangleMesh> first = m_Info.GetMesh();
    ASSERT_TRUE(Build()) << m_Err;
    EXPECT_EQ(m_Models.size(), 4u);
    EXPECT_NE(m_Info.GetMesh(), first);
}
