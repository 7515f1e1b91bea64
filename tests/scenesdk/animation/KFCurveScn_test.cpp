// Reading curves from scene file fields: every key generation and tangent
// letter, text and binary files written with the scene file writer, the old
// file conversion pass and hostile key lists.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/fileio/KScn.h"
#include "tests/scenesdk/animation/CurveTestSupport.h"
#include "tools/scnwriter/CScnWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

constexpr int64_t kSecond = 46186158000LL;
constexpr int kCountTimes = std::numeric_limits<int>::min();

// One value of a "Key" list.
struct V
{
    enum EKind
    {
        eTime,
        eNumber,
        eLetter,
        eSeconds, // a time written as a double in binary files
        eInt
    } kind;
    double number;
    int64_t ticks;
    char letter;
};
V T(double seconds)
{
    return {V::eTime, 0, static_cast<int64_t>(seconds * kSecond), 0};
}
V N(double v)
{
    return {V::eNumber, v, 0, 0};
}
V C(char c)
{
    return {V::eLetter, 0, 0, c};
}

struct Extrapolation
{
    char type;
    int repetition;
};

struct CurveFields
{
    double defaultValue = 0.0;
    int keyVersion = 4004;
    int keyCount = kCountTimes; // the number of time values in keys
    std::vector<V> keys;
    const Extrapolation* pre = nullptr;
    const Extrapolation* post = nullptr;
    bool color = false;
};

void WriteExtrapolation(CScnWriter& w, const char* name, const Extrapolation* e)
{
    if (e == nullptr)
    {
        return;
    }
    w.BeginField(name);
    w.BeginBlock();
    w.CharField("Type", e->type);
    w.IntField("Repetition", e->repetition);
    w.EndBlock();
    w.EndField();
}

std::string WriteFile(const CurveFields& f, CScnWriter::EForm form, int version = 6000)
{
    CScnWriter w(form, version);
    w.WriteHeader("curve test");
    w.DoubleField("Default", f.defaultValue);
    w.IntField("KeyVer", f.keyVersion);
    int count = f.keyCount;
    if (count == kCountTimes)
    {
        count = 0;
        for (const V& v : f.keys)
        {
            count += v.kind == V::eTime || v.kind == V::eSeconds ? 1 : 0;
        }
    }
    w.IntField("KeyCount", count);
    w.BeginField("Key");
    for (const V& v : f.keys)
    {
        switch (v.kind)
        {
        case V::eTime:
            w.AddTime(v.ticks);
            break;
        case V::eSeconds:
            w.AddDouble(v.number);
            break;
        case V::eNumber:
            w.AddDouble(v.number);
            break;
        case V::eLetter:
            w.AddChar(v.letter);
            break;
        case V::eInt:
            w.AddInt(static_cast<int32_t>(v.number));
            break;
        }
    }
    w.EndField();
    WriteExtrapolation(w, "Pre-Extrapolation", f.pre);
    WriteExtrapolation(w, "Post-Extrapolation", f.post);
    if (f.color)
    {
        w.BeginField("Color");
        w.AddDouble(0.25);
        w.AddDouble(0.5);
        w.AddDouble(0.75);
        w.EndField();
    }
    std::string out;
    EXPECT_TRUE(w.Finish(out)) << w.Error();
    return out;
}

std::unique_ptr<KFCurve> Read(const std::string& bytes, bool withColor = false)
{
    KScn scn;
    EXPECT_TRUE(scn.OpenMemory(bytes.data(), bytes.size())) << scn.GetStatusText();
    return std::unique_ptr<KFCurve>(KFCurve::ReadScnDefault(scn, nullptr, false, withColor));
}

const CScnWriter::EForm kForms[] = {CScnWriter::eText, CScnWriter::eBinary};

using curvetest::Sec;

} // namespace

// ---------------------------------------------------------------- current keys

