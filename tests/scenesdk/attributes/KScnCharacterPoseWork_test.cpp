// Character poses of one scene, each with a private scene and character:
// tearing them down visits, per object that goes, only the contents that
// list it, so the work grows with the count of poses and not with its
// square. Work is counted (KSearchWork), never timed.

#include "scenesdk/attributes/KScnCharacterPose.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KSearchWork.h"

#include <gtest/gtest.h>

using namespace scenesdk;

namespace
{

// Work of destroying every other one of count poses, then the scene.
uint64_t PoseWork(int count)
{
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(scene->CreateCharacterPose("P"), i);
    EXPECT_EQ(manager.GetSceneCount(), count + 1);
    const uint64_t before = KSearchWork::Get();
    for (int i = count - 1; i >= 0; i -= 2)
        EXPECT_TRUE(scene->DestroyCharacterPose(i));
    EXPECT_TRUE(manager.DestroyScene(scene, true));
    EXPECT_EQ(manager.GetSceneCount(), 0);
    EXPECT_EQ(manager.GetHandlerObjectCount(), 0) << "every pose character destroyed";
    return KSearchWork::Get() - before;
}

TEST(CharacterPoseWork, TearingDownGrowsLinearly)
{
    // Seven times the poses: about seven times the work (a walk over every
    // scene per object would add about 40 times the objects of a pose).
    const uint64_t small = PoseWork(6), large = PoseWork(42);
    EXPECT_GT(small, 0u);
    EXPECT_LE(2 * large, 17 * small) << small << " then " << large;
}

} // namespace
