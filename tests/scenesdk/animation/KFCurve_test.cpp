// Key records, key storage, search, change events and copies of KFCurve.

#include "scenesdk/animation/KFCurve.h"
#include "tests/scenesdk/animation/CurveTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

using curvetest::Sec;

KFKeyRecord UserKey(double seconds, float value, float right = 0.0f, float nextLeft = 0.0f)
{
    KFKeyRecord r{};
    r.Set(Sec(seconds), value, KFCURVE_INTERPOLATION_CUBIC, KFCURVE_TANGENT_USER, right, nextLeft);
    return r;
}

struct Recorder
{
    std::vector<KFCurveEvent> events;
    static void Callback(KFCurve*, KFCurveEvent* event, void* object)
    {
        static_cast<Recorder*>(object)->events.push_back(*event);
    }
};

} // namespace

// ---------------------------------------------------------------- key record

TEST(KFKeyRecord, FixedPointWeightsAndVelocities)
{
    KFKeyRecord k{};
    k.Set(Sec(1.0), 2.0f);
    k.SetData(KFCURVEKEY_RIGHT_WEIGHT, 1.0f / 3.0f);
    EXPECT_EQ(k.mFixed[0], 3333);
    EXPECT_EQ(k.GetData(KFCURVEKEY_RIGHT_WEIGHT), 1.0f / 3.0f); // exact round trip

    k.SetData(KFCURVEKEY_NEXT_LEFT_WEIGHT, 0.99f);
    EXPECT_EQ(k.mFixed[1], 9899);
    k.SetData(KFCURVEKEY_NEXT_LEFT_WEIGHT, 2.0f); // clamped to the maximum
    EXPECT_EQ(k.mFixed[1], 9899);
    k.SetData(KFCURVEKEY_NEXT_LEFT_WEIGHT, 0.0f); // clamped to the minimum: one unit
    EXPECT_EQ(k.mFixed[1], 1);
    k.SetData(KFCURVEKEY_NEXT_LEFT_WEIGHT, KFCURVE_MIN_WEIGHT);
    EXPECT_EQ(k.mFixed[1], 1);
    k.SetData(KFCURVEKEY_NEXT_LEFT_WEIGHT, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(k.mFixed[1], 1);

    k.SetData(KFCURVEKEY_RIGHT_VELOCITY, 10.0f);
    EXPECT_EQ(k.mFixed[2], 32767);
    k.SetData(KFCURVEKEY_NEXT_LEFT_VELOCITY, -10.0f);
    EXPECT_EQ(k.mFixed[3], -32767);
    k.SetData(KFCURVEKEY_RIGHT_VELOCITY, 1.5f);
    EXPECT_NEAR(k.GetData(KFCURVEKEY_RIGHT_VELOCITY), 1.5f, 2e-4f);
    EXPECT_EQ(k.GetData(9), 0.0f);
}

TEST(KFKeyRecord, WholeKeySetsAndInterpolationChanges)
{
    KFKeyRecord k{};
    k.SetFlags(KFCURVE_MARKED_ALL | KFCURVE_SELECT_POINT);
    k.Set(Sec(0.5), 3.0f, KFCURVE_INTERPOLATION_CUBIC, KFCURVE_TANGENT_BREAK, 1.0f, -2.0f,
          KFCURVE_WEIGHTED_RIGHT, 0.5f, 0.25f, 0.1f, 0.2f);
    EXPECT_EQ(k.GetInterpolation(), KFCURVE_INTERPOLATION_CUBIC);
    EXPECT_EQ(k.GetTangentMode(), KFCURVE_TANGENT_BREAK);
    EXPECT_EQ(k.GetWeightedMode(), KFCURVE_WEIGHTED_RIGHT);
    EXPECT_EQ(k.GetFlags() & KFCURVE_MARKED_ALL, 0u);
    EXPECT_TRUE(k.GetSelected());
    EXPECT_EQ(k.GetData(0), 1.0f);
    EXPECT_EQ(k.GetData(1), -2.0f);
    EXPECT_EQ(k.mFixed[0], 4999);

    // Leaving cubic and coming back resets weights and velocities.
    k.SetVelocityMode(KFCURVE_VELOCITY_ALL);
    k.SetInterpolation(KFCURVE_INTERPOLATION_LINEAR);
    EXPECT_EQ(k.GetWeightedMode(), KFCURVE_WEIGHTED_RIGHT);
    k.SetInterpolation(KFCURVE_INTERPOLATION_CUBIC);
    EXPECT_EQ(k.GetWeightedMode(), 0u);
    EXPECT_EQ(k.GetVelocityMode(), 0u);
    EXPECT_EQ(k.GetData(2), 1.0f / 3.0f);
    EXPECT_EQ(k.GetData(4), 0.0f);

    k.SetSelected(false);
    EXPECT_EQ(k.GetFlags() & KFCURVE_SELECT_ALL, 0u);
}

TEST(KFKeyRecord, TCBKeepsItsBiasOutOfTheWeights)
{
    KFKeyRecord k{};
    k.Set(Sec(0), 0.0f, KFCURVE_INTERPOLATION_CUBIC, KFCURVE_TANGENT_USER, 0, 0, KFCURVE_WEIGHTED_ALL, 0.5f,
          0.5f, 1.0f, 1.0f);
    k.SetVelocityMode(KFCURVE_VELOCITY_ALL);
    k.SetTCB(Sec(1), 4.0f, 0.25f, -0.5f, 0.75f);
    EXPECT_EQ(k.GetTangentMode(), KFCURVE_TANGENT_TCB);
    EXPECT_EQ(k.GetFlags() & (KFCURVE_WEIGHTED_ALL | KFCURVE_VELOCITY_ALL), 0u);
    EXPECT_EQ(k.GetDataFloat(KFCURVEKEY_TCB_TENSION), 0.25f);
    EXPECT_EQ(k.GetDataFloat(KFCURVEKEY_TCB_CONTINUITY), -0.5f);
    EXPECT_EQ(k.GetDataFloat(KFCURVEKEY_TCB_BIAS), 0.75f);
}

// ---------------------------------------------------------------- storage

TEST(KFCurveStorage, AddKeysInAnyOrderAcrossBlocks)
{
    KFCurve curve;
    std::vector<int> order(60);
    for (int i = 0; i < 60; ++i)
    {
        order[i] = i;
    }
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    for (int i : order)
    {
        KFKeyRecord r = UserKey(0, static_cast<float>(i) * 10.0f);
        curve.AddKey(Sec(i * 0.1), r);
    }
    ASSERT_EQ(curve.GetKeyCount(), 60);
    for (int i = 0; i < 60; ++i)
    {
        EXPECT_EQ(curve.GetKeyTime(i), Sec(i * 0.1)) << i;
        EXPECT_EQ(curve.GetKeyValue(i), i * 10.0f) << i;
    }
    EXPECT_EQ(curve.GetKeyCapacity(), 1600);
    EXPECT_EQ(curve.GetBlockPointerCount(), 64);

    // Blocks of 25: key 25 starts a new block, so it is not 25 records after key 0.
    EXPECT_EQ(curve.GetKey(24) + 1, curve.GetKey(23) + 2);
    EXPECT_NE(curve.GetKey(25), curve.GetKey(0) + 25);
    EXPECT_EQ(curve.GetKey(60), nullptr);
    EXPECT_EQ(curve.GetKey(-1), nullptr);
}

TEST(KFCurveStorage, ReserveGrowsThePointerArrayBySixtyFour)
{
    const int64_t before = KFCurve::GetKeyMemoryUsage();
    {
        KFCurve curve;
        ASSERT_TRUE(curve.ReserveKeys(1600));
        EXPECT_EQ(curve.GetBlockPointerCount(), 64);
        ASSERT_TRUE(curve.ReserveKeys(1601));
        EXPECT_EQ(curve.GetBlockPointerCount(), 128);
        EXPECT_EQ(curve.GetKeyCapacity(), 3200);
        // 65 blocks of 1,024 bytes and the pointer array.
        EXPECT_EQ(KFCurve::GetKeyMemoryUsage() - before, 65 * 1024 + 128 * int64_t(sizeof(void*)));
        // Reserved keys are zeroed, not garbage.
        EXPECT_EQ(curve.GetKeyCount(), 0);
    }
    EXPECT_EQ(KFCurve::GetKeyMemoryUsage(), before);
}

// A copy holds just the source's keys: a pointer a block and a last block
// sized to the keys left (copied onto a curve with keys of its own too);
// it grows past them keeping every key, and gives all back.
TEST(KFCurveStorage, CopiesHoldJustTheSourceKeys)
{
    const struct
    {
        int keys;      // of the source
        int ownBefore; // keys the copy had before CopyFrom
    } rows[] = {{0, 0}, {0, 3}, {1, 0}, {7, 40}, {25, 0}, {26, 2}, {51, 0}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(std::to_string(row.keys) + " keys over " + std::to_string(row.ownBefore));
        const int64_t before = KFCurve::GetKeyMemoryUsage();
        {
            KFCurve source;
            for (int k = 0; k < row.keys; ++k)
                source.AppendKey(Sec(k), static_cast<float>(k) + 0.5f);
            const int64_t sourceBytes = KFCurve::GetKeyMemoryUsage() - before;
            KFCurve copy;
            for (int k = 0; k < row.ownBefore; ++k)
                copy.AppendKey(Sec(100 + k), -1.0f);
            copy.CopyFrom(source, true);
            ASSERT_EQ(copy.GetKeyCount(), row.keys);
            EXPECT_TRUE(copy.HasSameContent(source));
            EXPECT_EQ(copy.GetKeySlotCount(), row.keys);
            EXPECT_EQ(copy.GetBlockPointerCount(), (row.keys + 24) / 25);
            const int64_t copyBytes = int64_t(row.keys / 25) * 1024 +
                                      int64_t(row.keys % 25) * int64_t(sizeof(KFKeyRecord)) +
                                      int64_t((row.keys + 24) / 25) * int64_t(sizeof(void*));
            EXPECT_EQ(KFCurve::GetKeyMemoryUsage() - before - sourceBytes, copyBytes);
            std::unique_ptr<KFCurve> whole(source.Copy(KTime(KTime::kMinusInfinite), KTime(KTime::kInfinite)));
            EXPECT_EQ(whole->GetKeySlotCount(), row.keys) << "Copy over the whole time line";
            // Growing past the copied keys keeps them, appended to (twice:
            // into new room, then into room already had) or added in front.
            KFKeyRecord last{};
            for (int a = 0; a < 2; ++a)
            {
                last.Set(Sec(1000 + a), 8.0f + a, KFCURVE_INTERPOLATION_LINEAR);
                copy.EvaluateCached(Sec(1000 + a));
                ASSERT_EQ(copy.AppendKey(last), row.keys + a);
                EXPECT_EQ(copy.EvaluateCached(Sec(1000 + a)), 8.0f + a);
            }
            KFKeyRecord first{};
            first.Set(Sec(-1), 9.0f);
            ASSERT_EQ(copy.AddKey(Sec(-1), first), 0);
            ASSERT_EQ(copy.GetKeyCount(), row.keys + 3);
            EXPECT_EQ(copy.GetKeyValue(0), 9.0f);
            for (int k = 0; k < row.keys; ++k)
                EXPECT_EQ(copy.GetKeyValue(k + 1), static_cast<float>(k) + 0.5f) << k;
            EXPECT_EQ(copy.GetKeyValue(row.keys + 1), 8.0f);
            EXPECT_EQ(copy.GetKeyInterpolation(row.keys + 2), KFCURVE_INTERPOLATION_LINEAR);
        }
        EXPECT_EQ(KFCurve::GetKeyMemoryUsage(), before);
    }
}

TEST(KFCurveStorage, SetKeyAppendsOnlyAtTheEnd)
{
    KFCurve curve;
    EXPECT_FALSE(curve.SetKey(1, Sec(1), 1.0f)); // would leave a gap key
    EXPECT_FALSE(curve.SetKey(-1, Sec(1), 1.0f));
    EXPECT_TRUE(curve.SetKey(0, Sec(0), 1.0f, KFCURVE_INTERPOLATION_LINEAR));
    EXPECT_TRUE(curve.SetKeyTCB(1, Sec(1), 2.0f, 0.5f));
    EXPECT_EQ(curve.GetKeyCount(), 2);
    EXPECT_EQ(curve.GetKeyInterpolation(0), KFCURVE_INTERPOLATION_LINEAR);
    EXPECT_EQ(curve.GetKeyTangentMode(1), KFCURVE_TANGENT_TCB);
    EXPECT_EQ(curve.GetKeyDataFloat(1, KFCURVEKEY_TCB_TENSION), 0.5f);

    // Appending reports the old count and the index; a rewrite one change.
    KFCurve events;
    events.BeginKeyChanges();
    events.SetKey(0, Sec(0), 1.0f);
    EXPECT_EQ(events.GetPendingEvent().mEventCount, 2);
    EXPECT_EQ(events.GetPendingEvent().mEventType, KFCURVEEVENT_KEY_ADDED);
    events.SetKeyTCB(0, Sec(0), 2.0f);
    EXPECT_EQ(events.GetPendingEvent().mEventCount, 3);
    EXPECT_EQ(events.GetPendingEvent().mEventType, KFCURVEEVENT_KEY_ADDED | KFCURVEEVENT_KEY_REPLACED);
    EXPECT_EQ(events.GetPendingEvent().mKeyIndexStart, 0);
    EXPECT_EQ(events.GetPendingEvent().mKeyIndexStop, 0);
    events.EndKeyChanges();

    // ReplaceKey keeps the order.
    KFKeyRecord r = UserKey(1.0, 9.0f);
    EXPECT_FALSE(curve.ReplaceKey(0, r)); // not earlier than key 1
    r = UserKey(0.0, 9.0f);
    EXPECT_FALSE(curve.ReplaceKey(1, r)); // not later than key 0
    r = UserKey(0.5, 9.0f);
    EXPECT_TRUE(curve.ReplaceKey(1, r));
    EXPECT_EQ(curve.GetKeyValue(1), 9.0f);
}

TEST(KFCurveStorage, PerKeyAccessorsRefuseBadIndices)
{
    KFCurve curve;
    curve.AppendKey(Sec(0), 1.0f);
    EXPECT_FALSE(curve.SetKeyValue(1, 2.0f));
    EXPECT_FALSE(curve.SetKeyTime(-1, Sec(1)));
    EXPECT_FALSE(curve.SetKeyInterpolation(5, KFCURVE_INTERPOLATION_LINEAR));
    EXPECT_FALSE(curve.SetKeyData(1, 0, 1.0f));
    EXPECT_EQ(curve.GetKeyValue(3), 0.0f);
    EXPECT_EQ(curve.GetKeyTime(3), KTime(0));
    EXPECT_EQ(curve.GetKeyTangentMode(-2), 0u);
    EXPECT_FALSE(curve.RemoveKey(1));
    EXPECT_FALSE(curve.RemoveKey(-1));
    EXPECT_EQ(curve.GetKeyCount(), 1);
}

TEST(KFCurveStorage, RemovingKeys)
{
    KFCurve curve;
    curve.AppendKey(Sec(0), 5.0f);
    ASSERT_TRUE(curve.RemoveKey(0));
    EXPECT_EQ(curve.GetKeyCount(), 0);
    EXPECT_EQ(curve.GetDefaultValue(), 5.0f); // the only key's value becomes the default
    EXPECT_FALSE(curve.RemoveKeys(0, 1));

    for (int i = 0; i < 60; ++i)
    {
        curve.AddKey(Sec(i), UserKey(0, static_cast<float>(i), 0.0f, 0.0f));
    }
    // The slope arriving at key 40 is kept when keys 20..39 go.
    curve.SetKeyData(39, KFCURVEKEY_NEXT_LEFT_SLOPE, 2.5f);
    curve.SetKeyLeftWeight(40, 0.5f);
    ASSERT_TRUE(curve.RemoveKeys(20, 39));
    ASSERT_EQ(curve.GetKeyCount(), 40);
    EXPECT_EQ(curve.GetKeyValue(19), 19.0f);
    EXPECT_EQ(curve.GetKeyValue(20), 40.0f);
    EXPECT_EQ(curve.GetKeyValue(39), 59.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(curve.GetKeyLeftDerivative(20)), 2.5f);
    EXPECT_NEAR(curve.GetKeyLeftWeight(20), 0.5f, 1e-4f);

    // Clamped range; first > last removes nothing.
    ASSERT_TRUE(curve.RemoveKeys(35, 100));
    EXPECT_EQ(curve.GetKeyCount(), 35);
    ASSERT_TRUE(curve.RemoveKeys(10, 5));
    EXPECT_EQ(curve.GetKeyCount(), 35);

    // Keys exactly at the span's ends stay.
    ASSERT_TRUE(curve.RemoveKeysInSpan(Sec(2), Sec(5)));
    EXPECT_EQ(curve.GetKeyCount(), 33);
    EXPECT_EQ(curve.GetKeyTime(2), Sec(2));
    EXPECT_EQ(curve.GetKeyTime(3), Sec(5));

    // Removing everything keeps the first key's value as the default.
    ASSERT_TRUE(curve.RemoveKeys(-3, 100));
    EXPECT_EQ(curve.GetKeyCount(), 0);
    EXPECT_EQ(curve.GetDefaultValue(), 0.0f);
}

// ---------------------------------------------------------------- search

TEST(KFCurveSearch, PositionsAndHints)
{
    KFCurve curve;
    EXPECT_EQ(curve.FindKey(Sec(0)), -1.0);
    curve.AppendKey(Sec(0), 0.0f);
    curve.AppendKey(Sec(1), 1.0f);
    EXPECT_DOUBLE_EQ(curve.FindKey(Sec(0.25)), 0.25);
    EXPECT_EQ(curve.FindKey(Sec(-1)), -0.5);
    EXPECT_EQ(curve.FindKey(Sec(2)), 1.5);
    EXPECT_EQ(curve.FindKey(Sec(1)), 1.0);
    EXPECT_EQ(curve.FindKey(KTime(KTime::kInfinite)), 1.5);
    EXPECT_EQ(curve.FindKey(KTime(KTime::kMinusInfinite)), -0.5);

    for (int i = 2; i < 10; ++i)
    {
        curve.AppendKey(Sec(i), static_cast<float>(i));
    }
    int hint = 0;
    EXPECT_DOUBLE_EQ(curve.FindKey(Sec(6.5), &hint), 6.5);
    EXPECT_EQ(hint, 7); // walked forward
    EXPECT_DOUBLE_EQ(curve.FindKey(Sec(2.5), &hint), 2.5);
    EXPECT_EQ(hint, 2); // walked backward
    EXPECT_EQ(curve.FindKey(Sec(3), &hint), 3.0);
    EXPECT_EQ(hint, 3);
    hint = 99; // out-of-range hints start at an end
    EXPECT_EQ(curve.FindKey(Sec(4), &hint), 4.0);
    hint = -5;
    EXPECT_EQ(curve.FindKey(Sec(4), &hint), 4.0);
    hint = 9;
    EXPECT_EQ(curve.FindKey(Sec(20), &hint), 9.5);
    EXPECT_EQ(hint, 10);
    // The ends and past them, from any hint: (time, hint, position, hint after).
    const double ends[][4] = {{9, 2, 9.0, 9}, {9, 10, 9.0, 9}, {12, 0, 9.5, 10}, {0, 8, 0.0, 0},
                              {0, -1, 0.0, 0}, {-3, 9, -0.5, 0}, {8, 0, 8.0, 8},  {1, 9, 1.0, 1}};
    for (const auto& e : ends)
    {
        hint = static_cast<int>(e[1]);
        EXPECT_EQ(curve.FindKey(Sec(e[0]), &hint), e[2]) << e[0] << " from " << e[1];
        EXPECT_EQ(hint, static_cast<int>(e[3])) << e[0] << " from " << e[1];
    }
}

TEST(KFCurveSearch, EqualTimesNeverDivideByZero)
{
    KFCurve curve;
    curve.AppendKey(Sec(0), 0.0f);
    curve.AppendKey(Sec(1), 1.0f);
    curve.AppendKey(Sec(1), 2.0f); // trusted append of an equal time
    curve.AppendKey(Sec(2), 3.0f);
    for (int start = -1; start <= 4; ++start)
    {
        int hint = start;
        const double p = curve.FindKey(Sec(1.5), &hint);
        EXPECT_TRUE(p >= 0.0 && p <= 3.0) << p;
        hint = start;
        const double q = curve.FindKey(Sec(1), &hint);
        EXPECT_TRUE(q == 1.0 || q == 2.0) << q;
    }
    // Equal times at the ends: the key the walk from the hint meets first.
    KFCurve ends;
    for (const double t : {0.0, 0.0, 1.0, 1.0})
        ends.AppendKey(Sec(t), 0.0f);
    const double walked[][3] = {{1, 0, 2.0}, {1, 3, 3.0}, {0, 3, 1.0}, {0, 0, 0.0}};
    for (const auto& w : walked)
    {
        int hint = static_cast<int>(w[1]);
        EXPECT_EQ(ends.FindKey(Sec(w[0]), &hint), w[2]) << w[0] << " from " << w[1];
    }
    EXPECT_TRUE(std::isfinite(curve.Evaluate(Sec(1))));
}

// ---------------------------------------------------------------- events

TEST(KFCurveEvents, CodesReachListenersAtOnceOutsideBrackets)
{
    Recorder rec; // outlives the curve, which reports its destruction
    KFCurve curve;
    curve.AddListener(&Recorder::Callback, &rec);
    curve.SetDefaultValue(2.0f);
    ASSERT_EQ(rec.events.size(), 1u);
    EXPECT_EQ(rec.events[0].mEventType, KFCURVEEVENT_DEFAULT_VALUE);

    curve.AddKey(Sec(0), UserKey(0, 1.0f));
    EXPECT_EQ(rec.events.back().mEventType, KFCURVEEVENT_KEY_ADDED);
    EXPECT_EQ(rec.events.back().mKeyIndexStart, 0);
    curve.AddKey(Sec(0), UserKey(0, 3.0f)); // same time: a replacement
    EXPECT_EQ(rec.events.back().mEventType, KFCURVEEVENT_KEY_REPLACED);
    EXPECT_EQ(curve.GetKeyCount(), 1);
    curve.SetPostExtrapolationType(KFCURVE_EXTRAPOLATION_MIRROR_REPETITION);
    EXPECT_EQ(rec.events.back().mEventType, KFCURVEEVENT_KEY_ATTRIBUTE);
    EXPECT_EQ(rec.events.back().mKeyIndexStart, -1);

    // AppendKey is silent but counts as a change.
    const uint32_t counter = curve.GetChangeCounter();
    const size_t n = rec.events.size();
    curve.AppendKey(Sec(1), 0.0f);
    EXPECT_EQ(rec.events.size(), n);
    EXPECT_EQ(curve.GetChangeCounter(), counter + 1);
    // Codes with bit 0x100 count in the high half.
    curve.FireEvent(0x100, -1);
    EXPECT_EQ(curve.GetChangeCounter(), counter + 1 + 0x10000);
}

TEST(KFCurveEvents, BracketsBatchIntoOneCall)
{
    Recorder rec;
    KFCurve curve;
    for (int i = 0; i < 5; ++i)
    {
        curve.AppendKey(Sec(i), 0.0f);
    }
    curve.AddListener(&Recorder::Callback, &rec);
    curve.BeginKeyChanges();
    curve.BeginKeyChanges();
    curve.SetKeyValue(3, 1.0f);
    curve.SetKeyTime(1, Sec(0.5));
    curve.EndKeyChanges();
    EXPECT_TRUE(rec.events.empty());
    curve.SetKeyTangentMode(2, KFCURVE_TANGENT_USER);
    curve.EndKeyChanges();
    ASSERT_EQ(rec.events.size(), 1u);
    EXPECT_EQ(rec.events[0].mEventType,
              KFCURVEEVENT_KEY_VALUE | KFCURVEEVENT_KEY_TIME | KFCURVEEVENT_KEY_ATTRIBUTE);
    EXPECT_EQ(rec.events[0].mKeyIndexStart, 1);
    EXPECT_EQ(rec.events[0].mKeyIndexStop, 3);
    EXPECT_EQ(rec.events[0].mEventCount, 3);
    EXPECT_EQ(curve.GetPendingEvent().mEventCount, 0);

    // Switching recording off drops codes.
    curve.SetEventRecording(false);
    curve.SetKeyValue(0, 4.0f);
    EXPECT_EQ(rec.events.size(), 1u);
}

namespace
{
struct SelfRemover
{
    KFCurve* curve = nullptr;
    int calls = 0;
    static void Callback(KFCurve* curve, KFCurveEvent*, void* object)
    {
        auto* self = static_cast<SelfRemover*>(object);
        ++self->calls;
        curve->RemoveListener(&SelfRemover::Callback, object);
    }
};
struct OtherRemover
{
    void* victim = nullptr;
    static void Callback(KFCurve* curve, KFCurveEvent*, void* object)
    {
        curve->RemoveListener(&Recorder::Callback, static_cast<OtherRemover*>(object)->victim);
    }
};
} // namespace

TEST(KFCurveEvents, ListenersMayRemoveThemselvesOrOthersDuringACall)
{
    SelfRemover a;
    SelfRemover b;
    OtherRemover killer;
    Recorder victim;
    Recorder twice;
    KFCurve curve;
    killer.victim = &victim;
    curve.AddListener(&SelfRemover::Callback, &a);
    curve.AddListener(&OtherRemover::Callback, &killer);
    curve.AddListener(&SelfRemover::Callback, &b);
    curve.AddListener(&Recorder::Callback, &victim);
    curve.SetDefaultValue(1.0f);
    EXPECT_EQ(a.calls, 1);
    EXPECT_EQ(b.calls, 1);
    EXPECT_TRUE(victim.events.empty()); // removed before its turn
    EXPECT_EQ(curve.GetListenerCount(), 1);
    curve.SetDefaultValue(2.0f);
    EXPECT_EQ(a.calls, 1);
    EXPECT_EQ(b.calls, 1);
    // RemoveListener removes the last equal pair only.
    curve.AddListener(&Recorder::Callback, &twice);
    curve.AddListener(&Recorder::Callback, &twice);
    curve.RemoveListener(&Recorder::Callback, &twice);
    EXPECT_EQ(curve.GetListenerCount(), 2);
}

TEST(KFCurveEvents, DestructionFiresOnce)
{
    Recorder rec;
    {
        KFCurve* curve = KFCurve::Create();
        curve->AppendKey(Sec(0), 1.0f);
        curve->AddListener(&Recorder::Callback, &rec);
        curve->BeginKeyChanges(); // an open bracket does not swallow the event
        KFCurve::Destroy(curve);
        KFCurve::Destroy(nullptr);
    }
    int destroys = 0;
    for (const KFCurveEvent& e : rec.events)
    {
        destroys += (e.mEventType & KFCURVEEVENT_DESTROY) != 0 ? 1 : 0;
    }
    EXPECT_EQ(destroys, 1);
}

// ---------------------------------------------------------------- copies

TEST(KFCurveCopy, CopyFromAndCopySpans)
{
    KFCurve source;
    for (int i = 0; i < 30; ++i)
    {
        source.AddKey(Sec(i), UserKey(0, static_cast<float>(i * i), 1.0f, 2.0f));
    }
    source.SetColor(0.1f, 0.2f, 0.3f);
    source.SetDefaultValue(7.0f);
    source.SetPreExtrapolationType(KFCURVE_EXTRAPOLATION_REPETITION);
    source.SetPostExtrapolationRepetition(4);
    int marker = 0;
    source.SetUserPointer(&marker);

    KFCurve copy;
    copy.AppendKey(Sec(100), 1.0f);
    copy.CopyFrom(source, true);
    ASSERT_EQ(copy.GetKeyCount(), 30);
    for (int i = 0; i < 30; ++i)
    {
        EXPECT_EQ(copy.GetKeyValue(i), source.GetKeyValue(i));
        EXPECT_EQ(copy.GetKeyTime(i), source.GetKeyTime(i));
    }
    EXPECT_EQ(copy.GetDefaultValue(), 7.0f);
    EXPECT_EQ(copy.GetColor()[2], 0.3f);
    EXPECT_EQ(copy.GetPreExtrapolationType(), KFCURVE_EXTRAPOLATION_REPETITION);
    EXPECT_EQ(copy.GetPostExtrapolationRepetition(), 4u);
    EXPECT_EQ(copy.GetUserPointer(), &marker);

    KFCurve noKeys;
    noKeys.CopyFrom(source, false);
    EXPECT_EQ(noKeys.GetKeyCount(), 0);
    EXPECT_EQ(noKeys.GetDefaultValue(), 7.0f);

    KFCurve* whole = source.Copy();
    EXPECT_EQ(whole->GetKeyCount(), 30);
    KFCurve::Destroy(whole);
    KFCurve* part = source.Copy(Sec(10), Sec(12));
    ASSERT_EQ(part->GetKeyCount(), 3);
    EXPECT_EQ(part->GetKeyValue(0), 100.0f);
    EXPECT_EQ(part->GetDefaultValue(), 7.0f);
    EXPECT_EQ(part->GetChangeCounter(), source.GetChangeCounter());
    KFCurve::Destroy(part);
}
