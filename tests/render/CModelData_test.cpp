#include "render/CModelData.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using testsupport::TempDirTest;

namespace
{

const CVector3 kUp(0, 1, 0);

} // namespace

TEST(TriangleGroupData, EqualCornersShareOneVertex)
{
    CRefPtr<CModelData> data(new CModelData);
    STriangleGroupData* g = data->AddTriangleGroup(0);
    ASSERT_EQ(data->m_TriangleGroups.size(), 1u);
    EXPECT_EQ(g->m_iMaterialIndex, -1);
    EXPECT_TRUE(g->m_TexCoords.empty());
    EXPECT_TRUE(g->m_LayerTextures.empty());
    for (int i = 0; i < 3; ++i)
        g->AddVertex(CVector3(1, 2, 3), kUp);
    EXPECT_EQ(g->GetVertexCount(), 1u);
    EXPECT_EQ(g->m_Indices, (std::vector<uint32_t>{0, 0, 0}));
    // A layer-less group ignores the coordinates its caller passes.
    TTexCoord uv[1] = {{{0.5f, 0.5f}}};
    g->AddVertex(CVector3(1, 2, 3), kUp, uv);
    EXPECT_EQ(g->GetVertexCount(), 1u);
    // A different normal makes a new vertex.
    g->AddVertex(CVector3(1, 2, 3), CVector3(0, 0, 1));
    EXPECT_EQ(g->GetVertexCount(), 2u);
    EXPECT_EQ(g->m_Normals.size(), 2u);
    EXPECT_TRUE(g->m_Colours.empty());
}

TEST(TriangleGroupData, CoordinatesAndColoursTakePart)
{
    CRefPtr<CModelData> data(new CModelData);
    STriangleGroupData* g = data->AddTriangleGroup(2);
    ASSERT_EQ(g->m_TexCoords.size(), 2u);
    TVertexColour red = {1, 0, 0, 1};
    TVertexColour blue = {0, 0, 1, 1};
    TTexCoord a[2] = {{{0, 0}}, {{1, 1}}};
    TTexCoord b[2] = {{{0, 0}}, {{1, 0.5f}}};
    g->AddVertex(CVector3(), kUp, red, a);
    g->AddVertex(CVector3(), kUp, red, b); // differs in the second layer only
    g->AddVertex(CVector3(), kUp, blue, a);
    g->AddVertex(CVector3(), kUp, red, b);
    EXPECT_EQ(g->GetVertexCount(), 3u);
    EXPECT_EQ(g->m_Indices, (std::vector<uint32_t>{0, 1, 2, 1}));
    EXPECT_EQ(g->m_Colours.size(), 3u);
    EXPECT_EQ(g->m_TexCoords[1].size(), 3u);
    EXPECT_EQ(g->m_TexCoords[1][1][1], 0.5f);
    // The plain form compares position and normal only: the first vertex.
    g->AddVertex(CVector3(), kUp);
    EXPECT_EQ(g->m_Indices.back(), 0u);
}

TEST(TriangleGroupData, SignedZeroMatchesAndNaNNever)
{
    CRefPtr<CModelData> data(new CModelData);
    STriangleGroupData* g = data->AddTriangleGroup(0);
    g->AddVertex(CVector3(0.0f, 1, 2), kUp);
    g->AddVertex(CVector3(-0.0f, 1, 2), kUp);
    EXPECT_EQ(g->GetVertexCount(), 1u);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    g->AddVertex(CVector3(nan, 0, 0), kUp);
    g->AddVertex(CVector3(nan, 0, 0), kUp);
    EXPECT_EQ(g->GetVertexCount(), 3u);
    EXPECT_EQ(g->m_Indices, (std::vector<uint32_t>{0, 0, 1, 2}));
}

