// The level set-up over the generated data tree and the shipped settings,
// with a real renderer, model factory and physics scene: the world of the
// first level, what later levels reuse, and what ResetGame frees.

#include "app/CPhysXBody.h"
#include "game/CBuildState.h"
#include "game/CEnvironment.h"
#include "game/CForest.h"
#include "game/CNewLevelState.h"
#include "game/CPostGameState.h"
#include "game/CStartObj.h"
#include "game/CStatueObj.h"
#include "game/CTerrain.h"
#include "game/CTreeObj.h"
#include "game/GameRandom.h"
#include "render/CAlphaTestRenderHook.h"
#include "render/CBlendRenderHook.h"
#include "render/COGLModelFactory.h"
#include "render/ISceneEntry.h"
#include "tests/game/GLGameSupport.h"
#include "tests/support/RepoFiles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

using namespace gametest;

namespace
{

class LevelSetUpGLTest : public glgametest::GLGameTest<>
{
protected:
    LevelSetUpGLTest() : GLGameTest(64, 64) {}
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(StartServices(true));
        gamerandom::Seed(1);
    }

    // The shipped settings, with each (old, new) line replaced; then the
    // controller's Create.
    bool CreateGame(const std::vector<std::pair<std::string, std::string>>& changes = {})
    {
        std::string text = testsupport::ReadRepoFile("settings.ini");
        for (const auto& change : changes)
        {
            const size_t at = text.find(change.first);
            EXPECT_NE(at, std::string::npos) << change.first;
            if (at != std::string::npos)
                text.replace(at, change.first.size(), change.second);
        }
        m_Dir.WriteFile("settings.ini", text);
        CSettings::DestroyInstance();
        EXPECT_TRUE(CSettings::CreateInstance()->Load("settings.ini"));
        return m_Ctrl.Create(m_pClock);
    }
    // Both frames of a new level; the set-up's lines of "Error.log" in
    // m_strLog, what it said on standard error in m_strSaid.
    bool NewLevel()
    {
        CNewLevelState* level = m_Ctrl.GetNewLevelState();
        m_Ctrl.ChangeState(level);
        EXPECT_TRUE(level->Update());
        std::remove("Error.log");
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const bool ok = level->Update();
        m_strSaid = testing::internal::GetCapturedStderr();
        testing::internal::GetCapturedStdout();
        m_strLog = testsupport::TempDir::ReadFile("Error.log");
        return ok;
    }
    template <class T> std::vector<T*> Pending() const
    {
        std::vector<T*> found;
        for (const CRefPtr<IGameObj>& object : m_Ctrl.GetPendingObjects())
            if (T* t = dynamic_cast<T*>(object.Get()))
                found.push_back(t);
        return found;
    }
    COGLModelFactory& Factory()
    {
        return static_cast<COGLModelFactory&>(*CEngineServices::GetInstance()->GetModelFactory());
    }
    static bool Overlaps(const CVector3& centre, float half, uint32_t mask)
    {
        const float box[6] = {centre.x - half, centre.y - half, centre.z - half,
                              centre.x + half, centre.y + half, centre.z + half};
        return CEngineServices::GetInstance()->GetPhysXMgr()->CheckOverlapBox(box, mask);
    }

    std::string m_strLog;
    std::string m_strSaid;
};

