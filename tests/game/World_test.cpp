// The level's static world without a display: plant maps and tree
// placement, tree removal, the terrain's ray test and bounds, the sky's
// settings checks and the start platform's fallback box.

#include "app/CEngineServices.h"
#include "app/CPhysXMgr.h"
#include "game/CEnvironment.h"
#include "game/CForest.h"
#include "game/CStartObj.h"
#include "game/CTerrain.h"
#include "game/CTreeObj.h"
#include "game/GameRandom.h"
#include "tests/game/GameTestSupport.h"
#include "tests/game/WorldSupport.h"
#include "tools/datagen/CTgaWriter.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>

using namespace gametest;
using namespace worldtest;

namespace
{

const char* const kForestSettings = "[GAME]\nStartPos=50;0;50\nTreemap=map.tga\nNmbTrees=3\n"
                                    "TreeModel1=a.scn\nTreeModel2=b.scn\nTreeModel3=c.scn\n";

class WorldTest : public GameCtrlTest
{
protected:
    // A flat terrain of 100 x 100 units (no model, no body).
    CRefPtr<CTerrain> FlatTerrain()
    {
        CRefPtr<CTerrain> terrain(new CTerrain(nullptr));
        const uint8_t samples[9] = {};
        EXPECT_TRUE(
            terrain->GetInfo().Create(3, 3, samples, 1, 50.0f, 50.0f, 0.1f, CRefPtr<CPhysXTriangleMesh>()));
        return terrain;
    }
    // Writes the plant map (pixels as blue, green, red per pixel, rows in
    // order) and plants a forest on a flat terrain; the log in m_strErrors.
    CRefPtr<CTerrain> Plant(uint16_t width, uint16_t height, const std::vector<uint8_t>& pixels,
                            const std::string& settings = kForestSettings)
    {
        STgaImage image;
        image.width = width;
        image.height = height;
        image.bytesPerPixel = 3;
        image.pixels = pixels;
        const std::vector<uint8_t> bytes = CTgaWriter::Encode(image, false);
        m_Dir.WriteFile("map.tga", std::string(bytes.begin(), bytes.end()));
        LoadSettings(settings);
        CRefPtr<CTerrain> terrain = FlatTerrain();
        gamerandom::Seed(7);
        testing::internal::CaptureStderr();
        m_bForest = terrain->CreateForest("GAME");
        m_strErrors = testing::internal::GetCapturedStderr();
        return terrain;
    }
    // The trees [first, first + count) stand inside the cell x0..x0+w by
    // z0..z0+d on the ground, scaled 0.6 to 1.4 and turned about y only.
    static void ExpectInCell(const CForest& forest, size_t first, size_t count, float x0, float z0, float w,
                             float d)
    {
        ASSERT_LE(first + count, forest.GetTrees().size());
        for (size_t i = first; i < first + count; ++i)
        {
            const CTreeObj& tree = *forest.GetTrees()[i];
            const CVector3& p = tree.GetPosition();
            EXPECT_TRUE(p.x >= x0 && p.x <= x0 + w && p.z >= z0 && p.z <= z0 + d)
                << "tree " << i << " at " << p.x << "," << p.z;
            EXPECT_EQ(p.y, 0.0f);
            const float s = tree.GetTransform().GetScale().x;
            EXPECT_TRUE(s >= 0.6f && s <= 1.4f) << s;
            EXPECT_EQ(tree.GetRotation().x, 0.0f);
            EXPECT_TRUE(tree.GetRotation().y >= 0.0f && tree.GetRotation().y <= 6.2831855f);
        }
    }
    static std::map<std::string, int> Kinds(const CForest& forest, size_t first, size_t count)
    {
        std::map<std::string, int> kinds;
        for (size_t i = first; i < first + count && i < forest.GetTrees().size(); ++i)
            ++kinds[forest.GetTrees()[i]->GetModelName()];
        return kinds;
    }

