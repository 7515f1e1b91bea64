#include "scenesdk/kernel/KScnGeometryBase.h"

#include <cstring>

namespace scenesdk
{

KScnGeometryBase::KScnGeometryBase(KScnSdkManager* manager)
    : KScnLayerContainer(manager), mControlPoints(kControlPointBlockSize, sizeof(KgeTVector))
{
}

KScnGeometryBase::~KScnGeometryBase()
{
    mControlPoints.Clear();
}

bool KScnGeometryBase::InitControlPoints(int count)
{
    if (count < 0)
        return false;
    KBlockArray fresh(kControlPointBlockSize, sizeof(KgeTVector));
    if (fresh.SetCount(count) < 0)
        return false;
    mControlPoints.Clear();
    if (count > 0)
        KScnLayerElement::CopyBlockArray(mControlPoints, fresh);
    return true;
}

bool KScnGeometryBase::SetControlPointAt(const KgeTVector& point, int i)
{
    void* item = mControlPoints.GetAt(i);
    if (item == nullptr)
        return false;
    std::memcpy(item, point.Buffer(), sizeof(double) * 4);
    return true;
}

KgeTVector KScnGeometryBase::GetControlPointAt(int i) const
{
    KgeTVector point(0.0, 0.0, 0.0, 0.0);
    const void* item = mControlPoints.GetAt(i);
    if (item != nullptr)
        std::memcpy(point.Buffer(), item, sizeof(double) * 4);
    return point;
}

bool KScnGeometryBase::InitNormals(int count)
{
    if (count < 0)
        return false;
    KScnLayer* layer = GetOrCreateLayer0();
    KScnLayerElement* normals = layer ? layer->GetOrCreateElement(KScnLayerElement::eNormal) : nullptr;
    if (normals == nullptr)
        return false;
    int size = GetControlPointsCount();
    int mapping = KScnLayerElement::eByControlPoint;
    if (count >= 1 && count != size)
    {
        size = count;
        mapping = KScnLayerElement::eByPolygonVertex;
    }
    normals->SetMappingMode(mapping);
    normals->SetReferenceMode(KScnLayerElement::eDirect);
    normals->GetDirectArray().Clear();
    return normals->GetDirectArray().SetCount(size) >= 0;
}

KgeTVector* KScnGeometryBase::GetNormals()
{
    KScnLayer* layer = GetLayer(0);
    KScnLayerElement* normals = layer ? layer->GetNormalElement() : nullptr;
    return normals ? normals->GetDirect<KgeTVector>() : nullptr;
}

void KScnGeometryBase::CopyControlPoints(const KScnGeometryBase& source)
{
    if (&source == this)
        return;
    // The points are copied apart first and taken last: CopyLayers is whole.
    KBlockArray points(kControlPointBlockSize, sizeof(KgeTVector));
    KScnLayerElement::CopyBlockArray(points, source.mControlPoints);
    CopyLayers(source);
    mControlPoints.Swap(points);
}

} // namespace scenesdk
