#include "scenesdk/fileio/KConfigFile.h"

#include "platform/sys/SystemInfo.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenesdk;
using testsupport::TempDir;
using testsupport::TempDirTest;

namespace
{

std::string ComputerName()
{
    char name[plat::MAX_COMPUTERNAME_LENGTH + 1] = "";
    plat::DWORD size = sizeof name;
    EXPECT_TRUE(plat::GetComputerNameA(name, &size));
    return name;
}

} // namespace

class KConfigFileTest : public TempDirTest
{
};

TEST_F(KConfigFileTest, AtNamesArePerComputerInTheWorkingFolder)
{
    EXPECT_EQ(KConfigFile::ResolveName("@Application.txt"), ComputerName() + "-Application.txt");
    EXPECT_EQ(KConfigFile::ResolveName("plain.ini"), "plain.ini");
    EXPECT_EQ(KConfigFile::ResolveName(nullptr), "");

    m_Dir.WriteFile(ComputerName() + "-Application.txt", "[NumericField]\nDecimal = 5\n");
    KConfigFile file("@Application.txt");
    EXPECT_STREQ(file.GetValue("NumericField", "Decimal", "2"), "5");
}

TEST_F(KConfigFileTest, MissingFileGivesDefaultsAndIsNeverWritten)
{
    {
        KConfigFile file("@Application.txt");
        EXPECT_STREQ(file.GetValue("NumericField", "Decimal", "2"), "2");
        EXPECT_STREQ(file.GetValue(nullptr, "Decimal", "d"), "d");
        EXPECT_FALSE(file.IsModified());
    }
    EXPECT_FALSE(TempDir::FileExists(ComputerName() + "-Application.txt"));
}

TEST_F(KConfigFileTest, GrammarCommentsAndCase)
{
    m_Dir.WriteFile("c.txt", "top = 1\r\n"
                             "; comment = no\n"
                             "  # another = no\n"
                             "[ First ]\n"
                             "  Key =  spaced value  \n"
                             "semi = a;b\n"
                             "noequals\n"
                             "key = second\n"
                             "[Second]\n"
                             "empty =\n"
                             "[first]\n"
                             "later = 3");
    KConfigFile file("c.txt");
    EXPECT_STREQ(file.GetValue("", "top", "x"), "1");
    EXPECT_STREQ(file.GetValue("", "comment", "x"), "x");
    EXPECT_STREQ(file.GetValue("", "another", "x"), "x");
    EXPECT_STREQ(file.GetValue("FIRST", "KEY", "x"), "spaced value");
    EXPECT_STREQ(file.GetValue("First", "semi", "x"), "a;b");
    EXPECT_STREQ(file.GetValue("Second", "empty", "x"), "");
    EXPECT_STREQ(file.GetValue("First", "later", "x"), "3");
    EXPECT_STREQ(file.GetValue("Second", "Key", "x"), "x");
}

TEST_F(KConfigFileTest, SavesOnlyWhenAValueChanged)
{
    m_Dir.WriteFile("c.txt", "[S]\nA = 1\n");
    {
        KConfigFile file("c.txt");
        file.SetValue("S", "A", "1"); // same text: no change
        EXPECT_FALSE(file.IsModified());
    }
    EXPECT_EQ(TempDir::ReadFile("c.txt"), "[S]\nA = 1\n");
    {
        KConfigFile file("c.txt");
        file.SetValue("S", "A", "2");
        file.SetValue("T", "B", "x");
        EXPECT_TRUE(file.IsModified());
    }
    KConfigFile again("c.txt");
    EXPECT_STREQ(again.GetValue("S", "A", ""), "2");
    EXPECT_STREQ(again.GetValue("T", "B", ""), "x");
}

// Values handed out stay where they are while other keys and sections are added.
TEST_F(KConfigFileTest, ValueTextsStayValidWhileTheFileGrows)
{
    m_Dir.WriteFile("c.txt", "[S]\nshort = 1\nlong = " + std::string(100, 'l') + "\n");
    KConfigFile file("c.txt");
    const char* shortText = file.GetValue("S", "short", "");
    const char* longText = file.GetValue("S", "long", "");
    for (int i = 0; i < 100; ++i)
    {
        file.SetValue("S", ("key" + std::to_string(i)).c_str(), "v");
        file.SetValue(("Section" + std::to_string(i)).c_str(), "k", "v");
    }
    EXPECT_EQ(shortText, file.GetValue("S", "short", ""));
    EXPECT_STREQ(shortText, "1");
    EXPECT_STREQ(longText, std::string(100, 'l').c_str());
    EXPECT_STREQ(file.GetValue("Section99", "k", ""), "v");
}
