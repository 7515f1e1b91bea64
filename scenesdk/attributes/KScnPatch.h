#pragma once

// KScnPatch: a patch surface (attribute kind 6) of U x V control points,
// point (u, v) at index v * uCount + u, with a patch type per direction,
// display steps, closed and capped flags. The control points, layers, links
// and shapes come from KScnGeometry.
//
// Ownership: made and destroyed by the SDK manager like every geometry.

#include "scenesdk/kernel/KScnGeometry.h"

namespace scenesdk
{

class KScnPatch : public KScnGeometry
{
public:
    enum EPatchType
    {
        eBezier = 0,
        eBezierQuadric = 1,
        eCardinal = 2,
        eBSpline = 3,
        // Every type the file names otherwise; the type of a new patch.
        eOther = 4
    };

    explicit KScnPatch(KScnSdkManager* manager = nullptr);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnPatch() override;
    friend class KScnSdkManager;

public:
    EAttributeKind GetAttributeKind() const override { return ePatch; }
    KString GetTypeName() const override { return KString("Patch"); }

    // The file's type text ("Bezier", "BezierQuadric", "Cardinal", "BSpline")
    // as an EPatchType; eOther for any other text, null included.
    static EPatchType PatchTypeFromText(const char* text);

    // Stores counts and types and resizes the control points to
    // uCount * vCount (all zero). False, nothing changed, for a negative
    // count, a product past the int range or a failed growth.
    bool InitControlPoints(int uCount, EPatchType uType, int vCount, EPatchType vType);
    int GetUCount() const { return mUCount; }
    int GetVCount() const { return mVCount; }
    EPatchType GetPatchUType() const { return mUType; }
    EPatchType GetPatchVType() const { return mVType; }

    // Display steps (subdivisions drawn per span).
    void SetStep(int uStep, int vStep);
    int GetUStep() const { return mUStep; }
    int GetVStep() const { return mVStep; }

    void SetClosed(bool uClosed, bool vClosed);
    bool GetUClosed() const { return mUClosed; }
    bool GetVClosed() const { return mVClosed; }
    void SetUCapped(bool bottom, bool top);
    bool GetUCappedBottom() const { return mUCappedBottom; }
    bool GetUCappedTop() const { return mUCappedTop; }
    void SetVCapped(bool bottom, bool top);
    bool GetVCappedBottom() const { return mVCappedBottom; }
    bool GetVCappedTop() const { return mVCappedTop; }

    // Kept for the file layer only; 4 by default.
    void SetSurfaceMode(int mode) { mSurfaceMode = mode; }
    int GetSurfaceMode() const { return mSurfaceMode; }

private:
    void Reset();

    EPatchType mUType = eOther;
    EPatchType mVType = eOther;
    int mUCount = 0;
    int mVCount = 0;
    int mUStep = 0;
    int mVStep = 0;
    bool mUClosed = false;
    bool mVClosed = false;
    bool mUCappedBottom = false;
    bool mUCappedTop = false;
    bool mVCappedBottom = false;
    bool mVCappedTop = false;
    int mSurfaceMode = 4;
};

// The control-point count of a U x V surface; -1 for a negative count or a
// product that does not fit an int.
int SurfacePointCount(int uCount, int vCount);

} // namespace scenesdk
