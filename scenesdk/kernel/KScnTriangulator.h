#pragma once

// KScnTriangulator: turns a polygon mesh into a triangle mesh for rendering.
//
// The result has the source's control points, layers, links, shapes and
// transform; every polygon of n vertices (n >= 3) becomes n - 2 triangles, and the layer elements that map
// per polygon vertex or per polygon are rebuilt to follow the new triangles.
// Polygons of fewer than three vertices are dropped. The work is about
// linear in the size of the mesh: a concave polygon is clipped ear by ear
// in time about linear in its corners, and one whose clipping would cost
// more than about n log n looks (n corners; a self-intersecting or a
// pathological outline) is fanned in the zig-zag order instead, which the
// status text then warns of.

#include <cstdint>
#include <string>

namespace scenesdk
{

class KScnMesh;
class KScnSdkManager;

class KScnTriangulator
{
public:
    explicit KScnTriangulator(KScnSdkManager* manager) : mManager(manager) {}

    // A new triangle mesh made through the manager (CreateMesh), in its
    // node-attribute list like any mesh; the source is unchanged. The caller
    // owns the result and gives it back with DestroyNodeAttribute (or the
    // manager's end frees it). A triangulator made without a manager makes
    // a KScnFree<KScnMesh>, which the caller deletes as one. Null when the
    // manager's factory makes no mesh or memory fails.
    KScnMesh* TriangulateMesh(const KScnMesh& source) const;

    // What the last TriangulateMesh has to say: empty, or a warning that
    // names how many polygons were fanned instead of clipped.
    const char* GetStatusText() const { return mStatus.c_str(); }

    // Writes the 3(n - 2) corner numbers (0..n-1) of the zig-zag order of an
    // n-gon: (0,1,2), then alternately from the front and the back. Nothing
    // for n < 3.
    static void GetTriangleCorners(int32_t* buffer, int n);

    // Corners of polygon p of the mesh: the zig-zag order when the polygon is
    // convex (or degenerate, or refers to missing control points), else an
    // ear-clipping order over the polygon's plane, so that concave polygons
    // are covered without overlap. Buffer holds 3(n - 2) entries.
    static void GetPolygonCorners(const KScnMesh& mesh, int p, int32_t* buffer);

    KScnSdkManager* GetManager() const { return mManager; }

private:
    // TriangulateMesh's work; memory running out throws.
    KScnMesh* Triangulate(const KScnMesh& source) const;
    KScnSdkManager* mManager;
    mutable std::string mStatus;
};

} // namespace scenesdk
