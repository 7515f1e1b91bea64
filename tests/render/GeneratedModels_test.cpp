// The generated models through the game's model importer: every material of
// a model keeps its own triangle group and texture. (Model data merges
// materials of equal colours, and the merged group shows the first one's
// texture only: tree crowns drew with the bark texture.)

#include "render/CModelData.h"
#include "render/CSCNLoader.h"
#include "tests/support/RepoFiles.h"
#include "tests/support/TempDir.h"
#include "tools/datagen/CDataGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using GeneratedModelsTest = testsupport::TempDirTest;

TEST_F(GeneratedModelsTest, EveryMaterialKeepsItsOwnGroupAndTexture)
{
    CDataGenerator generator(m_Dir.Path() + "/Data", testsupport::RepoRoot() + "/tools/data");
    testing::internal::CaptureStdout();
    const bool generated = generator.Generate();
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(generated);
    for (const std::string& file : CDataGenerator::ModelFiles())
    {
        CRefPtr<CSCNLoader> loader(new CSCNLoader);
        testing::internal::CaptureStdout();
        ASSERT_TRUE(loader->LoadScene("Data/" + file)) << file;
        CRefPtr<CModelData> data(new CModelData);
        ASSERT_TRUE(loader->Load(data)) << file;
        testing::internal::GetCapturedStdout();
        std::set<uint32_t> textures;
        for (const STriangleGroupData* group : data->m_TriangleGroups)
            for (uint32_t texture : group->m_LayerTextures)
                textures.insert(texture);
        EXPECT_EQ(data->m_TriangleGroups.size(), data->m_Materials.size()) << file;
        EXPECT_EQ(textures.size(), data->m_Textures.size()) << file << ": a texture no group shows";
        // Every texture the file names is one a group shows.
        const std::string bytes = testsupport::TempDir::ReadFile(m_Dir.Path() + "/Data/" + file);
        std::set<std::string> named, loaded;
        for (size_t end = bytes.find(".tga"); end != std::string::npos; end = bytes.find(".tga", end + 1))
        {
            const size_t at = bytes.rfind("Data/", end);
            const std::string name = at == std::string::npos ? "" : bytes.substr(at, end + 4 - at);
            if (!name.empty() && name.find_first_of("\"\n: ") == std::string::npos)
                named.insert(name);
        }
        for (const STextureData& texture : data->m_Textures)
            loaded.insert(texture.m_strFileName);
        EXPECT_EQ(named, loaded) << file;
        CVector3 lo(1e9f, 1e9f, 1e9f), hi(-1e9f, -1e9f, -1e9f);
        for (const STriangleGroupData* group : data->m_TriangleGroups)
            for (const CVector3& p : group->m_Positions)
                for (int k = 0; k < 3; ++k)
                {
                    lo[k] = std::min(lo[k], p[k]);
                    hi[k] = std::max(hi[k], p[k]);
                }
        const CVector3 size = hi - lo;
        if (file == "models/startpodest.scn")
        {
            // Its box is its physics body: the archer, put 3 above the
            // ground, must land on top of it, not inside.
            EXPECT_LE(hi.y, 1.5f);
            EXPECT_GE(lo.y, -0.01f);
        }
        if (file == "models/pfeil.scn")
        {
            // The arrow's box is its physics body (density 5): a push of 70
            // for one 1/60 s step must make it fly like an arrow.
            const float speed = 70.0f / 60.0f / (5.0f * size.x * size.y * size.z);
            EXPECT_GT(speed, 40.0f) << size.x << " x " << size.y << " x " << size.z;
            EXPECT_NEAR(size.z, 1.2f, 0.05f);
            EXPECT_NEAR(lo.z, -0.6f, 0.05f) << "the tip leads along -z";
        }
    }
}
