// Buildings and the statue: the damage table, ruins and their observers,
// paybacks at the level end, the ruin scale, placement on the terrain and
// the statue's reports.

#include "game/CBirdObj.h"
#include "game/CBuildingObj.h"
#include "game/CDroppingObj.h"
#include "game/CProjectileObj.h"
#include "game/CStatueObj.h"
#include "game/CTerrain.h"
#include "tests/game/GTownSupport.h"

#include <string>
#include <vector>

using towntest::CountingObserver;
using towntest::TownTest;

namespace
{

const char* const kChurch = "Data/models/buildings/kirche.scn";
const char* const kHaus1 = "Data/models/buildings/haus1.scn";
const char* const kRuins = "Data/models/buildings/destroyed.scn";

// Records the statue's reports.
class StatueListener
{
public:
    void OnDestroyed() { m_Reports.push_back("destroyed"); }
    void OnDamaged(uint32_t percent) { m_Reports.push_back(std::to_string(percent) + "%"); }
    std::vector<std::string> m_Reports;
};

class BuildingTest : public TownTest
{
protected:
    void SetUp() override
    {
        TownTest::SetUp();
        Shelve(kChurch, CVector3(-4, 0, -6), CVector3(4, 12, 6));
        Shelve(kHaus1, CVector3(-2, 0, -2), CVector3(2, 4, 2));
        Shelve(kRuins, CVector3(-4, 0, -1), CVector3(4, 2, 1));
    }
    // A building standing at position with its body.
    CBuildingObj* Standing(const char* model, float health, float value, const CVector3& position)
    {
        CBuildingObj* building = Add(new CBuildingObj(&m_Ctrl, model, health, value, 3));
        building->SetPosition(position);
        building->CheckPlacement();
        EXPECT_TRUE(building->Place());
        return building;
    }
    // A bird in the air, away from everything else.
    CBirdObj* Bird()
    {
        CBirdObj* bird = Add(new CBirdObj(&m_Ctrl, CRefPtr<CObjCallback>()));
        bird->SetPosition(CVector3(300.0f + 10.0f * float(m_iBirds++), 50.0f, 300.0f));
        return bird;
    }
    int m_iBirds = 0;
};

} // namespace

TEST_F(BuildingTest, DamageTableRuinsAndObserversToldOnce)
{
    CBuildingObj* church = Standing(kChurch, 300.0f, 150.0f, CVector3(100, 0, 100));
    CBuildingObj* house = Standing(kHaus1, 120.0f, 50.0f, CVector3(200, 0, 100));
    ASSERT_NE(church->GetActor(), nullptr);
    CBirdObj* bird = Bird();
    for (int hit = 1; hit <= 9; ++hit)
        church->OnHit(bird);
    EXPECT_FLOAT_EQ(church->GetHealth(), 30.0f);
    EXPECT_EQ(church->GetState(), CBuildingObj::STATE_STANDING);

    // Arrows, the terrain and a falling bird (no health left) do nothing.
    CRefPtr<CProjectileObj> arrow(new CProjectileObj(&m_Ctrl, IGameObj::TYPE_PROJECTILE, 4, "none"));
    arrow->SetPosition(CVector3(-300, 0, -300));
    CBirdObj* falling = Bird();
    falling->SetHealth(0.0f);
    church->OnHit(arrow.Get());
    church->OnHit(falling);
    church->OnHit(nullptr);
    EXPECT_FLOAT_EQ(church->GetHealth(), 30.0f);

    CountingObserver leaving(true), staying;
    leaving.Watch(church);
    staying.Watch(church);
    church->OnHit(bird);
    EXPECT_EQ(church->GetState(), CBuildingObj::STATE_DESTROYED);
    // Told and dropped at the next update, not at the hit.
    EXPECT_EQ(staying.m_iCalls, 0);
    EXPECT_NE(church->GetActor(), nullptr);
    Step();
    EXPECT_EQ(leaving.m_iCalls, 1);
    EXPECT_EQ(staying.m_iCalls, 1);
    EXPECT_EQ(church->GetActor(), nullptr);
    EXPECT_FALSE(church->IsDead());
    church->OnHit(bird);
    Step();
    EXPECT_EQ(staying.m_iCalls, 1);

    // House 1 falls to the fourth bird; droppings take 10 each.
    house->OnHit(bird);
    house->OnHit(bird);
    house->OnHit(bird);
    EXPECT_EQ(house->GetState(), CBuildingObj::STATE_STANDING);
    CRefPtr<CDroppingObj> dropping(new CDroppingObj(&m_Ctrl));
    for (int i = 0; i < 3; ++i)
        house->OnHit(dropping.Get());
    EXPECT_FLOAT_EQ(house->GetHealth(), 0.0f);
    EXPECT_EQ(house->GetState(), CBuildingObj::STATE_DESTROYED);
}

