#pragma once

// KScnMeshBuilder: makes the KScnMesh of a KScnMeshData on a node, through an
// import builder (so a refused read takes it away again). Arrays are copied
// in bulk: the time is linear in the mesh's size.
//
// Check tells whether the data is consistent (every index in range, every
// per-corner and per-polygon array of the right length, counts within the
// SDK's 32-bit limits); Build checks first and makes nothing when the check
// fails. Readers validate their input as they parse; Check is the last guard
// and gives a reason fit for the reader's status text.

#include <cstddef>
#include <string>

namespace scenesdk
{

class KScnImportBuilder;
class KScnMesh;
class KScnNode;
struct KScnMeshData;

class KScnMeshBuilder
{
public:
    // True when the data can be built; otherwise false with why set.
    static bool Check(const KScnMeshData& data, std::string& why);
    // The mesh set on node; null (why set, nothing made) when the data fails
    // the check or memory runs out.
    static KScnMesh* Build(KScnImportBuilder& builder, KScnNode* node, const KScnMeshData& data,
                           std::string& why);
    // The normal of the polygon of n corners starting at corner first of
    // data.mPolygonVertices, not normalised (Newell's sum, twice the area
    // long: sound for polygons neither flat nor convex). Indices unchecked.
    static void PolygonNormal(const KScnMeshData& data, size_t first, size_t n, double* xyz);
};

} // namespace scenesdk
