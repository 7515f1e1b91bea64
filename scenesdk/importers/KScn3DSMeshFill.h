#pragma once

// KScn3DSMeshFill: the KScnMeshData of one 3DS mesh, in its node's space.
// Points are the file's vertices with the options' unit scale and axis
// conversion, then the given local transform; one triangle per face, in the
// file's order and winding. Layer 0 gets:
// - normals per face corner, computed from the smoothing groups (when the
//   options ask): a face of mask 0 (or a mesh without masks) is flat; at a
//   vertex, a face's corner takes the sum of the area-weighted normals of
//   the faces there whose masks share a bit with its own. Where more than 32
//   different masks meet at one vertex, each bit's faces are summed instead
//   (faces sharing several bits then weigh more), which keeps the time
//   linear in the faces;
// - UVs per corner from the vertex's mapping coordinate; vertices past the
//   end of a short mapping list share one UV (0, 0);
// - materials per face (KScn3DSMaterials), and the diffuse textures of those
//   materials per face.

#include <cstdint>
#include <vector>

namespace scenesdk
{

class KScn3DSMaterials;
class KStreamOptions3DS;
struct KScn3DSMesh;
struct KScnMeshData;

class KScn3DSMeshFill
{
public:
    KScn3DSMeshFill(const KStreamOptions3DS& options, KScn3DSMaterials& materials);

    // local: the rows of an affine transform (x' = m[0][0] x + m[0][1] y +
    // m[0][2] z + m[0][3], ...) from converted file space to the node's.
    void Fill(const KScn3DSMesh& mesh, const double (&local)[3][4], KScnMeshData& out);

private:
    void Points(const KScn3DSMesh& mesh, const double (&local)[3][4], KScnMeshData& out);
    void Normals(const KScn3DSMesh& mesh, KScnMeshData& out);
    void SmoothAt(const std::vector<int32_t>& corners, const std::vector<uint32_t>& masks, KScnMeshData& out);
    void UVs(const KScn3DSMesh& mesh, KScnMeshData& out);
    void Materials(const KScn3DSMesh& mesh, KScnMeshData& out);

    const KStreamOptions3DS& mOptions;
    KScn3DSMaterials& mMaterials;
    std::vector<double> mFaceNormals; // per face, area-weighted
    // Per material index: the mesh (round) that last used it and its index
    // there; sized as materials are made.
    std::vector<int32_t> mStamp;
    std::vector<int32_t> mLocal;
    int32_t mRound = 0;
};

} // namespace scenesdk
