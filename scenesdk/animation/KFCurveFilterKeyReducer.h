#pragma once

// KFCurveFilterKeyReducer ("Bezier Fit/Key Reducer"): replaces the keys of a
// curve inside the span by as few cubic keys as reproduce the old key values
// within the precision. The fit starts from one Bezier segment between the
// span's end keys (slopes taken from the old curve) and splits at the worst
// fitting old key until every old key lies within the precision. Keys
// outside the span stay and are joined to the fitted part with the old
// curve's slopes where they had user tangents.
//
// With the key-sync flag, the array and node forms then key-synchronise the
// reduced curves (the node form: its direct children).

#include "scenesdk/animation/KFCurveFilter.h"

namespace scenesdk
{

class KFCurveFilterKeyReducer : public KFCurveFilter
{
public:
    enum EError
    {
        eNoKey = 0,
        eLeftUnchanged = 1
    };

    KFCurveFilterKeyReducer();

    bool ApplyToCurve(KFCurve& curve) override;
    // Each curve in turn, then the key synchronisation when asked; true.
    bool ApplyToCurves(KFCurve** curves, int count) override;
    bool ApplyToNode(KFCurveNode& node, bool recursive = true) override;
    void Reset() override;

    // The largest distance an old key value may lie from the fit; 1.0 by
    // default.
    double GetFitTolerance() const { return mPrecision; }
    void SetFitTolerance(double precision) { mPrecision = precision; }
    bool GetKeySync() const { return mKeySync; }
    void SetKeySync(bool flag) { mKeySync = flag; }

private:
    void Fit(KFCurve& source, KFCurve& work, KTime t0, KTime t1);
    // Splits [a, b] of the source keys until the fit holds; iterative, so
    // long curves cannot exhaust the stack.
    void Refine(KFCurve& source, KFCurve& work, int a, int b);
    // Adds the fitted key for source key k; true when one was needed.
    bool SplitAt(KFCurve& source, KFCurve& work, int a, int b, int& k);
    static void Splice(KFCurve& target, KFCurve& old, KFCurve& fitted);

    double mPrecision;
    bool mKeySync;
    int mDepth;
};

} // namespace scenesdk
