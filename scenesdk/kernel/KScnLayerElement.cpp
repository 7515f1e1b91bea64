#include "scenesdk/kernel/KScnLayerElement.h"

#include <cmath>
#include <cstring>

namespace scenesdk
{

namespace
{
// Direct item sizes, indexed by element type (0 and past 6 unknown).
const int kItemSizes[] = {0,
                          4 * sizeof(double),
                          sizeof(void*),
                          sizeof(void*),
                          sizeof(int32_t),
                          2 * sizeof(double),
                          4 * sizeof(double)};

bool HasVectorItems(int type)
{
    return type == KScnLayerElement::eNormal || type == KScnLayerElement::eColor;
}
} // namespace

int KScnLayerElement::GetDirectItemSize(int type)
{
    return (type >= kFirstType && type <= kLastType) ? kItemSizes[type] : 0;
}

bool KScnLayerElement::CopyBlockArray(KBlockArray& to, const KBlockArray& from)
{
    if (&to == &from)
        return true;
    if (to.GetItemSize() != from.GetItemSize())
        return false;
    if (to.GetBlockSize() != from.GetBlockSize())
        return to.CopyFrom(from);
    // Made apart, then taken: a growth that fails leaves to as it was.
    KBlockArray copy(from.GetBlockSize(), from.GetItemSize());
    if (from.GetCount() > 0)
    {
        if (copy.SetCount(from.GetCount()) < 0)
            return false;
        std::memcpy(copy.GetData(), from.GetData(),
                    static_cast<size_t>(from.GetCount()) * from.GetItemSize());
    }
    to.Swap(copy);
    return true;
}

KScnLayerElement* KScnLayerElement::Create(int type)
{
    if (type == eTexture)
        return new KScnLayerElementTexture();
    if (type < kFirstType || type > kLastType)
        return nullptr;
    return new KScnLayerElement(type);
}

KScnLayerElement::KScnLayerElement(int type)
    : mMappingMode(eNoMapping), mReferenceMode(eDirect),
      mDirectArray(kBlockSize, GetDirectItemSize(type) > 0 ? GetDirectItemSize(type) : 1),
      mIndexArray(kBlockSize, sizeof(int32_t)), mType(type)
{
}

int KScnLayerElement::GetIndexAt(int i) const
{
    const void* item = mIndexArray.GetAt(i);
    return item != nullptr ? *static_cast<const int32_t*>(item) : -1;
}

int KScnLayerElement::AddIndex(int value)
{
    const int32_t item = value;
    return mIndexArray.Add(&item);
}

KgeTVector KScnLayerElement::GetDirectVector(int i) const
{
    KgeTVector result(0.0, 0.0, 0.0, 0.0);
    const void* item = mDirectArray.GetAt(i);
    if (HasVectorItems(mType) && item != nullptr)
        std::memcpy(result.Buffer(), item, 4 * sizeof(double));
    return result;
}

int KScnLayerElement::AddDirectVector(const KgeTVector& vector)
{
    if (!HasVectorItems(mType))
        return -1;
    return mDirectArray.Add(vector.Buffer());
}

int KScnLayerElement::FindDirectVectorAfter(int start, const KgeTVector& vector) const
{
    if (!HasVectorItems(mType))
        return -1;
    const double* items = static_cast<const double*>(mDirectArray.GetData());
    for (int i = start < -1 ? 0 : start + 1; i < mDirectArray.GetCount(); ++i)
    {
        const double* item = items + 4 * i;
        if (std::fabs(item[0] - vector[0]) < 1e-6 && std::fabs(item[1] - vector[1]) < 1e-6 &&
            std::fabs(item[2] - vector[2]) < 1e-6)
            return i;
    }
    return -1;
}

int KScnLayerElement::GetMappingIndex(int controlPoint, int polygonVertex, int polygon) const
{
    switch (mMappingMode)
    {
    case eByControlPoint:
        return controlPoint;
    case eByPolygonVertex:
        return polygonVertex;
    case eByPolygon:
        return polygon;
    case eAllSame:
        return 0;
    default:
        return -1;
    }
}

int KScnLayerElement::GetReferencedIndex(int n) const
{
    if (n < 0)
        return -1;
    switch (mReferenceMode)
    {
    case eDirect:
        return n < GetDirectCount() ? n : -1;
    case eIndex:
        return GetIndexAt(n);
    case eIndexToDirect:
    {
        const int position = GetIndexAt(n);
        return (position >= 0 && position < GetDirectCount()) ? position : -1;
    }
    default:
        return -1;
    }
}

void KScnLayerElement::ForgetItem(const void* object)
{
    if (mType != eMaterial && mType != eTexture)
        return;
    void** items = static_cast<void**>(mDirectArray.GetData());
    int32_t* indices = static_cast<int32_t*>(mIndexArray.GetData());
    for (int i = 0; items != nullptr && i < mDirectArray.GetCount(); ++i)
    {
        if (items[i] != object)
            continue;
        // The entry stays (positions do not move), empty; the index entries
        // that point at it point nowhere.
        items[i] = nullptr;
        for (int k = 0; indices != nullptr && mReferenceMode == eIndexToDirect && k < mIndexArray.GetCount(); ++k)
            if (indices[k] == i)
                indices[k] = -1;
    }
}

bool KScnLayerElement::CopyFrom(const KScnLayerElement& source)
{
    if (&source == this)
        return true;
    if (source.mType != mType)
        return false;
    // Both arrays are copied apart, then taken with the modes.
    KBlockArray direct(mDirectArray.GetBlockSize(), mDirectArray.GetItemSize());
    KBlockArray indices(mIndexArray.GetBlockSize(), mIndexArray.GetItemSize());
    if (!CopyBlockArray(direct, source.mDirectArray) || !CopyBlockArray(indices, source.mIndexArray))
        return false;
    OpenItems();
    mMappingMode = source.mMappingMode;
    mReferenceMode = source.mReferenceMode;
    mDirectArray.Swap(direct);
    mIndexArray.Swap(indices);
    return true;
}

KScnLayerElementTexture::KScnLayerElementTexture() : KScnLayerElement(eTexture), mBlendMode(0), mAlpha(1.0)
{
    SetReferenceMode(eIndexToDirect);
}

bool KScnLayerElementTexture::CopyFrom(const KScnLayerElement& source)
{
    if (!KScnLayerElement::CopyFrom(source))
        return false;
    const auto& texture = static_cast<const KScnLayerElementTexture&>(source);
    mBlendMode = texture.mBlendMode;
    mAlpha = texture.mAlpha;
    return true;
}

} // namespace scenesdk
