// Birds: one arrow brings a bird down, the killed callback and the death
// sound come once, crashes kill at once, flight, turning and droppings
// through its controller, and the bird's life in the scene graph.

#include "game/CBirdObj.h"
#include "game/CBuildingObj.h"
#include "game/CDroppingObj.h"
#include "game/CProjectileObj.h"
#include "render/CSceneGraph.h"
#include "tests/game/GTownSupport.h"

#include <cmath>
#include <string>
#include <vector>

using towntest::TownTest;

namespace
{

const char* const kHouse = "Data/models/buildings/haus1.scn";

class KillCounter
{
public:
    void OnBirdKilled() { ++m_iKills; }
    int m_iKills = 0;
};

// Flies ahead, turns by a fixed wish, drops when told; records its objects.
class ScriptedBirdCtrl : public IBirdCtrl
{
public:
    void SetObject(IGameObj* object) override
    {
        m_Objects.push_back(object);
        IBirdCtrl::SetObject(object);
    }
    void Update(float) override { ++m_iUpdates; }
    void GetMoveDirection(CVector3& out) override { out = m_pObject ? m_pObject->GetForward() : CVector3(); }
    bool GetDirection(CVector3& out) override
    {
        out = m_Turn;
        return true;
    }
    bool WantsToDrop() override { return m_bDrop; }

    std::vector<IGameObj*> m_Objects;
    int m_iUpdates = 0;
    CVector3 m_Turn;
    bool m_bDrop = false;
};

class BirdTest : public TownTest
{
protected:
    void SetUp() override
    {
        TownTest::SetUp();
        m_Dir.WriteFile("Data/sounds/bird_death.mp3", testsupport::MakeWav(0.05));
        Shelve("Data\\models\\bird.scn", CVector3(-0.5f, -0.2f, -0.5f), CVector3(0.5f, 0.2f, 0.5f));
        Shelve(kHouse, CVector3(-2, 0, -2), CVector3(2, 4, 2));
        CRefPtr<CCamera> camera(new CCamera);
        camera->SetPosition(CVector3(0, 0, 0));
        m_Ctrl.SetCamera(camera);
    }
    CBirdObj* Bird(const CVector3& position)
    {
        CBirdObj* bird = Add(new CBirdObj(&m_Ctrl, MakeObjCallback(&m_Kills, &KillCounter::OnBirdKilled)));
        bird->SetPosition(position);
        return bird;
    }
    size_t Count(uint32_t type) const
    {
        size_t n = 0;
        for (const auto* list : {&m_Ctrl.GetObjects(), &m_Ctrl.GetPendingObjects()})
            for (const CRefPtr<IGameObj>& o : *list)
                n += o->GetType() == type && !o->IsDead();
        return n;
    }

    KillCounter m_Kills;
};

} // namespace

TEST_F(BirdTest, OneArrowBringsItDownOnceWithTheSoundByDistance)
{
    CBirdObj* bird = Bird(CVector3(0, 0, -30));
    EXPECT_FLOAT_EQ(bird->GetHealth(), 5.0f);
    EXPECT_EQ(bird->GetPhase(), CBirdObj::PHASE_FLYING);
    EXPECT_FALSE(bird->IsGravityOn());
    EXPECT_EQ(bird->GetActiveGroups(), 0xFFFFFFD9u);
    ASSERT_TRUE(bird->GetDeathSound());
    CRefPtr<CProjectileObj> arrow(new CProjectileObj(&m_Ctrl, IGameObj::TYPE_PROJECTILE, 4, "none"));
    arrow->SetPosition(CVector3(500, 500, 500));

    bird->OnHit(arrow.Get());
    EXPECT_FLOAT_EQ(bird->GetHealth(), -5.0f);
    EXPECT_EQ(bird->GetPhase(), CBirdObj::PHASE_FALLING);
    EXPECT_TRUE(bird->IsGravityOn());
    EXPECT_EQ(m_Kills.m_iKills, 1);
    EXPECT_NEAR(bird->GetDeathSound()->GetVolume(), 1.0f - 900.0f * 0.0004f, 1e-5f);

    // Hit again while falling: no second sound or callback.
    bird->GetDeathSound()->SetVolume(0.123f);
    bird->OnHit(arrow.Get());
    EXPECT_EQ(m_Kills.m_iKills, 1);
    EXPECT_FLOAT_EQ(bird->GetDeathSound()->GetVolume(), 0.123f);

    // It tumbles while falling, lands on anything, and lies 5 s.
    const CVector3 rotation = bird->GetRotation();
    m_Ctrl.UpdateObjects(0.5f);
    EXPECT_NEAR(bird->GetRotation().y - rotation.y, 1.0f, 1e-5f);
    CBirdObj* other = Bird(CVector3(100, 0, 100));
    bird->OnHit(other);
    EXPECT_EQ(bird->GetPhase(), CBirdObj::PHASE_DEAD);
    EXPECT_EQ(m_Kills.m_iKills, 1);
    CRefPtr<IGameObj> hold(bird);
    m_Ctrl.UpdateObjects(5.0f);
    EXPECT_FALSE(hold->IsDead());
    m_Ctrl.UpdateObjects(0.01f);
    EXPECT_TRUE(hold->IsDead());

    // Barely audible at 49 units, silent at 50.
    CBirdObj* near = Bird(CVector3(0, 49, 0));
    near->SetHealth(0.0f);
    EXPECT_NEAR(near->GetDeathSound()->GetVolume(), 1.0f - 2401.0f * 0.0004f, 1e-5f);
    CBirdObj* far = Bird(CVector3(0, 0, 50));
    far->GetDeathSound()->SetVolume(0.123f);
    far->SetHealth(0.0f);
    EXPECT_FLOAT_EQ(far->GetDeathSound()->GetVolume(), 0.123f);
    EXPECT_EQ(m_Kills.m_iKills, 3);
}

