#pragma once

// KScnShape: a shape (morph target) of a geometry, kind 0. It has control
// points and layers of its own but no node and no channels; the geometry
// that keeps it owns it.

#include "scenesdk/kernel/KScnGeometryBase.h"

namespace scenesdk
{

class KScnShape : public KScnGeometryBase
{
public:
    explicit KScnShape(KScnSdkManager* manager = nullptr) : KScnGeometryBase(manager) {}

    EAttributeKind GetAttributeKind() const override { return eShape; }

    // Takes over the other shape's layers and control points; returns this
    // shape. Copying a shape onto itself changes nothing.
    KScnShape& Copy(const KScnShape& other);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnShape() override = default;
    friend class KScnSdkManager;
};

} // namespace scenesdk
