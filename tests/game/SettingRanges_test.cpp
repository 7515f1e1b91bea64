// The numbers of the game states are read as the C library reads them: the
// leading number counts, a unit or a " # comment" after it is ignored. A
// value that is not finite, or a count or time below 0, is refused with the
// reader's "Couldn't get" line and its default; a value past what the game
// can show or hold is clamped to that limit with a line that says so. One
// row per rule: the key, the value, what the game then shows and the lines
// logged.

#include "game/CBattleState.h"
#include "game/CBuildState.h"
#include "game/CPostLevelState.h"
#include "tests/game/BattleTestSupport.h"

#include <algorithm>
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
    Price,     // the price label of the key's building button
    Necessary, // demanded placements
    Birds,     // birds of the battle (every record asks for one)
    Levels     // levels of the game
};

struct SRow
{
    const char* section;
    const char* key;
    const char* value;
    EShown shown;
    std::string expected;
    const char* log; // "refused": the reader's "Couldn't get" line; "> n", "< n": clamped to n
    const char* note = ""; // logged first: the text after the number that is ignored
};

const char* const kRefused = "refused";

const SRow kRows[] = {
    {"GAME", "StartMoney", "250", EShown::Gold, "Gold: 250", ""},
    {"GAME", "StartMoney", "250 # gold to start with", EShown::Gold, "Gold: 250", ""},
    {"GAME", "StartMoney", "250 gold", EShown::Gold, "Gold: 250", "",
     "StartMoney \"250 gold\": \"gold\" after 250 is ignored\n"},
    {"GAME", "StartMoney", "99999", EShown::Gold, "Gold: 99999", ""},
    {"GAME", "StartMoney", "100000", EShown::Gold, "Gold: 99999", "> 99999"},
    {"GAME", "StartMoney", "1e30", EShown::Gold, "Gold: 99999", "> 99999"},
    {"GAME", "StartMoney", "1e999", EShown::Gold, "Gold: 99999", "> 99999"},
    {"GAME", "StartMoney", "-100", EShown::Gold, "Gold: 0", "< 0"},
    {"GAME", "StartMoney", "nan", EShown::Gold, "Gold: 0", kRefused},
    {"GAME", "StartMoney", "-inf", EShown::Gold, "Gold: 0", kRefused},
    {"GAME", "StartMoney", "lots", EShown::Gold, "Gold: 0", kRefused},
    {"Level1", "BuildTime", "120 # two minutes", EShown::Time, "Time left: 02:00", ""},
    {"Level1", "BuildTime", "90s", EShown::Time, "Time left: 01:30", "",
     "BuildTime \"90s\": \"s\" after 90 is ignored\n"},
    {"Level1", "BuildTime", "0", EShown::Time, "Time left: 00:00", ""},
    {"Level1", "BuildTime", "5999", EShown::Time, "Time left: 99:59", ""},
    {"Level1", "BuildTime", "6000", EShown::Time, "Time left: 99:59", "> 5999"},
    {"Level1", "BuildTime", "-5", EShown::Time, "Time left: 00:10", kRefused},
    {"Level1", "BuildTime", "inf", EShown::Time, "Time left: 00:10", kRefused},
    {"COSTS", "Citizen1", "999 # gold", EShown::Price, "999,-", ""},
    {"COSTS", "Citizen1", "-1", EShown::Price, "0,-", "< 0"},
    {"COSTS", "Citizen2", "1000", EShown::Price, "999,-", "> 999"},
    {"COSTS", "Market", "150 gold", EShown::Price, "150,-", "",
     "Market \"150 gold\": \"gold\" after 150 is ignored\n"},
    {"COSTS", "Church", "1200", EShown::Price, "999,-", "> 999"},
    {"COSTS", "Toilet", "nan", EShown::Price, "0,-", kRefused},
    {"COSTS", "Tower", "250 # a tower", EShown::Price, "250,-", ""},
    {"Level1", "PreCitizen", "2 # two houses first", EShown::Necessary, "2", ""},
    {"Level1", "PreCitizen", "2.5", EShown::Necessary, "2", "",
     "PreCitizen \"2.5\": \".5\" after 2 is ignored\n"},
    {"Level1", "PreCitizen", "100", EShown::Necessary, "99", "> 99"},
    {"Level1", "PreCitizen", "-1", EShown::Necessary, "0", kRefused},
    {"Level1", "PreHq", "-1", EShown::Necessary, "0", kRefused},
    {"Level1", "PreHq", "0 # none", EShown::Necessary, "0", ""},
    {"Level1", "SpawnPoints", "3 # flocks", EShown::Birds, "3", ""},
    {"Level1", "SpawnPoints", "1001", EShown::Birds, "5", "> 1000"},
    {"Level1", "SpawnPoints", "-1", EShown::Birds, "0", kRefused},
    {"Level1", "SpawnPoints", "inf", EShown::Birds, "0", kRefused},
    {"GAME", "NumLevels", "2 # two levels", EShown::Levels, "2", ""},
    {"GAME", "NumLevels", "1.5", EShown::Levels, "1", "", "NumLevels \"1.5\": \".5\" after 1 is ignored\n"},
    {"GAME", "NumLevels", "-2", EShown::Levels, "1", kRefused},
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

TEST_F(SettingRanges, LeadingNumbersAreReadAndValuesPastTheirLimitsClamped)
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
        lines += std::string(row.key) + " = " + row.value + "\n";
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
        // SpawnPoint6 and on are not there when 1000 records are asked for.
        const std::string limit = *row.log ? row.log + 2 : "";
        const std::string expectedLog =
            row.note + std::string(row.log == kRefused ? refusal
                                   : *row.log
                                       ? std::string(row.key) + " " + row.value +
                                             (row.log[0] == '>' ? " is more than " : " is less than ") +
                                             limit + "; " + limit + " is used\n"
                                       : "");
        if (row.shown == EShown::Birds && row.expected == "5" && log.size() > expectedLog.size())
            log.resize(expectedLog.size());
        EXPECT_EQ(log, expectedLog);

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
        {
            const std::string bar[] = {"Citizen1", "Citizen2", "Market", "Church", "Toilet", "Tower"};
            shown = build.GetBuildingButtons()[std::find(bar, bar + 6, row.key) - bar]->GetLabel()->GetText();
            break;
        }
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
