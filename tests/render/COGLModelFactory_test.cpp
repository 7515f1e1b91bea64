#include "render/CCgSimpleBumpShader.h"
#include "render/COGLModelFactory.h"
#include "tests/support/TempDir.h"
#include "tests/support/VectorNear.h"

#include <gtest/gtest.h>

#include <cmath>

using testsupport::TempDirTest;

namespace
{

// An importer that hands out a prepared model data and counts its calls.
class CFakeLoader : public CSCNLoader
{
public:
    bool LoadScene(const std::string& fileName) override
    {
        m_Scenes.push_back(fileName);
        return m_bSceneOk;
    }
    bool Load(CRefPtr<CModelData> target) override
    {
        if (!m_bLoadOk)
            return false;
        STriangleGroupData* g = target->AddTriangleGroup(0);
        g->AddVertex(CVector3(0, 0, 0), CVector3(0, 0, 1));
        g->AddVertex(CVector3(1, 0, 0), CVector3(0, 0, 1));
        g->AddVertex(CVector3(0, 1, 0), CVector3(0, 0, 1));
        if (m_bBadIndex)
            g->m_Indices.push_back(7);
        return true;
    }
    std::vector<std::string> m_Scenes;
    bool m_bSceneOk = true;
    bool m_bLoadOk = true;
    bool m_bBadIndex = false;
};

class FactoryTest : public TempDirTest
{
protected:
    CRefPtr<CFakeLoader> m_Loader{new CFakeLoader};
    CRefPtr<COGLModelFactory> m_Factory{
        new COGLModelFactory(CRefPtr<CSCNLoader>(m_Loader.Get()), CRefPtr<CTextureLoader>(new CTextureLoader),
                             CRefPtr<CTerrainBuilder>(new CTerrainBuilder(CRefPtr<CTextureLoader>())))};
};

} // namespace

TEST_F(FactoryTest, ModelNamesAreNormalisedAndLoadedOnce)
{
    testing::internal::CaptureStdout();
    CRefPtr<COGLModel> a = m_Factory->getModel("Data\\Models\\House.SCN");
    CRefPtr<COGLModel> b = m_Factory->getModel("data/models/house.scn");
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(a);
    EXPECT_EQ(a, b);
    // Progress goes to the debug log, not the player's terminal.
    EXPECT_EQ(out, "");
    EXPECT_EQ(m_Dir.ReadFile("Debug.log"), "Loading new Model : data/models/house.scn\n");
    ASSERT_EQ(m_Loader->m_Scenes.size(), 1u);
    EXPECT_EQ(m_Loader->m_Scenes[0], "data/models/house.scn");
    EXPECT_EQ(m_Factory->GetModelCount(), 1u);
    // Without a renderer the display list cannot be recorded.
    EXPECT_EQ(a->GetTriangleGroup(0)->GetRenderRecord()->m_iCompiled, SRenderRecord::LIST_FAILED);
    EXPECT_EQ(a->GetTriangleGroup(0)->GetMaterialIndex(), -1);
}

// A model that fails (its scene, its conversion or its data) is imported
// once: asking again gives empty at once, without a second import or its
// messages; other names still load.
TEST_F(FactoryTest, FailedModelsAreImportedOnce)
{
    m_Loader->m_bSceneOk = false;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(m_Factory->getModel("a.scn"));
    m_Loader->m_bSceneOk = true;
    EXPECT_FALSE(m_Factory->getModel("A.scn"));
    m_Loader->m_bLoadOk = false;
    EXPECT_FALSE(m_Factory->getModel("b.scn"));
    EXPECT_FALSE(m_Factory->getModel("b.scn"));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(m_Loader->m_Scenes.size(), 2u);
    EXPECT_EQ(m_Factory->GetModelCount(), 0u);

    // An index past the vertices is refused, not drawn, and said once.
    m_Loader->m_bLoadOk = true;
    m_Loader->m_bBadIndex = true;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(m_Factory->getModel("c.scn"));
    EXPECT_FALSE(m_Factory->getModel("c.scn"));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: inconsistent triangle group data in COGLModelFactory::BuildMG()\n");
    EXPECT_EQ(m_Loader->m_Scenes.size(), 3u);

    // Why each failed, under any spelling of its name.
    const std::pair<const char*, const char*> reasons[] = {{"A.SCN", "it cannot be read"},
                                                           {"b.scn", "its mesh cannot be converted"},
                                                           {"c.scn", "its mesh data is inconsistent"},
                                                           {"never.scn", ""}};
    for (const auto& [name, why] : reasons)
        EXPECT_EQ(m_Factory->GetModelError(name), why) << name;
}

