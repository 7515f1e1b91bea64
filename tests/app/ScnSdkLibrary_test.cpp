// The game's own start and stop of the scene SDK library: this program links
// the application object's code, whose static initialisers start it.

#include "scenesdk/kernel/KLibrary.h"
#include "scenesdk/kernel/KMemoryReusePool.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KWorld.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using namespace scenesdk;

namespace
{

TEST(GameScnSdkLibrary, StartedBeforeTheEntryFunction)
{
    EXPECT_EQ(KLibraryUserCount(), 1);
    EXPECT_NE(KGetGlobalWorld(), nullptr);
    ASSERT_EQ(KMemoryPoolRegistryCount(), 1) << "the default pool";
    EXPECT_NE(KMemoryPoolRegistryGet(0), nullptr);
}

// A program that used the SDK and ends through the run-time's exit runs the
// stop after everything else and ends with its own code; a fault in the stop
// would end it on a signal or a sanitizer's report.
TEST(GameScnSdkLibrary, StopsCleanlyAtExit)
{
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            {
                auto manager = std::make_unique<KScnSdkManager>();
                KScnSceneRoot* scene = manager->CreateScene();
                KScnNode* node = manager->CreateNode("A");
                scene->GetRootNode()->AddChild(node);
                node->AddTakeNode("Take 1");
            }
            std::exit(7);
        },
        ::testing::ExitedWithCode(7), "^$");
}

} // namespace
