#include "platform/gl/GL.h"
#include "platform/gl/GLScreenshot.h"
#include "platform/gl/GLTestWindow.h"
#include "render/CAccumulationEffect.h"
#include "render/CCamera.h"
#include "render/CCgSimpleBumpShader.h"
#include "render/COGLModelFactory.h"
#include "render/COGLRenderer.h"
#include "tests/support/RepoFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

using plat::GLFrame;

namespace
{

const int kSize = 64;
const char* const kShader = "Data/shader/simpleBump.cg";

// An uncompressed 24-bit TGA of one colour.
std::string Tga(int w, int h, uint8_t r, uint8_t g, uint8_t b)
{
    std::string s(18, '\0');
    s[2] = 2;
    s[12] = static_cast<char>(w);
    s[14] = static_cast<char>(h);
    s[16] = 24;
    for (int i = 0; i < w * h; ++i)
    {
        s += static_cast<char>(b);
        s += static_cast<char>(g);
        s += static_cast<char>(r);
    }
    return s;
}

// Hands out model data made by a function.
class CFakeLoader : public CSCNLoader
{
public:
    bool LoadScene(const std::string&) override { return true; }
    bool Load(CRefPtr<CModelData> target) override
    {
        if (m_Fill)
            m_Fill(*target);
        return true;
    }
    std::function<void(CModelData&)> m_Fill;
};

class CFakeTerrain : public CTerrainBuilder
{
public:
    CFakeTerrain() : CTerrainBuilder(CRefPtr<CTextureLoader>()) {}
    bool BuildTerrain(const std::string&, CTerrainInfo*, std::vector<CRefPtr<CModelData>>& models) override
    {
        for (int i = 0; i < 2; ++i)
        {
            models.push_back(CRefPtr<CModelData>(new CModelData));
            STriangleGroupData* g = models.back()->AddTriangleGroup(0);
            g->AddVertex(CVector3(0, 0, 0), CVector3(0, 1, 0));
            g->AddVertex(CVector3(0, 0, 1), CVector3(0, 1, 0));
            g->AddVertex(CVector3(1, 0, 0), CVector3(0, 1, 0));
        }
        return true;
    }
};

SMaterialData Material(bool lighting, double reflectivity = 0.0)
{
    SMaterialData m;
    for (int i = 0; i < 4; ++i)
    {
        m.m_Ambient[i] = 1.0;
        m.m_Diffuse[i] = 1.0;
        m.m_Emissive[i] = 0.0;
        m.m_Specular[i] = 0.5;
    }
    m.m_dShininess = 64.0;
    m.m_dOpacity = 1.0;
    m.m_dReflectivity = reflectivity;
    m.m_bLighting = lighting;
    return m;
}

// A square from (x0, y0) to (x1, y1) facing +z, counter-clockwise on screen
// under the pixel projection (y down), with layers layers of (u, v) = corner.
STriangleGroupData* Square(CModelData& data, uint8_t layers, float x0, float y0, float x1, float y1,
                           bool colours = false)
{
    STriangleGroupData* g = data.AddTriangleGroup(layers);
    const CVector3 p[4] = {CVector3(x0, y0, 0), CVector3(x0, y1, 0), CVector3(x1, y1, 0),
                           CVector3(x1, y0, 0)};
    const float uv[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    const int order[6] = {0, 1, 2, 0, 2, 3};
    for (int k : order)
    {
        TTexCoord pairs[4];
        for (int l = 0; l < layers; ++l)
            pairs[l] = {uv[k][0], uv[k][1]};
        const TVertexColour c = {0.25f + 0.25f * k, 0.5f, 1.0f - 0.25f * k, 1.0f};
        if (colours && layers)
            g->AddVertex(p[k], CVector3(0, 0, -1), c, pairs);
        else if (colours)
            g->AddVertex(p[k], CVector3(0, 0, -1), c);
        else if (layers)
            g->AddVertex(p[k], CVector3(0, 0, -1), pairs);
        else
            g->AddVertex(p[k], CVector3(0, 0, -1));
    }
    return g;
}

// An 8 x 8 square with one green layer and a bump material whose normal map
// is named normalMap.
void BumpSquare(CModelData& d, bool lighting, const char* normalMap)
{
    SMaterialData m = Material(lighting);
    m.m_strShader = "simpleBump.cg";
    m.m_Parameters.push_back(SParameter("texNormal", normalMap));
    STriangleGroupData* g = Square(d, 1, 0, 0, 8, 8);
    g->m_iMaterialIndex = d.AddMaterial(m);
    g->m_LayerTextures[0] = d.AddTexture(STextureData("green.tga", 0));
}

class FactoryGLTest : public testsupport::TempDirTest
{
protected:
    void SetUp() override
    {
        ASSERT_NE(m_Window.GetDC(), nullptr);
        ASSERT_TRUE(m_Renderer->CreateOnDC(m_Window.GetDC(), 32));
        m_Renderer->OnSize(kSize, kSize);
        m_Renderer->GetRenderSettings()->SetModelFactory(m_Factory.Get());
        m_Dir.WriteFile("red.tga", Tga(4, 4, 255, 0, 0));
        m_Dir.WriteFile("green.tga", Tga(4, 4, 0, 255, 0));
        m_Dir.WriteFile("Data/shader/rock.tga", Tga(4, 4, 128, 128, 255));
        m_Dir.WriteFile(kShader, testsupport::ReadRepoFile("tools/data/shader/simpleBump.cg"));
        CMatrix4 ortho;
        ortho.SetOrtho(kSize, kSize, -1.0f, 1.0f);
        m_Renderer->SetMatrixMode(0);
        m_Renderer->LoadMatrix(ortho);
        m_Renderer->SetMatrixMode(1);
        m_Renderer->LoadMatrix(CMatrix4());
        m_Renderer->SetDepthTest(0.0f);
        glDisable(GL_CULL_FACE);
        glClearColor(0, 0, 0, 1);
    }
    void TearDown() override
    {
        m_Renderer->GetRenderSettings()->SetModelFactory(nullptr);
        m_Factory.Release();
        m_Renderer->Destroy();
    }
    CRefPtr<COGLModel> Model(const std::string& name, std::function<void(CModelData&)> fill)
    {
        m_Loader->m_Fill = fill;
        testing::internal::CaptureStdout();
        CRefPtr<COGLModel> model = m_Factory->getModel(name);
        testing::internal::GetCapturedStdout();
        return model;
    }
    GLFrame Draw(COGLModel* model)
    {
        m_Renderer->BeginFrame();
        model->Render();
        return plat::ReadFrame();
    }
    static GLint TexParameter(GLuint id, GLenum name)
    {
        GLint value = 0;
        glBindTexture(GL_TEXTURE_2D, id);
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
        return value;
    }

    plat::GLTestWindow m_Window{kSize, kSize, false};
    CRefPtr<COGLRenderer> m_Renderer{new COGLRenderer};
    CRefPtr<CFakeLoader> m_Loader{new CFakeLoader};
    CRefPtr<COGLModelFactory> m_Factory{
        new COGLModelFactory(CRefPtr<CSCNLoader>(m_Loader.Get()), CRefPtr<CTextureLoader>(new CTextureLoader),
                             CRefPtr<CTerrainBuilder>(new CFakeTerrain), m_Renderer.Get())};
};

} // namespace

TEST_F(FactoryGLTest, TexturesAreUploadedOnceWithTheirFirstFilters)
{
    SOGLTexture first;
    first.m_uiTarget = GL_TEXTURE_2D;
    first.m_iMinFilter = GL_NEAREST;
    first.m_iMagFilter = GL_NEAREST;
    ASSERT_TRUE(m_Factory->createTexture(&first, "red.tga"));
    EXPECT_NE(first.m_uiGLId, 0u);
    EXPECT_EQ(first.m_strName, "red.tga");
    SOGLTexture second;
    second.m_uiTarget = GL_TEXTURE_2D;
    second.m_iMinFilter = GL_LINEAR;
    second.m_iMagFilter = GL_LINEAR;
    ASSERT_TRUE(m_Factory->createTexture(&second, "red.tga"));
    EXPECT_EQ(second.m_uiGLId, first.m_uiGLId);
    EXPECT_EQ(TexParameter(first.m_uiGLId, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(m_Factory->GetTextureCount(), 1u);
    // Exact names: another spelling is another texture.
    ASSERT_TRUE(m_Factory->createTexture(&second, "RED.tga"));
    EXPECT_NE(second.m_uiGLId, first.m_uiGLId);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(m_Factory->createTexture(&second, "none.tga"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Could not open texture file: none.tga\n");
}

TEST_F(FactoryGLTest, GroupsGetStateFlagsLayersAndDisplayLists)
{
    testing::internal::CaptureStderr();
    CRefPtr<COGLModel> model = Model("groups.scn",
                                     [](CModelData& d)
                                     {
                                         const int lit = d.AddMaterial(Material(true));
                                         const int unlit = d.AddMaterial(Material(false, 0.0));
                                         const uint32_t red = d.AddTexture(STextureData("red.tga", 2));
                                         const uint32_t missing =
                                             d.AddTexture(STextureData("missing.tga", 1));
                                         STriangleGroupData* a = Square(d, 1, 0, 0, 8, 8);
                                         a->m_iMaterialIndex = lit;
                                         a->m_LayerTextures[0] = red;
                                         a->m_LayerBlendModes.push_back(2);
                                         Square(d, 0, 0, 0, 8, 8, true); // no material, colours
                                         STriangleGroupData* c = Square(d, 2, 0, 0, 8, 8);
                                         c->m_iMaterialIndex = unlit;
                                         c->m_LayerTextures[0] = missing;
                                         c->m_LayerTextures[1] = 99;
                                         c->m_LayerBlendModes.push_back(1);
                                         c->m_LayerBlendModes.push_back(0);
                                     });
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Could not open texture file: missing.tga\n"
                                                      "Could not create Texture : missing.tga\n");
    ASSERT_TRUE(model);
    ASSERT_EQ(model->GetTriangleGroupCount(), 3u);
    EXPECT_EQ(model->GetMaterialCount(), 2u);
    EXPECT_EQ(model->GetTexture(0)->m_strName, "red.tga");
    EXPECT_EQ(model->GetTexture(0)->m_uiTarget, static_cast<uint32_t>(GL_TEXTURE_2D));
    EXPECT_TRUE(model->GetTexture(0)->m_bMipMaps);

    CCOGLTriangleGroup* a = model->GetTriangleGroup(0);
    EXPECT_EQ(a->GetRenderRecord()->m_usStateFlags, 10);
    EXPECT_EQ(a->GetLayer(0)->m_iEnvMode, GL_ADD);
    EXPECT_EQ(a->GetLayer(0)->m_sTextureIndex, 0);
    EXPECT_EQ(a->GetRenderRecord()->m_iCompiled, SRenderRecord::LIST_RECORDED);
    EXPECT_EQ(a->GetRenderRecord()->m_iRenderMode, SRenderRecord::PATH_VERTEX_ARRAYS);
    EXPECT_TRUE(glIsList(a->GetRenderRecord()->m_uiDisplayList));
    EXPECT_FALSE(a->HasEnvironmentMap());

    CCOGLTriangleGroup* b = model->GetTriangleGroup(1);
    EXPECT_EQ(b->GetRenderRecord()->m_usStateFlags, 1);
    EXPECT_EQ(b->GetMaterialIndex(), -1);
    ASSERT_NE(b->GetColours(), nullptr);
    EXPECT_FLOAT_EQ(b->GetColours()[0], 0.25f);

    CCOGLTriangleGroup* c = model->GetTriangleGroup(2);
    EXPECT_EQ(c->GetRenderRecord()->m_usStateFlags, 12);
    EXPECT_EQ(c->GetLayer(0)->m_iEnvMode, GL_REPLACE);
    EXPECT_EQ(c->GetLayer(1)->m_iEnvMode, GL_MODULATE);
    EXPECT_EQ(c->GetLayer(1)->m_sTextureIndex, -1);
    EXPECT_FLOAT_EQ(c->GetLayer(1)->m_TexCoords[3], 1.0f);
}

TEST_F(FactoryGLTest, RenderPathsDrawTheSamePixels)
{
    m_Renderer->SetLightDirection(CVector3(0, 0, -1));
    const float ambient[4] = {0.2f, 0.2f, 0.2f, 1}, diffuse[4] = {0.8f, 0.7f, 0.6f, 1};
    m_Renderer->SetLightColours(0, ambient, diffuse);
    CRefPtr<COGLModel> model = Model("paths.scn",
                                     [](CModelData& d)
                                     {
                                         const uint32_t red = d.AddTexture(STextureData("red.tga", 0));
                                         STriangleGroupData* a =
                                             Square(d, 1, 4, 4, 30, 30, true); // colours + texture
                                         a->m_LayerTextures[0] = red;
                                         a->m_LayerBlendModes.push_back(0);
                                         STriangleGroupData* b = Square(d, 0, 34, 34, 60, 60); // lit
                                         b->m_iMaterialIndex = d.AddMaterial(Material(true));
                                         Square(d, 0, 34, 4, 60, 30, true); // colours only
                                     });
    ASSERT_TRUE(model);
    const GLFrame listed = Draw(model.Get());
    EXPECT_GT(listed.CountDifferent(0, 0, kSize, kSize, 0, 0, 0), 3 * 500);
    for (int path = 0; path <= 2; ++path)
    {
        for (size_t i = 0; i < model->GetTriangleGroupCount(); ++i)
        {
            CCOGLTriangleGroup* g = model->GetTriangleGroup(static_cast<int>(i));
            ASSERT_TRUE(g->Build(path, false));
            g->GetRenderRecord()->m_iCompiled = SRenderRecord::LIST_NONE;
        }
        const GLFrame frame = Draw(model.Get());
        EXPECT_EQ(frame.bgra, listed.bgra) << "path " << path;
    }
    // Lists recorded from each path draw the same too.
    for (int path = 0; path <= 2; ++path)
    {
        for (size_t i = 0; i < model->GetTriangleGroupCount(); ++i)
            ASSERT_TRUE(model->GetTriangleGroup(static_cast<int>(i))->BuildAndCompile(path, false));
        EXPECT_EQ(Draw(model.Get()).bgra, listed.bgra) << "list of path " << path;
    }
}

TEST_F(FactoryGLTest, VertexBuffersAreMadeOnceAndOverridesKeepTheOwnPath)
{
    CRefPtr<COGLModel> model = Model("vbo.scn", [](CModelData& d) { Square(d, 0, 0, 0, 8, 8); });
    CCOGLTriangleGroup* g = model->GetTriangleGroup(0);
    SRenderRecord* r = g->GetRenderRecord();
    EXPECT_EQ(m_Factory->RecompileAll(2), 0);
    EXPECT_TRUE(r->m_bVBOCreated);
    EXPECT_NE(g->m_uiPositionBuffer, 0u);
    EXPECT_EQ(r->m_iRenderMode, 1);
    EXPECT_EQ(r->m_iCompileMode, 2);
    EXPECT_EQ(r->m_iGlobalList, SRenderRecord::LIST_RECORDED);
    const uint32_t buffer = g->m_uiPositionBuffer;
    ASSERT_TRUE(g->Build(1, true));
    ASSERT_TRUE(g->Build(2, true));
    EXPECT_EQ(g->m_uiPositionBuffer, buffer);
    EXPECT_EQ(r->m_iRenderMode, 1);
    EXPECT_EQ(r->m_iCompileMode, 2);
    // Mode 4: each group its own path again.
    EXPECT_EQ(m_Factory->RecompileCompiledLists(4), 0);
    EXPECT_EQ(r->m_iCompileMode, 1);

    // Terrain models take part in the rebuilds.
    std::vector<CRefPtr<COGLModel>> terrain;
    ASSERT_TRUE(m_Factory->CreateTerrain("Level1", nullptr, terrain));
    ASSERT_EQ(terrain.size(), 2u);
    EXPECT_EQ(m_Factory->GetTerrainModels().size(), 2u);
    EXPECT_EQ(m_Factory->RecompileAll(0), 0);
    EXPECT_EQ(terrain[1]->GetTriangleGroup(0)->GetRenderRecord()->m_iCompileMode, 0);

    // A new game's terrain: the factory keeps only the models still held.
    std::vector<CRefPtr<COGLModel>> next;
    CRefPtr<COGLModel> kept = terrain[0];
    terrain.clear();
    ASSERT_TRUE(m_Factory->CreateTerrain("Level1", nullptr, next));
    ASSERT_EQ(m_Factory->GetTerrainModels().size(), 3u);
    EXPECT_EQ(m_Factory->GetTerrainModels()[0].Get(), kept.Get());
}

TEST_F(FactoryGLTest, GlobalOverridesApplyToNewModels)
{
    COGLGlobalRenderSettings* s = m_Renderer->GetRenderSettings().Get();
    ASSERT_TRUE(s->SetRenderModeOverride(0, true));
    ASSERT_TRUE(s->SetCacheModeOverride(1, true));
    testing::internal::CaptureStderr();
    CRefPtr<COGLModel> model = Model("late.scn", [](CModelData& d) { Square(d, 0, 0, 0, 8, 8); });
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "New TriangleGroup - Compiling Global CMO in COGLModelFactory::BuildMG()\n");
    const SRenderRecord* r = model->GetTriangleGroup(0)->GetRenderRecord();
    EXPECT_EQ(r->m_iRenderMode, 1);
    EXPECT_EQ(r->m_iCompileMode, 1);
    EXPECT_EQ(r->m_iGlobalList, SRenderRecord::LIST_RECORDED);
}

TEST_F(FactoryGLTest, BumpMaterialsGetTheShader)
{
    auto bump = [](CModelData& d, uint8_t layers)
    {
        SMaterialData m = Material(true);
        m.m_strShader = "simpleBump.cg";
        m.m_Parameters.push_back(SParameter("texNormal", "rock"));
        STriangleGroupData* g = Square(d, layers, 8, 8, 56, 56);
        g->m_iMaterialIndex = d.AddMaterial(m);
        if (layers)
        {
            g->m_LayerTextures[0] = d.AddTexture(STextureData("green.tga", 0));
            g->m_LayerBlendModes.push_back(0);
        }
    };
    testing::internal::CaptureStderr();
    CRefPtr<COGLModel> a = Model("a.scn", [&](CModelData& d) { bump(d, 1); });
    CRefPtr<COGLModel> b = Model("b.scn", [&](CModelData& d) { bump(d, 1); });
    CRefPtr<COGLModel> plain = Model("plain.scn", [&](CModelData& d) { bump(d, 0); });
    ASSERT_TRUE(a && b && plain);
    const SRenderRecord* r = a->GetTriangleGroup(0)->GetRenderRecord();
    ASSERT_TRUE(r->m_pShader);
    EXPECT_EQ(r->m_usStateFlags, 4);
    EXPECT_EQ(r->m_iCompiled, SRenderRecord::LIST_SHADER);
    EXPECT_EQ(r->m_iRenderMode, 3);
    EXPECT_EQ(r->m_pShader->GetPath(), 3);
    EXPECT_EQ(a->GetTriangleGroup(0)->m_Tangents.size(), 24u);
    // Without a texture layer the group is an ordinary lit one.
    const SRenderRecord* p = plain->GetTriangleGroup(0)->GetRenderRecord();
    EXPECT_FALSE(p->m_pShader);
    EXPECT_EQ(p->m_usStateFlags, 2);
    EXPECT_EQ(p->m_iCompiled, SRenderRecord::LIST_RECORDED);

    // Each program once, used by both groups.
    ASSERT_NE(CCgProgramCache::Find(0, kShader), nullptr);
    EXPECT_EQ(CCgProgramCache::Find(0, kShader)->m_iUseCount, 2);
    EXPECT_EQ(CCgProgramCache::Find(1, kShader)->m_iUseCount, 2);

    // The shader draws the base texture lit; fExp is a tenth of the shininess.
    const float ambient[4] = {0.5f, 0.5f, 0.5f, 1}, diffuse[4] = {1, 1, 1, 1};
    m_Renderer->SetLightColours(0, ambient, diffuse);
    m_Renderer->SetLightDirection(CVector3(0, 0, -1));
    const GLFrame frame = Draw(a.Get());
    EXPECT_EQ(plat::cgGetProgramCount(), 2);
    const GLFrame::Pixel centre = frame.At(32, 32);
    EXPECT_GT(centre.g, 100);
    EXPECT_LT(centre.r, 60);
    EXPECT_EQ(frame.At(2, 2).g, 0);
    const CCgShader* shader = r->m_pShader.Get();
    float exp = 0.0f;
    ASSERT_TRUE(plat::cgGLGetParameterValue(
        plat::cgGetNamedParameter(shader->GetFragmentProgram()->m_Program, "fExp"), &exp, 1));
    EXPECT_FLOAT_EQ(exp, 6.4f);
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // One model less keeps the programs for the other.
    m_Factory.Release();
    a.Release();
    EXPECT_EQ(CCgProgramCache::Find(0, kShader)->m_iUseCount, 1);
    b.Release();
    EXPECT_EQ(CCgProgramCache::Find(0, kShader), nullptr);
    EXPECT_EQ(CCgProgramCache::GetContext(), nullptr);
}

TEST_F(FactoryGLTest, BumpMaterialWithoutItsNormalMapIsOrdinary)
{
    testing::internal::CaptureStderr();
    CRefPtr<COGLModel> model = Model("nomap.scn", [](CModelData& d) { BumpSquare(d, false, "absent"); });
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not open texture file: Data/shader/absent.tga\n");
    const SRenderRecord* r = model->GetTriangleGroup(0)->GetRenderRecord();
    EXPECT_FALSE(r->m_pShader);
    EXPECT_EQ(r->m_usStateFlags, 12);
}

TEST_F(FactoryGLTest, EnvironmentMapsReachReflectiveGroups)
{
    CRefPtr<COGLModel> model =
        Model("shiny.scn",
              [](CModelData& d)
              {
                  STriangleGroupData* g = Square(d, 2, 0, 0, 8, 8);
                  g->m_iMaterialIndex = d.AddMaterial(Material(false, 0.25));
                  g->m_LayerTextures[0] = g->m_LayerTextures[1] = d.AddTexture(STextureData("red.tga", 0));
                  Square(d, 0, 0, 0, 8, 8)->m_iMaterialIndex = d.AddMaterial(Material(false));
              });
    CCOGLTriangleGroup* g = model->GetTriangleGroup(0);
    EXPECT_FALSE(g->HasEnvironmentMap());

    const std::string names[6] = {"green.tga", "red.tga", "absent.tga", "red.tga", "red.tga", "red.tga"};
    testing::internal::CaptureStderr();
    EXPECT_FALSE(m_Factory->CreateEnv(names, 6));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not open texture file: absent.tga\n"
              "Could not establish CUBE_MAP_TEXTURE_OBJECTS in COGLModelFactory::CreateEnv()\n");
    EXPECT_EQ(m_Factory->GetEnvironmentKind(), COGLModelFactory::ENV_NONE);

    EXPECT_TRUE(m_Factory->CreateEnv(names, 1));
    EXPECT_EQ(m_Factory->GetEnvironmentKind(), COGLModelFactory::ENV_SPHERE);
    ASSERT_TRUE(g->HasEnvironmentMap());
    EXPECT_EQ(g->GetEnvironmentMap()->m_iKind, 0);
    EXPECT_EQ(g->GetEnvironmentMap()->m_uiTextureId, m_Factory->GetEnvironmentTexture());
    EXPECT_FLOAT_EQ(g->GetEnvironmentMap()->m_Colour[3], 0.75f);
    EXPECT_FALSE(model->GetTriangleGroup(1)->HasEnvironmentMap());
    EXPECT_EQ(g->GetRenderRecord()->m_iCompiled, SRenderRecord::LIST_RECORDED);

    // Two layers: the map is on unit 3 and switched off there afterwards.
    ASSERT_TRUE(g->Build(1, false));
    g->GetRenderRecord()->m_iCompiled = SRenderRecord::LIST_NONE;
    Draw(model.Get());
    glActiveTexture(GL_TEXTURE3);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    glActiveTexture(GL_TEXTURE0);

    // A model loaded later gets the map at once.
    CRefPtr<COGLModel> later =
        Model("later.scn", [](CModelData& d)
              { Square(d, 0, 0, 0, 8, 8)->m_iMaterialIndex = d.AddMaterial(Material(true, 0.5)); });
    ASSERT_TRUE(later->GetTriangleGroup(0)->HasEnvironmentMap());
    EXPECT_FLOAT_EQ(later->GetTriangleGroup(0)->GetEnvironmentMap()->m_Colour[3], 0.5f);
}

TEST_F(FactoryGLTest, TextureFiltersAndMipMaps)
{
    CRefPtr<COGLModel> model =
        Model("tex.scn", [](CModelData& d)
              { Square(d, 1, 0, 0, 8, 8)->m_LayerTextures[0] = d.AddTexture(STextureData("red.tga", 0)); });
    const float white[4] = {1, 1, 1, 1};
    CRefPtr<COGLDisplayList> stock = m_Factory->getStockObject(0, "green.tga", 0, 0, 1, 1, white, 0);
    const GLuint mip = m_Factory->FindTexture("red.tga")->m_uiGLId;
    const GLuint flat = m_Factory->FindTexture("green.tga")->m_uiGLId;
    EXPECT_EQ(TexParameter(mip, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(TexParameter(flat, GL_TEXTURE_MIN_FILTER), GL_LINEAR);

    m_Factory->SetTextureFilter(1);
    EXPECT_EQ(TexParameter(mip, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(TexParameter(flat, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    m_Factory->SetTextureFilter(4);
    EXPECT_EQ(TexParameter(mip, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(TexParameter(mip, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(TexParameter(flat, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    m_Factory->SetTextureFilter(3);
    EXPECT_EQ(TexParameter(flat, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    // Through the render settings.
    m_Renderer->GetRenderSettings()->SetTextureQuality(2, true);
    EXPECT_EQ(TexParameter(flat, GL_TEXTURE_MIN_FILTER), GL_LINEAR);

    m_Factory->SetMipMapFilter(false);
    EXPECT_EQ(TexParameter(mip, GL_TEXTURE_MAX_LEVEL), 0);
    m_Factory->SetMipMapFilter(true);
    EXPECT_EQ(TexParameter(mip, GL_TEXTURE_MAX_LEVEL), 1000);
}

TEST_F(FactoryGLTest, StockRectangles)
{
    const float blue[4] = {0, 0, 1, 1};
    CRefPtr<COGLDisplayList> plain = m_Factory->getStockObject(0, "", 0, 0, 1, 1, blue, 0);
    CRefPtr<COGLDisplayList> textured = m_Factory->getStockObject(0, "red.tga", 0, 0, 1, 1, blue, 1);
    ASSERT_TRUE(plain && textured);
    EXPECT_TRUE(glIsList(plain->GetListId()));
    EXPECT_EQ(textured->GetBlendMode(), 1);

    // The unit square scaled to 32 pixels.
    CMatrix4 scale;
    scale.SetScale(CVector3(32, 32, 1));
    m_Renderer->LoadMatrix(scale);
    m_Renderer->BeginFrame();
    plain->Render();
    GLFrame frame = plat::ReadFrame();
    // Top-left quarter on screen (y down): pixel rows 32..63 from the bottom.
    EXPECT_EQ(frame.CountDifferent(0, 32, 32, 64, 0, 0, 255), 0);
    EXPECT_EQ(frame.CountDifferent(32, 0, 64, 32, 0, 0, 0), 0);
    m_Renderer->BeginFrame();
    textured->Render();
    frame = plat::ReadFrame();
    // Red texture modulated by blue: black, drawn where the square is.
    EXPECT_EQ(frame.CountDifferent(0, 32, 32, 64, 0, 0, 0), 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    testing::internal::CaptureStderr();
    CRefPtr<COGLDisplayList> circle = m_Factory->getStockObject(1, "", 0, 0, 1, 1, blue, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: eCIRCLE not implemented in COGLModelFactory::getStockObject\n");
    EXPECT_TRUE(circle);
}

TEST_F(FactoryGLTest, AccumulationWeightsEachPass)
{
    CRefPtr<CCamera> camera(new CCamera);
    {
        CAccumulationEffect effect;
        ASSERT_TRUE(effect.Init(5, camera));
        // The effect holds the camera.
        EXPECT_EQ(effect.GetCamera().Get(), camera.Get());
        EXPECT_EQ(camera->GetRefCount(), 2u);
        EXPECT_FLOAT_EQ(effect.GetPassWeight(), 0.2f);
        effect.Begin();
        effect.Accumulate();
        effect.Accumulate();
        EXPECT_EQ(effect.GetPassCounter(), 2);
        effect.Finish();
        EXPECT_EQ(effect.GetPassCounter(), 0);
        ASSERT_TRUE(effect.Init(5, camera));
        EXPECT_EQ(camera->GetRefCount(), 2u);
        ASSERT_TRUE(effect.Init(0, CRefPtr<CCamera>()));
        EXPECT_FLOAT_EQ(effect.GetPassWeight(), 1.0f);
        EXPECT_EQ(camera->GetRefCount(), 1u);
        ASSERT_TRUE(effect.Init(1, camera));
    }
    // Gone with the effect.
    EXPECT_EQ(camera->GetRefCount(), 1u);
    glGetError();
}

TEST_F(FactoryGLTest, ShaderRuntimeErrorsGoToTheLog)
{
    // Without the shader file the programs cannot load: the group stays an
    // ordinary one and the runtime's error is logged.
    std::remove(kShader);
    testing::internal::CaptureStderr();
    CRefPtr<COGLModel> model = Model("nofile.scn", [](CModelData& d) { BumpSquare(d, true, "rock"); });
    plat::cgGLSetParameter1f(nullptr, 1.0f);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "CG Error: The file could not be read.\n"
                                                      "CG Error: The file could not be read.\n"
                                                      "CG Error: The parameter used is invalid.\n");
    const SRenderRecord* r = model->GetTriangleGroup(0)->GetRenderRecord();
    EXPECT_FALSE(r->m_pShader);
    EXPECT_EQ(r->m_usStateFlags, 10);

    // A display list cannot be recorded from the shader path.
    testing::internal::CaptureStderr();
    CCOGLTriangleGroup* g = model->GetTriangleGroup(0);
    EXPECT_FALSE(g->BuildAndCompile(3, false));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: Unknown model typ in COGLRenderer::Compile()\n");
    EXPECT_EQ(g->GetRenderRecord()->m_iCompiled, SRenderRecord::LIST_FAILED);
}
