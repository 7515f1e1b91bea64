// The town's objects with the generated models: buildings drawn standing,
// red and stippled while blocked and as scaled ruins; an arrow sticking into
// a real house's wall.

#include "app/CEngineServices.h"
#include "app/CPhysXBody.h"
#include "app/CPhysXMgr.h"
#include "game/CBuildingObj.h"
#include "game/CProjectileObj.h"
#include "platform/gl/GLScreenshot.h"
#include "platform/gl/GLTestWindow.h"
#include "render/COGLRenderer.h"
#include "render/CSceneGraph.h"
#include "tests/game/GTownSupport.h"
#include "tests/support/GameData.h"
#include "tests/support/RepoFiles.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

const char* const kHouse = "Data/models/buildings/haus1.scn";
const int kSize = 128;

// A frame's pixels that are not the black background.
int Drawn(const plat::GLFrame& frame)
{
    return frame.CountDifferent(0, 0, kSize, kSize, 0, 0, 0, 8);
}

// Pure red pixels.
int Red(const plat::GLFrame& frame)
{
    return kSize * kSize - frame.CountDifferent(0, 0, kSize, kSize, 255, 0, 0, 40);
}

CVector3 Size(const COGLModel& model)
{
    float x0, y0, z0, x1, y1, z1;
    model.GetBoundingBox(x0, y0, z0, x1, y1, z1);
    return CVector3(x1 - x0, y1 - y0, z1 - z0);
}

// The generated Data tree, the engine services' renderer on a hidden window
// with its real model factory, a physics scene and a level-sized graph.
class TownGL : public testsupport::TempDirTest
{
protected:
    void SetUp() override
    {
        const bool generated = testsupport::CopyGameData(m_Dir.Path() + "/Data");
        ASSERT_TRUE(generated);

        ASSERT_NE(m_Window.GetDC(), nullptr);
        CEngineServices::CreateInstance();
        CEngineServices* services = CEngineServices::GetInstance();
        m_pRenderer = static_cast<COGLRenderer*>(services->GetRenderer().Get());
        ASSERT_TRUE(m_pRenderer->CreateOnDC(m_Window.GetDC(), 32));
        m_pRenderer->OnSize(kSize, kSize);
        m_pRenderer->SetClearColor(0x000000FF);
        ASSERT_TRUE(services->GetPhysXMgr()->Create());
        CPhysXBody::SetHitHandler(&towntest::DeliverHit);
        ASSERT_TRUE(m_pGraph->Create(1000, 1000, -10, 100, 5));
        m_pCamera->SetPerspective(1.0471976f, 1.0f, 0.1f, 1000.0f);
        m_Ctrl.SetCamera(m_pCamera);
        m_Ctrl.SetScene(m_pGraph);
    }
    void TearDown() override
    {
        m_Ctrl.ResetGame();
        m_pGraph->DestroyNodes();
        if (m_pRenderer)
            m_pRenderer->Destroy();
        CEngineServices::DestroyInstance();
        CPhysXBody::SetHitHandler(nullptr);
    }
    plat::GLFrame Frame()
    {
        m_pRenderer->BeginFrame();
        m_pGraph->Render(false);
        return plat::ReadFrame();
    }
    template <class T> T* Add(T* object)
    {
        m_Ctrl.AddObject(CRefPtr<IGameObj>(object));
        m_Ctrl.UpdateObjects(0.0f);
        return object;
    }

    plat::GLTestWindow m_Window{kSize, kSize, false};
    COGLRenderer* m_pRenderer = nullptr;
    CRefPtr<CSceneGraph> m_pGraph{new CSceneGraph};
    CRefPtr<CCamera> m_pCamera{new CCamera};
    towntest::TownGameCtrl m_Ctrl;
};

} // namespace

