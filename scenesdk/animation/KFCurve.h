#pragma once

// KFCurve: an animation function curve. A default value, keys in strictly
// increasing time order (by AddKey and ReplaceKey; SetKey, SetKeyTCB,
// AppendKey and SetKeyTime trust the caller), pre- and post-extrapolation and
// change listeners.
//
// Storage: keys live in 1,024-byte blocks of 25 (key i in block i / 25, slot
// i % 25); growth only reallocates the block pointer array (64 pointers at a
// time), so a KFKeyRecord* from GetKey stays valid until keys move (adding or
// removing keys before it) or the curve is cleared. New blocks are zeroed.
// A curve whose keys are read from a file or copied from another curve
// holds just those: a pointer array of as many blocks as they fill and a
// last block of as many slots as they leave (a curve of 8 keys holds 320
// bytes, not 1,536). Its first growth past them gives the last block its 25
// slots (the keys of that block move once, so pointers into it go stale)
// and the pointer array its 64.
//
// Times are KTime ticks; every slope and derivative is per second. Auto
// tangents keep a bias in percent: 0 is the mean of the two secants around
// the key; on the left side 100 is the left secant, on the right side 100
// is the right secant; beyond +-500 a quadratic term bends the slope further.
//
// Events: every change fires a code (KFCURVEEVENT_*) into the pending
// KFCurveEvent. Outside a change bracket it reaches the listeners at once;
// inside (BeginKeyChanges/EndKeyChanges, nestable) codes accumulate and are
// delivered once when the outermost bracket closes. A listener may add or
// remove listeners (itself included) during a call: removed ones are not
// called again, added ones are called from the next event on. A listener
// must not destroy the curve during a call: the operation that fired the
// event goes on with the curve afterwards. (Destruction itself fires
// KFCURVEEVENT_DESTROY last, so removing oneself then is safe.)
//
// Out-of-range key indices are refused: setters return false and change
// nothing, getters return 0 (or null, or a neutral record).