TEST_F(LevelSetUpGLTest, FirstLevelBuildsTheWorldLaterLevelsOnlyTheSkyAndResetFreesIt)
{
    ASSERT_TRUE(CreateGame());
    CNewLevelState* level = m_Ctrl.GetNewLevelState();
    m_Ctrl.ChangeState(level);
    // The first frame only shows the loading screen.
    EXPECT_TRUE(level->Update());
    EXPECT_FALSE(m_Ctrl.GetScene());
    EXPECT_FALSE(level->GetContinueButton()->IsEnabled());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    ASSERT_TRUE(level->Update());
    const std::string log = testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
    EXPECT_EQ(level->GetContinueButton()->GetLabel()->GetText(), "Continue");
    EXPECT_TRUE(level->GetContinueButton()->IsEnabled());

    // Scene graph with the blend hook tree, then the forest's alpha-tested one.
    CRefPtr<CSceneGraph> scene = m_Ctrl.GetScene();
    ASSERT_TRUE(scene);
    ASSERT_NE(scene->GetRoot(), nullptr);
    EXPECT_EQ(scene->GetCamera().Get(), m_Ctrl.GetCamera().Get());
    ASSERT_EQ(scene->GetHookNodeCount(), 2u);
    EXPECT_TRUE(dynamic_cast<CBlendRenderHook*>(scene->GetHookNode(0)->GetHook().Get()));
    EXPECT_TRUE(dynamic_cast<CAlphaTestRenderHook*>(scene->GetHookNode(1)->GetHook().Get()));

    // Terrain: 8 x 8 filed segments, its height record, a body with walls.
    CRefPtr<CTerrain> terrain = m_Ctrl.GetTerrain();
    ASSERT_TRUE(terrain);
    auto* rep = dynamic_cast<CTerrainRep*>(terrain->GetRepresentation().Get());
    ASSERT_NE(rep, nullptr);
    ASSERT_EQ(rep->GetPartCount(), 64u);
    for (uint32_t i = 0; i < rep->GetPartCount(); ++i)
        ASSERT_NE(rep->GetPart(i)->GetSceneNode(), nullptr) << i;
    EXPECT_EQ(terrain->GetInfo().GetSizeX(), 1000.0f);
    const CVector3 start = m_Ctrl.GetStartPos();
    EXPECT_FLOAT_EQ(terrain->GetHeightAt(start.x, start.z), start.y);
    EXPECT_FLOAT_EQ(terrain->GetHeightAt(start.x - 20.0f, start.z), start.y);
    SBoundingSphere sphere;
    terrain->GetBoundingSphere(sphere);
    for (const CVector3& corner : {CVector3(0, 0, 0), CVector3(1000, 25, 1000), CVector3(0, 8, 1000)})
    {
        const CVector3 d = corner - sphere.centre;
        EXPECT_LE(std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z), sphere.radius + 0.01f);
    }
    ASSERT_NE(terrain->GetActor(), nullptr);
    EXPECT_EQ(terrain->GetActor()->owner, terrain.Get());
    for (const CVector3& wall :
         {CVector3(-5, 490, 500), CVector3(1005, 490, 500), CVector3(500, 900, -5), CVector3(500, 10, 1005)})
        EXPECT_TRUE(Overlaps(wall, 1.0f, 1u)) << wall.x << "," << wall.z;
    EXPECT_FALSE(Overlaps(CVector3(500, 490, 500), 1.0f, 1u));
    CVector3 hit;
    float distance = 0.0f;
    ASSERT_TRUE(terrain->RayIntersection(CVector3(start.x, 100, start.z), CVector3(0, -1, 0), hit, distance));
    EXPECT_NEAR(hit.y, start.y, 1e-3f);
    EXPECT_NEAR(distance, 100.0f - start.y, 1e-3f);
    EXPECT_FALSE(terrain->RayIntersection(CVector3(start.x, 100, start.z), CVector3(0, 1, 0), hit, distance));

    // The start platform at the start position, solid but not pickable.
    std::vector<CStartObj*> platforms = Pending<CStartObj>();
    ASSERT_EQ(platforms.size(), 1u);
    EXPECT_EQ(platforms[0]->GetPosition().x, start.x);
    ASSERT_NE(platforms[0]->GetActor(), nullptr);
    EXPECT_FALSE(platforms[0]->GetRepresentation()->IsPickable());
    EXPECT_NE(platforms[0]->GetRepresentation()->GetSceneNode(), nullptr);
    // The statue stands 20 along -x, placed (state 0) with its body.
    std::vector<CStatueObj*> statues = Pending<CStatueObj>();
    ASSERT_EQ(statues.size(), 1u);
    EXPECT_EQ(statues[0]->GetState(), CBuildingObj::STATE_STANDING);
    EXPECT_NE(statues[0]->GetActor(), nullptr);
    EXPECT_FLOAT_EQ(statues[0]->GetPosition().x, start.x - 20.0f);
    EXPECT_EQ(m_Ctrl.GetPendingObjects().size(), 2u);

    // The forest: trees in the alpha-tested tree, none near the town.
    CRefPtr<CForest> forest = terrain->GetForest();
    ASSERT_TRUE(forest);
    const size_t trees = forest->GetTrees().size();
    EXPECT_GT(trees, 50u);
    EXPECT_EQ(forest->GetNode(), scene->GetHookNode(1));
    for (const CRefPtr<CTreeObj>& tree : forest->GetTrees())
    {
        const CVector3& p = tree->GetPosition();
        ASSERT_GT(std::hypot(p.x - start.x, p.z - start.z), 120.0f);
        ASSERT_TRUE(tree->GetRepresentation());
        ASSERT_NE(tree->GetRepresentation()->GetSceneNode(), nullptr);
        ASSERT_FALSE(tree->GetRepresentation()->IsPickable());
    }

    // The sky and the sun.
    CRefPtr<CEnvironment> sky = m_Ctrl.GetEnvironment();
    ASSERT_TRUE(sky);
    EXPECT_EQ(scene->GetSky().Get(), sky->GetRepresentation().Get());
    EXPECT_FLOAT_EQ(scene->GetLightDirection().x, 0.4f);
    EXPECT_FLOAT_EQ(scene->GetLightDirection().z, 0.3f);
    EXPECT_FLOAT_EQ(m_pRenderer->GetLightColours(0)[2], 0.4f);
    EXPECT_FLOAT_EQ(sky->GetSunDiffuse()[1], 0.95f);
    EXPECT_EQ(sky->GetSunDiffuse()[3], 1.0f);
    EXPECT_EQ(Factory().GetEnvironmentKind(), COGLModelFactory::ENV_SPHERE);

    // Every preload is cached: asking again loads nothing.
    const size_t models = Factory().GetModelCount();
    EXPECT_GE(models, 16u);
    for (const char* name : CNewLevelState::kPreloadModels)
        EXPECT_TRUE(Factory().getModel(name)) << name;
    EXPECT_EQ(Factory().GetModelCount(), models);

    // Waiting for "Continue" builds nothing more.
    EXPECT_TRUE(level->Update());
    EXPECT_EQ(m_Ctrl.GetEnvironment().Get(), sky.Get());
    level->OnContinue(0);
    EXPECT_EQ(m_Ctrl.GetCurrentState(), m_Ctrl.GetBuildState());

    // Level 2 reuses the world and makes a new sky; level 3 has a cube map.
    const size_t objects = m_Ctrl.GetPendingObjects().size() + m_Ctrl.GetObjects().size();
    ASSERT_TRUE(NewLevel()) << m_strLog;
    EXPECT_EQ(m_Ctrl.GetLevelSection(), "Level2");
    EXPECT_EQ(m_Ctrl.GetScene().Get(), scene.Get());
    EXPECT_EQ(m_Ctrl.GetTerrain().Get(), terrain.Get());
    EXPECT_EQ(terrain->GetForest().Get(), forest.Get());
    EXPECT_EQ(forest->GetTrees().size(), trees);
    EXPECT_EQ(m_Ctrl.GetPendingObjects().size() + m_Ctrl.GetObjects().size(), objects);
    EXPECT_EQ(scene->GetHookNodeCount(), 2u);
    ASSERT_TRUE(m_Ctrl.GetEnvironment());
    EXPECT_NE(m_Ctrl.GetEnvironment().Get(), sky.Get());
    EXPECT_EQ(scene->GetSky().Get(), m_Ctrl.GetEnvironment()->GetRepresentation().Get());
    ASSERT_TRUE(NewLevel()) << m_strLog;
    EXPECT_EQ(Factory().GetEnvironmentKind(), COGLModelFactory::ENV_CUBE);

    // ResetGame frees the world: the forest dies with the terrain.
    m_Ctrl.ResetGame();
    EXPECT_FALSE(m_Ctrl.GetScene());
    EXPECT_FALSE(m_Ctrl.GetTerrain());
    EXPECT_FALSE(m_Ctrl.GetEnvironment());
    EXPECT_TRUE(forest->IsDead());
    EXPECT_TRUE(forest->GetTrees().empty());
    EXPECT_FALSE(scene->GetSky());
    EXPECT_TRUE(m_Ctrl.GetPendingObjects().empty());
    forest.Release();
    terrain.Release();
    scene.Release();

    // ... and the next new level builds it again, from level 1.
    ASSERT_TRUE(NewLevel()) << m_strLog;
    EXPECT_EQ(m_Ctrl.GetLevelSection(), "Level1");
    ASSERT_TRUE(m_Ctrl.GetScene());
    ASSERT_TRUE(m_Ctrl.GetTerrain());
    ASSERT_TRUE(m_Ctrl.GetTerrain()->GetForest());
    EXPECT_EQ(m_Ctrl.GetTerrain()->GetForest()->GetTrees().size(), trees);
    EXPECT_EQ(Pending<CStartObj>().size(), 1u);
}

