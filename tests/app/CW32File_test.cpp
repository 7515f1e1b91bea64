#include "app/CW32File.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace
{

using namespace plat;
using testsupport::TempDir;

struct CW32FileTest : testsupport::TempDirTest
{
};

TEST_F(CW32FileTest, WriteSeekReadRoundTrip)
{
    {
        CW32File f;
        ASSERT_TRUE(
            f.Open("cookedmesh.tmp", GENERIC_WRITE, OPEN_ALWAYS, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL));
        EXPECT_TRUE(f.Write("hello world", 11));
    } // the destructor closes
    CW32File f;
    // Opened by another letter case.
    ASSERT_TRUE(
        f.Open("CookedMesh.TMP", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL));
    char buf[16] = {};
    EXPECT_TRUE(f.Seek(6, FILE_BEGIN));
    EXPECT_EQ(f.Read(buf, 5), 5u);
    EXPECT_STREQ(buf, "world");
    EXPECT_EQ(f.Read(buf, 5), 0u); // at the end
    EXPECT_TRUE(f.Seek(-5, FILE_END));
    EXPECT_EQ(f.Read(buf, 2), 2u);
    EXPECT_TRUE(f.Seek(-2, FILE_CURRENT));
    EXPECT_FALSE(f.Seek(-100, FILE_BEGIN));
}

TEST_F(CW32FileTest, OpenAlwaysKeepsContentAndAppendsAtEnd)
{
    m_Dir.WriteFile("Error.log", "first\n");
    CW32File f;
    ASSERT_TRUE(f.Open("Error.log", GENERIC_WRITE, OPEN_ALWAYS, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(f.Seek(0, FILE_END));
    EXPECT_TRUE(f.Write("second\n", 7));
    f.Close();
    EXPECT_EQ(TempDir::ReadFile("Error.log"), "first\nsecond\n");
}

TEST_F(CW32FileTest, Quirks)
{
    CW32File f;
    EXPECT_FALSE(f.IsOpen());
    char buf[4];
    // Zero counts succeed without touching the (absent) file.
    EXPECT_EQ(f.Read(buf, 0), 1u);
    EXPECT_TRUE(f.Write(buf, 0));
    // No file: everything else fails cleanly.
    EXPECT_EQ(f.Read(buf, 4), 0u);
    EXPECT_FALSE(f.Write("x", 1));
    EXPECT_FALSE(f.Seek(0, FILE_BEGIN));
    f.Close();
    f.Close(); // twice is harmless

    EXPECT_FALSE(f.Open("missing.bin", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(f.IsOpen());
    EXPECT_FALSE(f.Open("", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL));

    // A file opened for reading only refuses writes.
    m_Dir.WriteFile("ro.bin", "abc");
    ASSERT_TRUE(f.Open("ro.bin", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(f.Write("x", 1));
    // Opening again closes the first file.
    ASSERT_TRUE(f.Open("ro.bin", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(f.Read(buf, 4), 3u);
}

} // namespace
