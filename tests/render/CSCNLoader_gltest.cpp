#include "platform/gl/GL.h"
#include "platform/gl/GLScreenshot.h"
#include "platform/gl/GLTestWindow.h"
#include "render/COGLModelFactory.h"
#include "render/COGLRenderer.h"
#include "render/CSCNLoader.h"
#include "tests/support/Chunks3DS.h"
#include "tests/support/GameData.h"
#include "tests/support/RepoFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using SCNLoaderGLTest = testsupport::TempDirTest;

// Every model the data generator writes loads through the real importer into
// a GL model with triangle groups and a bounding volume.
TEST_F(SCNLoaderGLTest, GeneratedModelsLoadThroughTheFactory)
{
    const bool generated = testsupport::GenerateGameData(m_Dir.Path() + "/Data");
    ASSERT_TRUE(generated);

    plat::GLTestWindow window(64, 64, false);
    ASSERT_NE(window.GetDC(), nullptr);
    CRefPtr<COGLRenderer> renderer(new COGLRenderer);
    ASSERT_TRUE(renderer->CreateOnDC(window.GetDC(), 32));
    renderer->OnSize(64, 64);
    CRefPtr<COGLModelFactory> factory(new COGLModelFactory(CRefPtr<CSCNLoader>(new CSCNLoader),
                                                           CRefPtr<CTextureLoader>(new CTextureLoader),
                                                           CRefPtr<CTerrainBuilder>(), renderer.Get()));
    renderer->GetRenderSettings()->SetModelFactory(factory.Get());
    for (const std::string& file : CDataGenerator::ModelFiles())
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        CRefPtr<COGLModel> model = factory->getModel("Data/" + file);
        const std::string errors = testing::internal::GetCapturedStderr();
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(model) << file << ": " << errors;
        EXPECT_GT(model->GetTriangleGroupCount(), 0u) << file;
        float x = 0, y = 0, z = 0, radius = 0;
        model->GetBoundingSphere(x, y, z, radius);
        EXPECT_GT(radius, 0.0f) << file;
        renderer->BeginFrame();
        model->Render();
        // Cached under the lower-cased name: the same model again.
        EXPECT_EQ(factory->getModel("Data/" + file).Get(), model.Get()) << file;
    }
    renderer->GetRenderSettings()->SetModelFactory(nullptr);
    factory.Release();
    renderer->Destroy();
}

namespace
{

// An uncompressed 24-bit TGA of one colour.
std::string Tga(int w, int h, uint8_t r, uint8_t g, uint8_t b)
{
    std::string s(18, '\0');
    s[2] = 2;
    s[12] = static_cast<char>(w);
    s[14] = static_cast<char>(h);
    s[16] = 24;
    for (int i = 0; i < w * h; ++i)
        s += {static_cast<char>(b), static_cast<char>(g), static_cast<char>(r)};
    return s;
}

} // namespace

