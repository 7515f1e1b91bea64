// The constant key reducer removes its runs of keys in one pass at the end;
// it must leave what removing each run as the walk finds it leaves (the
// same keys and tangents), on hand-made and random curves of every key kind.

#include "tests/scenesdk/animation/CurveTestSupport.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveFilterConstantKeyReducer.h"
#include "scenesdk/animation/KFKeyRecord.h"

#include <gtest/gtest.h>

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

// Key kinds by letter: L linear, C constant, A cubic plain auto, B cubic
// auto with a bias, U cubic user tangent with a slope and weights, T TCB.
void AddKey(KFCurve& curve, int index, float value, char kind)
{
    const KTime t = Sec(index);
    const float bias = kind == 'B' ? 0.3f : 0.0f;
    if (kind == 'T')
        curve.SetKeyTCB(index, t, value, 0.2f, -0.3f, 0.4f);
    else if (kind == 'U')
        curve.SetKey(index, t, value, KFCURVE_INTERPOLATION_CUBIC, KFCURVE_TANGENT_USER, 1.5f, -2.0f,
                     KFCURVE_WEIGHTED_RIGHT, 0.5f, 0.25f);
    else
        curve.SetKey(index, t, value,
                     kind == 'L'   ? KFCURVE_INTERPOLATION_LINEAR
                     : kind == 'C' ? KFCURVE_INTERPOLATION_CONSTANT
                                   : KFCURVE_INTERPOLATION_CUBIC,
                     KFCURVE_TANGENT_AUTO, bias, kind == 'B' ? -0.2f : 0.0f);
}

// A curve of these values, a key a second, of these kinds (one per key, or
// one for all); the span in seconds (-1: the whole time line).
void Check(const std::vector<float>& values, const std::string& kinds, bool keepOne, double start = -1.0,
           double stop = -1.0)
{
    KFCurve made, mine;
    for (size_t k = 0; k < values.size(); ++k)
        AddKey(made, static_cast<int>(k), values[k], kinds[kinds.size() == 1 ? 0 : k]);
    made.SetDefaultValue(-7.0f);
    mine.CopyFrom(made);
    KFCurveFilterConstantKeyReducer filter;
    filter.SetKeepOneKey(keepOne);
    if (start >= 0.0)
    {
        filter.SetStartTime(Sec(start));
        filter.SetStopTime(Sec(stop));
    }
    RemoveAsFound(made, filter);
    filter.ApplyToCurve(mine);
    EXPECT_EQ(Describe(mine), Describe(made));
}

TEST(ConstantKeyReducerRuns, RemovedInOnePassAsIfRemovedAsFound)
{
    // The values as digits.
    const struct
    {
        const char *rule, *values, *kinds;
        bool keepOne = false;
        double start = -1.0, stop = -1.0;
        float step = 1.0f; // between the digits' values
    } rows[] = {
        {"two plateaus", "0000055555", "L"},
        {"a plateau between changes", "000555555000", "L"},
        {"many short plateaus", "0000011111000001111100", "L"},
        {"flat from end to end", "3333", "L"},
        {"flat, one key kept", "3333", "L", true},
        {"one key", "3", "C"},
        {"a span inside the keys", "0000000000", "L", false, 2, 7},
        {"held keys", "11111222222", "C"},
        {"plain auto keys around user keys", "000000444444", "AAAAAUAAAAAA"},
        {"a bias stops a run", "22222222", "AAABAAAA"},
        {"TCB and linear neighbours", "111111333333", "TLTLLTALCLTL"},
        // Key 0's window is flat though its neighbours lie apart.
        {"no two neighbours within the tolerance but the first", "10259", "L", false, -1, -1, 0.008f},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.rule);
        std::vector<float> values;
        for (const char* c = row.values; *c != '\0'; ++c)
            values.push_back(static_cast<float>(*c - '0') * row.step);
        Check(values, row.kinds, row.keepOne, row.start, row.stop);
    }
}

TEST(ConstantKeyReducerRuns, RandomCurvesOfEveryKind)
{
    std::mt19937 random(43);
    const float levels[] = {0.0f, 0.004f, 1.0f, 1.005f, 2.0f};
    for (int round = 0; round < 300; ++round)
    {
        const int count = 1 + static_cast<int>(random() % 40);
        std::vector<float> values;
        std::string kinds;
        float value = levels[random() % 5];
        for (int k = 0; k < count; ++k)
        {
            if (random() % 4 == 0)
                value = levels[random() % 5];
            values.push_back(value);
            kinds += "LCABUT"[random() % 4 == 0 ? random() % 6 : random() % 2];
        }
        const bool keepOne = random() % 2 == 0;
        double start = -1.0, stop = -1.0;
        if (random() % 3 == 0)
        {
            start = static_cast<double>(random() % static_cast<unsigned>(count));
            stop = start + static_cast<double>(random() % static_cast<unsigned>(count));
        }
        SCOPED_TRACE(round);
        Check(values, kinds, keepOne, start, stop);
    }
}

} // namespace
