#pragma once

// KFCurveFilter: base of the curve filters, short-lived objects that rewrite
// the keys of one KFCurve, of an array of curves or of the curves of a
// KFCurveNode tree inside a time span [start, stop] (both ends included).
// A filter is constructed, optionally configured, applied and destroyed.
//
// Every concrete constructor ends with its Reset, so a new filter covers the
// whole time line (start minus infinite, stop plus infinite). A filter keeps
// no state between applications but its parameters, its span and its last
// error (an id into its own message table and a text).
//
// The filters never take ownership of the curves or nodes they are given;
// they change them in place. Null curves in an array are skipped.

#include "scenesdk/animation/KTime.h"
#include "scenesdk/kernel/KErrorRecord.h"

#include <cstdint>

namespace scenesdk
{

class KFCurve;
class KFCurveNode;

class KFCurveFilter
{
public:
    // The message table is static data of the concrete class.
    KFCurveFilter(const char* name, const char* const* messages, int messageCount);
    virtual ~KFCurveFilter();
    KFCurveFilter(const KFCurveFilter&) = delete;
    KFCurveFilter& operator=(const KFCurveFilter&) = delete;

    const char* GetName() const { return mName; }

    // Whether applying would change anything; true in the base.
    virtual bool NeedApply(KFCurve& curve);
    // Asks NeedApply of every curve (all of them, in order); true.
    virtual bool NeedApplyToCurves(KFCurve** curves, int count);
    // Children first (when recursive), then the node's own curve; true.
    virtual bool NeedApplyToNode(KFCurveNode& node, bool recursive = true);

    virtual bool ApplyToCurve(KFCurve& curve) = 0;
    virtual bool ApplyToCurves(KFCurve** curves, int count) = 0;
    virtual bool ApplyToNode(KFCurveNode& node, bool recursive = true) = 0;

    // Every override sets its own parameters to their defaults, then calls
    // this, which restores the infinite span.
    virtual void Reset();

    // Told of the key range [first, last] just processed; nothing here.
    virtual void NotifyProgress(int64_t first, int64_t last);

    const KTime& GetStartTime() const { return mStart; }
    void SetStartTime(KTime time) { mStart = time; }
    const KTime& GetStopTime() const { return mStop; }
    void SetStopTime(KTime time) { mStop = time; }

    // First and last key index of the curve that the span touches: the key
    // at or before the later of start and the first key time, and the key
    // at or before the earlier of stop and the last key time. A non-empty
    // curve always yields valid indices; an empty one -1.
    int GetStartKeyIndex(KFCurve& curve) const;
    int GetStopKeyIndex(KFCurve& curve) const;

    // ApplyToCurve on each curve in order; true whatever they report.
    bool ApplyFilterToCurves(KFCurve** curves, int count);

    KErrorRecord& GetError() { return mError; }
    int GetLastErrorID() const { return mError.GetLastErrorID(); }
    const char* GetLastErrorString() const { return mError.GetLastErrorString(); }

protected:
    // Children first (when recursive; through ApplyToNode), then the node's
    // own curve (ApplyToCurve); true whatever they report.
    bool ApplyToNodeCurves(KFCurveNode& node, bool recursive);

    void SetError(int id, const char* text) { mError.SetLastError(id, text); }

private:
    const char* mName;
    KTime mStart;
    KTime mStop;
    KErrorRecord mError;
};

// Runs the rotation filter chosen by GetRotationFilterMode over the node and
// its children in [start, stop]: mode 1 the gimbal filter, mode 2 the unroll
// filter, any other mode nothing.
void ApplyRotationFilter(KFCurveNode* node, KTime start, KTime stop);

} // namespace scenesdk