// An OBJ model with its material library loads through the factory like a
// scene file: a textured square and a green pentagon (an n-gon, drawn
// whole), each with its material, land on the screen where they belong.
TEST_F(SCNLoaderGLTest, ObjModelsShowWithTheirMaterials)
{
    m_Dir.WriteFile("Data/models/sign.mtl", "newmtl Red\nKd 1 1 1\nmap_Kd red.tga\n"
                                            "newmtl Green\nKa 0 1 0\nKd 0 1 0\n");
    m_Dir.WriteFile("Data/models/red.tga", Tga(4, 4, 255, 0, 0));
    m_Dir.WriteFile("Data/models/sign.obj", "mtllib sign.mtl\no Sign\n"
                                            "v 4 4 0\nv 4 30 0\nv 30 30 0\nv 30 4 0\n"
                                            "v 34 4 0\nv 34 30 0\nv 47 34 0\nv 60 30 0\nv 60 4 0\n"
                                            "vt 0 0\nvt 0 1\nvt 1 1\nvt 1 0\nvn 0 0 -1\n"
                                            "usemtl Red\nf 1/1/1 2/2/1 3/3/1 4/4/1\n"
                                            "usemtl Green\nf 5//1 6//1 7//1 8//1 9//1\n");
    const int kSize = 64;
    plat::GLTestWindow window(kSize, kSize, false);
    ASSERT_NE(window.GetDC(), nullptr);
    CRefPtr<COGLRenderer> renderer(new COGLRenderer);
    ASSERT_TRUE(renderer->CreateOnDC(window.GetDC(), 32));
    renderer->OnSize(kSize, kSize);
    CRefPtr<COGLModelFactory> factory(new COGLModelFactory(CRefPtr<CSCNLoader>(new CSCNLoader),
                                                           CRefPtr<CTextureLoader>(new CTextureLoader),
                                                           CRefPtr<CTerrainBuilder>(), renderer.Get()));
    renderer->GetRenderSettings()->SetModelFactory(factory.Get());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    CRefPtr<COGLModel> model = factory->getModel("Data/models/Sign.OBJ");
    const std::string errors = testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(model) << errors;
    EXPECT_EQ(errors, "");
    ASSERT_EQ(model->GetTriangleGroupCount(), 2u);
    EXPECT_EQ(model->GetMaterialCount(), 2u);
    EXPECT_EQ(model->GetTriangleGroup(0)->GetIndexCount(), 6u) << "the square in two triangles";
    EXPECT_EQ(model->GetTriangleGroup(1)->GetIndexCount(), 9u) << "the pentagon in three";
    EXPECT_EQ(model->GetTriangleGroup(1)->GetVertexCount(), 5u);
    ASSERT_NE(model->GetTexture(0), nullptr);
    EXPECT_NE(model->GetTexture(0)->m_strName.find("red.tga"), std::string::npos);

    CMatrix4 ortho;
    ortho.SetOrtho(kSize, kSize, -1.0f, 1.0f);
    renderer->SetMatrixMode(0);
    renderer->LoadMatrix(ortho);
    renderer->SetMatrixMode(1);
    renderer->LoadMatrix(CMatrix4());
    renderer->SetDepthTest(0.0f);
    renderer->SetLightDirection(CVector3(0, 0, -1));
    const float ambient[4] = {0.2f, 0.2f, 0.2f, 1}, diffuse[4] = {0.8f, 0.8f, 0.8f, 1};
    renderer->SetLightColours(0, ambient, diffuse);
    glDisable(GL_CULL_FACE);
    glClearColor(0, 0, 0, 1);
    renderer->BeginFrame();
    model->Render();
    const plat::GLFrame frame = plat::ReadFrame();
    // Frame rows count from the bottom, model y from the top.
    const plat::GLFrame::Pixel square = frame.At(17, kSize - 17);
    const plat::GLFrame::Pixel pentagon = frame.At(47, kSize - 17);
    const plat::GLFrame::Pixel tip = frame.At(47, kSize - 32);
    const plat::GLFrame::Pixel outside = frame.At(17, kSize - 40);
    EXPECT_GT(square.r, 200);
    EXPECT_LT(square.g, 60);
    EXPECT_GT(pentagon.g, 100);
    EXPECT_LT(pentagon.r, 60);
    EXPECT_GT(tip.g, 100) << "the pentagon's fifth corner is drawn";
    EXPECT_EQ(outside.r + outside.g + outside.b, 0);
    renderer->GetRenderSettings()->SetModelFactory(nullptr);
    factory.Release();
    renderer->Destroy();
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
    const int kSize = 64;
    plat::GLTestWindow window(kSize, kSize, false);
    ASSERT_NE(window.GetDC(), nullptr);
    CRefPtr<COGLRenderer> renderer(new COGLRenderer);
    ASSERT_TRUE(renderer->CreateOnDC(window.GetDC(), 32));
    renderer->OnSize(kSize, kSize);
    CRefPtr<COGLModelFactory> factory(new COGLModelFactory(CRefPtr<CSCNLoader>(new CSCNLoader),
                                                           CRefPtr<CTextureLoader>(new CTextureLoader),
                                                           CRefPtr<CTerrainBuilder>(), renderer.Get()));
    renderer->GetRenderSettings()->SetModelFactory(factory.Get());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    CRefPtr<COGLModel> model = factory->getModel("Data/models/Plan.DXF");
    const std::string errors = testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(model) << errors;
    EXPECT_EQ(errors, "");
    ASSERT_EQ(model->GetTriangleGroupCount(), 2u);
    EXPECT_EQ(model->GetMaterialCount(), 2u);
    EXPECT_EQ(model->GetTriangleGroup(0)->GetIndexCount(), 6u) << "the square in two triangles";
    EXPECT_EQ(model->GetTriangleGroup(1)->GetIndexCount(), 3u) << "the triangle";
    EXPECT_EQ(model->GetTriangleGroup(1)->GetVertexCount(), 3u);

    CMatrix4 ortho;
    ortho.SetOrtho(kSize, kSize, -1.0f, 1.0f);
    renderer->SetMatrixMode(0);
    renderer->LoadMatrix(ortho);
    renderer->SetMatrixMode(1);
    renderer->LoadMatrix(CMatrix4());
    renderer->SetDepthTest(0.0f);
    renderer->SetLightDirection(CVector3(0, 0, -1));
    const float ambient[4] = {0.2f, 0.2f, 0.2f, 1}, diffuse[4] = {0.8f, 0.8f, 0.8f, 1};
    renderer->SetLightColours(0, ambient, diffuse);
    glDisable(GL_CULL_FACE);
    glClearColor(0, 0, 0, 1);
    renderer->BeginFrame();
    model->Render();
    const plat::GLFrame frame = plat::ReadFrame();
    // Frame rows count from the bottom, model y from the top.
    const plat::GLFrame::Pixel red = frame.At(17, kSize - 17);
    const plat::GLFrame::Pixel green = frame.At(40, kSize - 25);
    const plat::GLFrame::Pixel outside = frame.At(17, kSize - 40);
    const plat::GLFrame::Pixel beside = frame.At(55, kSize - 10);
    EXPECT_GT(red.r, 100);
    EXPECT_LT(red.g, 60);
    EXPECT_GT(green.g, 100);
    EXPECT_LT(green.r, 60);
    EXPECT_EQ(outside.r + outside.g + outside.b, 0);
    EXPECT_EQ(beside.r + beside.g + beside.b, 0) << "a triangle, not a quad";
    renderer->GetRenderSettings()->SetModelFactory(nullptr);
    factory.Release();
    renderer->Destroy();
}

