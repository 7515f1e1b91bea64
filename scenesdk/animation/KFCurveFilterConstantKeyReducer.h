#pragma once

// KFCurveFilterConstantKeyReducer ("Constant Key Reducer"): removes the keys
// of flat stretches. Walking down from the last key of the span, a key is
// removable when it and up to two keys on each side (within the span) have
// values inside a band of +-tolerance around the run's reference value (the
// value of the run's highest key) and, for cubic keys, plain auto tangents.
// So a plateau keeps the two keys next to each change.
//
// A curve that is flat from end to end loses all its keys, its first value
// becoming the default value; with the keep-one-key flag only its first key
// stays.
//
// In the node form the tolerance of each channel depends on its name and
// its parent's ("R"/"Lcl Rotation", "S"/"Lcl Scaling", "T"/"Lcl
// Translation", anything else) as long as the general tolerance holds its
// default 0.009; a general tolerance set to anything else applies to all.

#include "scenesdk/animation/KFCurveFilter.h"

namespace scenesdk
{

class KFCurveFilterConstantKeyReducer : public KFCurveFilter
{
public:
    enum EError
    {
        eNoKey = 0,
        eLeftUnchanged = 1
    };
    static constexpr double kDefaultTolerance = 0.009;
    static constexpr double kDefaultScalingTolerance = 0.004;

    KFCurveFilterConstantKeyReducer();

    bool ApplyToCurve(KFCurve& curve) override;
    bool ApplyToCurves(KFCurve** curves, int count) override;
    // False (no error) when every key of the tree is constant-interpolated.
    bool ApplyToNode(KFCurveNode& node, bool recursive = true) override;
    void Reset() override;

    double GetTolerance() const { return mTolerance; }
    void SetTolerance(double tolerance) { mTolerance = tolerance; }
    double GetTranslationTolerance() const { return mTranslationTolerance; }
    void SetTranslationTolerance(double tolerance) { mTranslationTolerance = tolerance; }
    double GetRotationTolerance() const { return mRotationTolerance; }
    void SetRotationTolerance(double tolerance) { mRotationTolerance = tolerance; }
    double GetScalingTolerance() const { return mScalingTolerance; }
    void SetScalingTolerance(double tolerance) { mScalingTolerance = tolerance; }
    double GetOtherTolerance() const { return mOtherTolerance; }
    void SetOtherTolerance(double tolerance) { mOtherTolerance = tolerance; }
    bool GetKeepOneKey() const { return mKeepOneKey; }
    void SetKeepOneKey(bool keep) { mKeepOneKey = keep; }

private:
    double ChannelTolerance(const KFCurveNode& node) const;

    double mTolerance;
    double mTranslationTolerance;
    double mRotationTolerance;
    double mScalingTolerance;
    double mOtherTolerance;
    bool mKeepOneKey;
};

} // namespace scenesdk