TEST_F(BirdTest, CrashIntoABuildingKillsAtOnceAndHurtsItOnce)
{
    CBuildingObj* house = Add(new CBuildingObj(&m_Ctrl, kHouse, 120.0f, 0.0f, 3));
    house->CheckPlacement();
    ASSERT_TRUE(house->Place());
    CBirdObj* bird = Bird(CVector3(0, 2, 10));
    CRefPtr<ScriptedBirdCtrl> ctrl(new ScriptedBirdCtrl);
    bird->SetController(CRefPtr<IBirdCtrl>(ctrl.Get()));
    CRefPtr<IGameObj> hold(bird);
    for (int frame = 0; frame < 120 && !bird->IsDead(); ++frame)
        Step();
    EXPECT_TRUE(hold->IsDead());
    EXPECT_EQ(m_Kills.m_iKills, 1);
    EXPECT_FLOAT_EQ(house->GetHealth(), 90.0f);
    // The dead bird let go of its controller.
    EXPECT_EQ(ctrl->GetObject(), nullptr);

    // A falling bird dies on a building too, without a second callback.
    CBirdObj* falling = Bird(CVector3(50, 20, 50));
    falling->SetHealth(0.0f);
    falling->OnHit(house);
    EXPECT_EQ(falling->GetPhase(), CBirdObj::PHASE_DEAD);
    EXPECT_FLOAT_EQ(falling->GetPhaseTimer(), 5.0f);
    EXPECT_EQ(m_Kills.m_iKills, 2);
}

TEST_F(BirdTest, FliesTurnsAndDropsThroughItsController)
{
    CBirdObj* idle = Bird(CVector3(-50, 20, -50));
    CBirdObj* bird = Bird(CVector3(50, 20, 50));
    CRefPtr<ScriptedBirdCtrl> ctrl(new ScriptedBirdCtrl);
    ctrl->m_Turn = CVector3(0, 2, 0);
    ctrl->m_bDrop = true;
    bird->SetController(CRefPtr<IBirdCtrl>(ctrl.Get()));
    std::vector<size_t> droppings;
    for (int frame = 0; frame < 150; ++frame)
    {
        Step();
        droppings.push_back(Count(IGameObj::TYPE_DROPPING));
    }
    // 0.7 rad/s toward the wish, 10 units per second along the heading.
    EXPECT_NEAR(bird->GetRotation().y, 0.7f * 2.5f, 1e-3f);
    const float chord = 2.0f * (10.0f / 0.7f) * std::sin(0.7f * 2.5f / 2.0f);
    EXPECT_NEAR((bird->GetPosition() - CVector3(50, 20, 50)).Length(), chord, 0.3f);
    EXPECT_NEAR(bird->GetPosition().y, 20.0f, 1e-3f);
    // One dropping a second: at 0, 1 and 2 s (give or take a frame of
    // rounding in the summed steps).
    EXPECT_EQ(droppings[0], 1u);
    EXPECT_EQ(droppings[58], 1u);
    EXPECT_EQ(droppings[62], 2u);
    EXPECT_EQ(droppings[118], 2u);
    EXPECT_EQ(droppings[122], 3u);
    EXPECT_EQ(droppings.back(), 3u);
    EXPECT_EQ(ctrl->m_iUpdates, 150);
    // Without a controller a bird hangs where it is.
    EXPECT_EQ(idle->GetPosition(), CVector3(-50, 20, -50));
}