TEST(KFCurveScn, WorkedKeyStreamInBothForms)
{
    CurveFields f;
    f.keys = {T(0),   N(0),   C('U'), C('s'), N(0),   N(0), C('n'), T(1),  N(1),
              C('U'), C('p'), N(0),   N(0),   C('n'), T(2), N(3),   C('L')};
    for (CScnWriter::EForm form : kForms)
    {
        auto c = Read(WriteFile(f, form));
        ASSERT_TRUE(c);
        ASSERT_EQ(c->GetKeyCount(), 3) << form;
        EXPECT_TRUE(c->IsKeyPlainAuto(1));
        EXPECT_DOUBLE_EQ(c->GetKeyLeftDerivative(1), 1.5);
        EXPECT_DOUBLE_EQ(c->GetKeyRightDerivative(1), 1.5);
        EXPECT_FLOAT_EQ(c->Evaluate(Sec(0.5)), 0.3125f);
        EXPECT_EQ(c->GetKeyTime(2), KTime(2 * kSecond));
    }
    // 1.5 as key 0's data1 is a 1.5 % left bias of key 1: "p" breaks.
    f.keys[5] = N(1.5);
    auto c = Read(WriteFile(f, CScnWriter::eBinary));
    EXPECT_EQ(c->GetKeyTangentMode(1), KFCURVE_TANGENT_AUTO_BREAK);
}

TEST(KFCurveScn, TangentLettersWithWeights)
{
    CurveFields f;
    f.keyVersion = 4002;
    f.keys = {T(0), N(0), C('U'), C('s'), N(1),    N(2),    C('a'),   N(0.5),  N(0.25), // user, both weights
              T(1), N(1), C('U'), C('b'), N(3),    N(4),    C('r'),   N(0.75),          // break, right weight
              T(2), N(2), C('U'), C('q'), N(10),   N(-10),  C('l'),   N(2.0), // auto break, next left
              T(3), N(3), C('U'), C('t'), N(0.25), N(-0.5), N(0.125),         // TCB
              T(4), N(4), C('U'), C('d'), N(7),    C('n'),                    // auto, data1 only
              T(5), N(5), C('C'), T(6),   N(6),    C('L')};
    for (CScnWriter::EForm form : kForms)
    {
        auto c = Read(WriteFile(f, form));
        ASSERT_EQ(c->GetKeyCount(), 7) << form;
        EXPECT_EQ(c->GetKeyTangentMode(0), KFCURVE_TANGENT_USER);
        EXPECT_EQ(c->GetKeyData(0, 0), 1.0f);
        EXPECT_EQ(c->GetKeyData(0, 1), 2.0f);
        EXPECT_EQ(c->GetKeyWeightedMode(0), KFCURVE_WEIGHTED_ALL);
        EXPECT_NEAR(c->GetKeyData(0, 2), 0.5f, 1e-4f);
        EXPECT_NEAR(c->GetKeyData(0, 3), 0.25f, 1e-4f);
        EXPECT_EQ(c->GetKeyTangentMode(1), KFCURVE_TANGENT_BREAK);
        EXPECT_EQ(c->GetKeyWeightedMode(1), KFCURVE_WEIGHTED_RIGHT);
        EXPECT_NEAR(c->GetKeyData(1, 2), 0.75f, 1e-4f);
        EXPECT_EQ(c->GetKeyTangentMode(2), KFCURVE_TANGENT_AUTO_BREAK);
        EXPECT_EQ(c->GetKeyWeightedMode(2), KFCURVE_WEIGHTED_NEXT_LEFT);
        EXPECT_NEAR(c->GetKeyData(2, 3), 0.99f, 1e-4f); // clamped
        EXPECT_EQ(c->GetKeyTangentMode(3), KFCURVE_TANGENT_TCB);
        EXPECT_EQ(c->GetKeyDataFloat(3, KFCURVEKEY_TCB_BIAS), 0.125f);
        EXPECT_EQ(c->GetKeyTangentMode(4), KFCURVE_TANGENT_AUTO);
        EXPECT_EQ(c->GetKeyData(4, 0), 0.0f);
        EXPECT_EQ(c->GetKeyData(4, 1), 100.0f); // a constant key follows (below 4004)
        EXPECT_EQ(c->GetKeyDataFloat(3, KFCURVEKEY_TCB_TENSION), 0.25f);
        EXPECT_EQ(c->GetKeyInterpolation(5), KFCURVE_INTERPOLATION_CONSTANT);
        EXPECT_EQ(c->GetKeyInterpolation(6), KFCURVE_INTERPOLATION_LINEAR);
    }
}

