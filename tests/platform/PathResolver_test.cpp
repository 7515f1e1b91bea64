#include "platform/sys/PathResolver.h"
#include "platform/sys/W32Files.h"
#include "tests/support/TempDir.h"

#include <filesystem>

using plat::ResolvePath;
using testsupport::TempDirTest;

class PathResolverTest : public TempDirTest
{
};

TEST_F(PathResolverTest, ExactPathIsKept)
{
    m_Dir.WriteFile("Data/Models/bird.scn", "x");
    EXPECT_EQ(ResolvePath("Data/Models/bird.scn"), "Data/Models/bird.scn");
}

TEST_F(PathResolverTest, BackslashesAndCaseAreResolved)
{
    m_Dir.WriteFile("Data/Models/Bird.scn", "x");
    m_Dir.WriteFile("Data/buttonTex.tga", "y");
    EXPECT_EQ(ResolvePath("data/models/bird.scn"), "Data/Models/Bird.scn");
    EXPECT_EQ(ResolvePath("Data\\models\\BIRD.SCN"), "Data/Models/Bird.scn");
    EXPECT_EQ(ResolvePath("Data\\buttonTex.tga"), "Data/buttonTex.tga");
    EXPECT_EQ(ResolvePath("./DATA/BUTTONTEX.TGA"), "./Data/buttonTex.tga");
    // Absolute paths resolve too.
    EXPECT_EQ(ResolvePath(m_Dir.Path() + "/DATA/buttontex.TGA"), m_Dir.Path() + "/Data/buttonTex.tga");
}

TEST_F(PathResolverTest, MissingFileStaysMissing)
{
    m_Dir.WriteFile("Data/a.txt", "x");
    EXPECT_EQ(ResolvePath("Data\\b.txt"), "Data/b.txt");
    EXPECT_EQ(ResolvePath("nothing/here.txt"), "nothing/here.txt");
    EXPECT_EQ(
        plat::CreateFileA("data/B.TXT", plat::GENERIC_READ, 0, nullptr, plat::OPEN_EXISTING, 0, nullptr),
        INVALID_HANDLE_VALUE);
}

TEST_F(PathResolverTest, FileCreatedAfterAListingIsFound)
{
    m_Dir.WriteFile("Data/a.txt", "x");
    EXPECT_EQ(ResolvePath("data/NEW.txt"), "data/NEW.txt");
    m_Dir.WriteFile("Data/New.txt", "x");
    EXPECT_EQ(ResolvePath("data/NEW.txt"), "Data/New.txt");
}

TEST_F(PathResolverTest, W32FileCallsRoundTrip)
{
    using namespace plat;
    HANDLE h = CreateFileA("Out.bin", GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(h, "hello", 5, &n, nullptr));
    EXPECT_EQ(n, 5u);
    EXPECT_TRUE(CloseHandle(h));

    h = CreateFileA("OUT.BIN", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                    nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SetFilePointer(h, 1, nullptr, FILE_BEGIN), 1u);
    char buf[8] = {};
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(n, 4u);
    EXPECT_STREQ(buf, "ello");
    EXPECT_EQ(SetFilePointer(h, -2, nullptr, FILE_END), 3u);
    EXPECT_EQ(SetFilePointer(h, -10, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
}

TEST_F(PathResolverTest, StaleListingIsReadAgain)
{
    m_Dir.WriteFile("Data/Bird.scn", "x");
    EXPECT_EQ(ResolvePath("data/bird.scn"), "Data/Bird.scn");
    std::filesystem::rename("Data/Bird.scn", "Data/BIRD.scn");
    EXPECT_EQ(ResolvePath("data/bird.scn"), "Data/BIRD.scn");

    // Another working folder: the cached listing of "." names a file that is
    // not here.
    m_Dir.WriteFile("Settings.INI", "x");
    EXPECT_EQ(ResolvePath("settings.ini"), "Settings.INI");
    testsupport::TempDir other;
    other.WriteFile("SETTINGS.ini", "y");
    EXPECT_EQ(ResolvePath("settings.ini"), "SETTINGS.ini");
}
