// KFCurve: reading a curve from the fields of a scene file.
//
// A curve is a run of fields in its channel's block: "Default", "KeyVer",
// "KeyCount", "Key" (a flat value list, key after key), the
// "Pre-Extrapolation" and "Post-Extrapolation" sub-blocks and "Color". The
// key list has four generations told apart by "KeyVer" (below 4000, 4000,
// 4002, 4004 and later); older ones are converted to the current tangent
// model. Reading never fails: bad keys are read past and removed at the end,
// and "KeyCount" is never trusted beyond the values actually present.

#include "scenesdk/animation/KFCurve.h"

#include "scenesdk/animation/KFCurveInternal.h"
#include "scenesdk/fileio/KScn.h"

#include <cmath>
#include <memory>
#include <vector>

namespace scenesdk
{

using namespace fcurve_detail;

namespace
{

constexpr int kOldKeys = 4000;
constexpr int kWeightKeys = 4002;
constexpr int kConstantNextKeys = 4004;

// Extrapolation letters; any other letter stores mode 0.
struct ExtrapolationLetter
{
    char letter;
    uint32_t mode;
};
constexpr ExtrapolationLetter kExtrapolationLetters[] = {{'C', KFCURVE_EXTRAPOLATION_CONST},
                                                         {'R', KFCURVE_EXTRAPOLATION_REPETITION},
                                                         {'M', KFCURVE_EXTRAPOLATION_MIRROR_REPETITION},
                                                         {'K', KFCURVE_EXTRAPOLATION_KEEP_SLOPE}};

uint32_t ExtrapolationMode(char letter)
{
    for (const ExtrapolationLetter& e : kExtrapolationLetters)
    {
        if (e.letter == letter)
        {
            return e.mode;
        }
    }
    return 0;
}

bool IsOldStyleLetter(char c)
{
    return c == 'B' || c == 'H' || c == 'I' || c == 'O' || c == 'R' || c == 'T';
}

bool IsCubic(const KFKeyRecord& k)
{
    return k.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC;
}

bool IsCubicTangent(const KFKeyRecord& k, uint32_t tangent)
{
    return IsCubic(k) && k.GetTangentMode() == tangent;
}

// An auto key arriving after prev: prev's next-left weight is reset. A TCB
// key keeps its bias in those bytes and has no weight to reset.
void ClearNextLeftWeight(KFKeyRecord* prev)
{
    if (prev != nullptr && !IsCubicTangent(*prev, KFCURVE_TANGENT_TCB))
    {
        prev->SetWeightedMode(0, KFCURVE_WEIGHTED_NEXT_LEFT);
        prev->SetData(KFCURVEKEY_NEXT_LEFT_WEIGHT, KFCURVE_DEFAULT_WEIGHT);
    }
}

// State of one "Key" field being read.
struct KFCurveKeyReader
{
    KScn& scn;
    KFCurve& curve;
    int version;
    bool binary;
    char timeType = 'L';
    std::vector<int> bad;
    int64_t lastGoodTime = 0;
    bool haveGood = false;
    char previousFirstLetter = 0;