TEST(KFCurveScn, AutoKeysByVersion)
{
    // "a" at 4000 reads data1; later versions read nothing after it.
    CurveFields f;
    f.keyVersion = 4000;
    f.keys = {T(0), N(0), C('U'), C('a'), N(5), T(1), N(1), C('U'), C('a'), N(6), T(2), N(2), C('L')};
    auto c = Read(WriteFile(f, CScnWriter::eText));
    ASSERT_EQ(c->GetKeyCount(), 3);
    EXPECT_EQ(c->GetKeyData(0, 1), 5.0f);
    // Below 4004 a linear key after a cubic auto one sets that key's bias to 100.
    EXPECT_EQ(c->GetKeyData(1, 1), 100.0f);

    f.keyVersion = 4004;
    f.keys = {T(0), N(0), C('U'), C('a'), T(1), N(1), C('L'), T(2), N(2), C('U'), C('a'), T(3), N(0), C('L')};
    c = Read(WriteFile(f, CScnWriter::eBinary));
    ASSERT_EQ(c->GetKeyCount(), 4);
    EXPECT_EQ(c->GetKeyData(0, 1), 0.0f);
    EXPECT_EQ(c->GetKeyData(2, 0), 0.0f);

    f.keyVersion = 4002; // an auto key after a linear one starts at -100
    c = Read(WriteFile(f, CScnWriter::eBinary));
    EXPECT_EQ(c->GetKeyData(2, 0), -100.0f);
    EXPECT_EQ(c->GetKeyData(0, 1), 100.0f);

    // Below 4004 an auto key after a user key zeroes the slope arriving at it,
    // and from 4002 on clears that key's next-left weight.
    f.keys = {T(0), N(0), C('U'), C('s'), N(2), N(3), C('l'), N(0.5),
              T(1), N(1), C('U'), C('a'), T(2), N(2), C('L')};
    c = Read(WriteFile(f, CScnWriter::eText));
    ASSERT_EQ(c->GetKeyCount(), 3);
    EXPECT_EQ(c->GetKeyData(0, 1), 0.0f);
    EXPECT_EQ(c->GetKeyWeightedMode(0), 0u);
    EXPECT_EQ(c->GetKeyData(0, 3), 1.0f / 3.0f);

    // A binary cubic key without a tangent letter is auto; nothing is consumed.
    f.keyVersion = 4004;
    f.keys = {T(0), N(0), C('U'), T(1), N(1), C('U'), C('a')};
    c = Read(WriteFile(f, CScnWriter::eBinary));
    ASSERT_EQ(c->GetKeyCount(), 2);
    EXPECT_EQ(c->GetKeyTangentMode(0), KFCURVE_TANGENT_AUTO);
}

TEST(KFCurveScn, ConstantNextLetterFromVersion4004)
{
    CurveFields f;
    f.keys = {T(0), N(1), C('C'), C('n'), T(1), N(5), C('Z'), C('s'), T(2), N(7), C('A'), C('x')};
    auto c = Read(WriteFile(f, CScnWriter::eText));
    ASSERT_EQ(c->GetKeyCount(), 3);
    EXPECT_EQ(c->GetKeyConstantMode(0), KFCURVE_CONSTANT_NEXT);
    EXPECT_EQ(c->GetKeyConstantMode(1), KFCURVE_CONSTANT_STANDARD);
    EXPECT_EQ(c->Evaluate(Sec(0.5)), 5.0f);
    f.keyVersion = 4002;
    f.keys = {T(0), N(1), C('C'), T(1), N(5), C('C')};
    c = Read(WriteFile(f, CScnWriter::eBinary));
    ASSERT_EQ(c->GetKeyCount(), 2);
    EXPECT_EQ(c->Evaluate(Sec(0.5)), 1.0f);
}

// ---------------------------------------------------------------- old keys