TEST_F(TownGL, BuildingsAreDrawnStandingBlockedAndAsRuins)
{
    CBuildingObj* house = Add(new CBuildingObj(&m_Ctrl, kHouse, 120.0f, 50.0f, 3));
    house->SetPosition(CVector3(500, 0, 500));
    m_Ctrl.UpdateObjects(0.0f);
    CRefPtr<CBuildingRep> rep(static_cast<CBuildingRep*>(house->GetRepresentation().Get()));
    ASSERT_TRUE(rep->GetModel());
    ASSERT_TRUE(rep->GetRuinModel());
    // The scaled ruins fit the house's box.
    const CVector3 size = Size(*rep->GetModel()), ruin = Size(*rep->GetRuinModel()) * rep->GetRuinScale();
    EXPECT_LE(rep->GetRuinScale(), 1.0f);
    for (int axis = 0; axis < 3; ++axis)
        EXPECT_LE(ruin[axis], size[axis] + 1e-4f) << axis;

    SBoundingSphere sphere;
    house->GetBoundingSphere(sphere);
    m_pCamera->SetPosition(sphere.centre + CVector3(0, 0, 2.5f * sphere.radius));

    // A blocked candidate: red, and stippled (a quarter of the pixels).
    ASSERT_EQ(house->GetState(), CBuildingObj::STATE_BLOCKED);
    const plat::GLFrame blocked = Frame();
    house->CheckPlacement();
    ASSERT_TRUE(house->Place());
    const plat::GLFrame standing = Frame();
    const int drawn = Drawn(standing);
    EXPECT_GT(drawn, 500);
    EXPECT_EQ(Red(standing), 0);
    EXPECT_GT(Red(blocked), drawn / 8);
    EXPECT_LT(Drawn(blocked), drawn / 2);

    // Ruins: smaller than the house, never red.
    house->SetHealth(0.0f);
    const plat::GLFrame ruins = Frame();
    EXPECT_GT(Drawn(ruins), 50);
    EXPECT_LT(Drawn(ruins), drawn);
    EXPECT_EQ(Red(ruins), 0);
}

// Ruins shrunk to a small building's box are lit as at full size: their
// faces show the rubble texture's greys and browns, never burnt white.
TEST_F(TownGL, ShrunkenRuinsShowTheirTexture)
{
    for (const char* model : {"Data/models/buildings/statue.scn", "Data/models/buildings/klo.scn"})
    {
        CBuildingObj* building = Add(new CBuildingObj(&m_Ctrl, model, 50.0f, 0.0f, 3));
        building->SetPosition(CVector3(500, 0, 500));
        building->SetHealth(0.0f);
        m_Ctrl.UpdateObjects(0.0f);
        CRefPtr<CBuildingRep> rep(static_cast<CBuildingRep*>(building->GetRepresentation().Get()));
        ASSERT_LT(rep->GetRuinScale(), 0.8f) << model;
        SBoundingSphere sphere;
        building->GetBoundingSphere(sphere);
        m_pCamera->SetPosition(sphere.centre + CVector3(0, 0, 2.5f * sphere.radius));
        const plat::GLFrame ruins = Frame();
        const int white = kSize * kSize - ruins.CountDifferent(0, 0, kSize, kSize, 255, 255, 255, 40);
        EXPECT_GT(Drawn(ruins), 200) << model;
        EXPECT_EQ(white, 0) << model;
        building->Kill();
        m_Ctrl.UpdateObjects(0.0f);
    }
}

TEST_F(TownGL, ArrowSticksIntoTheHouseWall)
{
    CBuildingObj* house = Add(new CBuildingObj(&m_Ctrl, kHouse, 120.0f, 50.0f, 3));
    house->SetPosition(CVector3(500, 0, 500));
    house->CheckPlacement();
    ASSERT_TRUE(house->Place());
    SBoundingSphere sphere;
    house->GetBoundingSphere(sphere);
    CProjectileObj* arrow =
        Add(new CProjectileObj(&m_Ctrl, IGameObj::TYPE_PROJECTILE, 4, "Data/models/pfeil.scn"));
    arrow->SetPosition(CVector3(500, sphere.centre.y * 0.5f, 500 + sphere.radius + 8.0f));
    // Fast enough (whatever the generated arrow weighs) to fly straight.
    arrow->Launch(arrow->GetForward() * 600.0f);
    CPhysXMgr& physics = *CEngineServices::GetInstance()->GetPhysXMgr();
    for (int frame = 0; frame < 120 && !arrow->GetTarget(); ++frame)
    {
        m_Ctrl.UpdateObjects(1.0f / 60.0f);
        physics.Update(1.0f / 60.0f);
    }
    ASSERT_EQ(arrow->GetTarget(), house);
    m_Ctrl.UpdateObjects(1.0f / 60.0f);
    // Along its flight, the wall lies 0.15 before the arrow's centre.
    CVector3 hit;
    float distance = 0.0f;
    const CVector3 outside = arrow->GetPosition() - arrow->GetForward() * 5.0f;
    ASSERT_TRUE(house->RayIntersection(outside, arrow->GetForward(), hit, distance));
    EXPECT_NEAR(distance, 5.0f - 0.15f, 0.02f);
}
