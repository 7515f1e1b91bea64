// What the game makes of a settings line, and when it says so: one row per
// rule, of the value line, the value the game then uses, the lines it logs
// and when it logs them (at start-up, entering the first build phase or the
// battle). A value that the level set-up could not use ends the start-up,
// with a message naming the key and its line. Settings: a small world that
// the start-up check accepts, two levels; the row's line replaces the line
// of its key (an empty line removes it).

#include "game/CBuildState.h"
#include "game/CForest.h"
#include "game/CPostLevelState.h"
#include "platform/sys/PathResolver.h"
#include "tests/game/BattleTestSupport.h"
#include "tests/support/StartUpWorld.h"

#include <filesystem>
#include <map>
#include <string>

using namespace battletest;

namespace
{

enum class EWhen
{
    StartUp,    // logged while the game starts
    FirstBuild, // logged entering the first level's build phase
    Battle,     // logged entering the battle
    Refused     // the start-up ends (the value used is "")
};

// What the game shows of the key's value.
std::string Used(CGameCtrl& ctrl, const std::string& key)
{
    CBuildState& build = *ctrl.GetBuildState();
    if (key == "StartMoney")
        return build.GetGoldText()->GetText();
    if (key == "BuildTime")
        return build.GetTimeText()->GetText();
    if (key == "Citizen1")
        return build.GetBuildingButtons()[0]->GetLabel()->GetText();
    if (key == "NumLevels")
        return std::to_string(ctrl.GetPostLevelState()->GetNumLevels());
    if (key == "SpawnPoints")
        return std::to_string(ctrl.GetBattleState()->GetTotalBirds());
    if (key == "NmbTrees")
    {
        CForest::SForestSettings forest;
        SSettingsFault fault;
        CForest::ReadSettings("GAME", forest, fault);
        return std::to_string(forest.models.size());
    }
    if (key == "SunDiffuseColor")
    {
        CVector3 direction;
        float diffuse[4], ambient[4];
        SSettingsFault fault;
        if (!CEnvironment::ReadSunSettings(direction, diffuse, ambient, fault))
            return "refused";
        char text[64];
        std::snprintf(text, sizeof text, "%g;%g;%g", diffuse[0], diffuse[1], diffuse[2]);
        return text;
    }
    return "?";
}

struct SRow
{
    const char* section;
    const char* key;
    const char* line; // "" removes the key's line
    const char* used;
    const char* log; // "%L": the row's line number; "%W": the working folder
    EWhen when;
};

const char* const kStop = "; the game does not start\n";

const SRow kRows[] = {
    // Whole numbers are read in base 10, whatever their leading zeros.
    {"GAME", "NumLevels", "NumLevels = 010", "10", "", EWhen::StartUp},
    // Text after a number is ignored, and said to be; blanks and comments
    // after it are not text.
    {"GAME", "NumLevels", "NumLevels = 2 levels", "2",
     "NumLevels \"2 levels\": \"levels\" after 2 is ignored\n", EWhen::StartUp},
    {"COSTS", "Citizen1", "Citizen1 = 100 gold", "100,-",
     "Citizen1 \"100 gold\": \"gold\" after 100 is ignored\n", EWhen::StartUp},
    {"COSTS", "Citizen1", "Citizen1 = 100 # gold", "100,-", "", EWhen::StartUp},
    {"COSTS", "Citizen1", "Citizen1 = 100 // gold", "100,-", "", EWhen::StartUp},
    {"COSTS", "Citizen1", "Citizen1 = 100;gold", "100,-", "", EWhen::StartUp},
    {"COSTS", "Citizen1", "Citizen1 = 100  \t ", "100,-", "", EWhen::StartUp},
    {"GAME", "NmbTrees", "NmbTrees = 1 kind", "1", "NmbTrees \"1 kind\": \"kind\" after 1 is ignored\n",
     EWhen::StartUp},
    {"Level1", "BuildTime", "BuildTime = 2min", "Time left: 00:02",
     "BuildTime \"2min\": \"min\" after 2 is ignored\n", EWhen::FirstBuild},
    {"GAME", "StartMoney", "StartMoney = 1,000", "Gold: 1",
     "StartMoney \"1,000\": \",000\" after 1 is ignored\n", EWhen::FirstBuild},
    {"Level1", "SpawnPoints", "SpawnPoints = 1 flock", "1",
     "SpawnPoints \"1 flock\": \"flock\" after 1 is ignored\n", EWhen::Battle},
    // A number too large to hold keeps its sign.
    {"GAME", "StartMoney", "StartMoney = -1e400", "Gold: 0", "StartMoney -1e400 is less than 0; 0 is used\n",
     EWhen::FirstBuild},
    {"GAME", "StartMoney", "StartMoney = 1e400 gold", "Gold: 99999",
     "StartMoney \"1e400 gold\": \"gold\" after 1e400 is ignored\n"
     "StartMoney 1e400 is more than 99999; 99999 is used\n",
     EWhen::FirstBuild},
    {"GAME", "StartMoney", "StartMoney = nan", "Gold: 0",
     "Error: Couldn't get \"StartMoney\"-Value from \"GAME\" in CBuildState::Enter\n", EWhen::FirstBuild},
    // A light may be brighter than 1; every channel must be a number.
    {"GAME", "SunDiffuseColor", "SunDiffuseColor = 1.5;1.2;1.0", "1.5;1.2;1", "", EWhen::StartUp},
    {"GAME", "SunDiffuseColor", "SunDiffuseColor = 1.5 1.2 1.0", "",
     "Error: settings.ini line %L: [GAME] SunDiffuseColor = 1.5 1.2 1.0: three finite numbers separated by "
     "';' "
     "(r;g;b)",
     EWhen::Refused},
    {"GAME", "SunDiffuseColor", "SunDiffuseColor = 1;1;inf", "",
     "Error: settings.ini line %L: [GAME] SunDiffuseColor = 1;1;inf: three finite numbers separated by ';' "
     "(r;g;b)",
     EWhen::Refused},
    {"GAME", "SunAmbientColor", "SunAmbientColor = 1;nan;1", "",
     "Error: settings.ini line %L: [GAME] SunAmbientColor = 1;nan;1: three finite numbers separated by ';' "
     "(r;g;b)",
     EWhen::Refused},
    {"GAME", "SunDir", "SunDir = 0;0;0", "",
     "Error: settings.ini line %L: [GAME] SunDir = 0;0;0: three numbers separated by ';' (x;y;z), each "
     "within "
     "+-1000000, not 0;0;0",
     EWhen::Refused},
    {"GAME", "SunDir", "", "",
     "Error: settings.ini has no \"SunDir\" in [GAME]: three numbers separated by ';' "
     "(x;y;z), each within +-1000000, not 0;0;0",
     EWhen::Refused},
    // The terrain's keys and files, as its build reads them.
    {"GAME", "XSize", "XSize = big", "",
     "Error: settings.ini line %L: [GAME] XSize = big: a number above 0 (up to about 1e36)", EWhen::Refused},
    {"GAME", "Segments", "Segments = 3", "",
     "Error: settings.ini line %L: [GAME] Segments = 3: each side of the heightmap less 1 a multiple of it "
     "(\"Data/terrain/heightmap.tga\" is 3 x 3)",
     EWhen::Refused},
    {"GAME", "Heightmap", "Heightmap = Data/terrain/none.tga", "",
     "Could not open texture file: Data/terrain/none.tga\n"
     "Error: settings.ini line %L: [GAME] Heightmap = Data/terrain/none.tga: a TGA image that can be read "
     "(from the "
     "working folder)",
     EWhen::Refused},
    {"GAME", "TerrainTexture2", "", "",
     "Error: settings.ini has no \"TerrainTexture2\" in [GAME]: the terrain needs it", EWhen::Refused},
    {"GAME", "TerrainTexture1", "TerrainTexture1 = Data/terrain/none.tga", "",
     "Could not open texture file: Data/terrain/none.tga\n"
     "Error: settings.ini line %L: [GAME] TerrainTexture1 = Data/terrain/none.tga: a TGA image that can be "
     "read; "
     "\"Data/terrain/none.tga\" cannot be read in the working folder \"%W\"",
     EWhen::Refused},
    // The forest's.
    {"GAME", "Treemap", "Treemap = Data/terrain/none.tga", "",
     "Could not open texture file: Data/terrain/none.tga\n"
     "Error: settings.ini line %L: [GAME] Treemap = Data/terrain/none.tga: a TGA image that can be read; "
     "\"Data/terrain/none.tga\" cannot be read in the working folder \"%W\"",
     EWhen::Refused},
    {"GAME", "NmbTrees", "NmbTrees = 2", "",
     "Error: settings.ini has no \"TreeModel2\" in [GAME]: \"NmbTrees\" names 2 tree models", EWhen::Refused},
    {"GAME", "TreeModel1", "TreeModel1 = Data/models", "",
     "Error: settings.ini line %L: [GAME] TreeModel1 = Data/models: a file that can be read; \"Data/models\" "
     "cannot "
     "be read in the working folder \"%W\"",
     EWhen::Refused},
    // Each level's sky.
    {"Level2", "EnvironmentType", "EnvironmentType = sphere", "",
     "Error: settings.ini line %L: [Level2] EnvironmentType = sphere: \"Sphere\" or \"Cube\" (exactly so)",
     EWhen::Refused},
    {"Level2", "EnvironmentModel", "EnvironmentModel = Data/environment/none.scn", "",
     "Error: settings.ini line %L: [Level2] EnvironmentModel = Data/environment/none.scn: a file that can be "
     "read; "
     "\"Data/environment/none.scn\" cannot be read in the working folder \"%W\"",
     EWhen::Refused},
    {"Level2", "ReflectionMapTexture", "ReflectionMapTexture = Data/terrain/heightmap.tga # a picture", "",
     "Could not open texture file: Data/terrain/heightmap.tga # a picture\n"
     "Error: settings.ini line %L: [Level2] ReflectionMapTexture = Data/terrain/heightmap.tga # a picture: a "
     "TGA "
     "image that can be read; \"Data/terrain/heightmap.tga # a picture\" cannot be read in the working "
     "folder \"%W\"",
     EWhen::Refused},
};

class SettingsTable : public BattleTest
{
protected:
    // The settings with the row's line in place of its key's; line receives
    // the row's line number (0 when it removes the key).
    static std::string Settings(const SRow& row, int& line)
    {
        std::map<std::string, std::string> sections = {
            {"GAME",
             std::string("StartPos=500;20;500\nStartMoney=100\nNumLevels=2\n") + testsupport::kWorldGameKeys},
            {"COSTS", "Citizen1=100\nCitizen2=180\nMarket=150\nChurch=400\nToilet=40\nTower=250\n"},
            {"Level1", std::string("BuildTime=60\nSpawnPoints=1\nSpawnPoint1=1000;1;K;0;40;0\n") +
                           testsupport::kWorldLevelKeys}};
        std::vector<std::string> names = {"GAME", "COSTS"};
        for (int level = 1; level <= 10; ++level)
        {
            const std::string name = "Level" + std::to_string(level);
            if (level > 1)
                sections[name] = testsupport::kWorldLevelKeys;
            names.push_back(name);
        }
        std::string& lines = sections[row.section];
        const std::string key = std::string(row.key) + "=";
        const size_t at = lines.find(key);
        if (at != std::string::npos)
            lines.erase(at, lines.find('\n', at) + 1 - at);
        const std::string marker = "@@";
        if (*row.line)
            lines.insert(at == std::string::npos ? lines.size() : at, marker + row.line + "\n");
        std::string text;
        for (const std::string& name : names)
            text += "[" + name + "]\n" + sections[name];
        line = 0;
        const size_t mark = text.find(marker);
        if (mark != std::string::npos)
        {
            line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + mark, '\n'));
            text.erase(mark, marker.size());
        }
        return text;
    }
};

