// The constant key reducer removes its runs of keys in one pass at the end;
// it must leave what removing each run as the walk finds it leaves (the
// same keys and tangents), on hand-made and random curves of every key kind.

#include "tests/scenesdk/animation/CurveTestSupport.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveFilterConstantKeyReducer.h"
#include "scenesdk/animation/KFKeyRecord.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace scenesdk;
using curvetest::Sec;

namespace
{

bool FlatKey(KFCurve& curve, int k, float lo, float hi)
{
    const float v = curve.GetKeyValue(k);
    return v >= lo && v <= hi &&
           (curve.GetKeyInterpolation(k) != KFCURVE_INTERPOLATION_CUBIC || curve.IsKeyPlainAuto(k));
}

// The walk with each run removed as soon as it is found (RemoveKeys).
void RemoveAsFound(KFCurve& curve, const KFCurveFilterConstantKeyReducer& filter)
{
    const double tolerance = filter.GetTolerance();
    const int s = filter.GetStartKeyIndex(curve);
    int e = filter.GetStopKeyIndex(curve);
    int i = e;
    while (i >= s)
    {
        const double reference = curve.GetKeyValue(i);
        const float lo = static_cast<float>(reference - tolerance);
        const float hi = static_cast<float>(reference + tolerance);
        int first = i, n = 0;
        for (bool flat = true; flat && i >= s; --i)
        {
            for (int k = i + 2; k >= i - 2; --k)
                flat = flat && (k < s || k > e || FlatKey(curve, k, lo, hi));
            first = flat ? i : first;
            n += flat ? 1 : 0;
        }
        if (n == 0)
            continue;
        if (n < curve.GetKeyCount())
            curve.RemoveKeys(first, first + n - 1);
        else if (filter.GetKeepOneKey())
            curve.RemoveKeys(s + 1, e);
        else
        {
            const float value = curve.GetKeyValue(0);
            curve.ClearKeys();
            curve.SetDefaultValue(value);
        }
        e -= n;
    }
}

// Every field of every key, and the default value.
std::string Describe(const KFCurve& curve)
{
    std::string text = "default " + std::to_string(curve.GetDefaultValue()) + "\n";
    for (int k = 0; k < curve.GetKeyCount(); ++k)
    {
        const KFKeyRecord& key = *curve.GetKey(k);
        text += std::to_string(key.mTime.Get()) + " " + std::to_string(key.mValue) + " flags " +
                std::to_string(key.mFlags) + " data " + std::to_string(key.mData[0]) + " " +
                std::to_string(key.mData[1]);
        for (int16_t f : key.mFixed)
            text += " " + std::to_string(f);
        text += "\n";
    }
    return text;
}

// Key kinds: linear, constant, cubic plain auto, cubic auto with a bias,
// cubic user tangent with a slope and weights, TCB.
enum EKind
{
    eLinear,
    eConstant,
    eAuto,
    eAutoBent,
    eUser,
    eTcb
};

void AddKey(KFCurve& curve, int index, double seconds, float value, EKind kind)
{
    const KTime t = Sec(seconds);
    const float bias = kind == eAutoBent ? 0.3f : 0.0f;
    if (kind == eTcb)
        curve.SetKeyTCB(index, t, value, 0.2f, -0.3f, 0.4f);
    else if (kind == eUser)
        curve.SetKey(index, t, value, KFCURVE_INTERPOLATION_CUBIC, KFCURVE_TANGENT_USER, 1.5f, -2.0f,
                     KFCURVE_WEIGHTED_RIGHT, 0.5f, 0.25f);
    else
        curve.SetKey(index, t, value,
                     kind == eLinear     ? KFCURVE_INTERPOLATION_LINEAR
                     : kind == eConstant ? KFCURVE_INTERPOLATION_CONSTANT
                                         : KFCURVE_INTERPOLATION_CUBIC,
                     KFCURVE_TANGENT_AUTO, bias, kind == eAutoBent ? -0.2f : 0.0f);
}

struct SCurve
{
    const char* rule;
    std::vector<float> values;
    std::vector<EKind> kinds; // one per key, or one for all
    bool keepOne = false;
    double start = -1.0; // the span in seconds (a key a second); -1: the whole time line
    double stop = -1.0;
};

void Check(const SCurve& c)
{
    SCOPED_TRACE(c.rule);
    KFCurve made, mine;
    for (size_t k = 0; k < c.values.size(); ++k)
        AddKey(made, static_cast<int>(k), static_cast<double>(k), c.values[k],
               c.kinds[c.kinds.size() == 1 ? 0 : k]);
    made.SetDefaultValue(-7.0f);
    mine.CopyFrom(made);
    KFCurveFilterConstantKeyReducer filter;
    filter.SetKeepOneKey(c.keepOne);
    if (c.start >= 0.0)
    {
        filter.SetStartTime(Sec(c.start));
        filter.SetStopTime(Sec(c.stop));
    }
    RemoveAsFound(made, filter);
    filter.ApplyToCurve(mine);
    EXPECT_EQ(Describe(mine), Describe(made));
}

TEST(ConstantKeyReducerRuns, RemovedInOnePassAsIfRemovedAsFound)
{
    const SCurve rows[] = {
        {"two plateaus", {0, 0, 0, 0, 0, 5, 5, 5, 5, 5}, {eLinear}},
        {"a plateau between changes", {0, 0, 0, 5, 5, 5, 5, 5, 5, 0, 0, 0}, {eLinear}},
        {"many short plateaus",
         {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0},
         {eLinear}},
        {"flat from end to end", {3, 3, 3, 3}, {eLinear}},
        {"flat, one key kept", {3, 3, 3, 3}, {eLinear}, true},
        {"one key", {3}, {eConstant}},
        {"a span inside the keys", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {eLinear}, false, 2, 7},
        {"held keys", {1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2}, {eConstant}},
        {"plain auto keys around user keys",
         {0, 0, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4},
         {eAuto, eAuto, eAuto, eAuto, eAuto, eUser, eAuto, eAuto, eAuto, eAuto, eAuto, eAuto}},
        {"a bias stops a run",
         {2, 2, 2, 2, 2, 2, 2, 2},
         {eAuto, eAuto, eAuto, eAutoBent, eAuto, eAuto, eAuto, eAuto}},
        {"TCB and linear neighbours",
         {1, 1, 1, 1, 1, 1, 3, 3, 3, 3, 3, 3},
         {eTcb, eLinear, eTcb, eLinear, eLinear, eTcb, eAuto, eLinear, eConstant, eLinear, eTcb, eLinear}},
    };
    for (const SCurve& row : rows)
        Check(row);
}

TEST(ConstantKeyReducerRuns, RandomCurvesOfEveryKind)
{
    std::mt19937 random(43);
    const float levels[] = {0.0f, 0.004f, 1.0f, 1.005f, 2.0f};
    for (int round = 0; round < 300; ++round)
    {
        SCurve c{"random", {}, {}};
        const int count = 1 + static_cast<int>(random() % 40);
        float value = levels[random() % 5];
        for (int k = 0; k < count; ++k)
        {
            if (random() % 4 == 0)
                value = levels[random() % 5];
            c.values.push_back(value);
            c.kinds.push_back(static_cast<EKind>(random() % 4 == 0 ? random() % 6 : random() % 2));
        }
        c.keepOne = random() % 2 == 0;
        if (random() % 3 == 0)
        {
            c.start = static_cast<double>(random() % static_cast<unsigned>(count));
            c.stop = c.start + static_cast<double>(random() % static_cast<unsigned>(count));
        }
        SCOPED_TRACE(round);
        Check(c);
    }
}

} // namespace
