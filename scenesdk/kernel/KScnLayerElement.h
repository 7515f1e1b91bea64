#pragma once

// KScnLayerElement: one kind of per-vertex or per-polygon data of a geometry
// layer (normals, materials, textures, polygon groups, UVs, colours).
//
// Every element has a direct array of the type's items and an index array of
// i32, both block arrays of 16-item blocks, and says how its values map onto
// the geometry (mapping mode) and how they are referenced (reference mode).
// The element owns both arrays; material and texture items are pointers to
// objects the manager owns (never freed here).
//
// Direct items by type: normal and colour four doubles (KgeTVector /
// KColorRGBA layout), material KScnMaterial*, texture KScnTexture*, polygon
// group i32, UV two doubles (KgeUVVector).

#include "scenesdk/kernel/KBlockArray.h"
#include "scenesdk/kernel/KgeTVector.h"

#include <cstdint>

namespace scenesdk
{

class KScnMaterial;
class KScnTexture;

// Told when the material or texture items of an element may change (what
// hands out a way to write them, or writes them): the layer container, so
// that the manager looks at its items again before it relies on what it
// knows of them (KScnSdkManager::ForgetInLayers). Never owned.
class KScnLayerItemsWatch
{
public:
    virtual void OnLayerItemsOpened() = 0;

protected:
    ~KScnLayerItemsWatch() = default;
};

class KScnLayerElement
{
public:
    enum EType
    {
        eNormal = 1,
        eMaterial = 2,
        eTexture = 3,
        ePolygonGroup = 4,
        eUV = 5,
        eColor = 6
    };
    static constexpr int kFirstType = eNormal;
    static constexpr int kLastType = eColor;

    enum EMappingMode
    {
        eNoMapping = 0,
        eByControlPoint = 1,
        eByPolygonVertex = 2,
        eByPolygon = 3,
        eAllSame = 4
    };
    enum EReferenceMode
    {
        eDirect = 0,
        eIndex = 1,
        eIndexToDirect = 2
    };

    static constexpr int kBlockSize = 16;

    // A new element of the type (1..6), with its creation defaults (the
    // texture element: reference IndexToDirect, blend mode 0, alpha 1.0);
    // null for any other type.
    static KScnLayerElement* Create(int type);
    // Byte size of a direct item of the type; 0 for an unknown type.
    static int GetDirectItemSize(int type);
    // Copies from into to: takes the source's block size and items. Arrays of
    // equal block size are copied in one growth instead of item by item, so
    // copying a large array stays linear. False for different item sizes or
    // a failed growth; whole or not at all (exhausted memory throws
    // std::bad_alloc with to as it was).
    static bool CopyBlockArray(KBlockArray& to, const KBlockArray& from);

    explicit KScnLayerElement(int type);
    virtual ~KScnLayerElement() = default;
    KScnLayerElement(const KScnLayerElement&) = delete;
    KScnLayerElement& operator=(const KScnLayerElement&) = delete;

    int GetType() const { return mType; }
    int GetMappingMode() const { return mMappingMode; }
    void SetMappingMode(int mode) { mMappingMode = mode; }
    int GetReferenceMode() const { return mReferenceMode; }
    void SetReferenceMode(int mode) { mReferenceMode = mode; }

    KBlockArray& GetDirectArray()
    {
        OpenItems();
        return mDirectArray;
    }
    const KBlockArray& GetDirectArray() const { return mDirectArray; }
    KBlockArray& GetIndexArray() { return mIndexArray; }
    const KBlockArray& GetIndexArray() const { return mIndexArray; }
    int GetDirectCount() const { return mDirectArray.GetCount(); }
    int GetIndexCount() const { return mIndexArray.GetCount(); }

    // Typed views of the direct array (callers pick the view of the type).
    template <typename T> T* GetDirect()
    {
        OpenItems();
        return static_cast<T*>(mDirectArray.GetData());
    }
    template <typename T> const T* GetDirect() const { return static_cast<const T*>(mDirectArray.GetData()); }
    // Typed view of the index array; null while empty.
    int32_t* GetIndices() { return static_cast<int32_t*>(mIndexArray.GetData()); }
    const int32_t* GetIndices() const { return static_cast<const int32_t*>(mIndexArray.GetData()); }
    // Index entry i, or -1 when i is outside the array.
    int GetIndexAt(int i) const;
    // Appends an index entry; returns its position or -1.
    int AddIndex(int value);

    // Address of direct item i; no range check (i below the direct count).
    void* GetDirectItem(int i)
    {
        OpenItems();
        return static_cast<unsigned char*>(mDirectArray.GetData()) + i * mDirectArray.GetItemSize();
    }
    // Appends one direct item (item size of the type); returns its position.
    int AddDirectItem(const void* item)
    {
        OpenItems();
        return mDirectArray.Add(item);
    }

    // The watch told of every way to write the direct items of a material
    // or texture element (the layer's, set by the layer); null for none.
    void SetItemsWatch(KScnLayerItemsWatch* watch)
    {
        mWatch = watch;
        OpenItems();
    }
    // Empties the direct entries that hold the object (positions stay) and
    // makes the IndexToDirect entries that pointed at them -1. Takes no
    // memory and tells no watch.
    void ForgetItem(const void* object);

    // Normal and colour elements: direct item i as four doubles; zero vector
    // for another type or an index outside the array.
    KgeTVector GetDirectVector(int i) const;
    // Appends four doubles; returns the position, -1 for another type.
    int AddDirectVector(const KgeTVector& vector);
    // First direct item (from 0, or from start + 1) whose x, y, z each differ
    // from the vector's by less than 1e-6 (w ignored); -1 when none.
    int FindDirectVector(const KgeTVector& vector) const { return FindDirectVectorAfter(-1, vector); }
    int FindDirectVectorAfter(int start, const KgeTVector& vector) const;

    // Which value of the element belongs to a place of the geometry: the
    // mapping picks the control point, polygon vertex or polygon number (0
    // for AllSame); -1 for NoMapping or an unknown mode.
    int GetMappingIndex(int controlPoint, int polygonVertex, int polygon) const;
    // Position in the direct array of value n (Direct: n; IndexToDirect:
    // index entry n), or for Index the index entry n itself. -1 when n or the
    // referenced position lies outside its array, or the mode is unknown.
    int GetReferencedIndex(int n) const;

    // Copies modes, every direct item and every index entry (with the source
    // arrays' block sizes). Elements of different types are refused (false).
    // Whole or not at all: exhausted memory throws std::bad_alloc with the
    // element as it was.
    virtual bool CopyFrom(const KScnLayerElement& source);

private:
    void OpenItems()
    {
        if (mWatch != nullptr && (mType == eMaterial || mType == eTexture))
        {
            mWatch->OnLayerItemsOpened();
        }
    }

    KScnLayerItemsWatch* mWatch = nullptr;
    int32_t mMappingMode;
    int32_t mReferenceMode;
    KBlockArray mDirectArray;
    KBlockArray mIndexArray;
    int32_t mType;
};

// The texture element adds the blend mode (a KScnTexture blend mode value) and
// the alpha with which its textures are laid over the layers below.
class KScnLayerElementTexture : public KScnLayerElement
{
public:
    KScnLayerElementTexture();

    uint32_t GetBlendMode() const { return mBlendMode; }
    void SetBlendMode(uint32_t mode) { mBlendMode = mode; }
    double GetAlpha() const { return mAlpha; }
    void SetAlpha(double alpha) { mAlpha = alpha; }

    bool CopyFrom(const KScnLayerElement& source) override;

private:
    uint32_t mBlendMode;
    double mAlpha;
};

} // namespace scenesdk