TEST_F(LevelSetUpGLTest, AFailingStepEndsTheLevelLoad)
{
    // A level whose section has no sky: the set-up fails. (A level without
    // any section stops the game at start-up.)
    ASSERT_TRUE(
        CreateGame({{"NumLevels = 3", "NumLevels = 4"}, {"[Level3]", "[Level4]\nBuildTime = 5\n[Level3]"}}));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(NewLevel()) << m_strLog;
    EXPECT_FALSE(m_Ctrl.HasFailed());
    EXPECT_FALSE(NewLevel());
    const std::string said = "Error: settings.ini has no \"EnvironmentType\" in [Level4]: \"Sphere\" or "
                             "\"Cube\"; the game ends\n";
    EXPECT_EQ(m_strSaid, said);
    EXPECT_EQ(m_strLog,
              "Error: Couldn't get \"EnvironmentType\"-Value from \"Level4\" in CEnvironment::Create\n"
              "Error: pEnvironment->Create failed in CNewLevelState::Update\n" +
                  said);
    EXPECT_FALSE(m_Ctrl.GetNewLevelState()->GetContinueButton()->IsEnabled());
    // The program ends on it as a failure.
    EXPECT_TRUE(m_Ctrl.HasFailed());
    EXPECT_FALSE(m_Ctrl.Update());
}