TEST_F(BuildingTest, LevelEndPaysStandingBuildingsAndRemovesRuins)
{
    CBuildingObj* half = Standing(kHaus1, 120.0f, 80.0f, CVector3(100, 0, 100));
    CBuildingObj* ruin = Standing(kHaus1, 120.0f, 80.0f, CVector3(200, 0, 100));
    CBuildingObj* candidate = Add(new CBuildingObj(&m_Ctrl, kHaus1, 120.0f, 80.0f, 3));
    half->SetHealth(60.0f);
    ruin->SetHealth(-10.0f);
    Step();
    CRefPtr<IGameObj> keepRuin(ruin);
    m_Ctrl.EndLevelObjects();
    EXPECT_FLOAT_EQ(m_Ctrl.GetScore(), 40.0f); // 80 x 60 / 120
    EXPECT_TRUE(keepRuin->IsDead());
    EXPECT_FALSE(half->IsDead());
    EXPECT_FALSE(candidate->IsDead());
    EXPECT_EQ(m_Ctrl.GetObjects().size(), 2u);

    // A building without health is ruins from the start.
    CRefPtr<CBuildingObj> dead(new CBuildingObj(&m_Ctrl, kHaus1, 0.0f, 10.0f, 3));
    EXPECT_EQ(dead->GetState(), CBuildingObj::STATE_DESTROYED);
}

TEST_F(BuildingTest, RuinScaleAndMissingModels)
{
    CRefPtr<CBuildingObj> house(new CBuildingObj(&m_Ctrl, kHaus1, 120.0f, 0.0f, 3));
    CRefPtr<CBuildingRep> rep(static_cast<CBuildingRep*>(house->GetRepresentation().Get()));
    // The ruins (8 x 2 x 2) are scaled into the house's 4 x 4 x 4.
    EXPECT_FLOAT_EQ(rep->GetRuinScale(), 0.5f);
    EXPECT_FALSE(rep->IsPickable());
    CRefPtr<CBuildingObj> church(new CBuildingObj(&m_Ctrl, kChurch, 300.0f, 0.0f, 3));
    EXPECT_FLOAT_EQ(static_cast<CBuildingRep*>(church->GetRepresentation().Get())->GetRuinScale(), 1.0f);
    TakeLog();

    m_pShelf->m_Models.erase(kRuins);
    CRefPtr<CBuildingObj> noRuins(new CBuildingObj(&m_Ctrl, kHaus1, 120.0f, 0.0f, 3));
    EXPECT_FLOAT_EQ(static_cast<CBuildingRep*>(noRuins->GetRepresentation().Get())->GetRuinScale(), 1.0f);
    EXPECT_EQ(TakeLog(), "Warning: no ruin model \"Data/models/buildings/destroyed.scn\" in "
                         "CBuildingRep::Create, ruins are not drawn\n");

    // Without its model a building still stands, on a small default box.
    CRefPtr<CBuildingObj> nothing(
        new CBuildingObj(&m_Ctrl, "Data/models/buildings/none.scn", 50.0f, 0.0f, 3));
    nothing->CheckPlacement();
    EXPECT_TRUE(nothing->Place());
    EXPECT_NE(nothing->GetActor(), nullptr);
    EXPECT_EQ(TakeLog(), "Error: getModel failed in CBuildingRep::Create\n"
                         "Error: pRep->Create failed in CBuildingObj::CBuildingObj\n"
                         "Warning: no model box in CBuildingObj, using a default box\n");
}