TEST(KFCurveScn, OldStyleControlValuesBecomeSlopes)
{
    CurveFields f;
    f.keyVersion = 3000;
    // "B" keys carry control values: key 0's right control value 3 and the
    // left control value 2 of key 1 (value 1, one second later).
    f.keys = {T(0), N(0), C('B'), C('u'), N(3), T(1), N(1), C('B'), C('u'), N(2), T(2), N(3), C('H'), C('a')};
    for (CScnWriter::EForm form : kForms)
    {
        auto c = Read(WriteFile(f, form));
        ASSERT_EQ(c->GetKeyCount(), 3);
        EXPECT_FLOAT_EQ(c->GetKeyData(0, 0), 9.0f);  // (3 - 0) * 3 / 1
        EXPECT_FLOAT_EQ(c->GetKeyData(0, 1), -3.0f); // (2 - 1) * -3 / 1
        EXPECT_FLOAT_EQ(c->GetKeyData(1, 0), 3.0f);  // (2 - 1) * 3 / 1
        EXPECT_FLOAT_EQ(c->GetKeyData(1, 1), 0.0f);  // the next key is not "B"
        // The old-file pass turns the last (auto) key into a user key.
        EXPECT_EQ(c->GetKeyTangentMode(2), KFCURVE_TANGENT_USER);
        EXPECT_DOUBLE_EQ(c->GetKeyRightDerivative(0), 9.0);
        EXPECT_DOUBLE_EQ(c->GetKeyLeftDerivative(1), -3.0);
    }
}

TEST(KFCurveScn, OldStyleConversionSkipsKeysOutOfOrder)
{
    CurveFields f;
    f.keyVersion = 3000;
    // The second "B" key repeats the first one's time: it is bad, and the
    // first key's control values must not be divided by a zero time step.
    f.keys = {T(1),   N(0), C('B'), C('u'), N(3),   T(1),   N(1), C('B'),
              C('u'), N(2), T(2),   N(2),   C('B'), C('u'), N(1)};
    auto c = Read(WriteFile(f, CScnWriter::eBinary));
    ASSERT_EQ(c->GetKeyCount(), 2);
    for (int k = 0; k < 2; ++k)
    {
        EXPECT_TRUE(std::isfinite(c->GetKeyData(k, 0))) << k;
        EXPECT_TRUE(std::isfinite(c->GetKeyData(k, 1))) << k;
    }
    EXPECT_TRUE(std::isfinite(c->Evaluate(Sec(1.5))));
}

TEST(KFCurveScn, OldStyleSecondLetters)
{
    CurveFields f;
    f.keyVersion = 3000;
    // "O" "b" reads the slope arriving at the key (into the key before) and
    // its own right slope; "R" with another letter is a user key.
    f.keys = {T(0), N(0), C('I'), C('u'), N(1),   T(1), N(1), C('O'), C('b'), N(4),
              N(5), T(2), N(2),   C('R'), C('x'), N(6), T(3), N(2),   C('L')};
    auto c = Read(WriteFile(f, CScnWriter::eText));
    ASSERT_EQ(c->GetKeyCount(), 4);
    EXPECT_EQ(c->GetKeyTangentMode(0), KFCURVE_TANGENT_USER);
    EXPECT_EQ(c->GetKeyData(0, 1), 4.0f);
    EXPECT_EQ(c->GetKeyTangentMode(1), KFCURVE_TANGENT_BREAK);
    EXPECT_EQ(c->GetKeyData(1, 0), 5.0f);
    EXPECT_EQ(c->GetKeyData(1, 1), 6.0f);
    EXPECT_EQ(c->GetKeyTangentMode(2), KFCURVE_TANGENT_USER);
    EXPECT_EQ(c->GetKeyData(2, 0), 6.0f);
    EXPECT_DOUBLE_EQ(c->GetKeyLeftDerivative(2), 6.0);
}

