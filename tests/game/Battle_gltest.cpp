// A battle in the generated world with the real models, renderer and
// physics: the archer lands on the town's plateau with the camera in his
// eyes and shoots a real arrow, and the first flock of the shipped first
// level comes at the town's statue.

#include "game/CAiBirdCtrl.h"
#include "game/CBattleState.h"
#include "game/CBirdObj.h"
#include "game/CNewLevelState.h"
#include "game/CPlayerCtrl.h"
#include "game/CPlayerObj.h"
#include "game/CProjectileObj.h"
#include "game/CStatueObj.h"
#include "game/CTerrain.h"
#include "tests/game/BattleTestSupport.h"
#include "tests/game/GLGameSupport.h"
#include "tests/support/RepoFiles.h"

#include <filesystem>

using namespace battletest;

namespace
{

const int kWidth = 256;
const int kHeight = 192;

class BattleGLTest : public glgametest::GLGameTest<CursorInput>
{
protected:
    BattleGLTest() : GLGameTest(kWidth, kHeight) {}
    void SetUp() override
    {
        m_Dir.WriteFile("settings.ini", testsupport::ReadRepoFile("settings.ini"));
        ASSERT_TRUE(CSettings::CreateInstance()->Load("settings.ini"));
        ASSERT_NO_FATAL_FAILURE(StartServices(true, kFrame));
        m_pRenderer->SetClearColor(0x000000FF);
        gamerandom::Seed(3);
        ASSERT_TRUE(m_Ctrl.Create(m_pClock));
        // The level's two frames: the loading screen, then the set-up.
        m_Ctrl.ChangeState(m_Ctrl.GetNewLevelState());
        ASSERT_TRUE(m_Ctrl.GetNewLevelState()->Update());
        ASSERT_TRUE(m_Ctrl.GetNewLevelState()->Update());
        ASSERT_TRUE(m_Ctrl.GetTerrain());
        m_Ctrl.ChangeState(m_Ctrl.GetBattleState());
    }
    CBattleState& Battle() { return *m_Ctrl.GetBattleState(); }
    void Frames(int n)
    {
        for (int i = 0; i < n; ++i)
        {
            m_pClock->Tick();
            ASSERT_TRUE(m_Ctrl.GetCurrentState()->Update());
        }
    }
    // What the player sees (the scene without the GUI).
    plat::GLFrame View()
    {
        m_Ctrl.GetCameraCtrl()->Update();
        m_pRenderer->BeginFrame();
        m_Ctrl.GetScene()->Render(true);
        return plat::ReadFrame();
    }
};

TEST_F(BattleGLTest, TheArcherLandsInTownLooksAroundAndShoots)
{
    CPlayerObj& player = *Battle().GetPlayer();
    const CVector3 start = m_Ctrl.GetStartPos();
    const float ground = m_Ctrl.GetTerrain()->GetHeightAt(start.x, start.z);
    EXPECT_NEAR(player.GetPosition().y, ground + 3.0f, 1e-4f);
    Frames(120);
    EXPECT_FALSE(player.IsAirborne()) << "standing after two seconds";
    // On the start platform (top 1.45 above the ground), the capsule's
    // centre 1.45 above its feet.
    EXPECT_NEAR(player.GetPosition().y, ground + 2.9f, 0.15f);
    EXPECT_FALSE(m_pInput->m_bShown);

    // The first-person view: the camera 0.2 above the player; the world
    // fills the screen (sky above, ground below).
    const plat::GLFrame view = View();
    EXPECT_NEAR((m_Ctrl.GetCamera()->GetPosition() - player.GetPosition() - CVector3(0, 0.2f, 0)).Length(),
                0.0f, 1e-4f);
    EXPECT_GT(view.CountDifferent(0, 0, kWidth, kHeight / 2, 0, 0, 0), kWidth * kHeight / 2 * 9 / 10);
    EXPECT_GT(view.CountDifferent(0, kHeight / 2, kWidth, kHeight, 0, 0, 0), kWidth * kHeight / 2 * 9 / 10);

    // A click: one arrow of the real model leaves one unit ahead of a point
    // 0.21 above the player and flies along the view (level, towards the
    // statue along -x).
    const CVector3 from = player.GetPosition();
    Battle().GetPlayerCtrl()->OnMouseDown(0);
    Frames(1);
    CProjectileObj* arrow = nullptr;
    for (const CRefPtr<IGameObj>& o : m_Ctrl.GetObjects())
        if (auto* a = dynamic_cast<CProjectileObj*>(o.Get()))
            arrow = a;
    ASSERT_NE(arrow, nullptr);
    EXPECT_NEAR((arrow->GetPosition() - (from + CVector3(-1, 0.21f, 0))).Length(), 0.0f, 1e-3f);
    EXPECT_NE(arrow->GetRepresentation()->GetSceneNode(), nullptr) << "drawn";
    Frames(10);
    EXPECT_LT(arrow->GetPosition().x, from.x - 1.0f);
    EXPECT_NEAR(arrow->GetPosition().z, from.z, 1e-3f);
    EXPECT_EQ(arrow->GetTarget(), nullptr);
    EXPECT_EQ(player.GetShots(), 1u);
}

TEST_F(BattleGLTest, TheFirstFlockComesForTheStatue)
{
    CStatueObj* statue = nullptr;
    for (const auto* list : {&m_Ctrl.GetObjects(), &m_Ctrl.GetPendingObjects()})
        for (const CRefPtr<IGameObj>& o : *list)
            if (auto* s = dynamic_cast<CStatueObj*>(o.Get()))
                statue = s;
    ASSERT_NE(statue, nullptr);
    EXPECT_EQ(Battle().GetTotalBirds(), 14u);
    Frames(5 * 60 + 2);
    std::vector<CBirdObj*> birds;
    for (const CRefPtr<IGameObj>& o : m_Ctrl.GetObjects())
        if (auto* b = dynamic_cast<CBirdObj*>(o.Get()))
            birds.push_back(b);
    ASSERT_EQ(birds.size(), 4u);
    SBoundingSphere sphere;
    statue->GetBoundingSphere(sphere);
    std::vector<float> before;
    for (CBirdObj* b : birds)
    {
        auto* ai = dynamic_cast<CAiBirdCtrl*>(b->GetBirdController().Get());
        ASSERT_NE(ai, nullptr);
        EXPECT_EQ(ai->GetTarget(), statue) << "the only building of the town";
        before.push_back((b->GetPosition() - sphere.centre).Length());
    }
    // Three seconds on, every bird is nearer the statue (or already down on a
    // bombing run's end) and the birds are drawn.
    Frames(3 * 60);
    for (size_t i = 0; i < birds.size(); ++i)
        if (!birds[i]->IsDead())
        {
            EXPECT_LT((birds[i]->GetPosition() - sphere.centre).Length(), before[i]) << i;
        }
    EXPECT_NE(birds[0]->GetRepresentation()->GetSceneNode(), nullptr);
}

} // namespace
