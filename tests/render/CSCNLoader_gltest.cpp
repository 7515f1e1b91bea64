#include "platform/gl/GLTestWindow.h"
#include "render/COGLModelFactory.h"
#include "render/COGLRenderer.h"
#include "render/CSCNLoader.h"
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