// A model the game cannot load is said once, as a failed setting is; but a
// tree model that fails only leaves its trees out. One row per file cut to
// its first half: the start of the line said, and whether the level is set up.
TEST_F(LevelSetUpGLTest, AModelThatCannotBeLoadedIsSaidOnce)
{
    const std::string needed = ": a model the game needs cannot be loaded (File is corrupted (";
    const struct
    {
        const char* cut;
        std::string said;
        bool setUp;
    } kRows[] = {
        // A damaged sky model passes the start-up's look at its first bytes.
        {"Data/environment/envSphere.scn",
         "Error: settings.ini line 70: [Level1] EnvironmentModel = Data/environment/envSphere.scn: the sky "
         "model cannot be loaded (File is corrupted (",
         false},
        {"Data/models/bird.scn", "Error: Data/models/bird.scn" + needed, false},
        {"Data/models/buildings/haus1.scn", "Error: Data/models/buildings/haus1.scn" + needed, false},
        {"Data/models/tree1.scn",
         "Error: settings.ini line 39: [GAME] TreeModel1 = Data/models/tree1.scn: the tree model cannot be "
         "loaded; its trees are not drawn\n",
         true},
    };
    for (const auto& row : kRows)
    {
        SCOPED_TRACE(row.cut);
        // Fresh services and data: the model factory remembers every model it loaded.
        m_Ctrl.Destroy();
        CEngineServices::DestroyInstance();
        ASSERT_NO_FATAL_FAILURE(StartServices(true));
        const std::string bytes = testsupport::TempDir::ReadFile(row.cut);
        m_Dir.WriteFile(row.cut, bytes.substr(0, bytes.size() / 2));
        ASSERT_TRUE(CreateGame());
        EXPECT_EQ(NewLevel(), row.setUp);
        EXPECT_EQ(m_strSaid.rfind(row.said, 0), 0u) << m_strSaid;
        EXPECT_EQ(std::count(m_strSaid.begin(), m_strSaid.end(), '\n'), 1) << m_strSaid;
        EXPECT_NE(m_strLog.find(m_strSaid), std::string::npos) << m_strLog;
        // Said once per file, not once per object that would show it.
        EXPECT_LT(std::count(m_strLog.begin(), m_strLog.end(), '\n'), 16) << m_strLog;
        EXPECT_EQ(m_strSaid.find("; the game ends\n") == std::string::npos, row.setUp) << m_strSaid;
    }
}

