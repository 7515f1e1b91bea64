#pragma once

// KScnMesh: the polygon mesh node attribute (kind 4).
//
// Polygons of any size list control-point indices; they are stored one after
// the other in one polygon-vertex array, whose positions are the
// polygon-vertex numbers used by ByPolygonVertex layer elements. Building:
// BeginPolygon, then AddPolygonVertex for each corner; a polygon ends when the
// next one begins. Layer 0 receives the per-polygon material and texture
// indices and the per-polygon-vertex UV indices given while building.

#include "scenesdk/kernel/KScnGeometry.h"

#include <cstdint>

namespace scenesdk
{

class KScnTriangulator;

class KScnMesh : public KScnGeometry
{
public:
    struct Polygon
    {
        int32_t start; // position of the first vertex in the polygon-vertex array
        int32_t size;  // number of vertices
        int32_t group; // group given to BeginPolygon, -1 for none
    };

    static constexpr int kPolygonBlockSize = 256;
    static constexpr int kPolygonVertexBlockSize = 1024;

    explicit KScnMesh(KScnSdkManager* manager);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnMesh() override;
    friend class KScnSdkManager;

public:
    EAttributeKind GetAttributeKind() const override { return eMesh; }
    KString GetTypeName() const override { return KString("Mesh"); }

    // Starts a polygon. Material and texture indices are recorded in layer
    // 0's elements only while these are ByPolygon with an index reference;
    // the first polygon of a mesh creates a missing material (texture)
    // element when its index is not -1 (that element records nothing).
    void BeginPolygon(int material = -1, int texture = -1, int group = -1);
    // Adds a corner to the current polygon. With a UV index other than -1 the
    // UV element of layer 0 is created when absent and, when it is
    // ByPolygonVertex / IndexToDirect, records the index. Refused (false,
    // nothing changed) without a current polygon, for a control-point index
    // outside 0..count-1 or a UV index below -1.
    bool AddPolygonVertex(int controlPoint, int uvIndex = -1);

    // Appends polygonCount polygons at once (readers of large files): polygon
    // i has sizes[i] corners, whose control points follow one another in
    // vertices (vertexCount in all). Layer elements record nothing. Refused
    // (false, nothing changed) for a size below 1, sizes that do not add up
    // to vertexCount, a control point outside 0..count-1 or a failed growth.
    bool AddPolygons(const int32_t* sizes, int polygonCount, const int32_t* vertices, int vertexCount);

    int GetPolygonCount() const { return mPolygons.GetCount(); }
    // Size of polygon p; -1 for an invalid p.
    int GetPolygonSize(int p) const;
    // Control point of vertex i of polygon p; -1 for an invalid p or i.
    int GetPolygonVertex(int p, int i) const;
    // Position of polygon p's first vertex in the polygon-vertex array; -1
    // for an invalid p.
    int GetPolygonVertexIndex(int p) const;
    // Group of polygon p; -1 for an invalid p.
    int GetPolygonGroup(int p) const;
    // All polygon vertices, polygon after polygon; null while empty.
    int32_t* GetPolygonVertices() { return static_cast<int32_t*>(mPolygonVertices.GetData()); }
    const int32_t* GetPolygonVertices() const
    {
        return static_cast<const int32_t*>(mPolygonVertices.GetData());
    }
    int GetPolygonVertexCount() const { return mPolygonVertices.GetCount(); }
    const Polygon* GetPolygons() const { return static_cast<const Polygon*>(mPolygons.GetData()); }

    // Layer-0 set-up (layer and element created when absent).
    // Material: reference IndexToDirect, index array emptied; 1: ByControlPoint
    // with one zero index per control point (without control points the
    // mapping is left as it was); 3: ByPolygon (filled by BeginPolygon);
    // otherwise AllSame with one zero index.
    void InitMaterialMapping(int mode);
    // Texture: reference IndexToDirect, index array emptied; 3: ByPolygon;
    // otherwise AllSame with one zero index.
    void InitTextureMapping(int mode);
    // UV: both arrays emptied; 1: ByControlPoint/Direct; 2:
    // ByPolygonVertex/IndexToDirect; 4: AllSame/Direct; else NoMapping/Direct.
    void InitTextureUVMapping(int mode);
    // UV: direct array emptied and set to count zero items; false for a
    // negative count or a failed growth.
    bool InitTextureUV(int count);
    // Layer 0's UVs (u, v doubles) and their count; null and 0 when absent.
    KgeUVVector* GetTextureUV();
    int GetTextureUVCount() const;
    // Layer 0's material / texture index arrays while the reference is Index
    // or IndexToDirect; null otherwise.
    int32_t* GetMaterialIndices();
    int32_t* GetTextureIndices();
    // Layer 0's material mapping (0 when absent); texture mapping when it is
    // ByPolygon or AllSame, else 0.
    int GetMaterialMappingMode() const;
    int GetTextureMappingMode() const;

    // Empties polygons, polygon vertices and control points, removes all
    // layers and zeroes the reserved words.
    void Reset();
    // Copies control points, layers, links, shapes and the transform
    // (KScnGeometry::CopyFrom), then polygons and polygon vertices. Whole
    // or not at all, as KScnGeometry::CopyFrom.
    void CopyFrom(const KScnMesh& source);

private:
    friend class KScnTriangulator;

    KScnLayerElement* GetLayer0Element(int type) const;
    static void RecordPerPolygonIndex(KScnLayerElement* element, int polygonCount, int value);

    uint32_t mReserved[7];
    KBlockArray mPolygons;
    KBlockArray mPolygonVertices;
};

} // namespace scenesdk
