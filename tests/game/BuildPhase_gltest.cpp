// The build phase of the real game on the X server the tests run under: the
// generated data, the shipped settings (shorter times), the level set-up of
// a new game, then placements, purchases, refusals, cancelling and the way
// to the battle, driven through the states' own calls frame by frame.

#include "app/CEngineServices.h"
#include "app/CVostrelApp.h"
#include "game/CBattleState.h"
#include "game/CBuildState.h"
#include "game/CBuildingObj.h"
#include "game/CForest.h"
#include "game/CGameCtrl.h"
#include "game/CMainMenuState.h"
#include "game/CNewLevelState.h"
#include "game/CTerrain.h"
#include "game/CTreeObj.h"
#include "platform/win32/W32Events.h"
#include "platform/win32/W32Window.h"
#include "tests/support/GameData.h"
#include "tests/support/RepoFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace
{

// Runs one scripted step per frame (a step that returns false runs again
// next frame), then quits. A script that stalls ends after a frame budget.
class ScriptedGame : public CVostrelApp
{
public:
    bool Frame() override
    {
        if (++m_iFrames > 3000)
        {
            ADD_FAILURE() << "frame budget exceeded at step " << m_Step;
            return false;
        }
        if (m_Step < m_Steps.size() && m_Steps[m_Step](*this))
            ++m_Step;
        if (m_Step >= m_Steps.size())
            return false;
        return CVostrelApp::Frame();
    }
    CGameCtrl& Game() { return GetGameCtrl(); }
    std::vector<std::function<bool(ScriptedGame&)>> m_Steps;
    size_t m_Step = 0;
    int m_iFrames = 0;
};

// The repository's settings with the window title, build time and demands
// of the first level changed.
std::string TestSettings(const std::string& buildTime)
{
    std::string text = testsupport::TempDir::ReadFile(testsupport::RepoRoot() + "/settings.ini");
    auto replace = [&text](const std::string& from, const std::string& to)
    {
        const size_t at = text.find(from);
        if (at != std::string::npos)
            text.replace(at, from.size(), to);
    };
    replace("title = Vostrel", "title = Vostrel Build Phase");
    replace("BuildTime = 120", "BuildTime = " + buildTime);
    return text;
}

class BuildPhaseGL : public testsupport::TempDirTest
{
protected:
    void SetUp() override
    {
        unsetenv("SDL_VIDEODRIVER");
        setenv("VOSTREL_NO_MESSAGEBOX", "1", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        const bool generated = testsupport::CopyGameData(m_Dir.Path() + "/Data");
        ASSERT_TRUE(generated);
        ASSERT_TRUE(plat::InitVideo());
    }
    void TearDown() override { plat::DiscardMessages(); }

    // The steps up to the build state of the first level.
    static void ToBuildState(ScriptedGame& app)
    {
        app.m_Steps.push_back([](ScriptedGame& a)
        {
            a.Game().GetMainMenuState()->OnNewGame(0);
            return true;
        });
        // The loading screen's frame, then the set-up frame.
        app.m_Steps.push_back([](ScriptedGame&) { return true; });
        app.m_Steps.push_back([](ScriptedGame&) { return true; });
        app.m_Steps.push_back([](ScriptedGame& a)
        {
            EXPECT_TRUE(a.Game().GetScene());
            EXPECT_TRUE(a.Game().GetTerrain());
            a.Game().GetNewLevelState()->OnContinue(0);
            EXPECT_EQ(a.Game().GetCurrentState(), a.Game().GetBuildState());
            return true;
        });
    }
};

// Where a building of the build state's kind id can stand: scans the
// terrain outward from the start position for a spot that CheckPlacement
// accepts, and leaves the dragged building there.
bool DragToFreeSpot(CGameCtrl& game, float fromX, float fromZ)
{
    CBuildState* build = game.GetBuildState();
    CBuildingObj* building = static_cast<CBuildingObj*>(build->GetDraggedBuilding().Get());
    const CTerrain& terrain = *game.GetTerrain();
    for (float r = 0.0f; r < 120.0f; r += 4.0f)
        for (float a = 0.0f; a < 6.2831853f; a += 0.3f)
        {
            const float x = fromX + r * std::cos(a), z = fromZ + r * std::sin(a);
            building->SetPosition(CVector3(x, terrain.GetHeightAt(x, z), z));
            building->CheckPlacement();
            if (building->GetState() == CBuildingObj::STATE_STANDING)
                return true;
        }
    return false;
}

// A spot where the terrain under a building's lower corners differs by more
// than 1.0: CheckPlacement refuses it.
bool DragToSlope(CGameCtrl& game)
{
    CBuildState* build = game.GetBuildState();
    CBuildingObj* building = static_cast<CBuildingObj*>(build->GetDraggedBuilding().Get());
    const CTerrain& terrain = *game.GetTerrain();
    const CVector3& start = game.GetStartPos();
    const float size = terrain.GetInfo().GetSizeX();
    // Away from the town nothing but the ground is there to overlap: a
    // refusal is the slope's.
    for (float x = 20.0f; x < size - 20.0f; x += 5.0f)
        for (float z = 20.0f; z < terrain.GetInfo().GetSizeZ() - 20.0f; z += 5.0f)
        {
            if ((CVector3(x, 0.0f, z) - CVector3(start.x, 0.0f, start.z)).Length() < 200.0f)
                continue;
            building->SetPosition(CVector3(x, terrain.GetHeightAt(x, z), z));
            building->CheckPlacement();
            if (building->GetState() == CBuildingObj::STATE_BLOCKED)
                return true;
        }
    return false;
}

// Drags the building onto a tree that stands on ground flat enough to build
// on; the number of trees its sphere overlaps goes to overlapped.
bool DragOntoTree(CGameCtrl& game, size_t& overlapped)
{
    CBuildingObj* building =
        static_cast<CBuildingObj*>(game.GetBuildState()->GetDraggedBuilding().Get());
    const CForest& forest = *game.GetTerrain()->GetForest();
    for (size_t i = 0; i < forest.GetTrees().size(); i += 3)
    {
        const CVector3 p = forest.GetTrees()[i]->GetPosition();
        building->SetPosition(p);
        building->CheckPlacement();
        if (building->GetState() != CBuildingObj::STATE_STANDING)
            continue;
        SBoundingSphere sphere;
        building->GetBoundingSphere(sphere);
        overlapped = 0;
        for (const CRefPtr<CTreeObj>& tree : forest.GetTrees())
        {
            SBoundingSphere t;
            tree->GetBoundingSphere(t);
            overlapped += (t.centre - sphere.centre).Length() < t.radius + sphere.radius;
        }
        return true;
    }
    return false;
}

size_t CountType(CGameCtrl& game, uint32_t type)
{
    size_t n = 0;
    for (const CRefPtr<IGameObj>& obj : game.GetObjects())
        n += obj->GetType() == type && !obj->IsDead();
    return n;
}

TEST_F(BuildPhaseGL, PlacementsPurchasesRefusalsAndTheWayToTheBattle)
{
    m_Dir.WriteFile("settings.ini", TestSettings("120"));
    ScriptedGame app;
    ToBuildState(app);
    struct SShared
    {
        float gold = 0.0f;
        CVector3 firstPlace;
        size_t buildings = 0;
    };
    static SShared shared;
    shared = SShared();

    // The necessary phase: two free citizens, countdown held.
    app.m_Steps.push_back([](ScriptedGame& a)
    {
        CBuildState* build = a.Game().GetBuildState();
        EXPECT_FLOAT_EQ(build->GetGold(), 1000.0f);
        EXPECT_EQ(build->GetNecessaryCount(), 2u);
        EXPECT_TRUE(build->GetNecessaryBar()->IsVisible());
        EXPECT_FALSE(build->GetBuildingBar()->IsVisible());
        EXPECT_EQ(build->GetNecessaryText()->GetText(), "necessary: 02");
        shared.buildings = CountType(a.Game(), IGameObj::TYPE_BUILDING); // the statue
        for (int i = 0; i < 2; ++i)
        {
            build->OnBuildButton(CBuildState::ID_CITIZEN1);
            const CVector3& s = a.Game().GetStartPos();
            EXPECT_TRUE(DragToFreeSpot(a.Game(), s.x + 20.0f, s.z + 10.0f * i));
            if (i == 0)
                shared.firstPlace = build->GetDraggedBuilding()->GetPosition();
            build->OnMouseButton(0);
            EXPECT_FALSE(build->GetDraggedBuilding());
        }
        EXPECT_EQ(build->GetNecessaryCount(), 0u);
        EXPECT_FLOAT_EQ(build->GetGold(), 1000.0f) << "demanded placements are free";
        EXPECT_FALSE(build->GetNecessaryBar()->IsVisible());
        EXPECT_TRUE(build->GetBuildingBar()->IsVisible());
        return true;
    });
    // Purchases: the price goes from the gold and the buttons follow it.
    app.m_Steps.push_back([](ScriptedGame& a)
    {
        CBuildState* build = a.Game().GetBuildState();
        EXPECT_EQ(CountType(a.Game(), IGameObj::TYPE_BUILDING), shared.buildings + 2);
        const CVector3& s = a.Game().GetStartPos();
        for (uint32_t id : {CBuildState::ID_CITIZEN1, CBuildState::ID_CHURCH, CBuildState::ID_CHURCH})
        {
            build->OnBuildButton(id);
            EXPECT_TRUE(DragToFreeSpot(a.Game(), s.x - 10.0f, s.z + 25.0f));
            build->OnMouseButton(0);
        }
        EXPECT_FLOAT_EQ(build->GetGold(), 100.0f); // 1000 - 100 - 400 - 400
        EXPECT_EQ(build->GetGoldText()->GetText(), "Gold: 100");
        for (const CRefPtr<CGuiButton>& button : build->GetBuildingButtons())
            EXPECT_EQ(button->IsEnabled() != 0, build->GetCosts().at(button->GetId()) <= 100.0f)
                << "button " << button->GetId();
        // The last 100 buy a house on a tree: the trees under it go.
        build->OnBuildButton(CBuildState::ID_CITIZEN1);
        size_t overlapped = 0;
        const size_t trees = a.Game().GetTerrain()->GetForest()->GetTrees().size();
        EXPECT_TRUE(DragOntoTree(a.Game(), overlapped));
        EXPECT_GT(overlapped, 0u);
        build->OnMouseButton(0);
        EXPECT_FALSE(build->GetDraggedBuilding());
        EXPECT_EQ(a.Game().GetTerrain()->GetForest()->GetTrees().size(), trees - overlapped);
        EXPECT_FLOAT_EQ(build->GetGold(), 0.0f);
        for (const CRefPtr<CGuiButton>& button : build->GetBuildingButtons())
            EXPECT_FALSE(button->IsEnabled());
        // A slope refuses: still dragged, nothing charged.
        build->OnBuildButton(CBuildState::ID_CITIZEN1);
        EXPECT_TRUE(DragToSlope(a.Game()));
        build->OnMouseButton(0);
        EXPECT_TRUE(build->GetDraggedBuilding());
        // So does a place taken by a standing building.
        CRefPtr<IGameObj> house = build->GetDraggedBuilding();
        house->SetPosition(shared.firstPlace);
        static_cast<CBuildingObj*>(house.Get())->CheckPlacement();
        EXPECT_EQ(static_cast<CBuildingObj*>(house.Get())->GetState(), CBuildingObj::STATE_BLOCKED);
        build->OnMouseButton(0);
        EXPECT_EQ(build->GetDraggedBuilding().Get(), house.Get());
        EXPECT_FLOAT_EQ(build->GetGold(), 0.0f);
        // Any other button cancels for free.
        build->OnMouseButton(1);
        EXPECT_FALSE(build->GetDraggedBuilding());
        EXPECT_TRUE(house->IsDead());
        EXPECT_FLOAT_EQ(build->GetGold(), 0.0f);
        build->OnSkip(0);
        return true;
    });
    // Skip ends the countdown at the next frame: the time-up panel.
    app.m_Steps.push_back([](ScriptedGame& a)
    {
        CBuildState* build = a.Game().GetBuildState();
        if (!build->GetTimeUpPanel()->IsVisible())
            return false;
        EXPECT_EQ(build->GetTimeText()->GetText(), "Time left: 00:00");
        build->OnToBattle(0);
        EXPECT_EQ(a.Game().GetCurrentState(), a.Game().GetBattleState());
        return true;
    });
    EXPECT_EQ(app.Run(plat::GetModuleHandleA(nullptr)), 0);
}

TEST_F(BuildPhaseGL, TimeRunningOutDropsTheDraggedBuilding)
{
    m_Dir.WriteFile("settings.ini", TestSettings("1"));
    ScriptedGame app;
    ToBuildState(app);
    static CRefPtr<IGameObj> dragged;
    app.m_Steps.push_back([](ScriptedGame& a)
    {
        CBuildState* build = a.Game().GetBuildState();
        // The demanded placements first (the countdown waits for them).
        for (int i = 0; i < 2; ++i)
        {
            build->OnBuildButton(CBuildState::ID_CITIZEN1);
            const CVector3& s = a.Game().GetStartPos();
            EXPECT_TRUE(DragToFreeSpot(a.Game(), s.x + 20.0f, s.z + 10.0f * i));
            build->OnMouseButton(0);
        }
        build->OnBuildButton(CBuildState::ID_TOWER);
        dragged = build->GetDraggedBuilding();
        EXPECT_TRUE(dragged);
        return true;
    });
    app.m_Steps.push_back([](ScriptedGame& a)
    {
        CBuildState* build = a.Game().GetBuildState();
        if (!build->GetTimeUpPanel()->IsVisible())
            return false;
        EXPECT_FALSE(build->GetDraggedBuilding());
        EXPECT_TRUE(dragged->IsDead());
        dragged.Release();
        return true;
    });
    EXPECT_EQ(app.Run(plat::GetModuleHandleA(nullptr)), 0);
}

} // namespace