// The terrain spans 0 to "XSize" and "ZSize": a start off it stops the game
// at start-up, before any level, naming the setting.
TEST_F(LevelSetUpGLTest, AStartPositionOffTheTerrainStopsTheStart)
{
    for (const char* start : {"450.0;8.0;1000.5", "-0.5;8.0;400.0"})
    {
        SCOPED_TRACE(start);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(CreateGame({{"StartPos = 450.0;8.0;400.0", std::string("StartPos = ") + start}}));
        const std::string err = testing::internal::GetCapturedStderr();
        const std::string log = testsupport::TempDir::ReadFile("Error.log");
        EXPECT_EQ(err.find("in CGameCtrl::Create"), std::string::npos) << err;
        EXPECT_NE(err.find("the game does not start"), std::string::npos) << err;
        float x = 0, y = 0, z = 0;
        ASSERT_EQ(std::sscanf(start, "%f;%f;%f", &x, &y, &z), 3);
        char expected[256];
        std::snprintf(
            expected, sizeof expected,
            "Error: \"StartPos\"-Value (%.1f;%.1f;%.1f) from \"GAME\" lies outside the terrain (x and z "
            "from 0 to 1000.0 and 1000.0) in CGameCtrl::Create\n",
            x, y, z);
        EXPECT_NE(log.find(expected), std::string::npos) << log;
        EXPECT_EQ(m_Ctrl.GetNewLevelState(), nullptr);
        m_Ctrl.Destroy();
    }
}

// Under the loading screen and the end screen, which hide it whole, the
// world is not drawn; the build phase draws it.
TEST_F(LevelSetUpGLTest, TheWorldIsNotDrawnUnderAFullScreenPicture)
{
    ASSERT_TRUE(CreateGame());
    ASSERT_TRUE(NewLevel()) << m_strLog;
    CGuiMgr& gui = *CEngineServices::GetInstance()->GetGuiMgr();
    EXPECT_TRUE(gui.IsScreenCovered());
    // The picture hides the world: the screen is the same without it.
    m_pRenderer->BeginFrame();
    gui.Render();
    const plat::GLFrame alone = plat::ReadFrame();
    m_pRenderer->BeginFrame();
    m_Ctrl.GetScene()->Render(true);
    gui.Render();
    const plat::GLFrame over = plat::ReadFrame();
    ASSERT_FALSE(alone.bgra.empty());
    EXPECT_TRUE(alone.bgra == over.bgra);

    SRenderCounters& counters = GetRenderCounters();
    ASSERT_TRUE(m_Ctrl.Update());
    EXPECT_EQ(counters.tested, 0u);
    EXPECT_EQ(counters.drawn, 0u);

    m_Ctrl.GetNewLevelState()->OnContinue(0);
    EXPECT_FALSE(gui.IsScreenCovered());
    ASSERT_TRUE(m_Ctrl.Update());
    EXPECT_GT(counters.drawn, 0u);

    m_Ctrl.GetPostGameState()->SetWon(true);
    m_Ctrl.ChangeState(m_Ctrl.GetPostGameState());
    EXPECT_TRUE(gui.IsScreenCovered());
    ASSERT_TRUE(m_Ctrl.Update());
    EXPECT_EQ(counters.drawn, 0u);
}

TEST_F(LevelSetUpGLTest, SunValuesMustBeThreeNumbers)
{
    ASSERT_TRUE(CreateGame({{"SunDir = 0.4;1.0;0.3", "SunDir = 1;2"}}));
    EXPECT_FALSE(NewLevel());
    EXPECT_NE(
        m_strLog.find("Error: Couldn't parse \"SunDir\"-Value from \"GAME\"in CEnvironment::Create: 1;2\n"
                      "Error: pEnvironment->Create failed in CNewLevelState::Update\n"),
        std::string::npos)
        << m_strLog;
    EXPECT_EQ(m_strSaid, "Error: settings.ini line 44: [GAME] SunDir = 1;2: three numbers separated by ';' "
                         "(x;y;z), each within +-1000000, not 0;0;0; the game ends\n");
    m_Ctrl.Destroy();
    ASSERT_TRUE(CreateGame({{"SunAmbientColor = 0.35;0.35;0.4", "#"}}));
    EXPECT_FALSE(NewLevel());
    EXPECT_NE(m_strLog.find(
                  "Error: Couldn't get \"SunAmbientColor\"-Value from \"GAME\" in CEnvironment::Create\n"),
              std::string::npos)
        << m_strLog;
}

