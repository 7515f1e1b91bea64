#include "scenesdk/kernel/KMemoryReusePool.h"
#include "scenesdk/kernel/KWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using namespace scenesdk;

TEST(KIdSetTest, LowestFreeIdIsReused)
{
    KIdSet ids;
    EXPECT_EQ(ids.GetHighest(), -1);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(ids.AssignLowest(), i);
    ids.Clear(2);
    EXPECT_FALSE(ids.Test(2));
    EXPECT_EQ(ids.AssignLowest(), 2);
    EXPECT_EQ(ids.AssignLowest(), 5);
    ids.Clear(100); // not in the set: ignored
    EXPECT_EQ(ids.Count(), 6);
    EXPECT_EQ(ids.GetHighest(), 5);
    EXPECT_FALSE(ids.Set(-1));
}

TEST(KIdSetTest, SparseIdsAcrossChunks)
{
    KIdSet ids;
    const int far = 5 * KIdSet::kChunkBits + 77;
    ids.Set(far);
    ids.Set(40);
    EXPECT_EQ(ids.GetHighest(), far);
    EXPECT_EQ(ids.FindFirst(true), 40);
    EXPECT_EQ(ids.FindFirst(true, 41), far);
    EXPECT_EQ(ids.FindFirst(true, 41, far), -1);
    EXPECT_EQ(ids.FindFirst(false), 0);
    EXPECT_EQ(ids.FindFirst(false, 40), 41);
    EXPECT_EQ(ids.FindFirst(false, far), far + 1);
    // A chunk below the first stored one.
    KIdSet high;
    high.Set(3 * KIdSet::kChunkBits);
    EXPECT_EQ(high.FindFirst(false), 0);
    high.Set(2);
    EXPECT_TRUE(high.Test(2));
    EXPECT_TRUE(high.Test(3 * KIdSet::kChunkBits));
    EXPECT_EQ(high.Count(), 2);
    // A full chunk: the next free id is the first of the next chunk.
    KIdSet full;
    for (int i = 0; i < KIdSet::kChunkBits; ++i)
        full.AssignLowest();
    EXPECT_EQ(full.AssignLowest(), KIdSet::kChunkBits);
}

TEST(KIdSetTest, IdsAtTheTopOfTheIntRange)
{
    // A directory grown upward stops at the chunk of INT32_MAX, and searches
    // past it find nothing rather than overflowing.
    KIdSet ids;
    for (int i = 0; i < 600000; i += 300)
        ids.Set(i * KIdSet::kWordBits);
    ASSERT_TRUE(ids.Set(INT32_MAX));
    EXPECT_EQ(ids.GetHighest(), INT32_MAX);
    EXPECT_EQ(ids.FindFirst(false, INT32_MAX), -1);
    EXPECT_EQ(ids.FindFirst(false, INT32_MAX - 1), INT32_MAX - 1);
    EXPECT_EQ(ids.FindFirst(true, INT32_MAX - 5), INT32_MAX);
    EXPECT_EQ(ids.AssignLowest(), 1);
    KIdSet top;
    top.Set(INT32_MAX - 1);
    EXPECT_EQ(top.FindFirst(false, INT32_MAX - 1), INT32_MAX);
    top.Set(INT32_MAX);
    EXPECT_EQ(top.FindFirst(false, INT32_MAX - 1), -1);
    EXPECT_EQ(top.Count(), 2);
}

TEST(KIdSetTest, CopiesShareUntilChanged)
{
    KIdSet a;
    for (int i = 0; i < 10; ++i)
        a.AssignLowest();
    KIdSet b(a);
    EXPECT_TRUE(b.SharesStorageWith(a));
    b.Clear(3);
    EXPECT_FALSE(b.SharesStorageWith(a));
    EXPECT_TRUE(a.Test(3));
    EXPECT_FALSE(b.Test(3));
    KIdSet c;
    c = a;
    a.Set(5000);
    EXPECT_FALSE(c.Test(5000));
    EXPECT_EQ(c.Count(), 10);
    const KIdSet& self = c;
    c = self;
    EXPECT_EQ(c.Count(), 10);
    c.ClearAll();
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(a.Count(), 11);
}

TEST(KWorldTest, EntitiesTreeAndIds)
{
    KWorld world;
    EXPECT_EQ(world.GetRoot(0)->GetId(), 0);
    EXPECT_EQ(world.GetRoot(1)->GetId(), 1);
    EXPECT_EQ(world.GetRoot(2), nullptr);
    KWorldEntity* parent = world.CreateEntity(0, world.GetRoot(0));
    KWorldEntity* child = world.CreateEntity(0, parent);
    EXPECT_EQ(parent->GetId(), 2);
    EXPECT_EQ(child->GetId(), 3);
    EXPECT_GT(child->GetSerial(), parent->GetSerial());
    EXPECT_EQ(parent->GetRefCount(), 2);
    EXPECT_EQ(parent->GetChild(0), child);
    EXPECT_EQ(child->GetParent(), parent);
    EXPECT_EQ(child->GetWord(0), 1);
    // The child holds its parent: releasing the parent's own count keeps it.
    world.Release(parent);
    EXPECT_EQ(parent->GetRefCount(), 1);
    EXPECT_TRUE(world.GetEntityIds().Test(2));
    world.Release(child); // frees both
    EXPECT_FALSE(world.GetEntityIds().Test(2));
    EXPECT_FALSE(world.GetEntityIds().Test(3));
    EXPECT_EQ(world.GetRoot(0)->GetChildCount(), 0);
    EXPECT_EQ(world.GetRoot(0)->GetRefCount(), 1);
    KWorld other;
    EXPECT_EQ(other.CreateEntity(0, world.GetRoot(0)), nullptr);
}

