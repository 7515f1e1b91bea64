#pragma once

// KScnNurb: a NURBS surface (attribute kind 5) of U x V control points, point
// (u, v) at index v * uCount + u; the fourth component of each point is its
// weight. Per direction it keeps the order, the form (ENurbType), the knot
// vector and the knot multiplicities.
//
// Set the orders (SetOrder) before InitControlPoints: it sizes the knot
// vectors from them. The knot and multiplicity arrays are owned by the
// surface; the pointers the getters return stay valid until the next
// InitControlPoints or the surface's destruction.

#include "scenesdk/kernel/KScnGeometry.h"

#include <memory>

namespace scenesdk
{

class KScnNurb : public KScnGeometry
{
public:
    enum ENurbType
    {
        ePeriodic = 0,
        eClosed = 1,
        eOpen = 2
    };

    explicit KScnNurb(KScnSdkManager* manager = nullptr);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnNurb() override;
    friend class KScnSdkManager;

public:
    EAttributeKind GetAttributeKind() const override { return eNurb; }
    KString GetTypeName() const override { return KString("Nurb"); }

    // The file's "Form" text ("Periodic", "Closed", "Open") as an ENurbType;
    // eOpen for any other text, null included.
    static ENurbType NurbTypeFromText(const char* text);
    // Knots of one direction: count + order for an open form (or any value
    // other than periodic and closed), count + 2 * order - 1 for periodic and
    // closed forms.
    static int KnotCount(int count, int order, int type);

    void SetOrder(int uOrder, int vOrder);
    int GetUOrder() const { return mUOrder; }
    int GetVOrder() const { return mVOrder; }

    // Resizes the control points to uCount * vCount (all zero), stores counts
    // and types, replaces the knot vectors by zeroed ones of the knot counts
    // and the multiplicity vectors by uCount and vCount entries of 1. False,
    // nothing changed, for a negative count or order, or a size past the int
    // range.
    bool InitControlPoints(int uCount, ENurbType uType, int vCount, ENurbType vType);
    int GetUCount() const { return mUCount; }
    int GetVCount() const { return mVCount; }
    ENurbType GetNurbUType() const { return mUType; }
    ENurbType GetNurbVType() const { return mVType; }

    int GetUKnotCount() const { return KnotCount(mUCount, mUOrder, mUType); }
    int GetVKnotCount() const { return KnotCount(mVCount, mVOrder, mVType); }
    // Null before the first InitControlPoints.
    double* GetUKnotVector() const { return mUKnots.get(); }
    double* GetVKnotVector() const { return mVKnots.get(); }
    int* GetUMultiplicityVector() const { return mUMultiplicity.get(); }
    int* GetVMultiplicityVector() const { return mVMultiplicity.get(); }

    // Display steps (subdivisions drawn per span).
    void SetStep(int uStep, int vStep);
    int GetUStep() const { return mUStep; }
    int GetVStep() const { return mVStep; }

    // Kept for the file layer only; 4 by default.
    void SetSurfaceMode(int mode) { mSurfaceMode = mode; }
    int GetSurfaceMode() const { return mSurfaceMode; }

private:
    void Reset();

    int mUOrder = 0;
    int mVOrder = 0;
    int mUCount = 0;
    int mVCount = 0;
    int mUStep = 0;
    int mVStep = 0;
    ENurbType mUType = eOpen;
    ENurbType mVType = eOpen;
    std::unique_ptr<double[]> mUKnots;
    std::unique_ptr<double[]> mVKnots;
    std::unique_ptr<int[]> mUMultiplicity;
    std::unique_ptr<int[]> mVMultiplicity;
    int mSurfaceMode = 4;
};

} // namespace scenesdk
