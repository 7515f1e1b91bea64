#include "app/CSettings.h"
#include "app/CSettingsStore.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace
{

using testsupport::TempDir;

// Parses text directly (no file): true when the whole text parsed.
struct SParsed
{
    CSettingsStore store;
    bool ok;
    explicit SParsed(const std::string& text) : ok(store.Parse(text.data(), text.data() + text.size())) {}
    std::string Get(const std::string& section, const std::string& key)
    {
        if (!store.SelectSection(section))
            return "<no section>";
        return store.GetValue(key);
    }
};

bool Parses(const std::string& text)
{
    return SParsed(text).ok;
}

TEST(SettingsGrammarTest, EveryLineKind)
{
    SParsed p("# hash comment\n"
              "; semicolon comment\n"
              "  // slash comment with = and [x]\n"
              "/* block */\n"
              "\t[ DISPLAY ]  \n"
              "hRes=1024\n"
              "\n"
              "   \t\n"
              "  title  =  My Game  \n"
              "_under_1 = a;b;c\n");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.store.GetStatus(), 0u);
    ASSERT_EQ(p.store.GetSections().size(), 1u);
    EXPECT_EQ(p.store.GetSections()[0].name, "DISPLAY");
    EXPECT_EQ(p.Get("DISPLAY", "hRes"), "1024");
    EXPECT_EQ(p.Get("DISPLAY", "title"), "My Game  "); // trailing blanks kept
    EXPECT_EQ(p.Get("DISPLAY", "_under_1"), "a;b;c");
}

TEST(SettingsGrammarTest, LineEndsCrLfCrlfAndLfCr)
{
    SParsed p("[A]\r\nx=1\ry=2\nz=3\r\n");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.Get("A", "x"), "1");
    EXPECT_EQ(p.Get("A", "y"), "2");
    EXPECT_EQ(p.Get("A", "z"), "3");
    // "\n\r" is two line ends: an empty line between.
    EXPECT_TRUE(Parses("x=1\n\ry=2\n\r"));
    // A CR never becomes part of a value or comment.
    SParsed c("# c\r[S]\rk=v \r");
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.Get("S", "k"), "v ");
}

// Each section and key keeps the line it stands on, whatever ends the lines
// before it (CR LF, CR, LF; LF CR is two) and however many lines a block
// comment spans. One row per section and key: its line.
TEST(SettingsGrammarTest, EntriesKnowTheirLines)
{
    SParsed p("early=0\n"            // 1, before any section
              "# comment\r\n"        // 2
              "[A]\r"                // 3
              "a=1\n\r"              // 4, then the empty line 5
              "/* one\n two\r\n*/\n" // 6 to 8
              "  [ B ]\n"            // 9
              "\n"                   // 10
              "b = x\r\n"            // 11
              "a=2\n");              // 12
    ASSERT_TRUE(p.ok);
    const std::vector<SSettingsSection>& sections = p.store.GetSections();
    ASSERT_EQ(sections.size(), 3u);
    const uint32_t kRows[][3] = {{0, 0, 1}, {1, 0, 4}, {2, 0, 11}, {2, 1, 12}}; // section, entry, line
    for (const auto& row : kRows)
        EXPECT_EQ(sections[row[0]].entries[row[1]].line, row[2]) << sections[row[0]].entries[row[1]].key;
    EXPECT_EQ(sections[0].line, 0u) << "Globals has no line";
    EXPECT_EQ(sections[1].line, 3u);
    EXPECT_EQ(sections[2].line, 9u);
}

TEST(SettingsGrammarTest, ValuesTakeEverythingToTheLineEnd)
{
    SParsed p("[G]\n"
              "a = 1 # not a comment\n"
              "b=x=y//z;w\n"
              "c=\t tabbed\t\n"
              "d=\n"
              "e =   \n");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.Get("G", "a"), "1 # not a comment");
    EXPECT_EQ(p.Get("G", "b"), "x=y//z;w");
    EXPECT_EQ(p.Get("G", "c"), "tabbed\t");
    EXPECT_EQ(p.Get("G", "d"), "");
    EXPECT_EQ(p.Get("G", "e"), "");
}

TEST(SettingsGrammarTest, GlobalsDuplicatesAndCase)
{
    SParsed p("top=1\n"
              "[GAME]\n"
              "Speed=5\n"
              "Speed=6\n"
              "[GAME]\n"
              "Other=7\n");
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.store.GetSections().size(), 3u);
    EXPECT_EQ(p.store.GetSections()[0].name, "Globals");
    EXPECT_EQ(p.Get("Globals", "top"), "1");
    EXPECT_EQ(p.Get("GAME", "Speed"), "5");            // first occurrence wins
    EXPECT_EQ(p.Get("GAME", "Other"), "");             // only the first GAME is searched
    EXPECT_EQ(p.Get("GAME", "speed"), "");             // keys are case-sensitive
    EXPECT_EQ(p.Get("game", "Speed"), "<no section>"); // so are sections
    // A failed section lookup keeps the previous selection.
    EXPECT_TRUE(p.store.SelectSection("Globals"));
    EXPECT_FALSE(p.store.SelectSection("Missing"));
    EXPECT_EQ(p.store.GetValue("top"), "1");
}

