#include "scenesdk/attributes/KScnCharacterParameters.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace scenesdk;

namespace
{

// The rows as the solver documents them, by runs of equal columns; minimum,
// maximum and default are the unscaled constants.
struct RowRun
{
    int first;
    int last;
    int dependsOn;
    int modeKind;
    int valueKind;
    float minimum;
    float maximum;
    int flag1;
    int flag2;
    int defaultMode;
    float defaultValue;
};

const RowRun kRuns[] = {
    {0, 0, -1, 0, 6, 0, 30, 0, 0, 0, 10},        {1, 1, -1, 0, 5, 0, 2, 0, 1, 0, 0},
    {2, 2, -1, 1, 0, 0, 0, 0, 0, 0, 0},          {3, 3, -1, 2, 6, 1, 1000, 0, 0, 1, 100},
    {4, 6, -1, 2, 3, -1000, 1000, 0, 0, 1, 0},   {7, 7, -1, 1, 6, 0, 120, 0, 0, 1, 80},
    {8, 8, -1, 1, 0, 0, 100, 0, 0, 0, 0},        {9, 12, -1, 0, 1, 0, 1, 0, 0, 0, 0},
    {13, 14, -1, 0, 1, 0, 1, 0, 0, 0, 1},        {15, 30, -1, 0, 1, 0, 1, 0, 0, 0, 0},
    {31, 32, -1, 0, 1, 0, 1, 0, 0, 0, 1},        {33, 37, -1, 0, 1, 0, 1, 0, 0, 0, 0},
    {38, 43, -1, 0, 3, -1000, 1000, 0, 0, 1, 0}, {44, 44, -1, 1, 0, 0, 0, 0, 0, 0, 0},
    {45, 45, 44, 0, 3, 0, 10000, 0, 1, 1, 7.5f}, {46, 46, 44, 0, 3, 0, 10000, 0, 1, 1, 4.5f},
    {47, 47, 44, 0, 3, 0, 10000, 0, 1, 1, 13},   {48, 48, 44, 0, 3, 0, 10000, 0, 1, 1, 7},
    {49, 50, 44, 0, 3, 0, 10000, 0, 1, 1, 5},    {51, 51, 44, 0, 6, 10, 1000, 0, 1, 1, 100},
    {52, 52, -1, 1, 0, 0, 0, 0, 0, 0, 0},        {53, 53, -1, 0, 5, 0, 3, 0, 0, 0, 0},
    {54, 54, -1, 0, 1, 0, 1, 0, 0, 0, 0},        {55, 55, -1, 1, 0, 0, 0, 0, 0, 0, 0},
    {56, 56, 55, 0, 3, 0, 10000, 0, 1, 1, 7.5f}, {57, 57, 55, 0, 3, 0, 10000, 0, 1, 1, 4.5f},
    {58, 58, 55, 0, 3, 0, 10000, 0, 1, 1, 13},   {59, 59, 55, 0, 3, 0, 10000, 0, 1, 1, 7},
    {60, 61, 55, 0, 3, 0, 10000, 0, 1, 1, 5},    {62, 62, 55, 0, 6, 10, 1000, 0, 1, 1, 100},
    {63, 63, -1, 1, 0, 0, 0, 0, 0, 0, 0},        {64, 64, -1, 0, 5, 0, 3, 0, 0, 0, 0},
    {65, 65, -1, 0, 1, 0, 1, 0, 0, 0, 0},        {66, 66, -1, 0, 5, 0, 2, 0, 0, 0, 0},
    {67, 74, -1, 1, 1, 0, 1, 0, 0, 0, 0.6f},     {75, 75, -1, 0, 6, 0, 100, 0, 0, 0, 0},
    {76, 76, 75, 2, 2, 0, 0.25f, 0, 0, 1, 0},    {77, 77, 75, 2, 6, 0, 100, 0, 0, 1, 0},
    {78, 78, 77, 3, 2, 0, 0.25f, 0, 0, 0, 0},    {79, 81, 77, 3, 6, 0, 100, 0, 0, 0, 0},
    {82, 82, -1, 0, 6, 0, 100, 0, 0, 0, 0},      {83, 83, 82, 3, 2, 0, 1, 1, 0, 0, 0},
    {84, 84, 82, 3, 3, 0, 15, 0, 0, 0, 0},       {85, 85, 82, 2, 4, 0, 60, 0, 0, 1, 0},
    {86, 86, 82, 2, 3, 0, 10, 0, 0, 1, 0},       {87, 87, 82, 2, 2, 0, 10, 0, 0, 0, 0},
    {88, 88, 82, 2, 2, 0, 1, 0, 0, 1, 0},        {89, 89, -1, 0, 1, 0, 1, 0, 0, 0, 0},
    {90, 90, -1, 0, 1, 0, 1, 0, 0, 0, 1},        {91, 92, -1, 0, 1, 0, 1, 0, 0, 0, 0},
    {93, 93, -1, 0, 1, 0, 1, 0, 0, 0, 1},        {94, 95, -1, 0, 1, 0, 1, 0, 0, 0, 0},
    {96, 96, -1, 0, 1, 0, 1, 0, 0, 0, 1},        {97, 98, -1, 0, 1, 0, 1, 0, 0, 0, 0},
    {99, 99, -1, 0, 1, 0, 1, 0, 0, 0, 1},        {100, 100, -1, 0, 1, 0, 1, 0, 0, 0, 0},
    {101, 102, -1, 0, 1, 0, 1, 0, 0, 0, 1},      {103, 104, -1, 0, 1, 0, 1, 0, 0, 0, 0},
    {105, 105, -1, 0, 1, 0, 1, 0, 0, 0, 0.6f},   {106, 108, -1, 0, 1, 0, 1, 0, 0, 0, 0},
    {109, 122, -1, 0, 1, 0, 1, 0, 0, 0, 0.5f},   {123, 124, -1, 0, 1, 0, 1, 0, 0, 0, 0},
    {125, 126, -1, 1, 0, 0, 100, 0, 0, 0, 0},    {127, 127, -1, 0, 1, 0, 1, 0, 0, 0, 0},
    {128, 131, -1, 1, 0, 0, 100, 0, 0, 0, 0},    {132, 132, -1, 0, 5, 0, 2, 0, 1, 0, 0},
    {133, 140, -1, 0, 4, 0, 180, 0, 1, 0, 150},  {141, 164, -1, 0, 3, 0, 1000, 0, 1, 0, 0.5f},
    {165, 165, -1, 1, 0, 0, 0, 0, 0, 1, 0},      {166, 166, -1, 0, 5, 0, 4, 0, 1, 0, 0},
    {167, 167, -1, 1, 0, 0, 0, 0, 0, 0, 0},      {168, 168, -1, 0, 5, 0, 3, 0, 0, 0, 1},
    {169, 169, -1, 0, 1, 0, 1, 0, 0, 0, 0},      {170, 170, -1, 0, 5, 0, 4, 0, 1, 0, 0},
    {171, 171, -1, 1, 0, 0, 0, 0, 0, 0, 0},      {172, 172, -1, 0, 5, 0, 3, 0, 0, 0, 1},
    {173, 173, -1, 0, 1, 0, 1, 0, 0, 0, 0},      {174, 174, -1, 0, 5, 0, 3, 0, 1, 0, 0},
    {175, 175, -1, 1, 0, 0, 0, 0, 0, 0, 0},      {176, 176, -1, 1, 0, 0, 0, 0, 0, 1, 0},
};

// Names at the edges of runs and a few inside, by index.
const std::pair<int, const char*> kNames[] = {
    {0, "PullIterationCount"},
    {3, "ScaleCompensation"},
    {6, "AnkleProximityCompensation"},
    {12, "HeadReduction"},
    {13, "ReachActorLeftAnkle"},
    {30, "ReachActorRightToesBaseRotation"},
    {31, "ReachActorLeftAnkleRotationRotation"},
    {32, "ReachActorRightAnkleRotation"},
    {37, "ReachActorLowerChestRotation"},
    {39, "HipsTOffsetY"},
    {44, "FloorContact"},
    {51, "ContactSize"},
    {62, "HandContactSize"},
    {66, "RollExtractionMode"},
    {74, "RightForeArmRoll"},
    {77, "Displacement"},
    {83, "AnkleStabilizationTime"},
    {88, "AnkleStabilizationRecoveryTime"},
    {105, "CtrlEnforceGravity"},
    {122, "CtrlResistCompressionFactorRightElbow"},
    {126, "GameMode"},
    {140, "RightShoulderDownAngle"},
    {164, "RightFootExtraFingerTip"},
    {165, "FingerSolving"},
    {174, "ContactBehaviour"},
    {176, "SyncMode"},
};

} // namespace

