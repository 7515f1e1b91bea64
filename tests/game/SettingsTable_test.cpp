// What the game makes of a settings line (in place of its key's; ""
// removes it): the value it uses, the lines it logs and when; a value the
// level set-up could not use ends the start-up naming the key and its line.

#include "game/CBuildState.h"
#include "game/CForest.h"
#include "game/CPostLevelState.h"
#include "platform/sys/PathResolver.h"
#include "tests/game/BattleTestSupport.h"
#include "tests/support/StartUpWorld.h"

#include <cstring>
#include <filesystem>
#include <map>
#include <string>

using namespace battletest;

namespace
{

// When the row's lines are logged (at start-up, entering the first build
// phase or the battle); Refused: the start-up ends.
enum EWhen
{
    StartUp,
    FirstBuild,
    Battle,
    Refused
};

const char* const kRgb = "three finite numbers separated by ';' (r;g;b)";
const char* const kXyz = "three numbers separated by ';' (x;y;z), each within +-1000000, not 0;0;0";
const char* const kTga = "%Ta TGA image that can be read%R";

// What the game shows of the key's value.
std::string Used(CGameCtrl& ctrl, const std::string& key)
{
    CBuildState& build = *ctrl.GetBuildState();
    CForest::SForestSettings forest;
    CVector3 sun;
    float diffuse[4], ambient[4];
    SSettingsFault fault;
    char text[64] = "refused";
    if (key == "SunDiffuseColor" && CEnvironment::ReadSunSettings(sun, diffuse, ambient, fault))
        std::snprintf(text, sizeof text, "%g;%g;%g", diffuse[0], diffuse[1], diffuse[2]);
    const std::map<std::string, std::string> used = {
        {"StartMoney", build.GetGoldText()->GetText()},
        {"Citizen1", build.GetBuildingButtons()[0]->GetLabel()->GetText()},
        {"NumLevels", std::to_string(ctrl.GetPostLevelState()->GetNumLevels())},
        {"SpawnPoints", std::to_string(ctrl.GetBattleState()->GetTotalBirds())},
        {"NmbTrees", std::to_string(CForest::ReadSettings("GAME", forest, fault) ? forest.models.size() : 0)},
        {"SunDiffuseColor", text}};
    return used.at(key);
}

struct SRow
{
    const char* section;
    const char* line; // "<key> = <value>", or the bare key to remove it
    const char* used;
    // Refused rows: what the value must be, after "Error: settings.ini line
    // <line>: [<section>] <line>: " (or "... has no ..."), unless the whole
    // line is given. "%T" first: the texture loader's line before; "%R": ";
    // "<value>" cannot be read in the working folder "<folder>"".
    const char* log;
    EWhen when;
};

const SRow kRows[] = {
    // Whole numbers are read in base 10, whatever their leading zeros.
    {"GAME", "NumLevels = 010", "10", "", StartUp},
    // Text after a number is ignored, and said to be; blanks and comments
    // after it are not text.
    {"COSTS", "Citizen1 = 100 gold \t", "100,-", "Citizen1 \"100 gold\": \"gold\" after 100 is ignored\n",
     StartUp},
    {"COSTS", "Citizen1 = 100 // gold", "100,-", "", StartUp},
    {"COSTS", "Citizen1 = 100;gold", "100,-", "", StartUp},
    {"COSTS", "Citizen1 = 100  \t ", "100,-", "", StartUp},
    {"GAME", "NmbTrees = 1 kind", "1", "NmbTrees \"1 kind\": \"kind\" after 1 is ignored\n", StartUp},
    {"GAME", "StartMoney = 1,000", "Gold: 1", "StartMoney \"1,000\": \",000\" after 1 is ignored\n",
     FirstBuild},
    {"Level1", "SpawnPoints = 1 flock", "1", "SpawnPoints \"1 flock\": \"flock\" after 1 is ignored\n",
     Battle},
    // A number too large to hold keeps its sign.
    {"GAME", "StartMoney = -1e400", "Gold: 0", "StartMoney -1e400 is less than 0; 0 is used\n", FirstBuild},
    {"GAME", "StartMoney = 1e400 gold", "Gold: 99999",
     "StartMoney \"1e400 gold\": \"gold\" after 1e400 is ignored\nStartMoney 1e400 is more than 99999; 99999 "
     "is used\n",
     FirstBuild},
    // A light may be brighter than 1; every channel must be a number.
    {"GAME", "SunDiffuseColor = 1.5;1.2;1.0", "1.5;1.2;1", "", StartUp},
    {"GAME", "SunDiffuseColor = 1.5 1.2 1.0", "", kRgb, Refused},
    {"GAME", "SunDiffuseColor = 1;1;inf", "", kRgb, Refused},
    {"GAME", "SunAmbientColor = 1;nan;1", "", kRgb, Refused},
    {"GAME", "SunDir = 0;0;0", "", kXyz, Refused},
    {"GAME", "SunDir", "", kXyz, Refused},
    // The terrain's keys and files, as its build reads them; the forest's;
    // each level's sky.
    {"GAME", "XSize = big", "", "a number above 0 (up to about 1e36)", Refused},
    {"GAME", "Segments = 3", "",
     "each side of the heightmap less 1 a multiple of it (\"Data/terrain/heightmap.tga\" is 3 x 3)", Refused},
    {"GAME", "Heightmap = Data/terrain/none.tga", "",
     "%Ta TGA image that can be read (from the working folder)", Refused},
    {"GAME", "TerrainTexture2", "", "the terrain needs it", Refused},
    {"GAME", "TerrainTexture2 = Data/terrain/none.tga", "", kTga, Refused},
    {"GAME", "TerrainTexture1 = Data/terrain/none.tga", "", kTga, Refused},
    {"GAME", "Treemap = Data/terrain/none.tga", "", kTga, Refused},
    {"GAME", "NmbTrees = 2", "",
     "Error: settings.ini has no \"TreeModel2\" in [GAME]: \"NmbTrees\" names 2 tree models", Refused},
    {"GAME", "TreeModel1 = Data/models", "", "a file that can be read%R", Refused},
    {"Level2", "EnvironmentType = sphere", "", "\"Sphere\" or \"Cube\" (exactly so)", Refused},
    {"Level2", "EnvironmentModel = Data/environment/none.scn", "", "a file that can be read%R", Refused},
    {"Level2", "ReflectionMapTexture = Data/terrain/heightmap.tga # a picture", "", kTga, Refused},
    // A model must be of a kind the importer reads (from its first bytes).
    {"Level2", "EnvironmentModel = Data/environment/sky.tga", "",
     "a scene file (text, binary or encrypted) that the model importer reads; \"Data/environment/sky.tga\" is "
     "not one",
     Refused},
    {"GAME", "TreeModel1 = Data/models/tree1.3ds", "",
     "a 3DS model (main chunk 4D4D) that the model importer reads; \"Data/models/tree1.3ds\" is not one",
     Refused},
};

class SettingsTable : public BattleTest
{
protected:
    void SetUp() override
    {
        BattleTest::SetUp();
        testsupport::WriteWorldFiles(m_Dir);
        m_Dir.WriteFile("Data/models/tree1.3ds", "; a text\n");
        m_Ctrl.m_bCheckLevelSetUp = true;
    }
    static std::string Key(const SRow& row)
    {
        return std::string(row.line).substr(0, std::string(row.line).find(" ="));
    }
    static std::string Line(const SRow& row) { return std::strchr(row.line, '=') != nullptr ? row.line : ""; }
    // The settings with the row's line in place of its key's; line: the
    // row's line number.
    static std::string Settings(const SRow& row, int& line)
    {
        std::string text =
            std::string("[GAME]\nStartPos=500;20;500\nStartMoney=100\nNumLevels=2\n") +
            testsupport::kWorldGameKeys +
            "[COSTS]\nCitizen1=100\nCitizen2=180\nMarket=150\nChurch=400\nToilet=40\nTower=250\n"
            "[Level1]\nBuildTime=60\nSpawnPoints=1\nSpawnPoint1=1000;1;K;0;40;0\n" +
            testsupport::kWorldLevelKeys;
        for (int level = 2; level <= 10; ++level) // "NumLevels = 010" needs ten
            text += "[Level" + std::to_string(level) + "]\n" + testsupport::kWorldLevelKeys;
        const size_t at = text.find("\n" + Key(row) + "=", text.find(std::string("[") + row.section)) + 1;
        line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
        return text.replace(at, text.find('\n', at) + 1 - at, Line(row).empty() ? "" : Line(row) + "\n");
    }
};

TEST_F(SettingsTable, EachValueLineIsUsedAndLoggedAtItsTime)
{
    const std::string folder = std::filesystem::current_path().string();
    for (const SRow& row : kRows)
    {
        SCOPED_TRACE(std::string("[") + row.section + "] " + row.line);
        int line = 0;
        const std::string settings = Settings(row, line);
        const std::string section = row.section, key = Key(row), text = Line(row);
        const std::string value = text.empty() ? "" : text.substr(text.find(" = ") + 3);
        std::string expected = row.log;
        if (row.when == Refused)
        {
            if (expected.rfind("Error: ", 0) != 0)
                expected = (text.empty() ? "Error: settings.ini has no \"" + key + "\" in [" + section + "]"
                                         : "Error: settings.ini line %L: [" + section + "] " + text) +
                           ": " + expected;
            expected += "; the game does not start\n";
        }
        for (const auto& [mark, by] :
             {std::make_pair("%L", std::to_string(line)),
              std::make_pair("%R",
                             "; \"" + value + "\" cannot be read in the working folder \"" + folder + "\""),
              std::make_pair("%T", std::string())})
            for (size_t at; (at = expected.find(mark)) != std::string::npos;)
                expected.replace(at, 2, by);
        if (std::string(row.log).rfind("%T", 0) == 0)
            expected = "Could not open texture file: " + value + "\n" + expected;

        const bool started = CreateFixed(settings);
        std::string logs[3] = {m_strLog, "", ""};
        TakeErrors();
        EXPECT_EQ(started, row.when != Refused);
        if (started)
        {
            m_Ctrl.NextLevel();
            m_Ctrl.ChangeState(m_Ctrl.GetBuildState());
            logs[1] = TakeErrors();
            m_Ctrl.GetBuildState()->OnToBattle(0);
            logs[2] = TakeErrors();
            EXPECT_EQ(Used(m_Ctrl, key), row.used);
            EXPECT_EQ(TakeErrors(), "") << "a line is said once, however often the value is read";
        }
        for (int stage = 0; stage < 3; ++stage)
            EXPECT_EQ(logs[stage], stage == (row.when == Refused ? 0 : row.when) ? expected : "") << stage;
        m_Ctrl.Destroy();
    }
}

// Started in a folder without "Data" (another than the game's), the game
// says so before its menu and before it loads anything, whatever the
// settings.
TEST_F(SettingsTable, NoDataFolderEndsTheStartUp)
{
    std::filesystem::rename("Data", "Game data");
    plat::ClearPathCache();
    int line = 0;
    EXPECT_FALSE(CreateFixed(Settings({"GAME", "StartMoney = 10", "", "", StartUp}, line)));
    EXPECT_EQ(m_strLog,
              "Error: No \"Data\" folder in the working folder \"" +
                  std::filesystem::current_path().string() +
                  "\": start the game in the folder that holds \"Data\" and \"settings.ini\"; the game "
                  "does not start\n");
    EXPECT_EQ(m_Ctrl.GetCurrentState(), nullptr) << "no menu";
}

} // namespace
