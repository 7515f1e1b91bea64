#include "platform/gl/GL.h"
#include "platform/gl/GLScreenshot.h"
#include "platform/gl/GLTestWindow.h"
#include "render/COGLModelFactory.h"
#include "render/COGLRenderer.h"
#include "render/CSCNLoader.h"
#include "tests/support/Chunks3DS.h"
#include "tests/support/GameData.h"
#include "tests/support/ImageFiles.h"
#include "tests/support/RepoFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace
{

// A 64 x 64 window with a renderer and a model factory of the real loaders.
class SCNLoaderGLTest : public testsupport::TempDirTest
{
protected:
    static constexpr int kSize = 64;

    void SetUp() override
    {
        ASSERT_NE(m_Window.GetDC(), nullptr);
        ASSERT_TRUE(m_Renderer->CreateOnDC(m_Window.GetDC(), 32));
        m_Renderer->OnSize(kSize, kSize);
        m_Factory = new COGLModelFactory(CRefPtr<CSCNLoader>(new CSCNLoader),
                                         CRefPtr<CTextureLoader>(new CTextureLoader),
                                         CRefPtr<CTerrainBuilder>(), m_Renderer.Get());
        m_Renderer->GetRenderSettings()->SetModelFactory(m_Factory.Get());
    }
    void TearDown() override
    {
        if (m_Factory)
            m_Renderer->GetRenderSettings()->SetModelFactory(nullptr);
        m_Factory.Release();
        m_Renderer->Destroy();
    }

    // The model through the factory; what the loaders wrote to stderr in errors.
    CRefPtr<COGLModel> Load(const std::string& path, std::string& errors)
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        CRefPtr<COGLModel> model = m_Factory->getModel(path);
        errors = testing::internal::GetCapturedStderr();
        testing::internal::GetCapturedStdout();
        return model;
    }

    // The model drawn over black, lit from the viewer, one model unit a
    // pixel with y downwards.
    plat::GLFrame Draw(COGLModel& model)
    {
        CMatrix4 ortho;
        ortho.SetOrtho(kSize, kSize, -1.0f, 1.0f);
        m_Renderer->SetMatrixMode(0);
        m_Renderer->LoadMatrix(ortho);
        m_Renderer->SetMatrixMode(1);
        m_Renderer->LoadMatrix(CMatrix4());
        m_Renderer->SetDepthTest(0.0f);
        m_Renderer->SetLightDirection(CVector3(0, 0, -1));
        const float ambient[4] = {0.2f, 0.2f, 0.2f, 1}, diffuse[4] = {0.8f, 0.8f, 0.8f, 1};
        m_Renderer->SetLightColours(0, ambient, diffuse);
        glDisable(GL_CULL_FACE);
        glClearColor(0, 0, 0, 1);
        m_Renderer->BeginFrame();
        model.Render();
        return plat::ReadFrame();
    }

    // The pixel at model point (x, y): frame rows count from the bottom.
    static plat::GLFrame::Pixel At(const plat::GLFrame& frame, int x, int y)
    {
        return frame.At(x, kSize - y);
    }
    static int Sum(const plat::GLFrame::Pixel& p) { return p.r + p.g + p.b; }

    // The sign of the OBJ and 3DS tests: a square textured with red.tga (two
    // triangles) and a green pentagon (three), each with its material.
    void ExpectTheSign(const std::string& path)
    {
        std::string errors;
        CRefPtr<COGLModel> model = Load(path, errors);
        ASSERT_TRUE(model) << errors;
        EXPECT_EQ(errors, "");
        ASSERT_EQ(model->GetTriangleGroupCount(), 2u);
        EXPECT_EQ(model->GetMaterialCount(), 2u);
        EXPECT_EQ(model->GetTriangleGroup(0)->GetIndexCount(), 6u) << "the square in two triangles";
        EXPECT_EQ(model->GetTriangleGroup(1)->GetIndexCount(), 9u) << "the pentagon in three";
        EXPECT_EQ(model->GetTriangleGroup(1)->GetVertexCount(), 5u);
        ASSERT_NE(model->GetTexture(0), nullptr);
        EXPECT_NE(model->GetTexture(0)->m_strName.find("red.tga"), std::string::npos);

        const plat::GLFrame frame = Draw(*model);
        EXPECT_GT(At(frame, 17, 17).r, 200);
        EXPECT_LT(At(frame, 17, 17).g, 60);
        EXPECT_GT(At(frame, 47, 17).g, 100);
        EXPECT_LT(At(frame, 47, 17).r, 60);
        EXPECT_GT(At(frame, 47, 32).g, 100) << "the pentagon's fifth corner is drawn";
        EXPECT_EQ(Sum(At(frame, 17, 40)), 0);
    }

    plat::GLTestWindow m_Window{kSize, kSize, false};
    CRefPtr<COGLRenderer> m_Renderer{new COGLRenderer};
    CRefPtr<COGLModelFactory> m_Factory;
};

} // namespace