TEST(KFCurveScn, OldFilePassAroundTCBKeys)
{
    CurveFields f;
    f.keyVersion = 3000;
    f.keys = {T(0), N(0), C('T'), N(0), N(0), N(0), T(1), N(1), C('I'), C('u'), N(5), T(2), N(3), C('L')};
    auto c = Read(WriteFile(f, CScnWriter::eBinary));
    ASSERT_EQ(c->GetKeyCount(), 3);
    EXPECT_EQ(c->GetKeyTangentMode(0), KFCURVE_TANGENT_TCB);
    EXPECT_EQ(c->GetKeyTangentMode(1), KFCURVE_TANGENT_BREAK); // user after TCB
    EXPECT_EQ(c->GetKeyData(1, 0), 5.0f);
    EXPECT_DOUBLE_EQ(c->GetKeyLeftDerivative(1), 1.5); // the TCB rule with key 0's T, C, B
    EXPECT_EQ(c->GetKeyTangentMode(2), KFCURVE_TANGENT_USER);

    // A TCB key after a user key becomes user with break.
    f.keys = {T(0), N(0), C('I'), C('u'), N(1),   T(1), N(1), C('T'), N(0),
              N(0), N(0), T(2),   N(3),   C('L'), T(3), N(3), C('L')};
    c = Read(WriteFile(f, CScnWriter::eText));
    ASSERT_EQ(c->GetKeyCount(), 4);
    EXPECT_EQ(c->GetKeyTangentMode(1), KFCURVE_TANGENT_BREAK);
    EXPECT_FLOAT_EQ(c->GetKeyData(1, 0), 1.5f);                // its TCB right slope: (1 + 2) / 2
    EXPECT_FLOAT_EQ(c->GetKeyData(1, 1), 1.0f);                // TCB slope at key 2: (2 + 0) / 2
    EXPECT_EQ(c->GetKeyTangentMode(2), KFCURVE_TANGENT_BREAK); // linear after TCB
    EXPECT_EQ(c->GetKeyWeightedMode(1), 0u);
}

// ---------------------------------------------------------------- times

TEST(KFCurveScn, TimeEncodings)
{
    CurveFields f;
    f.keys = {T(0.5), N(1), C('L'), T(1.5), N(2), C('L')};
    for (int version : {2000, 2001})
    {
        auto c = Read(WriteFile(f, CScnWriter::eText, version));
        ASSERT_EQ(c->GetKeyCount(), 2) << version;
        EXPECT_EQ(c->GetKeyTime(0), KTime(kSecond / 2)) << version;
        EXPECT_EQ(c->GetKeyTime(1), KTime(3 * kSecond / 2)) << version;
    }
    // Binary seconds ("D" times).
    f.keys = {{V::eSeconds, 0.5, 0, 0}, N(1), C('L'), {V::eSeconds, 1.5, 0, 0}, N(2), C('L')};
    auto c = Read(WriteFile(f, CScnWriter::eBinary));
    ASSERT_EQ(c->GetKeyCount(), 2);
    EXPECT_EQ(c->GetKeyTime(1), KTime(3 * kSecond / 2));
}

// ---------------------------------------------------------------- bad input

TEST(KFCurveScn, BadKeysAreDropped)
{
    CurveFields f;
    // Duplicate time, unknown letter, then a far-future bad key before good ones.
    f.keys = {T(0),   N(0), C('L'), T(0), N(9), C('L'), T(1), N(1), C('X'),
              T(100), N(5), C('Q'), T(2), N(2), C('L'), T(3), N(3), C('L')};
    for (CScnWriter::EForm form : kForms)
    {
        auto c = Read(WriteFile(f, form));
        ASSERT_EQ(c->GetKeyCount(), 3) << form;
        EXPECT_EQ(c->GetKeyValue(0), 0.0f);
        EXPECT_EQ(c->GetKeyTime(1), KTime(2 * kSecond));
        EXPECT_EQ(c->GetKeyTime(2), KTime(3 * kSecond));
    }
    // Binary values of the wrong type: a letter as the value, a number as
    // the interpolation; reading resumes at the next time value.
    f.keys = {T(0), N(0), C('L'), T(1), C('v'), C('L'), T(2), N(2), N(7), N(8), T(3), N(3), C('L')};
    auto c = Read(WriteFile(f, CScnWriter::eBinary));
    ASSERT_EQ(c->GetKeyCount(), 2);
    EXPECT_EQ(c->GetKeyTime(1), KTime(3 * kSecond));
    // NaN times: seconds of NaN become 0, which breaks the order.
    f.keys = {{V::eSeconds, 0.0, 0, 0}, N(0), C('L'), {V::eSeconds, std::nan(""), 0, 0}, N(1), C('L'),
              {V::eSeconds, 1.0, 0, 0}, N(2), C('L')};
    c = Read(WriteFile(f, CScnWriter::eBinary));
    ASSERT_EQ(c->GetKeyCount(), 2);
    EXPECT_EQ(c->GetKeyValue(1), 2.0f);
}