    double Number() { return scn.NextValueAsDouble(); }
    float Float() { return ToFloat(scn.NextValueAsDouble()); }
    // A letter; in binary files a value that is not a character is not one.
    bool Letter(char& c)
    {
        const bool isChar = !binary || scn.PeekValueType() == 'C';
        c = scn.NextValueAsChar();
        return isChar;
    }
    bool ReadTime(int64_t& ticks);
    void ReadWeights(KFKeyRecord& key);
    bool ReadCubic(int k, KFKeyRecord& key);
    void ReadAuto(KFKeyRecord* prev, KFKeyRecord& key);
    bool ReadOldStyle(int k, KFKeyRecord& key, char first);
    void ReadKey(int k);
};

bool KFCurveKeyReader::ReadTime(int64_t& ticks)
{
    if (binary)
    {
        // Skip what is left of a bad key up to the next value of the time type.
        while (scn.RemainingValueCount() >= 1 && scn.PeekValueType() != timeType)
        {
            scn.NextValueAsDouble();
        }
        if (scn.RemainingValueCount() < 1)
        {
            ticks = kInfinity;
            return false;
        }
    }
    ticks = Ticks(scn.NextValueAsTime());
    return ticks != INT64_MIN;
}

void KFCurveKeyReader::ReadWeights(KFKeyRecord& key)
{
    char c = 0;
    Letter(c);
    uint32_t bits = KFCURVE_WEIGHTED_NONE;
    bits = c == 'a' ? KFCURVE_WEIGHTED_ALL : (c == 'r' ? KFCURVE_WEIGHTED_RIGHT : bits);
    bits = c == 'l' ? KFCURVE_WEIGHTED_NEXT_LEFT : bits;
    key.SetWeightedMode(bits, KFCURVE_WEIGHTED_ALL);
    if ((bits & KFCURVE_WEIGHTED_RIGHT) != 0)
    {
        key.SetData(KFCURVEKEY_RIGHT_WEIGHT, Float());
    }
    if ((bits & KFCURVE_WEIGHTED_NEXT_LEFT) != 0)
    {
        key.SetData(KFCURVEKEY_NEXT_LEFT_WEIGHT, Float());
    }
}

// An "a" key: plain auto; older versions also reset what the key before it
// kept for this side.
void KFCurveKeyReader::ReadAuto(KFKeyRecord* prev, KFKeyRecord& key)
{
    key.SetTangentMode(KFCURVE_TANGENT_AUTO);
    if (version >= kWeightKeys)
    {
        ClearNextLeftWeight(prev);
    }
    key.mData[1] = 0.0f;
    key.mData[0] = (version < kConstantNextKeys && prev != nullptr &&
                    prev->GetInterpolation() == KFCURVE_INTERPOLATION_LINEAR)
                       ? -100.0f
                       : 0.0f;
    if (version < kConstantNextKeys && prev != nullptr && IsCubicTangent(*prev, KFCURVE_TANGENT_USER))
    {
        prev->mData[1] = 0.0f;
    }
    if (version == kOldKeys)
    {
        key.mData[1] = Float();
    }
}

// A "U" key: the tangent letter and its values. False for a bad key.
bool KFCurveKeyReader::ReadCubic(int k, KFKeyRecord& key)
{
    KFKeyRecord* prev = k > 0 ? curve.GetKey(k - 1) : nullptr;
    char t = 'a';
    if (!binary || scn.PeekValueType() == 'C')
    {
        t = scn.NextValueAsChar();
    }
    key.SetInterpolation(KFCURVE_INTERPOLATION_CUBIC);
    switch (t)
    {
    case 'a':
    case 'A':
        ReadAuto(prev, key);
        return true;
    case 's':
    case 'S':
    case 'b':
    case 'B':
        key.SetTangentMode(t == 's' || t == 'S' ? KFCURVE_TANGENT_USER : KFCURVE_TANGENT_BREAK);
        key.mData[0] = Float();
        key.mData[1] = Float();
        if (version >= kWeightKeys)
        {
            ReadWeights(key);
        }
        if (version < kOldKeys && prev != nullptr && IsCubicTangent(*prev, KFCURVE_TANGENT_AUTO))
        {
            prev->mData[1] = prev->mData[0];
        }
        return true;
    case 'd':
    case 'D':
        key.SetTangentMode(KFCURVE_TANGENT_AUTO);
        key.mData[0] = 0.0f;
        key.mData[1] = Float();
        if (version >= kWeightKeys)
        {
            ClearNextLeftWeight(prev);
            ReadWeights(key);
        }
        return true;
    case 'p':
    case 'P':
    case 'q':
    case 'Q':
        key.SetTangentMode(t == 'q' || t == 'Q' ? KFCURVE_TANGENT_AUTO_BREAK : KFCURVE_TANGENT_AUTO);
        key.mData[0] = Float();
        key.mData[1] = Float();
        ReadWeights(key);
        // Continuity holds when the two biases cancel; otherwise a break.
        if ((t == 'p' || t == 'P') && prev != nullptr &&
            std::fabs(curve.GetKeyLeftAuto(k) + curve.GetKeyRightAuto(k)) > 0.001)
        {
            key.SetTangentMode(KFCURVE_TANGENT_AUTO_BREAK);
        }
        return true;
    case 't':
    case 'T':
    {
        const float tension = Float();
        const float continuity = Float();
        const float bias = Float();
        key.SetTCB(key.mTime, key.mValue, tension, continuity, bias);
        return true;
    }
    default:
        return false;
    }
}

// An old-style cubic key ("B", "H", "I", "O", "R" or "T").
bool KFCurveKeyReader::ReadOldStyle(int k, KFKeyRecord& key, char first)
{
    KFKeyRecord* prev = k > 0 ? curve.GetKey(k - 1) : nullptr;
    const bool prevTCB = prev != nullptr && IsCubicTangent(*prev, KFCURVE_TANGENT_TCB);
    key.SetInterpolation(KFCURVE_INTERPOLATION_CUBIC);
    if (first == 'T')
    {
        const float tension = Float();
        const float continuity = Float();
        const float bias = Float();
        key.SetTCB(key.mTime, key.mValue, tension, continuity, bias);
    }
    else
    {
        char second = 0;
        Letter(second);
        if (second == 'A' || second == 'a')
        {
            key.SetTangentMode(KFCURVE_TANGENT_AUTO);
        }
        else if (second == 'B' || second == 'b')
        {
            key.SetTangentMode(KFCURVE_TANGENT_BREAK);
            const float arriving = Float();
            if (prev != nullptr && !prevTCB)
            {
                prev->mData[1] = arriving;
            }
            key.mData[0] = Float();
        }
        else
        {
            key.SetTangentMode(KFCURVE_TANGENT_USER);
            const float slope = Float();
            if (prev != nullptr && !prevTCB)
            {
                prev->mData[1] = slope;
            }
            key.mData[0] = slope;
        }
    }
    // After a "B" key, its data were control values: make them slopes. A
    // key that is not later than it is bad anyway and converts nothing.
    if (prev != nullptr && previousFirstLetter == 'B')
    {
        const double dt = SecondsBetween(Ticks(prev->mTime), Ticks(key.mTime));
        if (dt > 0.0)
        {
            prev->mData[0] = static_cast<float>((prev->mData[0] - prev->mValue) * 3.0 / dt);
            prev->mData[1] =
                first == 'B' ? static_cast<float>((prev->mData[1] - key.mValue) * -3.0 / dt) : 0.0f;
        }
    }
    return true;
}

void KFCurveKeyReader::ReadKey(int k)
{
    KFKeyRecord& key = *curve.GetKey(k);
    key = KFKeyRecord{};
    key.SetData(KFCURVEKEY_RIGHT_WEIGHT, KFCURVE_DEFAULT_WEIGHT);
    key.SetData(KFCURVEKEY_NEXT_LEFT_WEIGHT, KFCURVE_DEFAULT_WEIGHT);
    int64_t ticks = 0;
    bool good = ReadTime(ticks);
    key.mTime = FromTicks(ticks);
    if (binary && scn.PeekValueType() != 'D' && scn.PeekValueType() != 'F')
    {
        good = false;
        scn.NextValueAsDouble();
        key.mValue = 0.0f;
    }
    else
    {
        key.mValue = Float();
    }
    char first = 0;
    if (!Letter(first))
    {
        good = false;
        first = 0;
    }
    KFKeyRecord* prev = k > 0 ? curve.GetKey(k - 1) : nullptr;
    switch (first)
    {
    case 'A':
    case 'C':
    case 'Z':
        key.SetInterpolation(KFCURVE_INTERPOLATION_CONSTANT);
        if (version >= kConstantNextKeys)
        {
            char mode = 0;
            Letter(mode);
            key.SetConstantMode(mode == 'n' ? KFCURVE_CONSTANT_NEXT : KFCURVE_CONSTANT_STANDARD);
        }
        break;
    case 'L':
        key.SetInterpolation(KFCURVE_INTERPOLATION_LINEAR);
        break;
    case 'U':
        good = ReadCubic(k, key) && good;
        break;
    default:
        good = IsOldStyleLetter(first) ? ReadOldStyle(k, key, first) && good : false;
        break;
    }
    // A constant or linear key after a cubic auto one: that key's bias
    // toward this one is its left secant.
    if ((first == 'A' || first == 'C' || first == 'Z' || first == 'L') && version < kConstantNextKeys &&
        prev != nullptr && IsCubic(*prev) && IsAutoKind(prev->GetTangentMode()))
    {
        prev->mData[1] = 100.0f;
    }
    previousFirstLetter = first;
    // Order is checked against the last good key, so one corrupt time does
    // not condemn the keys after it.
    if (good && haveGood && ticks <= lastGoodTime)
    {
        good = false;
    }
    if (good)
    {
        lastGoodTime = ticks;
        haveGood = true;
    }
    else
    {
        bad.push_back(k);
    }
}

} // namespace

void KFCurve::ReadKeys(KScn& scn, int keyVersion, int keyCount)
{
    ClearKeys();
    if (!scn.OpenField("Key"))
    {
        return;
    }
    // Every key needs at least a time, a value and a letter.
    // The curve holds just the keys read (ClearKeys left it without blocks).
    const int possible = scn.RemainingValueCount() / 3;
    ReserveExactKeys(keyCount < possible ? keyCount : possible);
    BeginKeyChanges();
    KFCurveKeyReader reader{scn, *this, keyVersion, scn.IsBinary(), 'L', {}, 0, false, 0};
    if (reader.binary)
    {
        reader.timeType = scn.PeekValueType();
    }
    for (int k = 0; k < keyCount && scn.RemainingValueCount() > 0; ++k)
    {
        if (!ReserveKeys(mKeyCount + 1))
        {
            break;
        }
        ++mKeyCount;
        reader.ReadKey(k);
    }
    scn.CloseField();
    EndKeyChanges();
    for (size_t i = reader.bad.size(); i-- > 0;)
    {
        RemoveKey(reader.bad[i]);
    }
}

bool KFCurve::ReadScn(KScn& scn, bool defaultOnly, bool withColor)
{
    // Listeners hear nothing of the read: the pending event is dropped at
    // the end of this bracket.
    BeginKeyChanges();
    ClearKeys();
    SetDefaultValue(ToFloat(scn.NextValueAsDouble()));
    scn.CloseField();
    int keyVersion = 0;
    if (!defaultOnly)
    {
        keyVersion = scn.ReadIntField("KeyVer", 0);
        const int keyCount = scn.ReadIntField("KeyCount", 0);
        if (keyCount > 0)
        {
            ReadKeys(scn, keyVersion, keyCount);
            const char* names[2] = {"Pre-Extrapolation", "Post-Extrapolation"};
            for (int side = 0; side < 2; ++side)
            {
                if (!scn.OpenField(names[side]))
                {
                    continue;
                }
                char type = '0';
                int32_t repetition = 0;
                if (scn.EnterFieldBlock())
                {
                    type = scn.ReadCharField("Type", '0');
                    repetition = scn.ReadIntField("Repetition", 0);
                    scn.LeaveFieldBlock();
                }
                scn.CloseField();
                // "Repetition" is a signed field; -1 stands for 0xFFFFFFFF.
                const uint32_t count = static_cast<uint32_t>(repetition);
                if (side == 0)
                {
                    SetPreExtrapolationType(ExtrapolationMode(type));
                    SetPreExtrapolationRepetition(count);
                }
                else
                {
                    SetPostExtrapolationType(ExtrapolationMode(type));
                    SetPostExtrapolationRepetition(count);
                }
            }
        }
    }
    if (withColor && scn.OpenField("Color"))
    {
        const float r = ToFloat(scn.NextValueAsDouble());
        const float g = ToFloat(scn.NextValueAsDouble());
        const float b = ToFloat(scn.NextValueAsDouble());
        SetColor(r, g, b);
        scn.CloseField();
    }
    if (!defaultOnly && keyVersion < kOldKeys && mKeyCount > 0)
    {
        OldFilePass();
    }
    ResetPendingEvent();
    EndKeyChanges();
    return true;
}

KFCurve* KFCurve::ReadScnDefault(KScn& scn, KFCurve* curve, bool defaultOnly, bool withColor)
{
    if (!scn.OpenField("Default"))
    {
        return nullptr;
    }
    if (curve != nullptr)
    {
        curve->ClearKeys();
        curve->ReadScn(scn, defaultOnly, withColor);
        return curve;
    }
    // The made curve is ours until it is handed out: a read stopped
    // part-way (memory running out) takes it along.
    std::unique_ptr<KFCurve> made(Create());
    if (made == nullptr)
    {
        scn.CloseField();
        return nullptr;
    }
    made->ReadScn(scn, defaultOnly, withColor);
    return made.release();
}

KFCurve* KFCurve::ReadScnDefault(KScn& scn, bool defaultOnly, bool withColor)
{
    return ReadScnDefault(scn, nullptr, defaultOnly, withColor);
}

// Converts the tangents of a file older than key version 4000 to the
// current model: the last key becomes cubic auto, then three sweeps.
void KFCurve::OldFilePass()
{
    const int n = mKeyCount;
    Key(n - 1).SetInterpolation(KFCURVE_INTERPOLATION_CUBIC);
    Key(n - 1).SetTangentMode(KFCURVE_TANGENT_AUTO);
    OldFileSweepDown();
    OldFileSweepUp();
    OldFileSweepTCB();
}

// From the last key down: keys after TCB keys, and auto keys, become user
// keys with the slopes they had.
void KFCurve::OldFileSweepDown()
{
    const int n = mKeyCount;
    for (int k = n - 1; k >= 1; --k)
    {
        KFKeyRecord& cur = Key(k);
        const KFKeyRecord& prev = Key(k - 1);
        const bool prevTCB = IsCubicTangent(prev, KFCURVE_TANGENT_TCB);
        if (IsCubicTangent(cur, KFCURVE_TANGENT_USER) && prevTCB)
        {
            cur.SetTangentMode(KFCURVE_TANGENT_BREAK);
        }
        else if (cur.GetInterpolation() == KFCURVE_INTERPOLATION_LINEAR && prevTCB)
        {
            const float r = static_cast<float>(GetKeyRightDerivative(k));
            cur.SetInterpolation(KFCURVE_INTERPOLATION_CUBIC);
            cur.SetTangentMode(KFCURVE_TANGENT_BREAK);
            cur.mData[0] = cur.mData[1] = r;
        }
        else if (IsCubicTangent(cur, KFCURVE_TANGENT_AUTO))
        {
            float r = 0.0f;
            if (k + 1 == n - 1)
            {
                r = static_cast<float>((Key(k + 1).mValue - cur.mValue) /
                                       SecondsBetweenOrOne(Ticks(cur.mTime), Ticks(Key(k + 1).mTime)));
            }
            else if (k + 1 < n)
            {
                r = static_cast<float>(GetKeyRightDerivative(k + 1));
            }
            if (IsCubic(prev) && IsUserKind(prev.GetTangentMode()))
            {
                cur.SetTangentMode(KFCURVE_TANGENT_USER);
                cur.mData[0] = prev.mData[1];
                cur.mData[1] = r;
            }
            else if (prevTCB)
            {
                cur.SetTCB(cur.mTime, cur.mValue, prev.GetDataFloat(0), prev.GetDataFloat(1),
                           prev.GetDataFloat(2));
                if (k + 1 < n)
                {
                    const float left = static_cast<float>(GetKeyLeftDerivative(k));
                    cur.SetTangentMode(KFCURVE_TANGENT_USER);
                    cur.SetData(2, KFCURVE_DEFAULT_WEIGHT);
                    cur.SetData(3, KFCURVE_DEFAULT_WEIGHT);
                    cur.mData[0] = left;
                    cur.mData[1] = r;
                }
            }
            else if (prev.GetInterpolation() == KFCURVE_INTERPOLATION_CONSTANT)
            {
                cur.SetTangentMode(KFCURVE_TANGENT_USER);
                cur.mData[0] = 0.0f;
                cur.mData[1] = r;
            }
        }
    }
}

// From key 1 up: an auto key before a key that is not auto becomes user.
void KFCurve::OldFileSweepUp()
{
    const int n = mKeyCount;
    for (int k = 1; k < n; ++k)
    {
        KFKeyRecord& prev = Key(k - 1);
        if (IsCubicTangent(prev, KFCURVE_TANGENT_AUTO) && !IsCubicTangent(Key(k), KFCURVE_TANGENT_AUTO))
        {
            const float right = static_cast<float>(GetKeyRightDerivative(k - 1));
            const float next = static_cast<float>(GetKeyRightDerivative(k));
            prev.SetTangentMode(KFCURVE_TANGENT_USER);
            prev.mData[0] = right;
            prev.mData[1] = next;
        }
    }
}

// From the last key down: a TCB key after a user key becomes user with break.
void KFCurve::OldFileSweepTCB()
{
    const int n = mKeyCount;
    for (int k = n - 1; k >= 1; --k)
    {
        KFKeyRecord& cur = Key(k);
        const KFKeyRecord& prev = Key(k - 1);
        if (!IsCubicTangent(cur, KFCURVE_TANGENT_TCB) || !IsCubic(prev) || !IsUserKind(prev.GetTangentMode()))
        {
            continue;
        }
        const float right = static_cast<float>(GetKeyRightDerivative(k));
        float left = static_cast<float>(GetKeyLeftDerivative(k + 1));
        if (k + 1 < n && !IsCubicTangent(Key(k + 1), KFCURVE_TANGENT_TCB))
        {
            left = static_cast<float>(TCBSlopeAfter(k));
        }
        cur.SetTangentMode(KFCURVE_TANGENT_BREAK);
        cur.SetData(2, KFCURVE_DEFAULT_WEIGHT);
        cur.SetData(3, KFCURVE_DEFAULT_WEIGHT);
        cur.mData[0] = right;
        cur.mData[1] = left;
    }
}

// The TCB slope at key k + 1 with key k's tension, continuity and bias.
double KFCurve::TCBSlopeAfter(int k) const
{
    const KFKeyRecord& key = Key(k);
    const double t = key.GetDataFloat(KFCURVEKEY_TCB_TENSION);
    const double c = key.GetDataFloat(KFCURVEKEY_TCB_CONTINUITY);
    const double b = key.GetDataFloat(KFCURVEKEY_TCB_BIAS);
    const KFKeyRecord& next = Key(k + 1);
    const double dt1 = SecondsBetweenOrOne(Ticks(key.mTime), Ticks(next.mTime));
    const double in = (static_cast<double>(next.mValue) - key.mValue) * (1.0 + b) * (1.0 - c) / dt1;
    if (k + 2 >= mKeyCount)
    {
        return (1.0 - t) * in;
    }
    const KFKeyRecord& after = Key(k + 2);
    const double dt2 = SecondsBetweenOrOne(Ticks(next.mTime), Ticks(after.mTime));
    const double out = (static_cast<double>(after.mValue) - next.mValue) * (1.0 + c) * (1.0 - b) / dt2;
    return (in + out) * (1.0 - t) * 0.5;
}

} // namespace scenesdk