// A light may be brighter than 1 in a channel; one that is not finite is
// refused.
TEST_F(LevelSetUpGLTest, SunColoursTakeAnyFiniteNumbers)
{
    ASSERT_TRUE(CreateGame({{"SunDiffuseColor = 1.0;0.95;0.85", "SunDiffuseColor = 1.2;1.1;1.0"}}));
    ASSERT_TRUE(NewLevel()) << m_strLog;
    const float* diffuse = m_Ctrl.GetEnvironment()->GetSunDiffuse();
    EXPECT_EQ(std::vector<float>(diffuse, diffuse + 4), (std::vector<float>{1.2f, 1.1f, 1.0f, 1.0f}));
    m_Ctrl.Destroy();
    ASSERT_TRUE(CreateGame({{"SunDiffuseColor = 1.0;0.95;0.85", "SunDiffuseColor = 1;nan;1"}}));
    EXPECT_FALSE(NewLevel());
    EXPECT_NE(m_strLog.find("Error: Couldn't parse \"SunDiffuseColor\"-Value from \"GAME\"in "
                            "CEnvironment::Create: 1;nan;1\n"),
              std::string::npos)
        << m_strLog;
}

TEST_F(LevelSetUpGLTest, MissingTerrainOrForestDataEndsTheLevelLoad)
{
    ASSERT_TRUE(
        CreateGame({{"Heightmap = Data/terrain/heightmap.tga", "Heightmap = Data/terrain/none.tga"}}));
    EXPECT_FALSE(NewLevel());
    EXPECT_NE(m_strLog.find("Error: m_pTerrainRep->Create failed in CTerrain::Create\n"
                            "Error: pTerrain->Create failed in CNewLevelState::Update\n"),
              std::string::npos)
        << m_strLog;
    m_Ctrl.Destroy();
    ASSERT_TRUE(CreateGame({{"Treemap = Data/terrain/treemap.tga", "Treemap = Data/terrain/none.tga"}}));
    EXPECT_FALSE(NewLevel());
    EXPECT_NE(m_strLog.find("Could not Load PlantMap Data/terrain/none.tga in CForest::Create()!\n"
                            "Could not create Forest in CTerrain::CreateForest()!\n"
                            "Error: pTerrain->PlantTrees failed in CNewLevelState::Update\n"
                            "Error: the forest of [GAME] cannot be planted (Error.log says why); the "
                            "game ends\n"),
              std::string::npos)
        << m_strLog;
}

TEST_F(LevelSetUpGLTest, ABlockedStatueSpotIsLoggedAndTheStatuePlacedAnyway)
{
    ASSERT_TRUE(CreateGame());
    // Something solid stands where the statue goes.
    CPhysXMgr& physics = *CEngineServices::GetInstance()->GetPhysXMgr();
    CMatrix4 pose;
    pose.SetTranslation(CVector3(430, 10, 400));
    physics.BeginActor(pose, 3, false, 1.0f);
    physics.AddBoxShape(CMatrix4(), CVector3(4, 4, 4));
    CPhysXActor* block = physics.FinishActorCreation();
    ASSERT_NE(block, nullptr);
    ASSERT_TRUE(NewLevel()) << m_strLog;
    EXPECT_NE(
        m_strLog.find("Error: the statue's spot (430.0, 8.0, 400.0) is blocked in CNewLevelState::Update, "
                      "placed anyway\n"),
        std::string::npos)
        << m_strLog;
    std::vector<CStatueObj*> statues = Pending<CStatueObj>();
    ASSERT_EQ(statues.size(), 1u);
    EXPECT_EQ(statues[0]->GetState(), CBuildingObj::STATE_STANDING);
    EXPECT_NE(statues[0]->GetActor(), nullptr);
    physics.ReleaseActor(block);
}

} // namespace
