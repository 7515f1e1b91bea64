#pragma once

// KScnMeshData: a polygon mesh as a reader collects it, in plain arrays, before
// KScnMeshBuilder turns it into a KScnMesh in one go. Everything but the
// points and polygons is optional (an empty array means "none"). Lengths
// are in scene units already (the reader applies its unit and axis options).
//
// Layer 0 receives:
// - normals: mNormals (x, y, z per normal) mapped by polygon corner
//   (mNormalsByControlPoint false) or by control point (true); with
//   mNormalIndices empty the normals are Direct (one per corner or per
//   control point, in order), otherwise IndexToDirect with one index per
//   corner (or control point) into mNormals;
// - UVs: mUVs (u, v per UV) with mUVIndices, one index per corner
//   (ByPolygonVertex, IndexToDirect);
// - colours: mColors (r, g, b, a per colour) with mColorIndices, one per
//   corner (ByPolygonVertex, IndexToDirect);
// - materials: mMaterials with mPolygonMaterials, one index per polygon
//   (ByPolygon, IndexToDirect); with mPolygonMaterials empty every polygon
//   uses material 0 (AllSame);
// - textures: mTextures with mPolygonTextures, one index per polygon, -1 for
//   a polygon without texture (ByPolygon, IndexToDirect).

#include <cstdint>
#include <vector>

namespace scenesdk
{

class KScnMaterial;
class KScnTexture;

struct KScnMeshData
{
    std::vector<double> mPoints;           // x, y, z per control point
    std::vector<int32_t> mPolygonSizes;    // corners of each polygon
    std::vector<int32_t> mPolygonVertices; // control point of each corner

    std::vector<double> mNormals;
    std::vector<int32_t> mNormalIndices;
    bool mNormalsByControlPoint = false;

    std::vector<double> mUVs;
    std::vector<int32_t> mUVIndices;

    std::vector<double> mColors;
    std::vector<int32_t> mColorIndices;

    std::vector<KScnMaterial*> mMaterials;
    std::vector<int32_t> mPolygonMaterials;

    std::vector<KScnTexture*> mTextures;
    std::vector<int32_t> mPolygonTextures;

    size_t GetPointCount() const { return mPoints.size() / 3; }
    size_t GetPolygonCount() const { return mPolygonSizes.size(); }
    size_t GetCornerCount() const { return mPolygonVertices.size(); }
};

} // namespace scenesdk