TEST_F(FactoryTest, MessagesOfEnvironmentTexturesAndTerrain)
{
    testing::internal::CaptureStderr();
    const std::string names[2] = {"a.tga", "b.tga"};
    EXPECT_FALSE(m_Factory->CreateEnv(names, 2));
    EXPECT_FALSE(m_Factory->CreateEnv(nullptr, 1));
    SOGLTexture record;
    EXPECT_FALSE(m_Factory->createTexture(&record, "a.tga"));
    std::vector<CRefPtr<COGLModel>> models;
    EXPECT_FALSE(m_Factory->CreateTerrain("Level1", nullptr, models));
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        "Must specify eighter 1 or 6 Textures for Environment Mapping in COGLModelFactory::CreateEnv()\n"
        "Must specify eighter 1 or 6 Textures for Environment Mapping in COGLModelFactory::CreateEnv()\n"
        "Texture Properties not specified in COGLModelFactory::createTexture()\n"
        "Error: Couldn't get \"XSize\"-Value from \"Level1\" in CTerrainBuilder::BuildTerrain\n");
    EXPECT_EQ(m_Factory->GetEnvironmentKind(), COGLModelFactory::ENV_NONE);
    EXPECT_TRUE(models.empty());
    EXPECT_NE(m_Dir.ReadFile("Error.log").find("eighter 1 or 6"), std::string::npos);
}

// ---- Models: bounds and ray test ----------------------------------------------

namespace
{

// One triangle (or more) in a model without renderer.
CRefPtr<COGLModel> TriangleModel(std::initializer_list<CVector3> corners)
{
    CRefPtr<COGLModel> model(new COGLModel(nullptr, nullptr));
    const uint32_t n = static_cast<uint32_t>(corners.size());
    CCOGLTriangleGroup* g = model->AddTriangleGroup(n, n, 0, false);
    uint32_t i = 0;
    for (const CVector3& c : corners)
    {
        g->GetPositions()[i] = c;
        g->GetIndices()[i] = i;
        ++i;
    }
    return model;
}

} // namespace

TEST(OGLModelBounds, SphereAndBox)
{
    CRefPtr<COGLModel> m = TriangleModel({CVector3(0, 0, 0), CVector3(3, 0, 0), CVector3(0, 3, 0)});
    float x, y, z, r;
    m->GetBoundingSphere(x, y, z, r);
    EXPECT_FLOAT_EQ(x, 1.0f);
    EXPECT_FLOAT_EQ(y, 1.0f);
    EXPECT_FLOAT_EQ(z, 0.0f);
    EXPECT_FLOAT_EQ(r, std::sqrt(5.0f));
    float x0, y0, z0, x1, y1, z1;
    m->GetBoundingBox(x0, y0, z0, x1, y1, z1);
    EXPECT_EQ(x0, 0.0f);
    EXPECT_EQ(y1, 3.0f);
    EXPECT_EQ(x1, 3.0f);
    EXPECT_EQ(z1, 0.0f);

    CRefPtr<COGLModel> empty(new COGLModel(nullptr, nullptr));
    empty->AddTriangleGroup(0, 0, 0, false);
    empty->GetBoundingSphere(x, y, z, r);
    EXPECT_EQ(r, 0.0f);
}

TEST(OGLModelRay, HitsMissesAndHitsBehindTheStart)
{
    CRefPtr<COGLModel> m = TriangleModel({CVector3(-1, -1, 0), CVector3(1, -1, 0), CVector3(0, 1, 0)});
    const CVector3 none(0, 0, 0);
    CVector3 hit;
    float d;
    ASSERT_TRUE(m->RayIntersection(none, none, CVector3(0, 0, 5), CVector3(0, 0, -1), hit, d));
    EXPECT_FLOAT_EQ(d, 5.0f);
    testsupport::ExpectVecNear(hit, CVector3(0, 0, 0), 1e-4f);
    // From the back face too.
    ASSERT_TRUE(m->RayIntersection(none, none, CVector3(0, 0, -2), CVector3(0, 0, 1), hit, d));
    EXPECT_FLOAT_EQ(d, 2.0f);
    // Parallel to the plane: no hit, distance stays at its start value.
    EXPECT_FALSE(m->RayIntersection(none, none, CVector3(-5, 0, 0), CVector3(1, 0, 0), hit, d));
    EXPECT_EQ(d, 1e22f);
    // Pointing away: the triangle behind counts with a negative distance.
    ASSERT_TRUE(m->RayIntersection(none, none, CVector3(0, 0, 5), CVector3(0, 0, 1), hit, d));
    EXPECT_FLOAT_EQ(d, -5.0f);
    // Beside the triangle.
    EXPECT_FALSE(m->RayIntersection(none, none, CVector3(3, 0, 5), CVector3(0, 0, -1), hit, d));
}

