#pragma once

// KScnGeometryBase: a layer container with control points, the positions
// (KgeTVector, w normally 1) that polygons, patches and surfaces refer to by
// index. Control point i is item i of one contiguous array.

#include "scenesdk/kernel/KScnLayerContainer.h"
#include "scenesdk/kernel/KgeTVector.h"

namespace scenesdk
{

class KScnGeometryBase : public KScnLayerContainer
{
public:
    static constexpr int kControlPointBlockSize = 256;

    explicit KScnGeometryBase(KScnSdkManager* manager);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnGeometryBase() override;
    friend class KScnSdkManager;

public:
    // Empties the control points and sets their count (new points are zero).
    // False (nothing changed) for a negative count or a failed growth.
    bool InitControlPoints(int count);
    int GetControlPointsCount() const { return mControlPoints.GetCount(); }
    // First control point; null while there are none.
    KgeTVector* GetControlPoints() { return static_cast<KgeTVector*>(mControlPoints.GetData()); }
    const KgeTVector* GetControlPoints() const
    {
        return static_cast<const KgeTVector*>(mControlPoints.GetData());
    }
    // Sets point i; false for i outside 0..count-1.
    bool SetControlPointAt(const KgeTVector& point, int i);
    // Point i, or (0, 0, 0, 0) for i outside the array.
    KgeTVector GetControlPointAt(int i) const;

    // Prepares layer 0's normals (layer and element created when absent):
    // mapping ByControlPoint with one normal per control point, or, for a
    // count of at least 1 that differs from the control-point count,
    // ByPolygonVertex with count normals; reference Direct; the direct array
    // emptied and set to that count (zero normals). False for a negative
    // count or a failed growth.
    bool InitNormals(int count = 0);
    // First normal of layer 0 (KgeTVector items, read through the element's
    // modes); null when layer 0 or its normal element is absent or empty.
    KgeTVector* GetNormals();

    // Copies the layers and then every control point of the source. Whole
    // or not at all: exhausted memory throws std::bad_alloc with both as
    // they were.
    void CopyControlPoints(const KScnGeometryBase& source);

private:
    KBlockArray mControlPoints;
};

} // namespace scenesdk
