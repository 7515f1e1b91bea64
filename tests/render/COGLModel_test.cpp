#include "render/COGLModel.h"

#include <gtest/gtest.h>

TEST(OGLModel, GroupsAndAccessors)
{
    CRefPtr<COGLModel> model(new COGLModel(nullptr, nullptr));
    CCOGLTriangleGroup* empty = model->AddTriangleGroup(0, 0, 2, true);
    EXPECT_EQ(empty->GetMaterialIndex(), -1);
    EXPECT_EQ(empty->GetIndices(), nullptr);
    EXPECT_EQ(empty->GetColours(), nullptr);
    EXPECT_EQ(empty->GetLayerCount(), 0);

    CCOGLTriangleGroup* g = model->AddTriangleGroup(4, 6, 2, false);
    EXPECT_EQ(g->GetMaterialIndex(), 0);
    g->SetMaterialIndex(-3);
    EXPECT_EQ(g->GetMaterialIndex(), 0);
    g->SetMaterialIndex(2);
    EXPECT_EQ(g->GetMaterialIndex(), 2);
    EXPECT_EQ(g->GetColours(), nullptr);
    ASSERT_NE(g->GetLayer(1), nullptr);
    EXPECT_EQ(g->GetLayer(1)->m_TexCoords.size(), 8u);
    EXPECT_EQ(g->GetLayer(1)->m_sTextureIndex, -1);
    EXPECT_EQ(g->GetLayer(2), nullptr);
    EXPECT_EQ(g->GetLayer(255), nullptr);

    // A new render record, and an environment map made on first request.
    const SRenderRecord* r = g->GetRenderRecord();
    EXPECT_EQ(r->m_iRenderMode, 0);
    EXPECT_EQ(r->m_iCompiled, 16);
    EXPECT_EQ(r->m_usStateFlags, 2);
    EXPECT_EQ(r->m_iGlobalList, 16);
    EXPECT_FALSE(g->HasEnvironmentMap());
    EXPECT_EQ(g->GetEnvironmentMap()->m_iKind, SEnvironmentMap::NONE);
    EXPECT_TRUE(g->HasEnvironmentMap());

    EXPECT_EQ(model->GetTriangleGroup(1), g);
    EXPECT_EQ(model->GetTriangleGroup(2), nullptr);
    EXPECT_EQ(model->GetTriangleGroup(-1), nullptr);
    EXPECT_EQ(model->GetMaterial(0), nullptr);
    EXPECT_NE(model->AddMaterial(), nullptr);
    EXPECT_NE(model->GetMaterial(0), nullptr);
    EXPECT_EQ(model->GetTexture(0), nullptr);
    SOGLTexture* t = model->AddTexture();
    EXPECT_EQ(t->m_uiGLId, 0u);
    EXPECT_EQ(t->m_uiTarget, 0u);
    EXPECT_EQ(model->GetTexture(0), t);
}
