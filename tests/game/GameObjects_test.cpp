// The game-object core: moved notifications, kills and observers, world
// bounds of scaled and turned representations, and the missing-representation
// paths.

#include "game/ICollidableObj.h"
#include "game/IGameObj.h"
#include "game/IRepresentation.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{

// A representation with fixed model bounds that counts OnMoved.
class CountingRep : public IRepresentation
{
public:
    explicit CountingRep(IGameObj* owner) : m_pOwner(owner)
    {
        SBoundingSphere sphere;
        sphere.centre = CVector3(1.0f, 0.0f, 0.0f);
        sphere.radius = 1.0f;
        SAxisAlignedBox box;
        box.min = CVector3(0.0f, 0.0f, 0.0f);
        box.max = CVector3(2.0f, 1.0f, 1.0f);
        Setup(nullptr, sphere, box);
    }
    CVector3 GetPosition() const override { return m_pOwner->GetPosition(); }
    CVector3 GetRotation() const override { return m_pOwner->GetRotation(); }
    CVector3 GetScale() const override { return m_pOwner->GetTransform().GetScale(); }
    CMatrix4 GetWorldMatrix() override { return m_pOwner->GetTransform().GetWorldMatrix(); }
    IGameObj* GetOwner() const override { return m_pOwner; }
    bool RayIntersection(const CVector3&, const CVector3&, CVector3& hit, float& distance) override
    {
        hit = CVector3(7.0f, 8.0f, 9.0f);
        distance = 3.0f;
        return true;
    }
    void Render(const CFrustum&, bool) override {}
    void OnMoved() override
    {
        ++m_iMoved;
        IRepresentation::OnMoved();
    }
    int m_iMoved = 0;

private:
    IGameObj* m_pOwner;
};

class PlainObj : public ICollidableObj
{
public:
    explicit PlainObj(bool withRep) : ICollidableObj(nullptr, TYPE_BUILDING)
    {
        if (withRep)
        {
            m_pCounting = new CountingRep(this);
            m_pRepresentation = m_pCounting.Get();
        }
    }
    CRefPtr<CountingRep> m_pCounting;
    int m_iUpdates = 0;

protected:
    void OnUpdate(float) override { ++m_iUpdates; }
};

// Removes itself from the watched object while it is told, and kills a
// second object that this one also watches.
class SelfRemovingObserver : public IObjObserver
{
public:
    void OnObservedKilled() override
    {
        ++m_iCalls;
        if (m_pWatched)
            m_pWatched->RemoveObserver(this);
    }
    IGameObj* m_pWatched = nullptr;
    int m_iCalls = 0;
};

TEST(GameObjectsTest, MovesReachTheRepresentationOnceAtTheNextUpdate)
{
    CRefPtr<PlainObj> obj(new PlainObj(true));
    obj->SetPosition(CVector3(10.0f, 0.0f, 0.0f));
    obj->SetScale(CVector3(2.0f, 2.0f, 2.0f));
    EXPECT_EQ(obj->m_pCounting->m_iMoved, 0) << "told at the setter";
    obj->Update(0.1f);
    obj->Update(0.1f);
    EXPECT_EQ(obj->m_pCounting->m_iMoved, 1);
    EXPECT_EQ(obj->m_iUpdates, 2);

    // The world sphere grows with the scale, centre included, then moves.
    SBoundingSphere sphere;
    obj->GetBoundingSphere(sphere);
    EXPECT_FLOAT_EQ(sphere.centre.x, 12.0f);
    EXPECT_FLOAT_EQ(sphere.radius, 2.0f);
    // A quarter turn about y takes the box's x edge onto -z.
    obj->SetRotation(CVector3(0.0f, 1.5707964f, 0.0f));
    obj->Update(0.1f);
    SOrientedBox box;
    obj->GetBoundingBox(box);
    EXPECT_NEAR(box.origin.x, 10.0f, 1e-4);
    EXPECT_NEAR(std::fabs(box.edges[0].z), 4.0f, 1e-4);
    EXPECT_NEAR(box.edges[0].x, 0.0f, 1e-4);
    EXPECT_NEAR(box.edges[1].y, 2.0f, 1e-4);

    CVector3 hit;
    float distance = 0.0f;
    EXPECT_TRUE(obj->RayIntersection(CVector3(), CVector3(1, 0, 0), hit, distance));
    EXPECT_EQ(distance, 3.0f);
}

TEST(GameObjectsTest, KillTellsObserversOnceAndDropsTheRepresentation)
{
    CRefPtr<PlainObj> obj(new PlainObj(true));
    CRefPtr<CountingRep> rep = obj->m_pCounting;
    SelfRemovingObserver first, second, third;
    first.m_pWatched = obj.Get();
    obj->AddObserver(&first);
    obj->AddObserver(nullptr);
    obj->AddObserver(&second);
    obj->AddObserver(&third);
    obj->RemoveObserver(&third);

    obj->Kill();
    obj->Kill();
    EXPECT_EQ(first.m_iCalls, 1);
    EXPECT_EQ(second.m_iCalls, 1);
    EXPECT_EQ(third.m_iCalls, 0);
    EXPECT_TRUE(obj->IsDead());
    EXPECT_FALSE(obj->GetRepresentation());
    EXPECT_EQ(obj->GetOwner(), nullptr);
    // A collidable without an actor takes a null actor without harm.
    obj->SetActor(nullptr);
    EXPECT_EQ(obj->GetActor(), nullptr);
}

class GameObjectsLogTest : public testsupport::TempDirTest
{
};

TEST_F(GameObjectsLogTest, WithoutRepresentationBoundsAndRayTestsAreRefused)
{
    testing::internal::CaptureStderr();
    CRefPtr<PlainObj> obj(new PlainObj(false));
    SBoundingSphere sphere;
    sphere.radius = 42.0f;
    obj->GetBoundingSphere(sphere);
    EXPECT_EQ(sphere.radius, 42.0f);
    SOrientedBox box;
    box.origin = CVector3(1, 2, 3);
    obj->GetBoundingBox(box);
    EXPECT_EQ(box.origin, CVector3(1, 2, 3));
    CVector3 hit;
    float distance = 0.0f;
    EXPECT_FALSE(obj->RayIntersection(CVector3(), CVector3(1, 0, 0), hit, distance));
    obj->LookAt(CVector3(1, 0, 0));
    testing::internal::GetCapturedStderr();
    const std::string text = testsupport::TempDir::ReadFile(m_Dir.Path() + "/Error.log");
    EXPECT_NE(text.find("Error: m_pRepresentation is NULL in IGameObj::GetBoundingSphere()"), std::string::npos);
    EXPECT_NE(text.find("Error: m_pRepresentation is NULL in IGameObj::GetBoundingBox()"), std::string::npos);
    EXPECT_NE(text.find("Warning: RayIntersection called for object with NULL m_pRepresentation"),
              std::string::npos);
    EXPECT_NE(text.find("Error: ICollidableObj::LookAt not implemented"), std::string::npos);
    // Without a representation a move stays pending.
    obj->SetPosition(CVector3(1, 0, 0));
    obj->Update(0.0f);
    EXPECT_TRUE(obj->HasMoved());
}

} // namespace