// Every model the data generator writes loads through the real importer into
// a GL model with triangle groups and a bounding volume.
TEST_F(SCNLoaderGLTest, GeneratedModelsLoadThroughTheFactory)
{
    const bool generated = testsupport::GenerateGameData(m_Dir.Path() + "/Data");
    ASSERT_TRUE(generated);
    for (const std::string& file : CDataGenerator::ModelFiles())
    {
        std::string errors;
        CRefPtr<COGLModel> model = Load("Data/" + file, errors);
        ASSERT_TRUE(model) << file << ": " << errors;
        EXPECT_GT(model->GetTriangleGroupCount(), 0u) << file;
        float x = 0, y = 0, z = 0, radius = 0;
        model->GetBoundingSphere(x, y, z, radius);
        EXPECT_GT(radius, 0.0f) << file;
        m_Renderer->BeginFrame();
        model->Render();
        // Cached under the lower-cased name: the same model again.
        EXPECT_EQ(m_Factory->getModel("Data/" + file).Get(), model.Get()) << file;
    }
}

// An OBJ model with its material library loads through the factory like a
// scene file: a textured square and a green pentagon (an n-gon, drawn
// whole), each with its material, land on the screen where they belong.
TEST_F(SCNLoaderGLTest, ObjModelsShowWithTheirMaterials)
{
    m_Dir.WriteFile("Data/models/sign.mtl", "newmtl Red\nKd 1 1 1\nmap_Kd red.tga\n"
                                            "newmtl Green\nKa 0 1 0\nKd 0 1 0\n");
    m_Dir.WriteFile("Data/models/red.tga", testsupport::MakeTga(4, 4, 0, 0, 255));
    m_Dir.WriteFile("Data/models/sign.obj", "mtllib sign.mtl\no Sign\n"
                                            "v 4 4 0\nv 4 30 0\nv 30 30 0\nv 30 4 0\n"
                                            "v 34 4 0\nv 34 30 0\nv 47 34 0\nv 60 30 0\nv 60 4 0\n"
                                            "vt 0 0\nvt 0 1\nvt 1 1\nvt 1 0\nvn 0 0 -1\n"
                                            "usemtl Red\nf 1/1/1 2/2/1 3/3/1 4/4/1\n"
                                            "usemtl Green\nf 5//1 6//1 7//1 8//1 9//1\n");
    ExpectTheSign("Data/models/Sign.OBJ");
}

namespace
{

// A 3DFACE on layer "Plan" in the drawing's XZ plane, which the DXF reader
// turns into the scene's XY plane (Z up becomes Y up).
std::string Face(int colour, const int (*xz)[2], int corners)
{
    std::string s = "0\n3DFACE\n8\nPlan\n62\n" + std::to_string(colour) + "\n";
    for (int k = 0; k < 4; ++k)
    {
        const int* p = xz[k < corners ? k : corners - 1];
        s += std::to_string(10 + k) + "\n" + std::to_string(p[0]) + "\n" + std::to_string(20 + k) + "\n0\n" +
             std::to_string(30 + k) + "\n" + std::to_string(p[1]) + "\n";
    }
    return s;
}

} // namespace

