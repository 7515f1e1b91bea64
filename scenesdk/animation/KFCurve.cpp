#include "scenesdk/animation/KFCurve.h"

#include "scenesdk/animation/KFCurveInternal.h"
#include "scenesdk/kernel/KHeap.h"
#include "scenesdk/kernel/KScnReadMeter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace scenesdk
{

using namespace fcurve_detail;

namespace
{

std::atomic<int64_t> gKeyMemory{0};

// The bytes of a block of that many slots (a full block is 1,024 bytes).
size_t BlockBytes(int slots)
{
    return slots >= kKeysPerBlock ? kBlockBytes : sizeof(KFKeyRecord) * static_cast<size_t>(slots);
}

// Every byte held for keys goes through this pair, which keeps the count.
// metered: what the read's meter is charged (a block as the keys it holds).
// Exhausted memory throws std::bad_alloc (the curve keeps what it had).
void* AllocKeyMemory(size_t bytes, uint64_t metered)
{
    KScnReadMeter::Count(KScnReadMeter::eKeys, metered);
    void* p = KHeapAllocZeroed(bytes);
    gKeyMemory += static_cast<int64_t>(bytes);
    return p;
}

// metered: what the allocation charged, credited back to the read's meter.
void FreeKeyMemory(void* p, size_t bytes, uint64_t metered)
{
    if (p != nullptr)
    {
        gKeyMemory -= static_cast<int64_t>(bytes);
        KScnReadMeter::Credit(KScnReadMeter::eKeys, metered);
        std::free(p);
    }
}

// What the meter is charged for a block of that many slots (its keys).
uint64_t BlockMetered(int slots)
{
    return KScnReadMeter::kKeyBytes * static_cast<uint64_t>(slots);
}

void FreeBlock(KFKeyRecord* block, int slots)
{
    FreeKeyMemory(block, BlockBytes(slots), BlockMetered(slots));
}

void FreePointerArray(KFKeyRecord** array, int64_t pointers)
{
    const size_t bytes = sizeof(KFKeyRecord*) * static_cast<size_t>(pointers);
    FreeKeyMemory(array, bytes, bytes);
}

// (t - a) / (b - a) for a < b: the same in ticks as in seconds.
double TickRatio(int64_t a, int64_t t, int64_t b)
{
    int64_t num;
    int64_t den;
    if (!__builtin_sub_overflow(t, a, &num) && !__builtin_sub_overflow(b, a, &den))
    {
        return static_cast<double>(num) / static_cast<double>(den);
    }
    return SecondsBetween(a, t) / SecondsBetween(a, b);
}

KFKeyRecord* NewBlock(int slots = kKeysPerBlock)
{
    void* mem = AllocKeyMemory(BlockBytes(slots), BlockMetered(slots));
    if (mem == nullptr)
    {
        return nullptr;
    }
    return new (mem) KFKeyRecord[slots];
}

KFKeyRecord** NewPointerArray(int64_t pointers)
{
    const size_t bytes = sizeof(KFKeyRecord*) * static_cast<size_t>(pointers);
    return static_cast<KFKeyRecord**>(AllocKeyMemory(bytes, bytes));
}

} // namespace

// ---------------------------------------------------------------- events

void KFCurveEvent::Clear()
{
    mEventType = 0;
    mKeyIndexStart = -1;
    mKeyIndexStop = -1;
    mEventCount = 0;
}

void KFCurveEvent::Add(uint32_t code, int index)
{
    mEventType |= code;
    ++mEventCount;
    if (mKeyIndexStart == -1 || index < mKeyIndexStart)
    {
        mKeyIndexStart = index;
    }
    if (index > mKeyIndexStop)
    {
        mKeyIndexStop = index;
    }
}

// ---------------------------------------------------------------- lifetime

KFCurve::KFCurve()
{
    KScnReadMeter::Count(KScnReadMeter::eCurves, KScnReadMeter::kCurveBytes);
}

KFCurve::~KFCurve()
{
    KScnReadMeter::Credit(KScnReadMeter::eCurves, KScnReadMeter::kCurveBytes);
    ClearKeys();
    mListenersEnabled = true;
    mRecording = true;
    mNesting = 0;
    FireEvent(KFCURVEEVENT_DESTROY, -1);
}

KFCurve* KFCurve::Create()
{
    return new (std::nothrow) KFCurve();
}

void KFCurve::Destroy(KFCurve* curve)
{
    delete curve;
}

int64_t KFCurve::GetKeyMemoryUsage()
{
    return gKeyMemory.load();
}

void KFCurve::SetDefaultValue(float value)
{
    mDefaultValue = value;
    FireEvent(KFCURVEEVENT_DEFAULT_VALUE, -1);
}

void KFCurve::SetColor(const float* rgb)
{
    if (rgb != nullptr)
    {
        SetColor(rgb[0], rgb[1], rgb[2]);
    }
}

void KFCurve::SetColor(float red, float green, float blue)
{
    mColor[0] = red;
    mColor[1] = green;
    mColor[2] = blue;
}

void KFCurve::SetPreExtrapolationType(uint32_t mode)
{
    mPreExtrapolation = mode;
    FireEvent(KFCURVEEVENT_KEY_ATTRIBUTE, -1);
}

void KFCurve::SetPreExtrapolationRepetition(uint32_t count)
{
    mPreRepetition = count;
    FireEvent(KFCURVEEVENT_KEY_ATTRIBUTE, -1);
}

void KFCurve::SetPostExtrapolationType(uint32_t mode)
{
    mPostExtrapolation = mode;
    FireEvent(KFCURVEEVENT_KEY_ATTRIBUTE, -1);
}

void KFCurve::SetPostExtrapolationRepetition(uint32_t count)
{
    mPostRepetition = count;
    FireEvent(KFCURVEEVENT_KEY_ATTRIBUTE, -1);
}

// ---------------------------------------------------------------- storage

bool KFCurve::ReserveKeys(int n)
{
    EmptyCache();
    if (n <= 0)
    {
        return true;
    }
    if (n > mKeyCapacity)
    {
        const int64_t pointers = (static_cast<int64_t>(n) + 1599) / 1600 * kPointersPerStep;
        if (pointers * kKeysPerBlock > INT32_MAX)
        {
            return false;
        }
        KFKeyRecord** array = NewPointerArray(pointers);
        if (array == nullptr)
        {
            return false;
        }
        if (mBlocks != nullptr)
        {
            std::memcpy(array, mBlocks, sizeof(KFKeyRecord*) * (mLastBlock + 1));
            FreePointerArray(mBlocks, mBlockPointerCount);
        }
        mBlocks = array;
        mBlockPointerCount = static_cast<int>(pointers);
        mKeyCapacity = mBlockPointerCount * kKeysPerBlock;
    }
    // A short last block (an exact reservation) grows to its 25 slots
    // before anything follows it.
    if (mShortBlock != 0 && n > mLastBlock * kKeysPerBlock + mShortBlock)
    {
        KFKeyRecord* block = NewBlock();
        if (block == nullptr)
        {
            return false;
        }
        std::memcpy(static_cast<void*>(block), mBlocks[mLastBlock], sizeof(KFKeyRecord) * mShortBlock);
        FreeBlock(mBlocks[mLastBlock], mShortBlock);
        mBlocks[mLastBlock] = block;
        mShortBlock = 0;
    }
    // Blocks up to the one holding key n - 1; the capacity only counts what
    // the pointer array can address.
    const int lastNeeded = (n - 1) / kKeysPerBlock;
    while (mLastBlock < lastNeeded)
    {
        KFKeyRecord* block = NewBlock();
        if (block == nullptr)
        {
            return false;
        }
        mBlocks[++mLastBlock] = block;
    }
    return true;
}

bool KFCurve::ReserveExactKeys(int n)
{
    if (mBlocks != nullptr || n <= 0)
    {
        return ReserveKeys(n);
    }
    EmptyCache();
    const int pointers = (n + kKeysPerBlock - 1) / kKeysPerBlock;
    KFKeyRecord** array = NewPointerArray(pointers);
    if (array == nullptr)
    {
        return false;
    }
    mBlocks = array;
    mBlockPointerCount = pointers;
    mKeyCapacity = pointers * kKeysPerBlock;
    while (mLastBlock < pointers - 1)
    {
        const int slots = mLastBlock + 2 < pointers ? kKeysPerBlock : n - (pointers - 1) * kKeysPerBlock;
        KFKeyRecord* block = NewBlock(slots);
        if (block == nullptr)
        {
            return false;
        }
        mBlocks[++mLastBlock] = block;
        mShortBlock = static_cast<uint8_t>(slots < kKeysPerBlock ? slots : 0);
    }
    return true;
}

void KFCurve::FreeKeys()
{
    for (int b = 0; b <= mLastBlock; ++b)
    {
        FreeBlock(mBlocks[b], BlockSlots(b));
    }
    FreePointerArray(mBlocks, mBlockPointerCount);
    mBlocks = nullptr;
    mBlockPointerCount = 0;
    mKeyCount = 0;
    mKeyCapacity = 0;
    mLastBlock = -1;
    mShortBlock = 0;
}

// Moves n keys from index `from` to index `to` (overlap allowed); the blocks
// must already exist.
void KFCurve::MoveKeys(int to, int from, int n)
{
    if (n <= 0 || to == from)
    {
        return;
    }
    if (to > from)
    {
        for (int k = n - 1; k >= 0; --k)
        {
            Key(to + k) = Key(from + k);
        }
    }
    else
    {
        for (int k = 0; k < n; ++k)
        {
            Key(to + k) = Key(from + k);
        }
    }
}

bool KFCurve::GetKey(int index, KFKeyRecord& out) const
{
    if (!Valid(index))
    {
        return false;
    }
    out = Key(index);
    return true;
}

void KFCurve::KeyChanged(int index, uint32_t code)
{
    EmptyCache();
    FireEvent(code, index);
}

// After a whole-key write at index (at most the count): a replacement, or
// an append, which reports the old count and the index.
void KFCurve::WholeKeyWritten(int index)
{
    if (index < mKeyCount)
    {
        KeyChanged(index, KFCURVEEVENT_KEY_REPLACED);
        return;
    }
    const int oldCount = mKeyCount;
    mKeyCount = index + 1;
    EmptyCache();
    FireEvent(KFCURVEEVENT_KEY_ADDED, oldCount);
    FireEvent(KFCURVEEVENT_KEY_ADDED, index);
}

bool KFCurve::SetKey(int index, KTime time, float value, uint32_t interpolation, uint32_t tangentMode,
                     float data0, float data1, uint32_t weighted, float weight2, float weight3,
                     float velocity4, float velocity5)
{
    if (index < 0 || index > mKeyCount || !ReserveKeys(index + 1))
    {
        return false;
    }
    KFKeyRecord& key = Key(index);
    if (index == mKeyCount)
    {
        key = KFKeyRecord{};
    }
    key.Set(time, value, interpolation, tangentMode, data0, data1, weighted, weight2, weight3, velocity4,
            velocity5);
    WholeKeyWritten(index);
    return true;
}

bool KFCurve::SetKeyTCB(int index, KTime time, float value, float tension, float continuity, float bias)
{
    if (index < 0 || index > mKeyCount || !ReserveKeys(index + 1))
    {
        return false;
    }
    KFKeyRecord& key = Key(index);
    if (index == mKeyCount)
    {
        key = KFKeyRecord{};
    }
    key.SetTCB(time, value, tension, continuity, bias);
    WholeKeyWritten(index);
    return true;
}

bool KFCurve::ReplaceKey(int index, const KFKeyRecord& record)
{
    if (index < 0 || index > mKeyCount)
    {
        return false;
    }
    if (index > 0 && !(record.mTime > Key(index - 1).mTime))
    {
        return false;
    }
    if (index < mKeyCount - 1 && !(record.mTime < Key(index + 1).mTime))
    {
        return false;
    }
    if (!ReserveKeys(index + 1))
    {
        return false;
    }
    Key(index) = record;
    WholeKeyWritten(index);
    return true;
}

// ---------------------------------------------------------------- per-key fields

bool KFCurve::SetKeyInterpolation(int index, uint32_t interpolation)
{
    if (!Valid(index))
    {
        return false;
    }
    Key(index).SetInterpolation(interpolation);
    KeyChanged(index, KFCURVEEVENT_KEY_ATTRIBUTE);
    return true;
}

uint32_t KFCurve::GetKeyInterpolation(int index) const
{
    return Valid(index) ? Key(index).GetInterpolation() : 0;
}

bool KFCurve::SetKeyConstantMode(int index, uint32_t mode)
{
    if (!Valid(index))
    {
        return false;
    }
    Key(index).SetConstantMode(mode);
    KeyChanged(index, KFCURVEEVENT_KEY_ATTRIBUTE);
    return true;
}

uint32_t KFCurve::GetKeyConstantMode(int index) const
{
    return Valid(index) ? Key(index).GetConstantMode() : 0;
}

bool KFCurve::SetKeyTangentMode(int index, uint32_t mode)
{
    if (!Valid(index))
    {
        return false;
    }
    Key(index).SetTangentMode(mode);
    KeyChanged(index, KFCURVEEVENT_KEY_ATTRIBUTE);
    return true;
}

uint32_t KFCurve::GetKeyTangentMode(int index) const
{
    return Valid(index) ? Key(index).GetTangentMode() : 0;
}

bool KFCurve::SetKeyWeightedMode(int index, uint32_t value, uint32_t mask)
{
    if (!Valid(index))
    {
        return false;
    }
    Key(index).SetWeightedMode(value, mask);
    KeyChanged(index, KFCURVEEVENT_KEY_ATTRIBUTE);
    return true;
}

uint32_t KFCurve::GetKeyWeightedMode(int index) const
{
    return Valid(index) ? Key(index).GetWeightedMode() : 0;
}

bool KFCurve::SetKeyVelocityMode(int index, uint32_t value, uint32_t mask)
{
    if (!Valid(index))
    {
        return false;
    }
    Key(index).SetVelocityMode(value, mask);
    KeyChanged(index, KFCURVEEVENT_KEY_ATTRIBUTE);
    return true;
}

uint32_t KFCurve::GetKeyVelocityMode(int index) const
{
    return Valid(index) ? Key(index).GetVelocityMode() : 0;
}

bool KFCurve::SetKeyData(int index, int dataIndex, float value)
{
    if (!Valid(index))
    {
        return false;
    }
    Key(index).SetData(dataIndex, value);
    KeyChanged(index, KFCURVEEVENT_KEY_ATTRIBUTE);
    return true;
}

float KFCurve::GetKeyData(int index, int dataIndex) const
{
    return Valid(index) ? Key(index).GetData(dataIndex) : 0.0f;
}

bool KFCurve::SetKeyDataFloat(int index, int dataIndex, float value)
{
    if (!Valid(index))
    {
        return false;
    }
    Key(index).SetDataFloat(dataIndex, value);
    KeyChanged(index, KFCURVEEVENT_KEY_ATTRIBUTE);
    return true;
}

float KFCurve::GetKeyDataFloat(int index, int dataIndex) const
{
    return Valid(index) ? Key(index).GetDataFloat(dataIndex) : 0.0f;
}

bool KFCurve::SetKeyValue(int index, float value)
{
    if (!Valid(index))
    {
        return false;
    }
    Key(index).mValue = value;
    KeyChanged(index, KFCURVEEVENT_KEY_VALUE);
    return true;
}

bool KFCurve::SetKeyTime(int index, KTime time)
{
    if (!Valid(index))
    {
        return false;
    }
    Key(index).mTime = time;
    KeyChanged(index, KFCURVEEVENT_KEY_TIME);
    return true;
}

// ---------------------------------------------------------------- adding

int KFCurve::AddKey(KTime time, const KFKeyRecord& record, int* hint)
{
    if (!ReserveKeys(mKeyCount + 1))
    {
        return -1;
    }
    KFKeyRecord copy = record;
    copy.mTime = time;
    int i = 0;
    if (mKeyCount > 0)
    {
        const double p = FindKey(time, hint);
        i = static_cast<int>(std::ceil(p));
        if (p == std::floor(p) && Valid(i))
        {
            ReplaceKey(i, copy);
            if (hint != nullptr)
            {
                *hint = i;
            }
            return i;
        }
        i = i < 0 ? 0 : (i > mKeyCount ? mKeyCount : i);
    }
    MoveKeys(i + 1, i, mKeyCount - i);
    ++mKeyCount;
    Key(i) = copy;
    if (hint != nullptr)
    {
        *hint = i;
    }
    KeyChanged(i, KFCURVEEVENT_KEY_ADDED);
    return i;
}

int KFCurve::AddKeyAt(KTime time, int* hint)
{
    KFKeyRecord record{};
    record.Set(time, Evaluate(time, hint));
    return AddKey(time, record, hint);
}

int KFCurve::AppendKey(KTime time, float value)
{
    if (!ReserveKeys(mKeyCount + 1))
    {
        return -1;
    }
    const int i = mKeyCount;
    KFKeyRecord& key = Key(i);
    key = KFKeyRecord{};
    key.Set(time, value);
    ++mKeyCount;
    EmptyCache();
    ++mChangeCounter;
    return i;
}

// ---------------------------------------------------------------- removing

bool KFCurve::RemoveKey(int index)
{
    if (!Valid(index))
    {
        return false;
    }
    BeginKeyChanges();
    EmptyCache();
    if (mKeyCount == 1)
    {
        SetDefaultValue(Key(0).mValue);
    }
    const bool hasNext = index < mKeyCount - 1;
    KFCurveTangent saved;
    if (hasNext)
    {
        saved = GetKeyLeftTangent(index + 1);
    }
    MoveKeys(index, index + 1, mKeyCount - index - 1);
    --mKeyCount;
    if (hasNext)
    {
        SetKeyLeftTangent(index, saved);
    }
    FireEvent(KFCURVEEVENT_KEY_REMOVED, index);
    EndKeyChanges();
    return true;
}

bool KFCurve::RemoveKeys(int first, int last)
{
    if (mKeyCount == 0)
    {
        return false;
    }
    first = first < 0 ? 0 : first;
    last = last > mKeyCount - 1 ? mKeyCount - 1 : last;
    BeginKeyChanges();
    EmptyCache();
    const float firstValue = Key(0).mValue;
    if (first == last)
    {
        RemoveKey(first);
    }
    else if (first == 0 && last == mKeyCount - 1)
    {
        ClearKeys();
    }
    else if (first < last)
    {
        const bool hasNext = last + 1 < mKeyCount;
        KFCurveTangent saved;
        if (hasNext)
        {
            saved = GetKeyLeftTangent(last + 1);
        }
        MoveKeys(first, last + 1, mKeyCount - last - 1);
        mKeyCount -= last - first + 1;
        if (hasNext)
        {
            SetKeyLeftTangent(first, saved);
        }
        FireEvent(KFCURVEEVENT_KEY_REMOVED, first);
        FireEvent(KFCURVEEVENT_KEY_REMOVED, last);
    }
    if (mKeyCount == 0)
    {
        SetDefaultValue(firstValue);
    }
    EndKeyChanges();
    return true;
}

bool KFCurve::RemoveKeysInSpan(KTime start, KTime stop)
{
    if (mKeyCount == 0)
    {
        return false;
    }
    const double p = FindKey(start);
    int hint = mKeyCount - 1;
    const double q = FindKey(stop, &hint);
    int first = static_cast<int>(std::ceil(p));
    if (p == std::floor(p))
    {
        ++first;
    }
    int last = static_cast<int>(std::floor(q));
    if (q == std::floor(q))
    {
        --last;
    }
    if (first > last)
    {
        return true;
    }
    return RemoveKeys(first, last);
}

void KFCurve::ClearKeys()
{
    const int oldCount = mKeyCount;
    FreeKeys();
    EmptyCache();
    mSearchHint = 0;
    BeginKeyChanges();
    FireEvent(KFCURVEEVENT_KEY_REMOVED, 0);
    FireEvent(KFCURVEEVENT_KEY_REMOVED, oldCount);
    EndKeyChanges();
}

// ---------------------------------------------------------------- search

double KFCurve::FindKey(KTime time, int* hint)
{
    if (mKeyCount == 0)
    {
        return -1.0;
    }
    int& hintRef = hint != nullptr ? *hint : mSearchHint;
    const int64_t t = Ticks(time);
    // At or past either end the answer is known without a walk (the filters
    // ask for the ends of curves of many thousand keys); at an end key whose
    // neighbour has the same time the walk decides.
    const int64_t lastTicks = Ticks(Key(mKeyCount - 1).mTime);
    if (t > lastTicks || (t == lastTicks && (mKeyCount == 1 || Ticks(Key(mKeyCount - 2).mTime) < t)))
    {
        hintRef = t == lastTicks ? mKeyCount - 1 : mKeyCount;
        return t == lastTicks ? mKeyCount - 1.0 : mKeyCount - 0.5;
    }
    const int64_t firstTicks = Ticks(Key(0).mTime);
    if (t < firstTicks || (t == firstTicks && (mKeyCount == 1 || Ticks(Key(1).mTime) > t)))
    {
        hintRef = 0;
        return t == firstTicks ? 0.0 : -0.5;
    }
    // The walk runs on a local copy, stored back once.
    int h = hintRef < 0 ? 0 : (hintRef >= mKeyCount ? mKeyCount - 1 : hintRef);
    int64_t th = Ticks(Key(h).mTime);
    double position;
    if (t == th)
    {
        position = h;
    }
    else if (t > th)
    {
        int64_t tn = 0;
        while (h + 1 < mKeyCount && (tn = Ticks(Key(h + 1).mTime)) < t)
        {
            th = tn;
            ++h;
        }
        if (h + 1 >= mKeyCount)
        {
            hintRef = mKeyCount;
            return mKeyCount - 0.5;
        }
        position = h + 1.0;
        if (tn != th)
        {
            position = h + TickRatio(th, t, tn);
        }
        ++h;
        position = position < -0.5 ? -0.5 : position;
    }
    else
    {
        int64_t tp = 0;
        while (h - 1 >= 0 && (tp = Ticks(Key(h - 1).mTime)) > t)
        {
            th = tp;
            --h;
        }
        if (h == 0)
        {
            hintRef = 0;
            return -0.5;
        }
        position = h;
        if (th != tp)
        {
            position = (h - 1) + TickRatio(tp, t, th);
        }
        --h;
    }
    hintRef = h;
    return position;
}

// ---------------------------------------------------------------- events

void KFCurve::BeginKeyChanges()
{
    ++mNesting;
    SetListenersEnabled(false);
}

void KFCurve::EndKeyChanges()
{
    if (mNesting > 0)
    {
        --mNesting;
    }
    if (mNesting == 0)
    {
        EmptyCache();
        SetListenersEnabled(true);
    }
}

void KFCurve::SetListenersEnabled(bool enabled)
{
    const bool wasOff = !mListenersEnabled;
    mListenersEnabled = enabled;
    if (enabled && wasOff && mEvent.mEventCount > 0)
    {
        CallListeners();
    }
}

void KFCurve::FireEvent(uint32_t code, int index)
{
    if (!mRecording)
    {
        return;
    }
    mEvent.Add(code, index);
    mChangeCounter += (code & 0x100) != 0 ? 0x10000u : 1u;
    if (mListenersEnabled)
    {
        CallListeners();
    }
}

// Calls the listeners present when the call starts, in order of addition.
// Removal during the call only marks an entry; the list is compacted when
// the outermost call ends, so indices stay valid throughout.
void KFCurve::CallListeners()
{
    KFCurveEvent event = mEvent;
    mEvent.Clear();
    ++mDispatchDepth;
    const size_t n = mListeners.size();
    for (size_t i = 0; i < n; ++i)
    {
        if (mListeners[i].alive)
        {
            mListeners[i].callback(this, &event, mListeners[i].object);
        }
    }
    if (--mDispatchDepth == 0)
    {
        size_t out = 0;
        for (size_t i = 0; i < mListeners.size(); ++i)
        {
            if (mListeners[i].alive)
            {
                mListeners[out++] = mListeners[i];
            }
        }
        mListeners.resize(out);
    }
}

void KFCurve::AddListener(KFCurveCallback callback, void* object)
{
    if (callback != nullptr)
    {
        mListeners.push_back({callback, object, true});
    }
}

void KFCurve::RemoveListener(KFCurveCallback callback, void* object)
{
    for (size_t i = mListeners.size(); i-- > 0;)
    {
        Listener& l = mListeners[i];
        if (l.alive && l.callback == callback && l.object == object)
        {
            if (mDispatchDepth > 0)
            {
                l.alive = false;
            }
            else
            {
                mListeners.erase(mListeners.begin() + static_cast<std::ptrdiff_t>(i));
            }
            return;
        }
    }
}

int KFCurve::GetListenerCount() const
{
    int n = 0;
    for (const Listener& l : mListeners)
    {
        n += l.alive ? 1 : 0;
    }
    return n;
}

bool KFCurve::GetListener(int index, KFCurveCallback& callback, void*& object) const
{
    for (const Listener& l : mListeners)
    {
        if (l.alive && index-- == 0)
        {
            callback = l.callback;
            object = l.object;
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------- copies

void KFCurve::CopyFrom(const KFCurve& source, bool withKeys)
{
    if (&source == this)
    {
        return;
    }
    // The copy's key storage (just the source's keys) is had before anything
    // changes: exhausted memory throws with this curve as it was.
    auto swapStorage = [this](KFKeyRecord**& blocks, int& pointers, int& keys, int& capacity, int& last,
                              uint8_t& shortBlock)
    {
        std::swap(mBlocks, blocks);
        std::swap(mBlockPointerCount, pointers);
        std::swap(mKeyCount, keys);
        std::swap(mKeyCapacity, capacity);
        std::swap(mLastBlock, last);
        std::swap(mShortBlock, shortBlock);
    };
    KFKeyRecord** blocks = nullptr;
    int pointers = 0, keys = 0, capacity = 0, last = -1;
    uint8_t shortBlock = 0;
    bool reserved = false;
    if (withKeys)
    {
        swapStorage(blocks, pointers, keys, capacity, last, shortBlock);
        try
        {
            reserved = ReserveExactKeys(source.mKeyCount);
        }
        catch (...)
        {
            FreeKeys();
            swapStorage(blocks, pointers, keys, capacity, last, shortBlock);
            throw;
        }
        swapStorage(blocks, pointers, keys, capacity, last, shortBlock);
    }
    BeginKeyChanges();
    if (!withKeys)
    {
        ClearKeys();
        SetDefaultValue(source.mDefaultValue);
    }
    else
    {
        if (source.mKeyCount > 0)
        {
            mDefaultValue = source.mDefaultValue;
        }
        else
        {
            SetDefaultValue(source.mDefaultValue);
        }
        const int oldLast = mKeyCount - 1;
        FreeKeys();
        swapStorage(blocks, pointers, keys, capacity, last, shortBlock);
        if (reserved)
        {
            for (int b = 0; b * kKeysPerBlock < source.mKeyCount; ++b)
            {
                const int copied = std::min(kKeysPerBlock, source.mKeyCount - b * kKeysPerBlock);
                std::memcpy(static_cast<void*>(mBlocks[b]), source.mBlocks[b], sizeof(KFKeyRecord) * copied);
            }
            mKeyCount = source.mKeyCount;
        }
        FireEvent(KFCURVEEVENT_KEY_REMOVED, 0);
        FireEvent(KFCURVEEVENT_KEY_REMOVED, oldLast);
        FireEvent(KFCURVEEVENT_KEY_ADDED, 0);
        FireEvent(KFCURVEEVENT_KEY_ADDED, mKeyCount - 1);
    }
    std::memcpy(mColor, source.mColor, sizeof mColor);
    mUserPointer = source.mUserPointer;
    mPreExtrapolation = source.mPreExtrapolation;
    mPreRepetition = source.mPreRepetition;
    mPostExtrapolation = source.mPostExtrapolation;
    mPostRepetition = source.mPostRepetition;
    FireEvent(KFCURVEEVENT_KEY_ATTRIBUTE, -1);
    mSearchHint = 0;
    EndKeyChanges();
    // The bracket's end empties the cache; the copy takes the source's.
    mCacheTime = source.mCacheTime;
    mCacheValue = source.mCacheValue;
}

bool KFCurve::HasSameContent(const KFCurve& other) const
{
    // Bytes, not values: a NaN default compares as itself.
    if (std::memcmp(&mDefaultValue, &other.mDefaultValue, sizeof mDefaultValue) != 0 ||
        mKeyCount != other.mKeyCount || std::memcmp(mColor, other.mColor, sizeof mColor) != 0 ||
        mUserPointer != other.mUserPointer || mPreExtrapolation != other.mPreExtrapolation ||
        mPreRepetition != other.mPreRepetition || mPostExtrapolation != other.mPostExtrapolation ||
        mPostRepetition != other.mPostRepetition)
    {
        return false;
    }
    for (int i = 0; i < mKeyCount; ++i)
    {
        if (std::memcmp(&Key(i), &other.Key(i), sizeof(KFKeyRecord)) != 0)
        {
            return false;
        }
    }
    return true;
}

KFCurve* KFCurve::Copy(KTime start, KTime stop) const
{
    KFCurve* curve = Create();
    if (curve == nullptr)
    {
        return nullptr;
    }
    try
    {
        if (Ticks(start) <= kMinusInfinity && Ticks(stop) == kInfinity)
        {
            curve->CopyFrom(*this, true);
            return curve;
        }
        curve->mDefaultValue = mDefaultValue;
        curve->mUserPointer = mUserPointer;
        int hint = 0;
        for (int i = 0; i < mKeyCount; ++i)
        {
            const KFKeyRecord& key = Key(i);
            if (key.mTime >= start && key.mTime <= stop)
            {
                curve->AddKey(key.mTime, key, &hint);
            }
        }
    }
    catch (...)
    {
        Destroy(curve);
        throw;
    }
    curve->mChangeCounter = mChangeCounter;
    curve->mCacheTime = mCacheTime;
    curve->mCacheValue = mCacheValue;
    curve->ResetPendingEvent();
    return curve;
}

} // namespace scenesdk