// A 3DS model loads through the factory the same way: a textured square and
// a green fan of three triangles, each with its material, on the screen
// where they belong (the map's upper-case 8.3 name finds the file).
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
    m_Dir.WriteFile("Data/models/red.tga", Tga(4, 4, 255, 0, 0));
    m_Dir.WriteFile("Data/models/sign.3ds", File3DS(Chunk(0xAFFF, red) + Chunk(0xAFFF, green) +
                                                    Chunk(0x4000, Cstr("Sign") + Chunk(0x4100, mesh))));
    const int kSize = 64;
    plat::GLTestWindow window(kSize, kSize, false);
    ASSERT_NE(window.GetDC(), nullptr);
    CRefPtr<COGLRenderer> renderer(new COGLRenderer);
    ASSERT_TRUE(renderer->CreateOnDC(window.GetDC(), 32));
    renderer->OnSize(kSize, kSize);
    CRefPtr<COGLModelFactory> factory(new COGLModelFactory(CRefPtr<CSCNLoader>(new CSCNLoader),
                                                           CRefPtr<CTextureLoader>(new CTextureLoader),
                                                           CRefPtr<CTerrainBuilder>(), renderer.Get()));
    renderer->GetRenderSettings()->SetModelFactory(factory.Get());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    CRefPtr<COGLModel> model = factory->getModel("Data/models/Sign.3DS");
    const std::string errors = testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(model) << errors;
    EXPECT_EQ(errors, "");
    ASSERT_EQ(model->GetTriangleGroupCount(), 2u);
    EXPECT_EQ(model->GetMaterialCount(), 2u);
    EXPECT_EQ(model->GetTriangleGroup(0)->GetIndexCount(), 6u);
    EXPECT_EQ(model->GetTriangleGroup(1)->GetIndexCount(), 9u);
    ASSERT_NE(model->GetTexture(0), nullptr);
    EXPECT_NE(model->GetTexture(0)->m_strName.find("red.tga"), std::string::npos);

    CMatrix4 ortho;
    ortho.SetOrtho(kSize, kSize, -1.0f, 1.0f);
    renderer->SetMatrixMode(0);
    renderer->LoadMatrix(ortho);
    renderer->SetMatrixMode(1);
    renderer->LoadMatrix(CMatrix4());
    renderer->SetDepthTest(0.0f);
    renderer->SetLightDirection(CVector3(0, 0, -1));
    const float ambient[4] = {0.2f, 0.2f, 0.2f, 1}, diffuse[4] = {0.8f, 0.8f, 0.8f, 1};
    renderer->SetLightColours(0, ambient, diffuse);
    glDisable(GL_CULL_FACE);
    glClearColor(0, 0, 0, 1);
    renderer->BeginFrame();
    model->Render();
    const plat::GLFrame frame = plat::ReadFrame();
    // Frame rows count from the bottom, model y from the top.
    const plat::GLFrame::Pixel square = frame.At(17, kSize - 17);
    const plat::GLFrame::Pixel fan = frame.At(47, kSize - 17);
    const plat::GLFrame::Pixel tip = frame.At(47, kSize - 32);
    const plat::GLFrame::Pixel outside = frame.At(17, kSize - 40);
    EXPECT_GT(square.r, 200);
    EXPECT_LT(square.g, 60);
    EXPECT_GT(fan.g, 100);
    EXPECT_LT(fan.r, 60);
    EXPECT_GT(tip.g, 100) << "the fan's middle triangle is drawn";
    EXPECT_EQ(outside.r + outside.g + outside.b, 0);
    renderer->GetRenderSettings()->SetModelFactory(nullptr);
    factory.Release();
    renderer->Destroy();
}