TEST(SettingsGrammarTest, EmptyTextAndNulEndTheText)
{
    SParsed empty("");
    EXPECT_TRUE(empty.ok);
    EXPECT_TRUE(empty.store.GetSections().empty());
    // Everything after the first NUL is ignored.
    static const char kText[] = "[A]\nk=v\n\0\x80 garbage";
    SParsed nul(std::string(kText, sizeof kText - 1));
    ASSERT_TRUE(nul.ok);
    EXPECT_EQ(nul.Get("A", "k"), "v");
}

TEST(SettingsGrammarTest, MalformedLinesFailTheWholeFile)
{
    const char* bad[] = {
        "[A]\nk=v",              // last line without a line end
        "[A]\n1key=v\n",         // key starting with a digit
        "[A]\nmy-key=v\n",       // '-' in a key
        "[A]\nmy.key=v\n",       // '.' in a key
        "[My Section]\n",        // blank inside a section name
        "[A] x\n",               // text after ']'
        "[A\n",                  // unclosed section
        "[A]\nk=caf\xc3\xa9\n",  // bytes from 0x80 in a value
        "[A]\nk=a\x01z\n",       // control character
        "[A]\nk=a\x7fz\n",       // DEL
        "# comment \x80\n",      // not even in comments
        "key\n",                 // no '='
        "k = v # x\n[A]\n[ ]\n", // empty section name
        "/* never closed\n",     // open block comment
        "/* a */ x\n",           // text after a block comment
    };
    for (const char* text : bad)
    {
        SParsed p(text);
        EXPECT_FALSE(p.ok) << text;
        EXPECT_EQ(p.store.GetStatus(), 2u) << text;
    }
}

TEST(SettingsGrammarTest, BlockComments)
{
    SParsed p("  /* one */  \n"
              "/* spans\n"
              "   [NotASection]\n"
              "   key = not a key */\n"
              "[S]\n"
              "/**/\n"
              "/* stops at the first */\n"
              "k=v\n");
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.store.GetSections().size(), 1u);
    EXPECT_EQ(p.Get("S", "k"), "v");
    // Exactly one line end closes it; the next line is a line of its own.
    EXPECT_TRUE(Parses("/* x */\r\n\r\nk=v\n"));
    // The body is any byte, not only text characters.
    EXPECT_TRUE(Parses("/* \x01\x80 */\n"));
    // A block comment may not be followed by a line end-less end of text.
    EXPECT_FALSE(Parses("/* x */"));
}

TEST(SettingsGrammarTest, LongBlockCommentParsesAndHugeOneFailsCleanly)
{
    EXPECT_TRUE(Parses("/*" + std::string(3900, 'x') + "*/\n"));
    // Far past the nesting bound: a parse failure, not a stack overflow.
    EXPECT_FALSE(Parses("/*" + std::string(200000, 'x') + "*/\n"));
}

TEST(SettingsGrammarTest, ActionsOfAFailedParseStayButStatusIsTwo)
{
    SParsed p("[A]\nk=v\n[B]\nbad line\n");
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.store.GetSections().size(), 2u);
    EXPECT_EQ(p.store.GetStatus(), 2u);
}

struct SettingsFileTest : testsupport::TempDirTest
{
    CSettings settings;
};

TEST_F(SettingsFileTest, LoadAndLookup)
{
    m_Dir.WriteFile("settings.ini", "[DISPLAY]\r\nhRes = 800\r\nfullscreen = true \r\nempty=\r\n");
    ASSERT_TRUE(settings.Load("settings.ini"));
    EXPECT_EQ(settings.GetFileName(), "settings.ini");
    std::string v = "old";
    EXPECT_TRUE(settings.GetValue("DISPLAY", "hRes", v));
    EXPECT_EQ(v, "800");
    EXPECT_TRUE(settings.GetValue("DISPLAY", "fullscreen", v));
    EXPECT_EQ(v, "true "); // trailing blank kept: not exactly "true"
    v = "old";
    EXPECT_FALSE(settings.GetValue("DISPLAY", "empty", v));
    EXPECT_EQ(v, "");
    v = "old";
    EXPECT_FALSE(settings.GetValue("DISPLAY", "missing", v));
    EXPECT_EQ(v, "");
    v = "old";
    EXPECT_FALSE(settings.GetValue("GAME", "hRes", v));
    EXPECT_EQ(v, "old"); // section missing: untouched
}