#include "scenesdk/animation/KFKeyRecord.h"
#include "scenesdk/animation/KTime.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace scenesdk
{

class KScn;
class KFCurve;
struct KFCurveSpanOptions;

// Change codes; listeners test their bits.
constexpr uint32_t KFCURVEEVENT_DEFAULT_VALUE = 0x0001;
constexpr uint32_t KFCURVEEVENT_DESTROY = 0x0200;
constexpr uint32_t KFCURVEEVENT_KEY_ADDED = 0x0810;
constexpr uint32_t KFCURVEEVENT_KEY_REMOVED = 0x1010;
constexpr uint32_t KFCURVEEVENT_KEY_VALUE = 0x2010;
constexpr uint32_t KFCURVEEVENT_KEY_TIME = 0x4010;
constexpr uint32_t KFCURVEEVENT_KEY_ATTRIBUTE = 0x8010;
constexpr uint32_t KFCURVEEVENT_KEY_REPLACED = 0xE010;

// Extrapolation modes. Any other stored mode (the file reader stores 0 for
// an unknown letter) behaves as constant.
constexpr uint32_t KFCURVE_EXTRAPOLATION_CONST = 1;
constexpr uint32_t KFCURVE_EXTRAPOLATION_REPETITION = 2;
constexpr uint32_t KFCURVE_EXTRAPOLATION_MIRROR_REPETITION = 3;
constexpr uint32_t KFCURVE_EXTRAPOLATION_KEEP_SLOPE = 4;
// Repetition count meaning "without end" for keep slope.
constexpr uint32_t KFCURVE_REPETITION_FOREVER = 0xFFFFFFFFu;

// The pending change record: OR of the codes fired, the range of key indices
// touched (-1 for none) and the number of codes.
struct KFCurveEvent
{
    uint32_t mEventType = 0;
    int mKeyIndexStart = -1;
    int mKeyIndexStop = -1;
    int mEventCount = 0;

    void Clear();
    void Add(uint32_t code, int index);
};

// One side of a key's tangent.
struct KFCurveTangent
{
    float mDerivative = 0.0f;
    float mWeight = KFCURVE_DEFAULT_WEIGHT;
    bool mWeighted = false;
    float mVelocity = 0.0f;
    bool mHasVelocity = false;
    float mAuto = 0.0f;
};

typedef void (*KFCurveCallback)(KFCurve* curve, KFCurveEvent* event, void* object);

class KFCurve
{
public:
    KFCurve();
    // Clears the keys, turns listeners and recording on and fires
    // KFCURVEEVENT_DESTROY once.
    ~KFCurve();
    KFCurve(const KFCurve&) = delete;
    KFCurve& operator=(const KFCurve&) = delete;

    static KFCurve* Create();
    // Deletes the curve; nothing for null.
    static void Destroy(KFCurve* curve);

    // Curve fields.
    float GetDefaultValue() const { return mDefaultValue; }
    void SetDefaultValue(float value); // fires KFCURVEEVENT_DEFAULT_VALUE
    // Null does nothing.
    void SetColor(const float* rgb);
    void SetColor(float red, float green, float blue);
    const float* GetColor() const { return mColor; }
    void SetUserPointer(void* pointer) { mUserPointer = pointer; }
    void* GetUserPointer() const { return mUserPointer; }
    uint32_t GetChangeCounter() const { return mChangeCounter; }

    // Extrapolation; each setter fires KFCURVEEVENT_KEY_ATTRIBUTE with -1.
    void SetPreExtrapolationType(uint32_t mode);
    uint32_t GetPreExtrapolationType() const { return mPreExtrapolation; }
    void SetPreExtrapolationRepetition(uint32_t count);
    uint32_t GetPreExtrapolationRepetition() const { return mPreRepetition; }
    void SetPostExtrapolationType(uint32_t mode);
    uint32_t GetPostExtrapolationType() const { return mPostExtrapolation; }
    void SetPostExtrapolationRepetition(uint32_t count);
    uint32_t GetPostExtrapolationRepetition() const { return mPostRepetition; }

    // ---- Key storage ----
    // Makes room for n keys (zeroed blocks). False when memory runs out.
    bool ReserveKeys(int n);
    int GetKeyCount() const { return mKeyCount; }
    // The keys the pointer array addresses (its pointers x 25).
    int GetKeyCapacity() const { return mKeyCapacity; }
    int GetBlockPointerCount() const { return mBlockPointerCount; }
    // The key slots the curve holds without allocating: its blocks' slots.
    int GetKeySlotCount() const { return mLastBlock < 0 ? 0 : mLastBlock * 25 + BlockSlots(mLastBlock); }
    // The record in place, null out of range.
    KFKeyRecord* GetKey(int index) { return Valid(index) ? &Key(index) : nullptr; }
    const KFKeyRecord* GetKey(int index) const { return Valid(index) ? &Key(index) : nullptr; }
    bool GetKey(int index, KFKeyRecord& out) const;

    // Writes key index in place (index <= count; index == count appends and
    // reserves room). Fires KEY_REPLACED, or KEY_ADDED when appending.
    bool SetKey(int index, KTime time, float value, uint32_t interpolation = KFCURVE_INTERPOLATION_CUBIC,
                uint32_t tangentMode = KFCURVE_TANGENT_AUTO, float data0 = 0.0f, float data1 = 0.0f,
                uint32_t weighted = KFCURVE_WEIGHTED_NONE, float weight2 = KFCURVE_DEFAULT_WEIGHT,
                float weight3 = KFCURVE_DEFAULT_WEIGHT, float velocity4 = 0.0f, float velocity5 = 0.0f);
    bool SetKeyTCB(int index, KTime time, float value, float tension = 0.0f, float continuity = 0.0f,
                   float bias = 0.0f);
    // Like SetKey with a whole record, but refuses a time that breaks the order.
    bool ReplaceKey(int index, const KFKeyRecord& record);

    // Per-key setters (KEY_ATTRIBUTE unless said) and getters.
    bool SetKeyInterpolation(int index, uint32_t interpolation);
    uint32_t GetKeyInterpolation(int index) const;
    bool SetKeyConstantMode(int index, uint32_t mode);
    uint32_t GetKeyConstantMode(int index) const;
    bool SetKeyTangentMode(int index, uint32_t mode);
    uint32_t GetKeyTangentMode(int index) const;
    bool SetKeyWeightedMode(int index, uint32_t value, uint32_t mask = KFCURVE_WEIGHTED_ALL);
    uint32_t GetKeyWeightedMode(int index) const;
    bool SetKeyVelocityMode(int index, uint32_t value, uint32_t mask = KFCURVE_VELOCITY_ALL);
    uint32_t GetKeyVelocityMode(int index) const;
    bool SetKeyData(int index, int dataIndex, float value);
    float GetKeyData(int index, int dataIndex) const;
    bool SetKeyDataFloat(int index, int dataIndex, float value);
    float GetKeyDataFloat(int index, int dataIndex) const;
    bool SetKeyValue(int index, float value); // KEY_VALUE
    float GetKeyValue(int index) const { return Valid(index) ? Key(index).mValue : 0.0f; }
    bool SetKeyTime(int index, KTime time); // KEY_TIME; trusts the caller's order
    KTime GetKeyTime(int index) const { return Valid(index) ? Key(index).mTime : KTime(); }

    // Adds a record at a time; a key already at that time is replaced
    // (KEY_REPLACED). Returns the index; *hint (when given) receives it.
    int AddKey(KTime time, const KFKeyRecord& record, int* hint = nullptr);
    // A cubic auto key with the curve's value at that time.
    int AddKeyAt(KTime time, int* hint = nullptr);
    // Bulk load: a cubic auto key at the end, no order check, no event.
    int AppendKey(KTime time, float value);
    // The same with a whole record (a reader's run of keys: reserve, append,
    // then fire one KEY_ADDED for the first and one for the last).
    int AppendKey(const KFKeyRecord& record)
    {
        if (mKeyCount >= GetKeySlotCount() && !ReserveKeys(mKeyCount + 1))
        {
            return -1;
        }
        Key(mKeyCount) = record;
        EmptyCache();
        ++mChangeCounter;
        return mKeyCount++;
    }
    // A key on the curve at time t that keeps the curve's shape as far as its
    // kind allows. Returns the index of the key at t.
    int InsertKey(KTime time, int* hint = nullptr);
    // Inserts (or rewrites) a key at the cached time with the cached value.
    // A time other than infinity is taken as the cache time first. False
    // when the cache holds no time.
    bool InsertKeyAtCache(int* hint, uint32_t interpolation, uint32_t tangentMode, bool breakTangent,
                          bool replace, KTime time = KTime(KTime::kInfinite), double tolerance = 0.0);

    bool RemoveKey(int index);
    // Removes keys first..last (clamped to the keys); keeps the left tangent
    // of the key after the range. False on an empty curve.
    bool RemoveKeys(int first, int last);
    // Removes the keys strictly between start and stop.
    bool RemoveKeysInSpan(KTime start, KTime stop);
    void ClearKeys();

    // Position of a time among the keys: i on key i, a fraction between keys,
    // -0.5 before the first and count - 0.5 after the last, -1 when empty.
    // Searches linearly from *hint (or the curve's own hint) and updates it.
    double FindKey(KTime time, int* hint = nullptr);

    // ---- Events ----
    void BeginKeyChanges();
    void EndKeyChanges();
    void SetListenersEnabled(bool enabled);
    bool GetListenersEnabled() const { return mListenersEnabled; }
    void SetEventRecording(bool enabled) { mRecording = enabled; }
    const KFCurveEvent& GetPendingEvent() const { return mEvent; }
    void ResetPendingEvent() { mEvent.Clear(); }
    void FireEvent(uint32_t code, int index);
    void AddListener(KFCurveCallback callback, void* object);
    void RemoveListener(KFCurveCallback callback, void* object);
    int GetListenerCount() const;
    // The index-th listener still registered, in the order of addition;
    // false past the last.
    bool GetListener(int index, KFCurveCallback& callback, void*& object) const;

    // ---- Copies ----
    // Default value, colour, user pointer, cache and extrapolation; with
    // keys, also every key.
    void CopyFrom(const KFCurve& source, bool withKeys = true);
    // Whether CopyFrom(other) would change nothing here: the same default
    // value, keys, colour, user pointer and extrapolation.
    bool HasSameContent(const KFCurve& other) const;
    // A new curve: the whole time line copies everything; a finite span
    // copies the curve fields and the keys inside [start, stop].
    KFCurve* Copy(KTime start = KTime(KTime::kMinusInfinite), KTime stop = KTime(KTime::kInfinite)) const;

    // ---- Evaluation ----
    float Evaluate(KTime time, int* hint = nullptr);
    // A read: only the evaluation caches change (a curve of a take's shared
    // tree is evaluated in place).
    float Evaluate(KTime time, int* hint = nullptr) const
    {
        return const_cast<KFCurve*>(this)->Evaluate(time, hint);
    }
    float EvaluateCached(KTime time, int* hint = nullptr);
    void EmptyCache() { mCacheTime = KTime(KTime::kInfinite); }
    KTime GetCacheTime() const { return mCacheTime; }
    float GetCacheValue() const { return mCacheValue; }
    // Sets the cache directly (used to insert a key of a chosen value).
    void SetCache(KTime time, float value);
    // FindKey after mapping the time into the keys by the extrapolation.
    double FindKeyExtrapolated(KTime time, int* hint = nullptr);
    float EvaluateAtKeyPosition(double position) const;
    double EvaluateLeftDerivative(KTime time, int* hint = nullptr);
    double EvaluateRightDerivative(KTime time, int* hint = nullptr);

    // ---- Key tangents ----
    double GetKeyLeftDerivative(int index) const;
    double GetKeyRightDerivative(int index) const;
    bool SetKeyLeftDerivative(int index, float slope);
    bool SetKeyRightDerivative(int index, float slope);
    double GetKeyLeftAuto(int index) const;
    double GetKeyRightAuto(int index) const;
    bool SetKeyLeftAuto(int index, float bias);
    bool SetKeyRightAuto(int index, float bias);
    KFCurveTangent GetKeyLeftTangent(int index) const;
    KFCurveTangent GetKeyRightTangent(int index) const;
    bool SetKeyLeftTangent(int index, const KFCurveTangent& tangent);
    bool SetKeyRightTangent(int index, const KFCurveTangent& tangent);
    // Weight and velocity per side: value and bit together, or the bit alone.
    float GetKeyLeftWeight(int index) const;
    float GetKeyRightWeight(int index) const;
    bool SetKeyLeftWeight(int index, float weight);
    bool SetKeyRightWeight(int index, float weight);
    bool SetKeyLeftWeightedFlag(int index, bool weighted);
    bool SetKeyRightWeightedFlag(int index, bool weighted);
    bool GetKeyLeftWeightedFlag(int index) const;
    bool GetKeyRightWeightedFlag(int index) const;
    float GetKeyLeftVelocity(int index) const;
    float GetKeyRightVelocity(int index) const;
    bool SetKeyLeftVelocity(int index, float velocity);
    bool SetKeyRightVelocity(int index, float velocity);
    bool SetKeyLeftVelocityFlag(int index, bool on);
    bool SetKeyRightVelocityFlag(int index, bool on);
    bool GetKeyLeftVelocityFlag(int index) const;
    bool GetKeyRightVelocityFlag(int index) const;
    bool IsKeyPlainAuto(int index) const;
    double GetKeyLeftControlValue(int index) const;
    double GetKeyRightControlValue(int index) const;

    // Auto slope for a bias given the secants a (left) and c (right), and the
    // inverse (the bias giving a slope). Exposed for the curve filters.
    static double LeftAutoSlope(double a, double c, double bias);
    static double RightAutoSlope(double a, double c, double bias);
    static double LeftBiasFromSlope(double a, double c, double slope);
    static double RightBiasFromSlope(double a, double c, double slope);

    // ---- Scene file reading ----
    // The current field must be "Default". Never fails; bad keys are
    // dropped. Memory running out throws std::bad_alloc part-way.
    bool ReadScn(KScn& scn, bool defaultOnly = false, bool withColor = false);
    // When the current block has a "Default" field: reads into curve (its
    // keys cleared first), or into a new curve when curve is null, and
    // returns it; null when the field is absent or no curve could be made.
    // Memory running out throws std::bad_alloc, a new curve destroyed.
    static KFCurve* ReadScnDefault(KScn& scn, KFCurve* curve, bool defaultOnly = false,
                                   bool withColor = false);
    static KFCurve* ReadScnDefault(KScn& scn, bool defaultOnly = false, bool withColor = false);

    // ---- Span replacement ----
    // Replaces this curve's keys in [start, stop] by the source's, keeping
    // this curve's slopes at both ends. Infinite ends mean the source's
    // first and last key.
    void ReplaceSpan(KFCurve& source, KTime start, KTime stop, bool keepSpan = false, bool fill = false);
    // Copied values scaled by a factor going linearly from startFactor to
    // stopFactor across the span.
    void ReplaceSpanScaled(KFCurve& source, KTime start, KTime stop, float startFactor, float stopFactor,
                           bool keepSpan = false, bool fill = false);
    // Copied values offset (or reflected: offset - value) by offset1; keys
    // after the span offset or reflected by offset2.
    void ReplaceSpanOffset(KFCurve& source, KTime start, KTime stop, float offset1, float offset2,
                           bool reflect1, bool reflect2, bool keepSpan = false, bool fill = false);

    // Process-wide bytes held for key blocks and pointer arrays.
    static int64_t GetKeyMemoryUsage();

private:
    struct Listener
    {
        KFCurveCallback callback;
        void* object;
        bool alive;
    };

    // The inner control values (and weights) of the last cubic segment that
    // Evaluate worked out, with copies of the keys they came from: the
    // segment's two keys, compared whole, and one neighbour on each side,
    // whose time and value the auto and TCB slopes read (keys[0] is key
    // segment - 1). It serves only while those are bit for bit unchanged and
    // the key count is the same, so a key written in place through GetKey
    // is seen as well as one written through the setters, and a served
    // segment gives exactly the value a fresh computation would.
    struct SegmentCache
    {
        int segment = -1;
        int keyCount = 0;
        KFKeyRecord keys[4];
        float control1 = 0.0f;
        float control2 = 0.0f;
        float rightWeight = 0.0f;
        float leftWeight = 0.0f;
    };

    // Callers pass valid (non-negative) indices; unsigned arithmetic keeps
    // the block and slot computation short.
    KFKeyRecord& Key(int index) { return mBlocks[unsigned(index) / 25u][unsigned(index) % 25u]; }
    const KFKeyRecord& Key(int index) const { return mBlocks[unsigned(index) / 25u][unsigned(index) % 25u]; }
    bool Valid(int index) const { return index >= 0 && index < mKeyCount; }
    void KeyChanged(int index, uint32_t code);
    void WholeKeyWritten(int index);
    void CallListeners();
    void FreeKeys();
    // On a curve without blocks: room for exactly n keys (see the storage
    // note above). False when memory runs out.
    bool ReserveExactKeys(int n);
    // Slots of block b: 25 but for a short last block.
    int BlockSlots(int b) const { return b == mLastBlock && mShortBlock != 0 ? mShortBlock : 25; }
    void MoveKeys(int to, int from, int n);
    void SecantsAround(int index, double& a, double& c) const;
    double TCBRight(int index) const;
    double TCBLeft(int index, int paramsFrom) const;
    void SetTangentFlags(int key, const KFCurveTangent& tangent, bool right);
    void RestoreSlopes(int index, KFCurveTangent left, KFCurveTangent right, bool facingRight);
    double PositionBefore(int64_t t, int* hint);
    double PositionAfter(int64_t t, int* hint);
    bool KeepSlope(int64_t t, float& value);
    float SegmentValue(double position, SegmentCache* cache) const;
    bool SegmentCached(const SegmentCache& cache, int i, const KFKeyRecord& ki, const KFKeyRecord& kj) const;
    void CubicSegment(int i, SegmentCache* cache, float* control, float* weight) const;
    void ReplaceSpanImpl(KFCurve& source, KTime start, KTime stop, const KFCurveSpanOptions& options);
    void CopySpanKeys(KFCurve& source, int64_t s, int64_t e, const KFCurveSpanOptions& options,
                      int& firstCopied, int& lastCopied);
    void OffsetAfterSpan(int after, const KFCurveSpanOptions& options);
    void FillEmptySpan(const KFCurve& source, KTime start, KTime stop);
    void ReadKeys(KScn& scn, int keyVersion, int keyCount);
    void OldFilePass();
    void OldFileSweepDown();
    void OldFileSweepUp();
    void OldFileSweepTCB();
    double TCBSlopeAfter(int k) const;

    float mColor[3] = {1.0f, 1.0f, 1.0f};
    float mDefaultValue = 0.0f;
    uint32_t mChangeCounter = 0;
    bool mListenersEnabled = true;
    bool mRecording = true;
    // The slots of the last block when it holds fewer than 25 (an exact
    // reservation), else 0.
    uint8_t mShortBlock = 0;
    int mNesting = 0;
    KFKeyRecord** mBlocks = nullptr;
    int mBlockPointerCount = 0;
    int mKeyCount = 0;
    int mKeyCapacity = 0;
    int mLastBlock = -1;
    uint32_t mPreExtrapolation = KFCURVE_EXTRAPOLATION_CONST;
    uint32_t mPreRepetition = 0;
    uint32_t mPostExtrapolation = KFCURVE_EXTRAPOLATION_CONST;
    uint32_t mPostRepetition = 0;
    void* mUserPointer = nullptr;
    int mSearchHint = 0;
    KTime mCacheTime = KTime(KTime::kInfinite);
    float mCacheValue = 0.0f;
    KFCurveEvent mEvent;
    std::vector<Listener> mListeners;
    int mDispatchDepth = 0;
    // Made at the first evaluation between two keys: most curves hold none.
    std::unique_ptr<SegmentCache> mSegmentCache;
    SegmentCache* EvaluationCache();
};

} // namespace scenesdk
