#pragma once

#include "scenesdk/fileio/KScnReader.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <utility>

namespace importtest
{

// Reads each file (first) with a new reader into one scene and expects it
// refused as corrupted with its reason (second) in the status text, and
// nothing of it left behind: no node, material, attribute or take more.
// The files are written into folder, or into a folder of their own.
template <class TReader, class TOptions, std::size_t N>
void ExpectEachRefused(const std::pair<std::string, std::string> (&cases)[N], const char* fileName,
                       testsupport::TempDir* folder = nullptr)
{
    testsupport::TempDir own;
    testsupport::TempDir& dir = folder ? *folder : own;
    scenesdk::KScnSdkManager manager;
    scenesdk::KScnSceneRoot* scene = manager.CreateScene();
    const int nodes = manager.GetNodeCount();
    const int materials = manager.GetMaterialCount();
    const int attributes = manager.GetNodeAttributeCount();
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.second);
        TReader reader(&manager);
        ASSERT_TRUE(reader.OpenFile(dir.WriteFile(fileName, c.first).c_str()));
        TOptions options;
        EXPECT_FALSE(reader.ReadScene(scene, &options));
        EXPECT_EQ(reader.GetError().GetLastErrorID(), scenesdk::KScnReader::eFileCorrupted);
        EXPECT_STREQ(reader.GetError().GetLastErrorString(), "File is corrupted");
        EXPECT_NE(std::string(reader.GetStatusText()).find(c.second), std::string::npos)
            << reader.GetStatusText();
        EXPECT_EQ(manager.GetNodeCount(), nodes);
        EXPECT_EQ(manager.GetMaterialCount(), materials);
        EXPECT_EQ(manager.GetNodeAttributeCount(), attributes);
        EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 0);
        EXPECT_EQ(scene->GetTakeInfoCount(), 0);
    }
}

} // namespace importtest