    bool m_bForest = false;
    std::string m_strErrors;
};

TEST_F(WorldTest, PlantMapChannelsCountTreesOfTheirKindInsideTheirCell)
{
    // Blue, green, red of 255 give 12 trees of kinds 1, 2, 3; all three give
    // 36 on one ring; black plants nothing.
    CRefPtr<CTerrain> terrain = Plant(3, 2,
                                      {255, 0, 0, 0, 255, 0, 0, 0, 0, //
                                       0, 0, 255, 255, 255, 255, 0, 0, 0});
    ASSERT_TRUE(m_bForest) << m_strErrors;
    const CForest& forest = *terrain->GetForest();
    EXPECT_EQ(forest.GetTerrain(), terrain.Get());
    EXPECT_EQ(forest.GetModelNames(), (std::vector<std::string>{"a.scn", "b.scn", "c.scn"}));
    ASSERT_EQ(forest.GetTrees().size(), 72u);
    // Cells of 100/3 x 50 units, planted row by row.
    const float w = 100.0f / 3, d = 50.0f;
    EXPECT_EQ(Kinds(forest, 0, 12), (std::map<std::string, int>{{"a.scn", 12}}));
    ExpectInCell(forest, 0, 12, 0, 0, w, d);
    EXPECT_EQ(Kinds(forest, 12, 12), (std::map<std::string, int>{{"b.scn", 12}}));
    ExpectInCell(forest, 12, 12, w, 0, w, d);
    EXPECT_EQ(Kinds(forest, 24, 12), (std::map<std::string, int>{{"c.scn", 12}}));
    ExpectInCell(forest, 24, 12, 0, d, w, d);
    EXPECT_EQ(Kinds(forest, 36, 36),
              (std::map<std::string, int>{{"a.scn", 12}, {"b.scn", 12}, {"c.scn", 12}}));
    ExpectInCell(forest, 36, 36, w, d, w, d);
    // Trees are not pickable and not in the controller's lists; without a
    // scene graph (and here without models) they are nowhere to be drawn.
    EXPECT_EQ(forest.GetNode(), nullptr);
    // Each model that fails is imported and said once, with its key, not
    // once a tree.
    for (int kind = 1; kind <= 3; ++kind)
    {
        const std::string said = "Error: settings.ini line " + std::to_string(kind + 4) + ": [GAME] TreeModel" +
                                 std::to_string(kind) + " = " + std::string(1, 'a' + kind - 1) +
                                 ".scn: the tree model cannot be loaded; its trees are not drawn\n";
        const size_t at = m_strErrors.find(said);
        EXPECT_NE(at, std::string::npos) << said;
        EXPECT_EQ(m_strErrors.find(said, at + 1), std::string::npos) << said;
    }
    EXPECT_EQ(m_strErrors.find("CTreeObj"), std::string::npos);
    EXPECT_LE(std::count(m_strErrors.begin(), m_strErrors.end(), '\n'), 3 * 6) << m_strErrors;
}

TEST_F(WorldTest, SmallRingsStayInsideTheirCell)
{
    // 1 to 8 trees in one cell of 100 x 100: the ring spreads sideways by at
    // most its radius (tan of the slot angle is huge for 4 slots) and the
    // trees stay inside the cell.
    for (uint8_t n = 1; n <= 8; ++n)
    {
        CRefPtr<CTerrain> terrain = Plant(1, 1, {static_cast<uint8_t>(n * 22), 0, 0});
        ASSERT_TRUE(m_bForest) << m_strErrors;
        ASSERT_EQ(terrain->GetForest()->GetTrees().size(), n);
        ExpectInCell(*terrain->GetForest(), 0, n, 0, 0, 100, 100);
        if (n == 1)
        {
            const CVector3& p = terrain->GetForest()->GetTrees()[0]->GetPosition();
            EXPECT_LE(std::hypot(p.x - 50.0f, p.z - 50.0f), std::sqrt(50.0f * 50.0f * 2) + 1e-3f);
        }
    }
}

TEST_F(WorldTest, FewerTreeModelsThanKindsUseTheLastAndNoneIsLogged)
{
    CRefPtr<CTerrain> terrain =
        Plant(1, 1, {255, 255, 255}, "[GAME]\nTreemap=map.tga\nNmbTrees=1\nTreeModel1=a.scn\n");
    ASSERT_TRUE(m_bForest);
    EXPECT_EQ(Kinds(*terrain->GetForest(), 0, 36), (std::map<std::string, int>{{"a.scn", 36}}));

    terrain = Plant(1, 1, {255, 255, 255},
                    "[GAME]\nTreemap=map.tga\nNmbTrees=2\nTreeModel1=a.scn\nTreeModel2=b.scn\n");
    EXPECT_EQ(Kinds(*terrain->GetForest(), 0, 36),
              (std::map<std::string, int>{{"a.scn", 12}, {"b.scn", 24}}));

    terrain = Plant(1, 1, {255, 255, 255}, "[GAME]\nTreemap=map.tga\nNmbTrees=0\n");
    EXPECT_TRUE(m_bForest);
    EXPECT_TRUE(terrain->GetForest()->GetTrees().empty());
    EXPECT_EQ(m_strErrors, "Error: No tree models in CForest::PlantTrees, no trees planted\n");
}

TEST_F(WorldTest, ForestSettingsAndPlantMapFailuresAreLogged)
{
    const std::vector<uint8_t> pixel = {22, 0, 0};
    const std::pair<const char*, const char*> cases[] = {
        {"[GAME]\nNmbTrees=1\nTreeModel1=a\n",
         "Error: Couldn't get \"Treemap\"-Value from \"GAME\" in CForestr::Create\n"},
        {"[GAME]\nTreemap=map.tga\n",
         "Error: Couldn't get \"NmbTrees\"-Value from \"GAME\" in CForestr::Create\n"},
        {"[GAME]\nTreemap=map.tga\nNmbTrees=3\nTreeModel1=a\n",
         "Error: Couldn't get \"TreeModel2 \"-Value from \"GAME\" in CForestr::Create\n"},
    };
    for (const auto& c : cases)
    {
        CRefPtr<CTerrain> terrain = Plant(1, 1, pixel, c.first);
        EXPECT_FALSE(m_bForest) << c.first;
        EXPECT_EQ(m_strErrors,
                  std::string(c.second) + "Could not create Forest in CTerrain::CreateForest()!\n");
        // The failed forest stays; asking again does not plant.
        EXPECT_TRUE(terrain->GetForest());
        EXPECT_TRUE(terrain->CreateForest("GAME"));
        EXPECT_TRUE(terrain->GetForest()->GetTrees().empty());
    }
    Plant(1, 1, pixel, "[GAME]\nTreemap=absent.tga\nNmbTrees=0\n");
    EXPECT_FALSE(m_bForest);
    EXPECT_NE(m_strErrors.find("Could not Load PlantMap absent.tga in CForest::Create()!\n"),
              std::string::npos);
}

// "NmbTrees" is read as its leading whole number; past 100 kinds it is
// clamped with a line that says so, below 0 or not a number it is refused.
TEST_F(WorldTest, TreeKindCountIsReadAsItsLeadingNumber)
{
    const char* const kModels = "TreeModel1=a.scn\nTreeModel2=b.scn\nTreeModel3=c.scn\n";
    const struct
    {
        const char* value;
        bool planted;
        size_t models;
        const char* errors;
    } rows[] = {
        {"3 # three kinds", true, 3, ""},
        {"2.9", true, 2, "NmbTrees \"2.9\": \".9\" after 2 is ignored\n"},
        {"101", false, 3,
         "NmbTrees 101 is more than 100; 100 is used\n"
         "Error: Couldn't get \"TreeModel4 \"-Value from \"GAME\" in CForestr::Create\n"},
        {"-1", false, 0, "Error: Couldn't get \"NmbTrees\"-Value from \"GAME\" in CForestr::Create\n"},
        {"inf", false, 0, "Error: Couldn't get \"NmbTrees\"-Value from \"GAME\" in CForestr::Create\n"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.value);
        CRefPtr<CTerrain> terrain =
            Plant(1, 1, {0, 0, 0}, std::string("[GAME]\nTreemap=map.tga\nNmbTrees = ") + row.value + "\n" + kModels);
        EXPECT_EQ(m_bForest, row.planted);
        EXPECT_EQ(terrain->GetForest()->GetModelNames().size(), row.models);
        EXPECT_EQ(m_strErrors,
                  std::string(row.errors) + (row.planted ? "" : "Could not create Forest in CTerrain::CreateForest()!\n"));
    }
}

TEST_F(WorldTest, CreateForestTwicePlantsOnceAndKillTakesTheTrees)
{
    CRefPtr<CTerrain> terrain = Plant(1, 1, {66, 0, 0});
    ASSERT_TRUE(m_bForest);
    CRefPtr<CForest> forest = terrain->GetForest();
    ASSERT_EQ(forest->GetTrees().size(), 3u);
    EXPECT_TRUE(terrain->CreateForest("GAME"));
    EXPECT_EQ(terrain->GetForest().Get(), forest.Get());
    EXPECT_EQ(forest->GetTrees().size(), 3u);

    CRefPtr<CTreeObj> tree = forest->GetTrees()[0];
    terrain->Kill();
    EXPECT_FALSE(terrain->GetForest());
    EXPECT_FALSE(terrain->IsDead()) << "the terrain itself lives on";
    EXPECT_TRUE(forest->IsDead());
    EXPECT_TRUE(forest->GetTrees().empty());
    EXPECT_TRUE(tree->IsDead());
}

TEST_F(WorldTest, TreesGoWhereTheirSpheresStrictlyOverlapAnObject)
{
    CRefPtr<CTerrain> terrain = Plant(1, 1, {0, 0, 0});
    CRefPtr<CForest> forest = terrain->GetForest();
    ASSERT_TRUE(forest);
    testing::internal::CaptureStderr();
    for (float x : {10.0f, 20.0f, 30.0f, 40.0f})
        forest->AddTree(CRefPtr<CTreeObj>(new SphereTree(CVector3(x, 0, 0), 1.0f)));
    testing::internal::GetCapturedStderr();

    // Touching spheres (distance 3 = 1 + 2) keep the tree.
    CRefPtr<SphereObj> building(new SphereObj(CVector3(13, 0, 0), 2.0f));
    terrain->RemoveTreesAt(building.Get());
    EXPECT_EQ(forest->GetTrees().size(), 4u);
    // Overlapping ones go, the rest keep their order.
    building = new SphereObj(CVector3(25, 0, 0), 4.5f);
    CRefPtr<CTreeObj> gone = forest->GetTrees()[1];
    terrain->RemoveTreesAt(building.Get());
    ASSERT_EQ(forest->GetTrees().size(), 2u);
    EXPECT_EQ(forest->GetTrees()[0]->GetPosition().x, 10.0f);
    EXPECT_EQ(forest->GetTrees()[1]->GetPosition().x, 40.0f);
    EXPECT_TRUE(gone->IsDead());
    // A terrain without forest, or an object without bounds, removes nothing.
    CRefPtr<CTerrain> bare = FlatTerrain();
    bare->RemoveTreesAt(building.Get());
    forest->RemoveTreesAt(nullptr);
    EXPECT_EQ(forest->GetTrees().size(), 2u);
}

TEST_F(WorldTest, TerrainRayTestTakesTheNearestPartInFrontAndBoundsCoverEveryPart)
{
    CRefPtr<CTerrain> terrain = FlatTerrain();
    CRefPtr<CTerrainRep> rep(new CTerrainRep);
    const float none = 1e22f;
    EXPECT_TRUE(rep->AddPart(CRefPtr<COGLModel>(new FakeModel(CVector3(0, 0, 0), CVector3(10, 1, 10), 30.0f)),
                             nullptr, terrain.Get()));
    EXPECT_TRUE(
        rep->AddPart(CRefPtr<COGLModel>(new FakeModel(CVector3(10, 0, 0), CVector3(20, 2, 10), 12.0f)),
                     nullptr, terrain.Get()));
    EXPECT_TRUE(
        rep->AddPart(CRefPtr<COGLModel>(new FakeModel(CVector3(20, -4, 0), CVector3(30, 0, 10), -5.0f)),
                     nullptr, terrain.Get()));
    EXPECT_TRUE(rep->AddPart(CRefPtr<COGLModel>(new FakeModel(CVector3(0, 0, 10), CVector3(30, 0, 20), none)),
                             nullptr, terrain.Get()));
    EXPECT_FALSE(rep->AddPart(CRefPtr<COGLModel>(), nullptr, terrain.Get()));
    ASSERT_EQ(rep->GetPartCount(), 5u);
    EXPECT_EQ(rep->GetOwner(), terrain.Get());
    EXPECT_EQ(rep->GetPart(0)->GetOwner(), terrain.Get());
    EXPECT_EQ(rep->GetPart(0)->GetParent(), rep.Get());

    CVector3 hit;
    float distance = 0.0f;
    ASSERT_TRUE(rep->RayIntersection(CVector3(0, 50, 0), CVector3(0, -1, 0), hit, distance));
    EXPECT_EQ(distance, 12.0f) << "nearest in front; the hit behind the origin does not count";
    EXPECT_EQ(hit.y, 38.0f);

    // The bounds: the box of every part, a sphere around every part's sphere.
    const SAxisAlignedBox& box = rep->GetModelBox();
    EXPECT_EQ(box.min.y, -4.0f);
    EXPECT_EQ(box.max.x, 30.0f);
    EXPECT_EQ(box.max.z, 20.0f);
    const SBoundingSphere& sphere = rep->GetModelSphere();
    for (uint32_t i = 0; i < 4; ++i)
    {
        const SBoundingSphere& s = rep->GetPart(i)->GetModelSphere();
        const CVector3 dc = s.centre - sphere.centre;
        EXPECT_LE(std::sqrt(dc.x * dc.x + dc.y * dc.y + dc.z * dc.z) + s.radius, sphere.radius + 1e-4f) << i;
    }

    CRefPtr<CTerrainRep> misses(new CTerrainRep);
    misses->AddPart(CRefPtr<COGLModel>(new FakeModel(CVector3(), CVector3(1, 1, 1), none)), nullptr,
                    terrain.Get());
    misses->AddPart(CRefPtr<COGLModel>(new FakeModel(CVector3(), CVector3(1, 1, 1), -1.0f)), nullptr,
                    terrain.Get());
    EXPECT_FALSE(misses->RayIntersection(CVector3(0, 50, 0), CVector3(0, -1, 0), hit, distance));

    testing::internal::CaptureStderr();
    rep->Render(CFrustum(), true);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: CTerrainRep::Render should never be called!\n");
    rep->Detach();
    EXPECT_EQ(rep->GetPartCount(), 0u);
    EXPECT_EQ(rep->GetOwner(), nullptr);
}

TEST_F(WorldTest, TerrainWithoutItsDataFails)
{
    LoadSettings("[GAME]\nStartPos=1;2;3\n");
    CRefPtr<CTerrain> terrain(new CTerrain(nullptr));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(terrain->Create("GAME"));
    testing::internal::GetCapturedStderr();
    const std::string log = TakeErrorLog();
    EXPECT_NE(log.find("Error: CreateTerrain(GAME) failed in CTerrainRep::Create\n"
                       "Error: m_pTerrainRep->Create failed in CTerrain::Create\n"),
              std::string::npos)
        << log;
    EXPECT_FALSE(terrain->GetRepresentation());
    EXPECT_EQ(terrain->GetActor(), nullptr);
    EXPECT_EQ(terrain->GetType(), static_cast<uint32_t>(IGameObj::TYPE_TERRAIN));
}

// The reader's lines go to "Error.log" only; the fault names the key and
// what went wrong, for the level set-up's message to the player.
TEST_F(WorldTest, EnvironmentSettingsAreCheckedInOrder)
{
    const std::pair<const char*, const char*> cases[] = {
        // Any type but "Sphere" or "Cube", exactly, fails without a message.
        {"[L]\nEnvironmentType=sphere\nEnvironmentModel=sky.scn\n", ""},
        {"[L]\nEnvironmentType=Dome\nEnvironmentModel=sky.scn\n", ""},
        {"[L]\nEnvironmentModel=sky.scn\n",
         "Error: Couldn't get \"EnvironmentType\"-Value from \"L\" in CEnvironment::Create\n"},
        {"[L]\nEnvironmentType=Sphere\n",
         "Error: Couldn't get \"EnvironmentModel\"-Value from \"L\" in CEnvironment::Create\n"},
        {"[L]\nEnvironmentType=Sphere\nEnvironmentModel=sky.scn\n",
         "Error: Couldn't get \"EnvironmentTexture\"-Value from \"L\" in CEnvironment::Create\n"},
        {"[L]\nEnvironmentType=Cube\nEnvironmentModel=sky.scn\nReflectionMapTexture_posX=a\n"
         "ReflectionMapTexture_negX=a\n",
         "Error: Couldn't get \"ReflectionMapTexture_posY\"-Value from \"L\" in CEnvironment::Create\n"},
    };
    // What each says to the player (DescribeFault).
    const char* const faults[] = {
        "settings.ini line 2: [L] EnvironmentType = sphere: \"Sphere\" or \"Cube\" (exactly so)",
        "settings.ini line 2: [L] EnvironmentType = Dome: \"Sphere\" or \"Cube\" (exactly so)",
        "settings.ini has no \"EnvironmentType\" in [L]: \"Sphere\" or \"Cube\"",
        "settings.ini has no \"EnvironmentModel\" in [L]: the sky needs its model",
        "settings.ini has no \"ReflectionMapTexture\" in [L]: a sphere sky needs its map texture",
        "settings.ini has no \"ReflectionMapTexture_posY\" in [L]: a cube sky needs its six faces"};
    static_assert(std::size(faults) == std::size(cases));
    for (const auto& c : cases)
    {
        LoadSettings(c.first);
        CRefPtr<CEnvironment> environment(new CEnvironment(&m_Ctrl));
        testing::internal::CaptureStderr();
        EXPECT_FALSE(environment->Create("L")) << c.first;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << c.first;
        EXPECT_NE(TakeErrorLog().find(c.second), std::string::npos) << c.first;
        EXPECT_EQ(CSettings::GetInstance()->DescribeFault(environment->GetFault()), faults[&c - cases]);
        EXPECT_EQ(environment->GetType(), static_cast<uint32_t>(IGameObj::TYPE_ENVIRONMENT));
    }
    // A sky model that does not load fails the sphere.
    LoadSettings("[L]\nEnvironmentType=Sphere\nEnvironmentModel=sky.scn\nReflectionMapTexture=sky.tga\n");
    CRefPtr<CEnvironment> environment(new CEnvironment(&m_Ctrl));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(environment->Create("L"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const std::string log = TakeErrorLog();
    EXPECT_NE(log.find("Error: getModel failed in CEnvironmentRep::Create\n"
                       "Error: m_pEnvironmentRep->CreateSphere failed in CEnvironment::Create\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(CSettings::GetInstance()->DescribeFault(environment->GetFault()),
              "settings.ini line 3: [L] EnvironmentModel = sky.scn: the sky model cannot be loaded (File not "
              "opened (no such file: sky.scn))");
    // The sky is never hit and an environment is never killed.
    CVector3 hit;
    float distance;
    EXPECT_FALSE(
        environment->GetRepresentation()->RayIntersection(CVector3(), CVector3(0, 0, -1), hit, distance));
    environment->Kill();
    EXPECT_FALSE(environment->IsDead());
}

TEST_F(WorldTest, StartPlatformWithoutItsModelGetsADefaultBox)
{
    ASSERT_TRUE(CEngineServices::GetInstance()->GetPhysXMgr()->Create());
    testing::internal::CaptureStderr();
    CRefPtr<CStartObj> start(new CStartObj(nullptr, CVector3(450, 8, 400)));
    testing::internal::GetCapturedStderr();
    const std::string log = TakeErrorLog();
    EXPECT_NE(log.find("Error: getModel failed in CStartRep::Create\n"
                       "Error: pRep->Create failed in CStartObj::CStartObj\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(start->GetType(), static_cast<uint32_t>(IGameObj::TYPE_START));
    EXPECT_EQ(start->GetPosition().x, 450.0f);
    ASSERT_NE(start->GetActor(), nullptr);
    EXPECT_EQ(start->GetActor()->owner, start.Get());
    EXPECT_EQ(start->GetActor()->GetPosition().z, 400.0f);
}

} // namespace