TEST_F(BuildingTest, StatueReportsPercentagesAndItsFallOnce)
{
    StatueListener listener;
    CStatueObj* statue = Add(new CStatueObj(&m_Ctrl, MakeObjCallback(&listener, &StatueListener::OnDestroyed),
                                            MakeObjCallback(&listener, &StatueListener::OnDamaged)));
    EXPECT_FLOAT_EQ(statue->GetMaxHealth(), 400.0f);
    EXPECT_FLOAT_EQ(statue->GetValue(), 100.0f);
    statue->SetHealth(100.0f);
    statue->SetHealth(99.0f);
    EXPECT_EQ(listener.m_Reports, (std::vector<std::string>{"25%", "24%"}));
    listener.m_Reports.clear();

    // Thirteen kamikaze hits leave 10 of 400 (2 %); the fourteenth fells it.
    statue->SetHealth(400.0f);
    CBirdObj* bird = Bird();
    for (int i = 0; i < 13; ++i)
        statue->OnHit(bird);
    EXPECT_EQ(listener.m_Reports.back(), "2%");
    listener.m_Reports.clear();
    statue->OnHit(bird);
    statue->OnHit(bird);
    statue->SetHealth(-50.0f);
    EXPECT_EQ(listener.m_Reports, (std::vector<std::string>{"0%", "destroyed", "0%", "0%"}));
    EXPECT_FLOAT_EQ(statue->GetHealth(), 0.0f);

    // Empty callbacks are allowed.
    CRefPtr<CStatueObj> quiet(new CStatueObj(&m_Ctrl, CRefPtr<CObjCallback>(), CRefPtr<CObjCallback>()));
    quiet->SetHealth(-1.0f);
    EXPECT_EQ(quiet->GetState(), CBuildingObj::STATE_DESTROYED);
}

namespace
{

// Raw static boxes of a group, as other bodies of the scene.
CPhysXActor* StaticBox(CPhysXMgr& physics, const CVector3& centre, const CVector3& size, uint8_t group)
{
    CMatrix4 pose;
    pose.SetTranslation(centre);
    physics.BeginActor(pose, group, false, 1.0f);
    physics.AddBoxShape(CMatrix4(), size);
    return physics.FinishActorCreation();
}

} // namespace