TEST(KWorldTest, ObjectAndPropertyTables)
{
    KWorld world;
    auto* o1 = reinterpret_cast<KObject*>(0x1000);
    auto* o2 = reinterpret_cast<KObject*>(0x2000);
    auto* p1 = reinterpret_cast<KProperty*>(0x3000);
    auto* p2 = reinterpret_cast<KProperty*>(0x4000);
    EXPECT_EQ(world.RegisterObject(nullptr), -1);
    EXPECT_EQ(world.RegisterObject(o1), 0);
    KProperty* props[2] = {p1, p2};
    int pids[2] = {9, 9};
    EXPECT_EQ(world.RegisterObject(o2, props, 2, pids), 1);
    EXPECT_EQ(pids[0], 0);
    EXPECT_EQ(pids[1], 1);
    EXPECT_EQ(world.GetObject(1), o2);
    EXPECT_EQ(world.GetProperty(1), p2);
    EXPECT_EQ(world.GetObject(7), nullptr);
    EXPECT_EQ(world.GetObject(-1), nullptr);
    world.UnregisterObject(0);
    EXPECT_EQ(world.GetObject(0), nullptr);
    world.UnregisterObject(0); // twice: ignored
    EXPECT_EQ(world.RegisterObject(o1), 0);
    world.UnregisterProperty(0);
    EXPECT_EQ(world.GetProperty(0), nullptr);
    EXPECT_EQ(world.RegisterProperty(p1), 0);
    // Many objects: the table grows with the ids.
    std::vector<int> ids;
    for (int i = 0; i < 100; ++i)
        ids.push_back(world.RegisterObject(o1));
    EXPECT_EQ(ids.back(), 101);
    EXPECT_EQ(world.GetObject(101), o1);
}

TEST(ThreadsWorld, ConcurrentIdsStayUnique)
{
    KWorld world;
    auto* object = reinterpret_cast<KObject*>(0x1000);
    std::mutex seenLock;
    std::set<int> live;
    bool duplicate = false;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [&]
            {
                std::vector<KWorldEntity*> entities;
                std::vector<int> objects;
                for (int i = 0; i < 500; ++i)
                {
                    entities.push_back(world.CreateEntity(0, world.GetRoot(i % 2)));
                    const int id = world.RegisterObject(object);
                    {
                        std::lock_guard<std::mutex> lock(seenLock);
                        duplicate |= !live.insert(id).second;
                    }
                    objects.push_back(id);
                    if (i % 3 == 0)
                    {
                        {
                            std::lock_guard<std::mutex> lock(seenLock);
                            live.erase(objects.back());
                        }
                        world.UnregisterObject(objects.back());
                        objects.pop_back();
                        world.Release(entities.back());
                        entities.pop_back();
                    }
                }
                for (int id : objects)
                {
                    {
                        std::lock_guard<std::mutex> lock(seenLock);
                        live.erase(id);
                    }
                    world.UnregisterObject(id);
                }
                for (KWorldEntity* e : entities)
                    world.Release(e);
            });
    for (auto& th : threads)
        th.join();
    EXPECT_FALSE(duplicate);
    EXPECT_EQ(world.GetObjectIds().Count(), 0);
    EXPECT_EQ(world.GetEntityIds().Count(), 2); // the roots
    EXPECT_EQ(world.GetRoot(0)->GetChildCount(), 0);
    EXPECT_EQ(world.GetRoot(1)->GetRefCount(), 1);
    // After everything was given back the lowest ids come first again.
    EXPECT_EQ(world.RegisterObject(object), 0);
}

TEST(KWorldTest, GlobalWorld)
{
    KWorld* before = KGetGlobalWorld();
    KWorld world;
    KSetGlobalWorld(&world);
    EXPECT_EQ(KGetGlobalWorld(), &world);
    KSetGlobalWorld(before);
}

TEST(KIdSetTest, SetsSurviveAPurgeOfTheirPool)
{
    KIdSet a;
    for (int i = 0; i < 3 * KIdSet::kChunkBits; i += 7)
        a.Set(i);
    {
        KIdSet b(a);
        b.Clear(0); // unshares: a's old storage stays with a
    }               // b's storage goes back to the pool's free lists
    EXPECT_GT(KIdSetPool().GetCachedBlocks(), 0u);
    KIdSetPool().Purge();
    EXPECT_EQ(KIdSetPool().GetCachedBlocks(), 0u);
    EXPECT_TRUE(a.Test(7));
    EXPECT_EQ(a.Count(), (3 * KIdSet::kChunkBits + 6) / 7);
    KIdSet c(a);
    c.Clear(7);
    c.Set(100000);
    EXPECT_TRUE(a.Test(7));
    EXPECT_FALSE(c.Test(7));
    EXPECT_EQ(c.GetHighest(), 100000);
}