TEST(KScnCharacterParameters, RowsMatchTheDocumentedTableWithFractionsScaled)
{
    const KScnCharacterParameterInfo* rows = KScnCharacterParameters::GetInfoTable();
    int next = 0;
    for (const RowRun& run : kRuns)
    {
        ASSERT_EQ(run.first, next) << "runs must cover every index once";
        for (int i = run.first; i <= run.last; ++i)
        {
            const KScnCharacterParameterInfo& r = rows[i];
            SCOPED_TRACE("row " + std::to_string(i) + " " + r.name);
            const float scale = run.valueKind == kCharacterValueFraction ? 100.0f : 1.0f;
            EXPECT_EQ(run.dependsOn, r.dependsOn);
            EXPECT_EQ(run.modeKind, r.modeKind);
            EXPECT_EQ(run.valueKind, r.valueKind);
            EXPECT_EQ(run.minimum, r.minimum); // never scaled
            EXPECT_EQ(run.maximum * scale, r.maximum);
            EXPECT_EQ(run.flag1, r.flag1);
            EXPECT_EQ(run.flag2, r.flag2);
            EXPECT_EQ(run.defaultMode, r.defaultMode);
            EXPECT_EQ(run.defaultValue * scale, r.defaultValue);
            EXPECT_LE(r.minimum, r.maximum);
            EXPECT_TRUE(r.dependsOn == -1 || (r.dependsOn >= 0 && r.dependsOn < i));
        }
        next = run.last + 1;
    }
    EXPECT_EQ(KScnCharacterParameters::kCount, next);
    for (const auto& n : kNames)
        EXPECT_STREQ(n.second, rows[n.first].name) << n.first;
}