TEST(OGLModelRay, PlacedModelWithRotationAboutTwoAxes)
{
    CRefPtr<COGLModel> m = TriangleModel({CVector3(-1, -1, 0), CVector3(1, -1, 0), CVector3(0, 1, 0)});
    const CVector3 position(10, 2, -3);
    const CVector3 rotation(0.4f, 0.9f, -0.3f);
    // A local point of the triangle, placed in the world as the model is.
    CMatrix4 world;
    world.SetRotation(rotation);
    CVector3 local(0.1f, 0.2f, 0.0f), normal(0, 0, 1), target, n;
    world.TransformVector(target, local);
    target += position;
    world.TransformVector(n, normal);
    CVector3 hit;
    float d;
    ASSERT_TRUE(m->RayIntersection(position, rotation, target + n * 4.0f, n * -1.0f, hit, d));
    EXPECT_NEAR(d, 4.0f, 1e-4f);
    testsupport::ExpectVecNear(hit, target, 1e-4f);
}

// ---- Triangle group builds without a renderer -----------------------------------

TEST_F(TempDirTest, GroupBuildModes)
{
    CRefPtr<COGLModel> model(new COGLModel(nullptr, nullptr));
    CCOGLTriangleGroup* g = model->AddTriangleGroup(3, 3, 0, false);
    SRenderRecord* r = g->GetRenderRecord();
    EXPECT_TRUE(g->Build(1, false));
    EXPECT_EQ(r->m_iRenderMode, 1);
    EXPECT_EQ(r->m_iCompileMode, 1);
    EXPECT_TRUE(g->Build(0, true));
    EXPECT_EQ(r->m_iRenderMode, 1);
    EXPECT_EQ(r->m_iCompileMode, 0);
    EXPECT_TRUE(g->Build(3, false));
    EXPECT_EQ(r->m_iRenderMode, 3);

    testing::internal::CaptureStderr();
    EXPECT_FALSE(g->Build(5, false));
    // No renderer to make buffers with.
    EXPECT_FALSE(g->Build(2, false));
    EXPECT_FALSE(g->BuildAndCompile(1, true));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: Unknown model typ in CCOGLTriangleGroup::Build()\n"
              "Could not create VBO in COGLModelGeometry::BuildVertexBufferObjects()\n");
    EXPECT_EQ(r->m_iRenderMode, 3);
    EXPECT_EQ(r->m_iGlobalList, SRenderRecord::LIST_FAILED);
    EXPECT_EQ(r->m_iCompiled, SRenderRecord::LIST_NONE);
}

// ---- Bump shader tangents ---------------------------------------------------------

TEST(BumpTangents, FollowTheTextureAxisWithHandedness)
{
    // A quad in the xy plane, u along +x, v along +y.
    const CVector3 p[4] = {CVector3(0, 0, 0), CVector3(1, 0, 0), CVector3(1, 1, 0), CVector3(0, 1, 0)};
    const CVector3 n[4] = {CVector3(0, 0, 1), CVector3(0, 0, 1), CVector3(0, 0, 1), CVector3(0, 0, 1)};
    const float uv[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    const uint32_t idx[6] = {0, 1, 2, 0, 2, 3};
    float t[24];
    CCgSimpleBumpShader::ComputeTangents(idx, 6, p, n, uv, 4, t);
    for (int k = 0; k < 6; ++k)
    {
        EXPECT_NEAR(t[4 * k], 1.0f, 1e-6f);
        EXPECT_NEAR(t[4 * k + 1], 0.0f, 1e-6f);
        EXPECT_EQ(t[4 * k + 3], 1.0f);
    }
    // Mirrored v: the handedness flips.
    const float mirrored[8] = {0, 1, 1, 1, 1, 0, 0, 0};
    CCgSimpleBumpShader::ComputeTangents(idx, 6, p, n, mirrored, 4, t);
    EXPECT_EQ(t[3], -1.0f);
}

TEST(BumpTangents, DegenerateMappingGivesAFiniteFallback)
{
    // All corners share one texture coordinate; the vertex array is longer
    // than the index list (accumulators are sized by vertices).
    const CVector3 p[5] = {CVector3(0, 0, 0), CVector3(1, 0, 0), CVector3(0, 1, 0), CVector3(), CVector3()};
    const CVector3 n[5] = {CVector3(0, 0, 1), CVector3(0, 0, 1), CVector3(0, 0, 1), CVector3(), CVector3()};
    const float uv[10] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0, 0, 0, 0};
    const uint32_t idx[3] = {0, 4, 2};
    float t[12];
    CCgSimpleBumpShader::ComputeTangents(idx, 3, p, n, uv, 5, t);
    for (int k = 0; k < 3; ++k)
    {
        EXPECT_EQ(t[4 * k], 1.0f);
        EXPECT_EQ(t[4 * k + 1], 0.0f);
        EXPECT_EQ(t[4 * k + 2], 0.0f);
        EXPECT_TRUE(std::isfinite(t[4 * k + 3]));
    }
}
