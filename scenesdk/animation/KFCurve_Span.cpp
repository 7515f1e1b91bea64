// KFCurve: replacing the keys of a span by those of another curve.

#include "scenesdk/animation/KFCurve.h"

#include "scenesdk/animation/KFCurveInternal.h"

#include <cmath>

namespace scenesdk
{

using namespace fcurve_detail;

// How the copied keys are changed on the way in.
struct KFCurveSpanOptions
{
    enum EKind
    {
        ePlain,
        eScaled,
        eOffset
    };
    EKind kind = ePlain;
    float startFactor = 1.0f;
    float stopFactor = 1.0f;
    float offset1 = 0.0f;
    float offset2 = 0.0f;
    bool reflect1 = false;
    bool reflect2 = false;
    bool keepSpan = false;
    bool fill = false;
};

namespace
{

bool IsCubicUserOrAuto(const KFKeyRecord& key)
{
    return key.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC &&
           (key.GetTangentMode() & (KFCURVE_TANGENT_USER | KFCURVE_TANGENT_AUTO)) != 0;
}

// Reflection negates the stored slopes of user keys only; auto keys follow
// their (reflected) neighbours by themselves.
bool IsReflectableUser(const KFKeyRecord& key)
{
    return key.GetInterpolation() == KFCURVE_INTERPOLATION_CUBIC && IsUserKind(key.GetTangentMode());
}

// Index of the first key at or after t (count when none).
int FirstAtOrAfter(const KFCurve& curve, int64_t t)
{
    int i = 0;
    while (i < curve.GetKeyCount() && Ticks(curve.GetKeyTime(i)) < t)
    {
        ++i;
    }
    return i;
}

} // namespace

void KFCurve::ReplaceSpan(KFCurve& source, KTime start, KTime stop, bool keepSpan, bool fill)
{
    KFCurveSpanOptions options;
    options.keepSpan = keepSpan;
    options.fill = fill;
    ReplaceSpanImpl(source, start, stop, options);
}

void KFCurve::ReplaceSpanScaled(KFCurve& source, KTime start, KTime stop, float startFactor, float stopFactor,
                                bool keepSpan, bool fill)
{
    KFCurveSpanOptions options;
    options.kind = KFCurveSpanOptions::eScaled;
    options.startFactor = startFactor;
    options.stopFactor = stopFactor;
    options.keepSpan = keepSpan;
    options.fill = fill;
    ReplaceSpanImpl(source, start, stop, options);
}

void KFCurve::ReplaceSpanOffset(KFCurve& source, KTime start, KTime stop, float offset1, float offset2,
                                bool reflect1, bool reflect2, bool keepSpan, bool fill)
{
    KFCurveSpanOptions options;
    options.kind = KFCurveSpanOptions::eOffset;
    options.offset1 = offset1;
    options.offset2 = offset2;
    options.reflect1 = reflect1;
    options.reflect2 = reflect2;
    options.keepSpan = keepSpan;
    options.fill = fill;
    ReplaceSpanImpl(source, start, stop, options);
}

namespace
{

// Step 1 and 2: the source keys inside the span, and the span itself, which
// shrinks to them unless kept (infinite ends stay infinite). False when the
// source has no key inside a span that is not kept (an empty source
// included): nothing is replaced then. A kept span is replaced even by an
// empty source (removed, or filled flat).
bool ResolveSpan(KFCurve& source, int64_t& s, int64_t& e, const KFCurveSpanOptions& options)
{
    const int sourceCount = source.GetKeyCount();
    if (sourceCount == 0)
    {
        return options.keepSpan;
    }
    const bool startInfinite = s <= kMinusInfinity;
    const bool stopInfinite = e == kInfinity;
    const int64_t sourceStart = startInfinite ? Ticks(source.GetKeyTime(0)) : s;
    const int64_t sourceStop = stopInfinite ? Ticks(source.GetKeyTime(sourceCount - 1)) : e;
    int first;
    int last;
    if (options.kind == KFCurveSpanOptions::eScaled)
    {
        first = FirstAtOrAfter(source, TickBefore(sourceStart));
        last = FirstAtOrAfter(source, sourceStop);
    }
    else
    {
        int hint = 0;
        first = static_cast<int>(std::ceil(source.FindKey(FromTicks(sourceStart), &hint)));
        last = static_cast<int>(std::floor(source.FindKey(FromTicks(sourceStop), &hint)));
    }
    last = last > sourceCount - 1 ? sourceCount - 1 : last;
    if (options.keepSpan)
    {
        return true;
    }
    if (first > last)
    {
        return false;
    }
    s = startInfinite ? s : Ticks(source.GetKeyTime(first));
    e = stopInfinite ? e : Ticks(source.GetKeyTime(last));
    return true;
}

void Reflect(KFKeyRecord& key)
{
    key.mData[0] = -key.mData[0];
    key.mData[1] = -key.mData[1];
}

// The scale or offset of one copied key.
void AdjustCopiedKey(KFKeyRecord& added, int64_t s, int64_t e, const KFCurveSpanOptions& options)
{
    if (options.kind == KFCurveSpanOptions::eScaled)
    {
        double u = 0.0;
        if (e > s && s > kMinusInfinity && e != kInfinity)
        {
            u = SecondsBetween(s, Ticks(added.mTime)) / SecondsBetween(s, e);
        }
        added.mValue =
            static_cast<float>(added.mValue * ((1.0 - u) * options.startFactor + u * options.stopFactor));
    }
    else if (options.kind == KFCurveSpanOptions::eOffset && std::fabs(options.offset1) > kOffsetEpsilon)
    {
        added.mValue = options.reflect1 ? options.offset1 - added.mValue : added.mValue + options.offset1;
        if (options.reflect1 && IsReflectableUser(added))
        {
            Reflect(added);
        }
    }
}

// The index of the first source key a span starting at s copies.
int FirstSpanKey(KFCurve& source, int64_t s, const KFCurveSpanOptions& options)
{
    int hint = 0;
    const int i = options.kind == KFCurveSpanOptions::eScaled
                      ? FirstAtOrAfter(source, TickBefore(s))
                      : static_cast<int>(std::ceil(source.FindKey(FromTicks(s), &hint)));
    return i < 0 ? 0 : i;
}

} // namespace

void KFCurve::ReplaceSpanImpl(KFCurve& source, KTime start, KTime stop, const KFCurveSpanOptions& options)
{
    int64_t s = Ticks(start);
    int64_t e = Ticks(stop);
    if (&source == this || !ResolveSpan(source, s, e, options))
    {
        return;
    }
    // Room for every key the span brings (and the four a fill may add) is had
    // before anything changes: exhausted memory throws with the curve as it was.
    // The keys of this curve within the span leave first: room for them is
    // not asked twice (a curve replaced whole would else hold its keys twice).
    int brought = 4;
    for (int i = FirstSpanKey(source, s, options); i < source.GetKeyCount() && Ticks(source.GetKeyTime(i)) <= e; ++i)
        ++brought;
    int leaving = 0;
    for (int i = 0; i < mKeyCount; ++i)
    {
        const int64_t t = Ticks(Key(i).mTime);
        leaving += t >= s && t <= e ? 1 : 0;
    }
    if (!ReserveKeys(static_cast<int>(
            std::min<int64_t>(INT32_MAX, static_cast<int64_t>(mKeyCount) - leaving + brought))))
        return;
    BeginKeyChanges();
    const int k = mKeyCount > 0 ? static_cast<int>(std::ceil(FindKey(FromTicks(s)))) : 0;
    const double leftSlope = EvaluateLeftDerivative(FromTicks(s));
    const double rightSlope = EvaluateRightDerivative(FromTicks(e));
    RemoveKeysInSpan(FromTicks(TickBefore(s)), FromTicks(TickAfter(e)));
    if (source.GetKeyCount() > 0)
    {
        EmptyCache();
        int firstCopied = -1;
        int lastCopied = -1;
        CopySpanKeys(source, s, e, options, firstCopied, lastCopied);
        if (s > kMinusInfinity && mKeyCount > 0)
        {
            int at = k;
            if (Valid(at) && Ticks(Key(at).mTime) < s)
            {
                ++at;
            }
            if (Valid(at) && Ticks(Key(at).mTime) <= e && IsCubicUserOrAuto(Key(at)))
            {
                SetKeyLeftDerivative(at, static_cast<float>(leftSlope));
            }
        }
        if (e != kInfinity && Valid(lastCopied) && IsCubicUserOrAuto(Key(lastCopied)))
        {
            SetKeyRightDerivative(lastCopied, static_cast<float>(rightSlope));
        }
        if (options.kind == KFCurveSpanOptions::eOffset && std::fabs(options.offset2) > kOffsetEpsilon)
        {
            OffsetAfterSpan(lastCopied >= 0 ? lastCopied + 1 : FirstAtOrAfter(*this, TickAfter(e)), options);
        }
    }
    else if (options.fill)
    {
        FillEmptySpan(source, FromTicks(s), FromTicks(e));
    }
    EmptyCache();
    EndKeyChanges();
}

// Step 5: the source keys in [s, e] added to this curve.
void KFCurve::CopySpanKeys(KFCurve& source, int64_t s, int64_t e, const KFCurveSpanOptions& options,
                           int& firstCopied, int& lastCopied)
{
    const int sourceCount = source.GetKeyCount();
    int addHint = 0;
    int i = FirstSpanKey(source, s, options);
    for (; i < sourceCount && Ticks(source.GetKeyTime(i)) <= e; ++i)
    {
        const KFKeyRecord record = *source.GetKey(i);
        const int at = AddKey(record.mTime, record, &addHint);
        if (at < 0)
        {
            break;
        }
        firstCopied = firstCopied < 0 ? at : firstCopied;
        lastCopied = at;
        AdjustCopiedKey(Key(at), s, e, options);
    }
    // With reflection, the slope arriving at the first reflected key is
    // reflected too (it lives in the key before it).
    if (options.kind == KFCurveSpanOptions::eOffset && options.reflect1 &&
        std::fabs(options.offset1) > kOffsetEpsilon && firstCopied >= 1 &&
        IsReflectableUser(Key(firstCopied - 1)))
    {
        Key(firstCopied - 1).mData[1] = -Key(firstCopied - 1).mData[1];
    }
}

// The keys from index `after` on get offset2 added, or are reflected about it.
void KFCurve::OffsetAfterSpan(int after, const KFCurveSpanOptions& options)
{
    for (int j = after; j < mKeyCount; ++j)
    {
        KFKeyRecord& key = Key(j);
        key.mValue = options.reflect2 ? options.offset2 - key.mValue : key.mValue + options.offset2;
        if (options.reflect2 && IsReflectableUser(key))
        {
            Reflect(key);
        }
        FireEvent(KFCURVEEVENT_KEY_VALUE, j);
    }
    if (options.reflect2 && Valid(after - 1) && IsReflectableUser(Key(after - 1)))
    {
        Key(after - 1).mData[1] = -Key(after - 1).mData[1];
    }
}

// Makes [start, stop] flat at the source's default value: user keys just
// outside the span keep this curve's values there, user keys at the ends
// take the default, and the slopes inside are zero.
void KFCurve::FillEmptySpan(const KFCurve& source, KTime start, KTime stop)
{
    const int64_t s = Ticks(start);
    const int64_t e = Ticks(stop);
    const bool startFinite = s > kMinusInfinity;
    const bool stopFinite = e != kInfinity;
    if (!startFinite && !stopFinite)
    {
        // The whole time line: no key left, the default value is the stretch.
        SetDefaultValue(source.GetDefaultValue());
        return;
    }
    const uint32_t cubic = KFCURVE_INTERPOLATION_CUBIC;
    const uint32_t user = KFCURVE_TANGENT_USER;
    // An empty destination gets these keys too: they hold its default value
    // outside the stretch.
    if (startFinite)
    {
        EvaluateCached(FromTicks(s - 1));
        InsertKeyAtCache(nullptr, cubic, user, false, true);
    }
    if (stopFinite)
    {
        EvaluateCached(FromTicks(e + 1));
        InsertKeyAtCache(nullptr, cubic, user, false, true);
    }
    const float value = source.GetDefaultValue();
    if (startFinite)
    {
        SetCache(start, value);
        InsertKeyAtCache(nullptr, cubic, user, false, true);
    }
    if (stopFinite)
    {
        SetCache(stop, value);
        InsertKeyAtCache(nullptr, cubic, user, false, true);
    }
    int hint = 0;
    if (startFinite)
    {
        const int at = static_cast<int>(FindKey(start, &hint));
        SetKeyData(at, KFCURVEKEY_RIGHT_SLOPE, 0.0f);
        if (at >= 1)
        {
            SetKeyData(at - 1, KFCURVEKEY_NEXT_LEFT_SLOPE, 0.0f);
        }
    }
    if (stopFinite)
    {
        const int at = static_cast<int>(FindKey(stop, &hint));
        SetKeyData(at, KFCURVEKEY_RIGHT_SLOPE, 0.0f);
        if (at >= 1)
        {
            SetKeyData(at - 1, KFCURVEKEY_NEXT_LEFT_SLOPE, 0.0f);
        }
    }
}

} // namespace scenesdk