TEST(KScnCharacterParameters, NamesAreUniqueAndEachFindsItsOwnRow)
{
    const KScnCharacterParameterInfo* rows = KScnCharacterParameters::GetInfoTable();
    std::set<std::string> seen;
    for (int i = 0; i < KScnCharacterParameters::kCount; ++i)
    {
        ASSERT_NE(nullptr, rows[i].name);
        EXPECT_TRUE(seen.insert(rows[i].name).second) << "duplicate " << rows[i].name;
        EXPECT_EQ(i, KScnCharacterParameters::FindIndex(rows[i].name));
    }
    // Only the flag-one row is the stabilisation time.
    for (int i = 0; i < KScnCharacterParameters::kCount; ++i)
        EXPECT_EQ(i == 83 ? 1 : 0, rows[i].flag1) << i;
}

TEST(KScnCharacterParameters, PreparedOnceAndScaledOnce)
{
    const KScnCharacterParameterInfo* first = KScnCharacterParameters::GetInfoTable();
    const KScnCharacterParameterInfo* second = KScnCharacterParameters::GetInfoTable();
    EXPECT_EQ(first, second);
    EXPECT_EQ(100.0f, second[13].maximum);
    EXPECT_EQ(100.0f, second[13].defaultValue);
    EXPECT_EQ(60.000003814697266, static_cast<double>(second[67].defaultValue));
}

TEST(KScnCharacterParameters, NewTableHoldsTheDefaults)
{
    KScnCharacterParameters p;
    ASSERT_TRUE(p.IsValid());
    EXPECT_EQ(0, p.GetInt(0));
    EXPECT_EQ(10.0, p.GetDouble(0));
    EXPECT_EQ(1, p.GetInt(3));
    EXPECT_EQ(100.0, p.GetDouble(3));
    EXPECT_EQ(100.0, p.GetDouble(13));
    EXPECT_EQ(60.000003814697266, p.GetDouble(67));
    EXPECT_EQ(1, p.GetInt(165));
    EXPECT_EQ(50.0, p.GetDouble(109)); // 0.5 as a percentage, exact in float
    EXPECT_EQ(7.5, p.GetDouble(45));
    EXPECT_EQ(150.0, p.GetDouble(133));
    const KScnCharacterParameterInfo* rows = KScnCharacterParameters::GetInfoTable();
    for (int i = 0; i < KScnCharacterParameters::kCount; ++i)
    {
        EXPECT_EQ(rows[i].defaultMode, p.GetInt(i)) << i;
        EXPECT_EQ(static_cast<double>(rows[i].defaultValue), p.GetDouble(i)) << i;
    }
}