TEST(TriangleGroupData, LargeGridStaysFast)
{
    // A 257 x 257 terrain, each inner vertex reached by six corners.
    CRefPtr<CModelData> data(new CModelData);
    STriangleGroupData* g = data->AddTriangleGroup(1);
    const int n = 257;
    auto corner = [&](int x, int z)
    {
        TTexCoord uv[1] = {{{x / float(n), z / float(n)}}};
        g->AddVertex(CVector3(float(x), 0, float(z)), kUp, uv);
    };
    for (int z = 0; z + 1 < n; ++z)
        for (int x = 0; x + 1 < n; ++x)
        {
            corner(x, z), corner(x, z + 1), corner(x + 1, z);
            corner(x + 1, z), corner(x, z + 1), corner(x + 1, z + 1);
        }
    EXPECT_EQ(g->GetVertexCount(), uint32_t(n * n));
    EXPECT_EQ(g->m_Indices.size(), size_t(6 * (n - 1) * (n - 1)));
    EXPECT_EQ(g->m_Indices[5], 3u); // (1, 1) is the fourth vertex made
}

TEST(ModelData, MaterialsMergeOnlyWhenTheyDrawAlike)
{
    CRefPtr<CModelData> data(new CModelData);
    SMaterialData m;
    m.m_dShininess = 90.0;
    EXPECT_EQ(data->AddMaterial(m), 0);
    SMaterialData emissive = m;
    emissive.m_Emissive[0] = 0.5;
    EXPECT_EQ(data->AddMaterial(emissive), 0);
    SMaterialData shader = m;
    shader.m_strShader = "simpleBump.cg";
    EXPECT_EQ(data->AddMaterial(shader), 1);
    SMaterialData lit = m;
    lit.m_bLighting = true;
    EXPECT_EQ(data->AddMaterial(lit), 2);
    SMaterialData param = shader;
    param.m_Parameters.push_back(SParameter("texNormal", "stone"));
    EXPECT_EQ(data->AddMaterial(param), 3);
    SMaterialData param2 = shader;
    param2.m_Parameters.push_back(SParameter("texNormal", "brick"));
    EXPECT_EQ(data->AddMaterial(param2), 4);
    EXPECT_EQ(data->AddMaterial(param2), 4);
    SMaterialData shiny = m;
    shiny.m_Specular[3] = 0.5;
    EXPECT_EQ(data->AddMaterial(shiny), 5);
    EXPECT_EQ(data->m_Materials.size(), 6u);
    EXPECT_EQ(*data->m_Materials[4].m_Parameters[0].m_pValue, "brick");
}

TEST(ModelData, TexturesByNameAndBlendMode)
{
    CRefPtr<CModelData> data(new CModelData);
    EXPECT_EQ(data->AddTexture(STextureData("Data/wood.tga", 0)), 0);
    EXPECT_EQ(data->AddTexture(STextureData("Data/wood.tga", 1)), 1);
    EXPECT_EQ(data->AddTexture(STextureData("Data/Wood.tga", 0)), 2);
    EXPECT_EQ(data->AddTexture(STextureData("Data/wood.tga", 1)), 1);
    EXPECT_EQ(data->m_Textures.size(), 3u);
}

class ParameterTest : public TempDirTest
{
};

TEST_F(ParameterTest, CopyRules)
{
    SParameter s("texNormal", "stone");
    testing::internal::CaptureStderr();
    SParameter copy(s);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(copy.m_iType, 2);
    ASSERT_TRUE(copy.m_pValue);
    EXPECT_NE(copy.m_pValue.get(), s.m_pValue.get());
    EXPECT_EQ(*copy.m_pValue, "stone");

    SParameter& self = copy;
    copy = self;
    ASSERT_TRUE(copy.m_pValue);
    EXPECT_EQ(*copy.m_pValue, "stone");

    SParameter none("bias");
    testing::internal::CaptureStderr();
    copy = none;
    SParameter fromNone(none);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Warning: unknown parameter type in SParameter::SParameter\n"
              "Warning: unknown parameter type in SParameter::SParameter\n");
    EXPECT_EQ(copy.m_strName, "bias");
    EXPECT_EQ(copy.m_iType, 4);
    EXPECT_FALSE(copy.m_pValue);
    EXPECT_EQ(fromNone.m_iType, 4);

    // Growing a vector moves its parameters: no warnings.
    std::vector<SParameter> list;
    testing::internal::CaptureStderr();
    for (int i = 0; i < 20; ++i)
        list.push_back(SParameter("p"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
