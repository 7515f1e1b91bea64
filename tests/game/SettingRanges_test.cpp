// Every number the game states read from the settings has a range; a value
// outside it (or one that is no number) is logged like a missing value, with
// the reader's "Couldn't get" line, and the reader goes on with its default.
// One row per rule: the key, the value, the line logged and what the game
// then shows.

#include "game/CBattleState.h"
#include "game/CBuildState.h"
#include "game/CPostLevelState.h"
#include "tests/game/BattleTestSupport.h"

#include <map>
#include <string>

using namespace battletest;

namespace
{

using SettingRanges = BattleTest;

// What the game made of the value.
enum class EShown
{
    Gold,      // the gold text
    Time,      // the time text
    Price,     // the first building button's price label
    Necessary, // demanded placements
    Birds,     // birds of the battle (every record asks for one)
    Levels     // levels of the game
};

struct SRow
{
    const char* section;
    const char* key;
    const char* value;
    bool refused;
    EShown shown;
    std::string expected;
};

const SRow kRows[] = {
    {"GAME", "StartMoney", "250", false, EShown::Gold, "Gold: 250"},
    {"GAME", "StartMoney", "99999", false, EShown::Gold, "Gold: 99999"},
    {"GAME", "StartMoney", "250\t ", false, EShown::Gold, "Gold: 250"},
    {"GAME", "StartMoney", "100000", true, EShown::Gold, "Gold: 0"},
    {"GAME", "StartMoney", "1e30", true, EShown::Gold, "Gold: 0"},
    {"GAME", "StartMoney", "-100", true, EShown::Gold, "Gold: 0"},
    {"GAME", "StartMoney", "nan", true, EShown::Gold, "Gold: 0"},
    {"GAME", "StartMoney", "250 gold", true, EShown::Gold, "Gold: 0"},
    {"Level1", "BuildTime", "0", false, EShown::Time, "Time left: 00:00"},
    {"Level1", "BuildTime", "5999", false, EShown::Time, "Time left: 99:59"},
    {"Level1", "BuildTime", "6000", true, EShown::Time, "Time left: 00:10"},
    {"Level1", "BuildTime", "1e30", true, EShown::Time, "Time left: 00:10"},
    {"Level1", "BuildTime", "-5", true, EShown::Time, "Time left: 00:10"},
    {"COSTS", "Citizen1", "999", false, EShown::Price, "999,-"},
    {"COSTS", "Citizen1", "1000", true, EShown::Price, "0,-"},
    {"COSTS", "Citizen1", "-1", true, EShown::Price, "0,-"},
    {"Level1", "PreCitizen", "99", false, EShown::Necessary, "99"},
    {"Level1", "PreCitizen", "100", true, EShown::Necessary, "0"},
    {"Level1", "PreCitizen", "2.5", true, EShown::Necessary, "0"},
    {"Level1", "PreHq", "-1", true, EShown::Necessary, "0"},
    {"Level1", "SpawnPoints", "3", false, EShown::Birds, "3"},
    {"Level1", "SpawnPoints", "1001", true, EShown::Birds, "0"},
    {"Level1", "SpawnPoints", "-1", true, EShown::Birds, "0"},
    {"Level1", "SpawnPoints", "5", false, EShown::Birds, "5"},
    {"GAME", "NumLevels", "2", false, EShown::Levels, "2"},
    {"GAME", "NumLevels", "1001", true, EShown::Levels, "1"},
    {"GAME", "NumLevels", "-2", true, EShown::Levels, "1"},
    {"GAME", "NumLevels", "1.5", true, EShown::Levels, "1"},
};

// The reader that logs a refused key.
std::string Reader(const SRow& row)
{
    const std::string key = row.key;
    if (key == "NumLevels")
        return "CPostLevelState::Create";
    if (key == "SpawnPoints")
        return "CBattleState::Enter";
    return "CBuildState::Enter";
}

TEST_F(SettingRanges, ValuesOutsideTheirRangesAreRefusedWithTheDefault)
{
    for (const SRow& row : kRows)
    {
        SCOPED_TRACE(std::string(row.section) + " " + row.key + " = " + row.value);
        // Five spawn records of one bird each; the row's key replaces its
        // line.
        std::map<std::string, std::string> sections = {
            {"GAME", "StartPos=0;0;0\nStartMoney=100\nNumLevels=2\n"},
            {"COSTS", "Citizen1=100\nCitizen2=180\nMarket=150\nChurch=400\nToilet=40\nTower=250\n"},
            {"Level1", "BuildTime=60\nSpawnPoints=5\n"},
            {"Level2", ""}};
        for (int n = 1; n <= 5; ++n)
            sections["Level1"] += "SpawnPoint" + std::to_string(n) + "=1000;1;K;0;40;0\n";
        std::string& lines = sections[row.section];
        const std::string key = std::string(row.key) + "=";
        const size_t at = lines.find(key);
        if (at != std::string::npos)
            lines.erase(at, lines.find('\n', at) + 1 - at);
        lines += key + row.value + "\n";
        std::string settings;
        for (const char* name : {"GAME", "COSTS", "Level1", "Level2"})
            settings += std::string("[") + name + "]\n" + sections[name];

        ASSERT_TRUE(CreateFixed(settings));
        std::string log = m_strLog;
        m_Ctrl.NextLevel();
        m_Ctrl.ChangeState(m_Ctrl.GetBuildState());
        if (row.shown == EShown::Birds)
            m_Ctrl.GetBuildState()->OnToBattle(0);
        log += TakeErrors();
        const std::string refusal = std::string("Error: Couldn't get \"") + row.key + "\"-Value from \"" +
                                    row.section + "\" in " + Reader(row) + "\n";
        EXPECT_EQ(log, row.refused ? refusal : "");

        CBuildState& build = *m_Ctrl.GetBuildState();
        std::string shown;
        switch (row.shown)
        {
        case EShown::Gold:
            shown = build.GetGoldText()->GetText();
            break;
        case EShown::Time:
            shown = build.GetTimeText()->GetText();
            break;
        case EShown::Price:
            shown = build.GetBuildingButtons()[0]->GetLabel()->GetText();
            break;
        case EShown::Necessary:
            shown = std::to_string(build.GetNecessaryCount());
            break;
        case EShown::Birds:
            shown = std::to_string(m_Ctrl.GetBattleState()->GetTotalBirds());
            break;
        case EShown::Levels:
            shown = std::to_string(m_Ctrl.GetPostLevelState()->GetNumLevels());
            break;
        }
        EXPECT_EQ(shown, row.expected);
        m_Ctrl.Destroy();
    }
}

} // namespace