TEST(KFCurveScn, KeyCountIsNeverTrusted)
{
    CurveFields f;
    f.keys = {T(0), N(0), C('L'), T(1), N(1), C('L')};
    const int counts[] = {3, 1000000, std::numeric_limits<int>::max(), -5, 0};
    const int expected[] = {2, 2, 2, 0, 0};
    for (CScnWriter::EForm form : kForms)
    {
        for (size_t i = 0; i < 5; ++i)
        {
            f.keyCount = counts[i];
            const int64_t before = KFCurve::GetKeyMemoryUsage();
            auto c = Read(WriteFile(f, form));
            ASSERT_TRUE(c);
            EXPECT_EQ(c->GetKeyCount(), expected[i]) << counts[i];
            EXPECT_LT(KFCurve::GetKeyMemoryUsage() - before, 4096) << counts[i];
        }
    }
    f.keyCount = 1;
    auto c = Read(WriteFile(f, CScnWriter::eText));
    EXPECT_EQ(c->GetKeyCount(), 1);
    // A truncated key at the end: the key is kept with what is there.
    f.keyCount = kCountTimes;
    f.keys = {T(0), N(0), C('L'), T(1), N(1), C('U'), C('s'), N(2)};
    c = Read(WriteFile(f, CScnWriter::eBinary));
    EXPECT_EQ(c->GetKeyCount(), 2);
}

// ---------------------------------------------------------------- other fields

TEST(KFCurveScn, ExtrapolationColourAndDefault)
{
    const Extrapolation pre{'K', -1};
    const Extrapolation post{'M', 3};
    CurveFields f;
    f.defaultValue = 2.5;
    f.keys = {T(0), N(0), C('L'), T(1), N(1), C('L')};
    f.pre = &pre;
    f.post = &post;
    f.color = true;
    auto c = Read(WriteFile(f, CScnWriter::eText));
    EXPECT_EQ(c->GetDefaultValue(), 2.5f);
    EXPECT_EQ(c->GetPreExtrapolationType(), KFCURVE_EXTRAPOLATION_KEEP_SLOPE);
    EXPECT_EQ(c->GetPreExtrapolationRepetition(), KFCURVE_REPETITION_FOREVER);
    EXPECT_EQ(c->GetPostExtrapolationType(), KFCURVE_EXTRAPOLATION_MIRROR_REPETITION);
    EXPECT_EQ(c->GetPostExtrapolationRepetition(), 3u);
    EXPECT_EQ(c->GetColor()[0], 1.0f); // colour only on request
    c = Read(WriteFile(f, CScnWriter::eBinary), true);
    EXPECT_EQ(c->GetColor()[0], 0.25f);
    EXPECT_EQ(c->GetColor()[2], 0.75f);

    const Extrapolation odd{'X', 0};
    const Extrapolation repeat{'R', 2};
    f.pre = &odd;
    f.post = &repeat;
    c = Read(WriteFile(f, CScnWriter::eBinary));
    EXPECT_EQ(c->GetPreExtrapolationType(), 0u);
    EXPECT_EQ(c->GetPostExtrapolationType(), KFCURVE_EXTRAPOLATION_REPETITION);
    EXPECT_EQ(c->Evaluate(Sec(-0.5)), 0.0f); // mode 0 holds the end value

    // No keys: the extrapolation fields are not read.
    f.keys.clear();
    c = Read(WriteFile(f, CScnWriter::eText));
    EXPECT_EQ(c->GetKeyCount(), 0);
    EXPECT_EQ(c->GetPostExtrapolationType(), KFCURVE_EXTRAPOLATION_CONST);
    EXPECT_EQ(c->Evaluate(Sec(3)), 2.5f);
}

namespace
{
int gCalls = 0;
void CountCall(KFCurve*, KFCurveEvent*, void*)
{
    ++gCalls;
}
} // namespace