TEST_F(BuildingTest, PlacementRefusesOverlapsAndSlopesAndLowersOntoTheGround)
{
    // Terrain of 64 x 64 one-unit cells: height 10 for x < 20, then rising
    // 0.2 per unit up to x = 40, then 2 per unit.
    std::vector<uint8_t> samples(64 * 64);
    for (int z = 0; z < 64; ++z)
        for (int x = 0; x < 64; ++x)
            samples[z * 64 + x] = uint8_t(x < 20 ? 50 : x < 40 ? 50 + (x - 20) : 70 + (x - 40) * 10);
    CRefPtr<CTerrain> terrain(new CTerrain(&m_Ctrl));
    ASSERT_TRUE(terrain->GetInfo().Create(64, 64, samples.data(), 1, 1.0f, 1.0f, 0.2f,
                                          CRefPtr<CPhysXTriangleMesh>()));
    m_Ctrl.SetTerrain(terrain);

    // Moved and checked in one frame, before any update: lowered onto the
    // flat ground.
    CBuildingObj* house = Add(new CBuildingObj(&m_Ctrl, kHaus1, 120.0f, 50.0f, 3));
    EXPECT_EQ(house->GetState(), CBuildingObj::STATE_BLOCKED);
    EXPECT_FALSE(house->Place());
    EXPECT_EQ(house->GetActor(), nullptr);
    house->SetPosition(CVector3(10, 15, 10));
    house->CheckPlacement();
    EXPECT_EQ(house->GetState(), CBuildingObj::STATE_STANDING);
    EXPECT_FLOAT_EQ(house->GetPosition().y, 10.0f);
    // Never raised out of the ground.
    house->SetPosition(CVector3(10, 5, 10));
    house->CheckPlacement();
    EXPECT_FLOAT_EQ(house->GetPosition().y, 5.0f);

    // Lower corners at x 28 and 32: 11.6 and 12.4, a rise of 0.8 passes.
    house->SetPosition(CVector3(30, 15, 30));
    house->CheckPlacement();
    EXPECT_EQ(house->GetState(), CBuildingObj::STATE_STANDING);
    EXPECT_NEAR(house->GetPosition().y, 11.6f, 1e-4f);
    // At x 48 and 52: 30 and 38, refused (and still lowered).
    house->SetPosition(CVector3(50, 40, 30));
    house->CheckPlacement();
    EXPECT_EQ(house->GetState(), CBuildingObj::STATE_BLOCKED);
    EXPECT_NEAR(house->GetPosition().y, 30.0f, 1e-4f);
    EXPECT_FALSE(house->Place());

    // Ground far below -1000 is ground like any other.
    ASSERT_TRUE(terrain->GetInfo().Create(64, 64, samples.data(), 1, 1.0f, 1.0f, -40.0f,
                                          CRefPtr<CPhysXTriangleMesh>()));
    house->SetPosition(CVector3(10, 0, 10));
    house->CheckPlacement();
    EXPECT_EQ(house->GetState(), CBuildingObj::STATE_STANDING);
    EXPECT_FLOAT_EQ(house->GetPosition().y, -2000.0f);
    ASSERT_TRUE(terrain->GetInfo().Create(64, 64, samples.data(), 1, 1.0f, 1.0f, 0.2f,
                                          CRefPtr<CPhysXTriangleMesh>()));

    // Bodies of the terrain's group 0 and of group 8 do not block; any other
    // group does.
    CPhysXActor* ground = StaticBox(Physics(), CVector3(10, 10, 10), CVector3(6, 1, 6), 0);
    CPhysXActor* other = StaticBox(Physics(), CVector3(10, 12, 10), CVector3(1, 1, 1), 8);
    house->SetPosition(CVector3(10, 10, 10));
    house->CheckPlacement();
    EXPECT_EQ(house->GetState(), CBuildingObj::STATE_STANDING);
    CBuildingObj* neighbour = Add(new CBuildingObj(&m_Ctrl, kHaus1, 120.0f, 50.0f, 3));
    neighbour->SetPosition(CVector3(13, 10, 10));
    neighbour->CheckPlacement();
    EXPECT_TRUE(neighbour->Place());
    house->CheckPlacement();
    EXPECT_EQ(house->GetState(), CBuildingObj::STATE_BLOCKED);
    house->SetPosition(CVector3(7, 10, 10));
    house->CheckPlacement();
    EXPECT_EQ(house->GetState(), CBuildingObj::STATE_STANDING);
    ASSERT_TRUE(house->Place());
    EXPECT_NE(house->GetActor(), nullptr);
    Physics().ReleaseActor(ground);
    Physics().ReleaseActor(other);

    // The level set-up's statue stands even where it is refused.
    CBuildingObj* forced = Add(new CBuildingObj(&m_Ctrl, kHaus1, 120.0f, 50.0f, 3));
    forced->SetPosition(CVector3(50, 40, 30));
    forced->CheckPlacement();
    forced->ForcePlace();
    EXPECT_EQ(forced->GetState(), CBuildingObj::STATE_STANDING);
    EXPECT_NE(forced->GetActor(), nullptr);
}