TEST_F(BirdTest, SceneGraphControllerAndKill)
{
    CRefPtr<CSceneGraph> graph(new CSceneGraph);
    ASSERT_TRUE(graph->Create(1000, 1000, -10, 100, 5));
    m_Ctrl.SetScene(graph);
    CBirdObj* bird = Bird(CVector3(300, 20, 300));
    CRefPtr<IRepresentation> rep = bird->GetRepresentation();
    EXPECT_EQ(rep->GetSceneNode(), nullptr);

    // Shown once while controlled, however often a controller is set.
    CRefPtr<ScriptedBirdCtrl> first(new ScriptedBirdCtrl), second(new ScriptedBirdCtrl);
    bird->SetController(CRefPtr<IBirdCtrl>(first.Get()));
    bird->SetController(CRefPtr<IBirdCtrl>(second.Get()));
    ASSERT_NE(rep->GetSceneNode(), nullptr);
    size_t filed = 0;
    for (const CRefPtr<ISceneEntry>& entry : rep->GetSceneNode()->GetObjects())
        filed += entry.Get() == rep.Get();
    EXPECT_EQ(filed, 1u);
    EXPECT_EQ(first->m_Objects, (std::vector<IGameObj*>{bird, nullptr}));
    bird->SetController(CRefPtr<IBirdCtrl>());
    EXPECT_EQ(rep->GetSceneNode(), nullptr);
    bird->SetController(CRefPtr<IBirdCtrl>(first.Get()));

    // Killing: the observers are told once, one leaving during the call.
    towntest::CountingObserver leaving(true), staying;
    leaving.Watch(bird);
    staying.Watch(bird);
    CRefPtr<IGameObj> hold(bird);
    bird->Kill();
    bird->Kill();
    EXPECT_EQ(leaving.m_iCalls, 1);
    EXPECT_EQ(staying.m_iCalls, 1);
    EXPECT_EQ(first->GetObject(), nullptr);
    EXPECT_EQ(rep->GetSceneNode(), nullptr);
    EXPECT_EQ(bird->GetCharacterController(), nullptr);
    EXPECT_EQ(m_Kills.m_iKills, 0);

    // The level end kills birds.
    CBirdObj* other = Bird(CVector3(310, 20, 300));
    CRefPtr<IGameObj> holdOther(other);
    m_Ctrl.EndLevelObjects();
    EXPECT_TRUE(holdOther->IsDead());
}

TEST_F(BirdTest, BirdWithoutModelStillFliesAndDies)
{
    m_pShelf->m_Models.clear();
    TakeLog();
    CBirdObj* bird = Bird(CVector3(10, 10, 10));
    EXPECT_EQ(TakeLog(), "Error: getModel failed in CBirdRep::Create\n"
                         "Error: pRep->Create failed in CBirdObj::CBirdObj\n"
                         "Warning: no model box in CBirdObj, using a default box\n");
    EXPECT_FLOAT_EQ(bird->GetHealth(), 5.0f);
    EXPECT_EQ(bird->GetPhase(), CBirdObj::PHASE_FLYING);
    ASSERT_NE(bird->GetCharacterController(), nullptr);
    CRefPtr<CDroppingObj> dropping(new CDroppingObj(&m_Ctrl));
    dropping->SetPosition(CVector3(-200, 0, -200));
    bird->OnHit(dropping.Get());
    EXPECT_EQ(bird->GetPhase(), CBirdObj::PHASE_FLYING);
    CRefPtr<CProjectileObj> arrow(new CProjectileObj(&m_Ctrl, IGameObj::TYPE_PROJECTILE, 7, "none"));
    arrow->SetPosition(CVector3(-300, 0, -300));
    bird->OnHit(arrow.Get());
    EXPECT_EQ(bird->GetPhase(), CBirdObj::PHASE_FALLING);
    EXPECT_EQ(m_Kills.m_iKills, 1);
}

TEST_F(BirdTest, HitBirdFallsAndRestsOnItsBoxOfFullModelHeight)
{
    // Ground: a raw static slab with its top at y = 1.
    CMatrix4 pose;
    pose.SetTranslation(CVector3(200, 0.5f, 200));
    Physics().BeginActor(pose, 3, false, 1.0f);
    Physics().AddBoxShape(CMatrix4(), CVector3(20, 1, 20));
    CPhysXActor* ground = Physics().FinishActorCreation();
    ASSERT_NE(ground, nullptr);

    // The model is 0.4 high: the box's half height is the full 0.4.
    CBirdObj* bird = Bird(CVector3(200, 5, 200));
    bird->SetHealth(-1.0f);
    for (int frame = 0; frame < 180; ++frame)
        Step();
    EXPECT_TRUE(!bird->IsAirborne());
    EXPECT_NEAR(bird->GetPosition().y, 1.0f + 0.4f, 0.08f);
    Physics().ReleaseActor(ground);
}