TEST(KFCurveScn, ReadIntoAnExistingCurveSilently)
{
    CurveFields f;
    f.keys = {T(0), N(4), C('L'), T(1), N(1), C('L')};
    const std::string bytes = WriteFile(f, CScnWriter::eBinary);
    KScn scn;
    ASSERT_TRUE(scn.OpenMemory(bytes.data(), bytes.size()));
    KFCurve curve;
    for (int i = 0; i < 5; ++i)
    {
        curve.AppendKey(Sec(10 + i), 1.0f);
    }
    gCalls = 0;
    curve.AddListener(&CountCall, nullptr);
    EXPECT_EQ(KFCurve::ReadScnDefault(scn, &curve), &curve);
    EXPECT_EQ(curve.GetKeyCount(), 2);
    EXPECT_EQ(curve.GetKeyValue(0), 4.0f);
    EXPECT_TRUE(curve.GetListenersEnabled());
    EXPECT_LE(gCalls, 1); // the clearing of the old keys at most
    // A block without "Default" has no curve.
    EXPECT_EQ(KFCurve::ReadScnDefault(scn), nullptr);
    KFCurve* other = KFCurve::ReadScnDefault(scn, &curve, true);
    EXPECT_EQ(other, nullptr);
}

// ---------------------------------------------------------------- storage of keys read

namespace
{
// Bytes of key storage for n keys held just so: full blocks of 1,024 bytes,
// a last block of the keys left, a pointer a block.
int64_t ExactBytes(int n)
{
    const int blocks = (n + 24) / 25;
    return int64_t(n / 25) * 1024 + int64_t(n % 25) * int64_t(sizeof(KFKeyRecord)) +
           int64_t(blocks) * int64_t(sizeof(void*));
}
} // namespace

// A curve read holds just the keys read (pointer array and last block sized
// to them); growing past them, by appending or inserting, gives it whole
// blocks and keeps every key; its storage is all given back.
TEST(KFCurveScn, ReadCurveHoldsJustItsKeysAndGrowsPastThem)
{
    const int counts[] = {1, 8, 24, 25, 26, 60};
    for (CScnWriter::EForm form : kForms)
    {
        for (int n : counts)
        {
            SCOPED_TRACE(std::to_string(n) + " keys, form " + std::to_string(form));
            CurveFields f;
            for (int k = 0; k < n; ++k)
                f.keys.insert(f.keys.end(), {T(k), N(2.0 * k), C('L')});
            const std::string bytes = WriteFile(f, form);
            const int64_t before = KFCurve::GetKeyMemoryUsage();
            {
                auto c = Read(bytes);
                ASSERT_TRUE(c);
                ASSERT_EQ(c->GetKeyCount(), n);
                EXPECT_EQ(c->GetKeySlotCount(), n);
                EXPECT_EQ(c->GetBlockPointerCount(), (n + 24) / 25);
                EXPECT_EQ(KFCurve::GetKeyMemoryUsage() - before, ExactBytes(n));
                for (int k = 0; k < n; ++k)
                {
                    EXPECT_EQ(c->GetKeyTime(k), KTime(k * kSecond)) << k;
                    EXPECT_EQ(c->GetKeyValue(k), 2.0f * k) << k;
                }
                // Past the keys read: appended after them, then one inserted
                // between the first two.
                for (int k = n; k < n + 30; ++k)
                    ASSERT_EQ(c->AppendKey(KTime(k * kSecond), 2.0f * k), k);
                KFKeyRecord middle{};
                middle.Set(KTime(kSecond / 2), -1.0f);
                ASSERT_EQ(c->AddKey(KTime(kSecond / 2), middle), 1);
                const int total = n + 31;
                ASSERT_EQ(c->GetKeyCount(), total);
                EXPECT_EQ(c->GetKeySlotCount(), (total + 24) / 25 * 25);
                EXPECT_EQ(c->GetBlockPointerCount(), 64);
                EXPECT_EQ(KFCurve::GetKeyMemoryUsage() - before,
                          int64_t((total + 24) / 25) * 1024 + 64 * int64_t(sizeof(void*)));
                for (int k = 0; k < total; ++k)
                {
                    const int was = k == 0 ? 0 : k - 1; // the key before it in the file
                    EXPECT_EQ(c->GetKeyValue(k), k == 1 ? -1.0f : 2.0f * was) << k;
                    EXPECT_EQ(c->GetKeyTime(k), k == 1 ? KTime(kSecond / 2) : KTime(was * kSecond)) << k;
                }
                EXPECT_FLOAT_EQ(c->Evaluate(KTime(kSecond / 4)), -0.5f) << "between keys 0 and 1";
            }
            EXPECT_EQ(KFCurve::GetKeyMemoryUsage(), before);
        }
    }
}