TEST_F(SettingsTable, EachValueLineIsUsedAndLoggedAtItsTime)
{
    testsupport::WriteWorldFiles(m_Dir);
    const std::string folder = std::filesystem::current_path().string();
    for (const SRow& row : kRows)
    {
        SCOPED_TRACE(std::string("[") + row.section + "] " + (*row.line ? row.line : row.key));
        int line = 0;
        const std::string settings = Settings(row, line);
        std::string expected = row.log;
        if (row.when == EWhen::Refused)
            expected += kStop;
        for (const auto& [mark, text] :
             {std::make_pair("%L", std::to_string(line)), std::make_pair("%W", folder)})
            for (size_t at; (at = expected.find(mark)) != std::string::npos;)
                expected.replace(at, 2, text);

        m_Ctrl.m_bCheckLevelSetUp = true;
        const bool started = CreateFixed(settings);
        std::string logs[3] = {m_strLog, "", ""};
        TakeErrors();
        EXPECT_EQ(started, row.when != EWhen::Refused);
        if (started)
        {
            m_Ctrl.NextLevel();
            m_Ctrl.ChangeState(m_Ctrl.GetBuildState());
            logs[1] = TakeErrors();
            m_Ctrl.GetBuildState()->OnToBattle(0);
            logs[2] = TakeErrors();
            EXPECT_EQ(Used(m_Ctrl, row.key), row.used);
            EXPECT_EQ(TakeErrors(), "") << "a line is said once, however often the value is read";
        }
        const int when = row.when == EWhen::FirstBuild ? 1 : row.when == EWhen::Battle ? 2 : 0;
        for (int stage = 0; stage < 3; ++stage)
            EXPECT_EQ(logs[stage], stage == when ? expected : "") << "stage " << stage;
        m_Ctrl.Destroy();
    }
}

// Started in a folder without "Data" (another than the game's), the game
// says so before its menu, whatever the settings.
TEST_F(SettingsTable, NoDataFolderEndsTheStartUp)
{
    testsupport::WriteWorldFiles(m_Dir);
    std::filesystem::rename("Data", "Game data");
    plat::ClearPathCache();
    m_Ctrl.m_bCheckLevelSetUp = true;
    int line = 0;
    const SRow row = {"GAME", "StartMoney", "StartMoney = 10", "", "", EWhen::StartUp};
    EXPECT_FALSE(CreateFixed(Settings(row, line)));
    const std::string folder = std::filesystem::current_path().string();
    // Nothing was loaded from the folder before.
    EXPECT_EQ(m_strLog,
              "Error: No \"Data\" folder in the working folder \"" + folder +
                  "\": start the game in the folder that holds \"Data\" and \"settings.ini\"; the game "
                  "does not start\n");
    EXPECT_EQ(m_Ctrl.GetCurrentState(), nullptr) << "no menu";
}

} // namespace
