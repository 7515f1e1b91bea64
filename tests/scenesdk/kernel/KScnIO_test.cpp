#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnIO.h"

#include <gtest/gtest.h>

#include <iterator>

using namespace scenesdk;

TEST(KScnIO, MessagesAndVersion)
{
    KScnFree<KScnIO> io(nullptr);
    const char* const expected[] = {
        "File is corrupted",
        "File version is not supported yet",
        "File version is not supported anymore",
        "File not opened",
        "File not created",
        "Out of disk space",
        "Uninitialized filename, use method Initialize(char* pFilename) first",
        "Unidentified error",
        "Index out of range",
        "Password error",
        "Stream options not set",
    };
    ASSERT_EQ(static_cast<int>(KScnIO::eErrorCount), static_cast<int>(std::size(expected)));
    for (int id = 0; id < KScnIO::eErrorCount; ++id)
    {
        io.GetError().SetLastErrorID(id);
        EXPECT_EQ(id, io.GetLastErrorID());
        EXPECT_STREQ(expected[id], io.GetLastErrorString()) << id;
    }
    io.GetError().SetLastErrorID(KScnIO::eErrorCount);
    EXPECT_STREQ("", io.GetLastErrorString());

    int major = -1, minor = -1, revision = -1;
    KScnIO::GetCurrentVersion(&major, &minor, &revision);
    EXPECT_EQ(6, major);
    EXPECT_EQ(0, minor);
    EXPECT_EQ(0, revision);
    KScnIO::GetCurrentVersion(nullptr, nullptr, nullptr);
}

TEST(KScnIO, InitializeStoresTheName)
{
    KScnFree<KScnIO> io(nullptr);
    EXPECT_TRUE(io.Initialize("a.scn"));
    EXPECT_STREQ("a.scn", io.GetFileName().Buffer());
    EXPECT_TRUE(io.Initialize(nullptr));
    EXPECT_STREQ("", io.GetFileName().Buffer());
    EXPECT_TRUE(io.GetFileName().IsValid());
}