TEST(KScnCharacterParameters, FindIndexComparesExactBytes)
{
    EXPECT_EQ(39, KScnCharacterParameters::FindIndex("HipsTOffsetY"));
    EXPECT_EQ(31, KScnCharacterParameters::FindIndex("ReachActorLeftAnkleRotationRotation"));
    EXPECT_EQ(-1, KScnCharacterParameters::FindIndex("ReachActorLeftAnkleRotation"));
    EXPECT_EQ(-1, KScnCharacterParameters::FindIndex("syncmode"));
    EXPECT_EQ(-1, KScnCharacterParameters::FindIndex("SyncMode "));
    EXPECT_EQ(-1, KScnCharacterParameters::FindIndex(""));
    EXPECT_EQ(-1, KScnCharacterParameters::FindIndex(nullptr));
}

TEST(KScnCharacterParameters, SetIntKeepsModesWithinTheRowsKind)
{
    KScnCharacterParameters p;
    EXPECT_TRUE(p.SetInt(3, 2)); // off/auto/user
    EXPECT_EQ(2, p.GetInt(3));
    EXPECT_FALSE(p.SetInt(3, 3));
    EXPECT_FALSE(p.SetInt(3, -1));
    EXPECT_EQ(2, p.GetInt(3));

    EXPECT_FALSE(p.SetInt(78, 2)); // auto/user
    EXPECT_EQ(0, p.GetInt(78));
    EXPECT_TRUE(p.SetInt(78, 1));
    EXPECT_EQ(1, p.GetInt(78));

    EXPECT_FALSE(p.SetInt(0, 1)); // no mode
    EXPECT_EQ(0, p.GetInt(0));

    EXPECT_TRUE(p.SetInt(176, 0)); // on/off
    EXPECT_EQ(0, p.GetInt(176));
    EXPECT_FALSE(p.SetInt(176, 2));
    EXPECT_EQ(0, p.GetInt(176));

    EXPECT_EQ(kCharacterModeOffAutoUser, KScnCharacterParameters::GetType(3));
    EXPECT_EQ(kCharacterModeAutoUser, KScnCharacterParameters::GetType(78));
    EXPECT_EQ(kCharacterModeNone, KScnCharacterParameters::GetType(0));
}

TEST(KScnCharacterParameters, SetDoubleStoresWithoutRangeCheck)
{
    KScnCharacterParameters p;
    EXPECT_TRUE(p.SetDouble(0, 500.0));
    EXPECT_EQ(500.0, p.GetDouble(0));
    EXPECT_TRUE(p.SetDouble(4, -5000.0));
    EXPECT_EQ(-5000.0, p.GetDouble(4));
    // Tables are independent.
    KScnCharacterParameters q;
    EXPECT_EQ(10.0, q.GetDouble(0));
}

TEST(KScnCharacterParameters, IndexOutsideTheTableIsRefused)
{
    KScnCharacterParameters p;
    for (int bad : {-1, KScnCharacterParameters::kCount, 1 << 30, -(1 << 30)})
    {
        EXPECT_FALSE(p.SetInt(bad, 0)) << bad;
        EXPECT_FALSE(p.SetDouble(bad, 1.0)) << bad;
        EXPECT_EQ(0, p.GetInt(bad)) << bad;
        EXPECT_EQ(0.0, p.GetDouble(bad)) << bad;
        EXPECT_EQ(-1, KScnCharacterParameters::GetType(bad)) << bad;
    }
    EXPECT_EQ(10.0, p.GetDouble(0));
    EXPECT_EQ(0.0, p.GetDouble(176));
}