// A start-up message names a key by its line as GetValue finds it: the
// first such key of the first section of that name. One row per key.
TEST_F(SettingsFileTest, KeysAreDescribedByTheLineGetValueReads)
{
    m_Dir.WriteFile("settings.ini", "[GAME]\nSunDir = 0;0;0\nSunDir = 1;1;1\n[GAME]\nTreemap = t.tga\n");
    ASSERT_TRUE(settings.Load("settings.ini"));
    const char* const kRows[][3] = {
        {"GAME", "SunDir", "settings.ini line 2: [GAME] SunDir = 0;0;0"},
        {"GAME", "Treemap", "settings.ini has no \"Treemap\" in [GAME]"}, // only the first [GAME] is read
        {"GAME", "", "settings.ini line 1: [GAME]"},
        {"Level1", "BuildTime", "settings.ini has no section [Level1]"},
    };
    for (const auto& row : kRows)
        EXPECT_EQ(settings.DescribeKey(row[0], row[1]), row[2]);
    SSettingsFault fault;
    fault.Set("GAME", "SunDir", "not 0;0;0", "");
    EXPECT_EQ(settings.DescribeFault(fault), "settings.ini line 2: [GAME] SunDir = 0;0;0: not 0;0;0");
}

// A note or a clamp is logged once per load, however often the value is read.
TEST_F(SettingsFileTest, NotesAreLoggedOncePerLoad)
{
    m_Dir.WriteFile("settings.ini", "[A]\nk = 7 days\n");
    const CSettings::SNumberLimits limits = {0.0, 5.0, true, false};
    double n = 0.0;
    testing::internal::CaptureStderr();
    for (int load = 0; load < 2; ++load)
    {
        ASSERT_TRUE(settings.Load("settings.ini"));
        EXPECT_TRUE(settings.GetLimitedNumber("A", "k", limits, n));
        EXPECT_TRUE(settings.GetLimitedNumber("A", "k", limits, n));
    }
    testing::internal::GetCapturedStderr();
    const std::string once = "k \"7 days\": \"days\" after 7 is ignored\nk 7 is more than 5; 5 is used\n";
    EXPECT_EQ(testsupport::TempDir::ReadFile("Error.log"), once + once);
}

TEST_F(SettingsFileTest, NameResolvesWithoutRegardToCase)
{
    m_Dir.WriteFile("Settings.INI", "k=v\n");
    ASSERT_TRUE(settings.Load("settings.ini"));
    std::string v;
    EXPECT_TRUE(settings.GetValue("Globals", "k", v));
}

TEST_F(SettingsFileTest, MissingFileMessages)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(settings.Load("nothere.ini"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Could not open input file nothere.ini\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Cannot open the \"settings.ini\" file !\n");
    EXPECT_EQ(TempDir::ReadFile("Error.log"), "Error: Cannot open the \"settings.ini\" file !\n");
    EXPECT_EQ(settings.GetStore().GetStatus(), 1u);

    // An empty name is status 1 without the open message; so is a folder.
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(settings.Load(""));
    EXPECT_FALSE(settings.Load(nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    testing::internal::GetCapturedStderr();
    std::filesystem::create_directory("folder.ini");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(settings.Load("folder.ini"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Could not open input file folder.ini\n");
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(settings.GetStore().GetStatus(), 1u);
}

TEST_F(SettingsFileTest, ParseFailureMessageAndNoLookups)
{
    m_Dir.WriteFile("bad.ini", "[A]\nk=v\nno equals\n");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(settings.Load("bad.ini"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Cannot parse the \"settings.ini\" file !\n");
    EXPECT_EQ(TempDir::ReadFile("Error.log"), "Error: Cannot parse the \"settings.ini\" file !\n");
    std::string v = "old";
    EXPECT_FALSE(settings.GetValue("A", "k", v));
    EXPECT_EQ(v, "old");
}

TEST_F(SettingsFileTest, StatusIsResetOnEveryLoad)
{
    m_Dir.WriteFile("bad.ini", "x");
    m_Dir.WriteFile("good.ini", "[A]\nk=v\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(settings.Load("bad.ini"));
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(settings.Load("good.ini"));
    std::string v;
    EXPECT_TRUE(settings.GetValue("A", "k", v));
    EXPECT_EQ(settings.GetStore().GetSections().size(), 1u); // the store was emptied first
    ASSERT_TRUE(settings.Load("good.ini"));
    EXPECT_EQ(settings.GetStore().GetSections().size(), 1u);
}

TEST(SettingsSingletonTest, CreatedOnceDestroyedToNull)
{
    EXPECT_EQ(CSettings::GetInstance(), nullptr);
    CSettings* a = CSettings::CreateInstance();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(CSettings::CreateInstance(), a);
    EXPECT_EQ(CSettings::GetInstance(), a);
    CSettings::DestroyInstance();
    EXPECT_EQ(CSettings::GetInstance(), nullptr);
    CSettings::DestroyInstance(); // harmless when absent
}

} // namespace
