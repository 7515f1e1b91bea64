#include "app/CEngineServices.h"
#include "render/COGLGlobalRenderSettings.h"
#include "render/COGLModelFactory.h"

#include <gtest/gtest.h>

namespace
{

TEST(CEngineServicesTest, OneInstanceCreatedOnceAndClearedOnDestroy)
{
    EXPECT_EQ(CEngineServices::GetInstance(), nullptr);
    CEngineServices::CreateInstance();
    CEngineServices* first = CEngineServices::GetInstance();
    ASSERT_NE(first, nullptr);
    CEngineServices::CreateInstance(); // ignored while one exists
    EXPECT_EQ(CEngineServices::GetInstance(), first);
    CEngineServices::DestroyInstance();
    EXPECT_EQ(CEngineServices::GetInstance(), nullptr);
    CEngineServices::DestroyInstance(); // harmless when absent
    CEngineServices::CreateInstance();
    EXPECT_NE(CEngineServices::GetInstance(), nullptr);
    CEngineServices::DestroyInstance();
}

} // namespace

TEST(CEngineServicesTest, MakesTheRenderer)
{
    CEngineServices::CreateInstance();
    CRefPtr<IRenderer> renderer = CEngineServices::GetInstance()->GetRenderer();
    ASSERT_TRUE(renderer);
    EXPECT_EQ(CEngineServices::GetInstance()->GetRenderer(), renderer);
    EXPECT_TRUE(renderer->GetRenderSettings());
    CEngineServices::DestroyInstance();
    // The handle kept here keeps the renderer alive.
    EXPECT_EQ(renderer->GetRefCount(), 1u);
}

TEST(CEngineServicesTest, MakesTheModelFactoryForTheRenderSettings)
{
    CEngineServices::CreateInstance();
    CRefPtr<CModelFactory> factory = CEngineServices::GetInstance()->GetModelFactory();
    ASSERT_TRUE(factory);
    EXPECT_NE(dynamic_cast<COGLModelFactory*>(factory.Get()), nullptr);
    // The settings reach the factory: a rebuild request with no models
    // fails nothing and is accepted.
    CRefPtr<COGLGlobalRenderSettings> settings =
        CEngineServices::GetInstance()->GetRenderer()->GetRenderSettings();
    EXPECT_TRUE(settings->SetCacheModeOverride(2, true));
    EXPECT_TRUE(settings->SetRenderModeOverride(2, true));
    CEngineServices::DestroyInstance();
    EXPECT_EQ(factory->GetRefCount(), 1u);
}