// A DXF drawing loads through the factory like a scene file: a red square
// and a green triangle (written with its fourth corner repeating the third)
// on one layer, each with the material of its palette colour, land on the
// screen where they belong.
TEST_F(SCNLoaderGLTest, DxfModelsShowWithTheirMaterials)
{
    const int square[4][2] = {{4, 4}, {4, 30}, {30, 30}, {30, 4}};
    const int triangle[3][2] = {{34, 4}, {34, 30}, {60, 30}};
    m_Dir.WriteFile("Data/models/plan.dxf", "0\nSECTION\n2\nENTITIES\n" + Face(1, square, 4) +
                                                Face(3, triangle, 3) + "0\nENDSEC\n0\nEOF\n");
    std::string errors;
    CRefPtr<COGLModel> model = Load("Data/models/Plan.DXF", errors);
    ASSERT_TRUE(model) << errors;
    EXPECT_EQ(errors, "");
    ASSERT_EQ(model->GetTriangleGroupCount(), 2u);
    EXPECT_EQ(model->GetMaterialCount(), 2u);
    EXPECT_EQ(model->GetTriangleGroup(0)->GetIndexCount(), 6u) << "the square in two triangles";
    EXPECT_EQ(model->GetTriangleGroup(1)->GetIndexCount(), 3u) << "the triangle";
    EXPECT_EQ(model->GetTriangleGroup(1)->GetVertexCount(), 3u);

    const plat::GLFrame frame = Draw(*model);
    EXPECT_GT(At(frame, 17, 17).r, 100);
    EXPECT_LT(At(frame, 17, 17).g, 60);
    EXPECT_GT(At(frame, 40, 25).g, 100);
    EXPECT_LT(At(frame, 40, 25).r, 60);
    EXPECT_EQ(Sum(At(frame, 17, 40)), 0);
    EXPECT_EQ(Sum(At(frame, 55, 10)), 0) << "a triangle, not a quad";
}

// A 3DS model loads through the factory the same way: the same sign, its
// pentagon a fan of three triangles (the map's upper-case 8.3 name finds the
// file).
TEST_F(SCNLoaderGLTest, ThreeDSModelsShowWithTheirMaterials)
{
    using namespace testsupport;
    const std::string red = Chunk(0xA000, Cstr("Red")) + Chunk(0xA020, Chunk(0x0010, Floats({1, 1, 1}))) +
                            Chunk(0xA200, Chunk(0xA300, Cstr("RED.TGA")));
    const std::string green = Chunk(0xA000, Cstr("Green")) + Chunk(0xA010, Chunk(0x0010, Floats({0, 1, 0}))) +
                              Chunk(0xA020, Chunk(0x0010, Floats({0, 1, 0})));
    const std::string mesh =
        VertexList(
            {4, 4, 0, 4, 30, 0, 30, 30, 0, 30, 4, 0, 34, 4, 0, 34, 30, 0, 47, 34, 0, 60, 30, 0, 60, 4, 0}) +
        Chunk(0x4140, Le16(9) + Floats({0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})) +
        FaceList({0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7, 4, 7, 8},
                 MaterialGroup("Red", {0, 1}) + MaterialGroup("Green", {2, 3, 4}));
    m_Dir.WriteFile("Data/models/red.tga", MakeTga(4, 4, 0, 0, 255));
    m_Dir.WriteFile("Data/models/sign.3ds", File3DS(Chunk(0xAFFF, red) + Chunk(0xAFFF, green) +
                                                    Chunk(0x4000, Cstr("Sign") + Chunk(0x4100, mesh))));
    ExpectTheSign("Data/models/Sign.3DS");
}
