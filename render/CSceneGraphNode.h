#pragma once

#include "app/CRefCounted.h"
#include "render/BoundingVolumes.h"
#include "render/IRenderHook.h"
#include "render/ISceneEntry.h"

#include <cstdint>
#include <memory>
#include <vector>

class CFrustum;

// The nearest hit of a ray pick so far.
struct SPickResult
{
    // Distance of the best hit; hits must be strictly nearer to replace it.
    float distance = 1e22f;
    CRefPtr<ISceneEntry> entry;
    CVector3 point;
};

// One node of the scene graph's quadtree over the ground plane (x and z).
// A node covers a fixed box (its full y range) and holds the entries that fit
// in none of its four children; children split x and z in halves:
// child 0 = (x, z), 1 = (x + sx/2, z), 2 = (x, z + sz/2),
// 3 = (x + sx/2, z + sz/2). Boxes and spheres never change after Build.
//
// A node owns its children and holds its entries through handles; it keeps
// each entry's node field pointing at itself while it holds it.
class CSceneGraphNode
{
public:
    CSceneGraphNode();
    // Deletes the children, releases the hook and the entries (clearing the
    // node field of those that still point here).
    virtual ~CSceneGraphNode();

    CSceneGraphNode(const CSceneGraphNode&) = delete;
    CSceneGraphNode& operator=(const CSceneGraphNode&) = delete;

    // Makes this node cover x..x+sizeX by z..z+sizeZ and y1..y2 (each axis
    // sorted into min and max), with four children of half the size and
    // depth - 1 when depth is 2 or more (a leaf otherwise). False when the
    // children could not be allocated (the tree is then incomplete).
    bool Build(float x, float z, float sizeX, float sizeZ, float y1, float y2, uint16_t depth,
               CSceneGraphNode* parent);

    // Files the entry here or in the node it belongs to (down into the child
    // it fits, up towards the root when it lies outside), and sets its node
    // field. An entry that is already in a tree, or a null handle, is left
    // as it is.
    void InsertObject(CRefPtr<ISceneEntry> entry);
    // Removes the entry from this node or the first child subtree that has
    // it (clearing its node field); false when this subtree does not hold it.
    bool RemoveObject(CRefPtr<ISceneEntry> entry);
    // Re-files an entry this node holds after it moved.
    virtual void UpdateObject(CRefPtr<ISceneEntry> entry);
    // Where the entry belongs, seen from this node (x and z of its world
    // oriented box only, bounds inclusive): 0..3 the child it fits in, -1
    // here (inside this node but in no child, or anywhere at the root), -2
    // an ancestor (outside this node).
    int8_t Classify(ISceneEntry* entry) const;

    // Draws the subtree: with cull on, the node's sphere and then its box
    // against the frustum decide whether to go on; a node completely inside
    // turns culling off below it. Then the entries (RenderCulled) in order,
    // then children 0 to 3.
    void Render(const CFrustum& frustum, bool cull);
    // Ray pick over the subtree, culled as Render: every pickable entry
    // whose world sphere the ray meets in front of its origin is asked for
    // its own hit, and a hit strictly nearer than best (and not behind the
    // origin) replaces it. direction must be a unit vector.
    void Pick(const CFrustum& frustum, bool cull, const CVector3& origin, const CVector3& direction,
              SPickResult& best);

    const SAxisAlignedBox& GetBox() const { return m_Box; }
    const SBoundingSphere& GetSphere() const { return m_Sphere; }
    const std::vector<CRefPtr<ISceneEntry>>& GetObjects() const { return m_Objects; }
    bool IsLeaf() const { return !m_pChildren; }
    // Child i (0..3); null for a leaf.
    CSceneGraphNode* GetChild(int i) const { return m_pChildren ? &m_pChildren[i] : nullptr; }
    CSceneGraphNode* GetParent() const { return m_pParent; }
    const CRefPtr<IRenderHook>& GetHook() const { return m_pHook; }
    void SetHook(const CRefPtr<IRenderHook>& hook) { m_pHook = hook; }

private:
    // True when the entry's x/z extent lies inside box (inclusive).
    static bool Contains(const SAxisAlignedBox& box, float minX, float maxX, float minZ, float maxZ);
    // The culling step of Render and Pick: false when the subtree is out of
    // view; turns cull off when it is completely in view.
    bool InView(const CFrustum& frustum, bool& cull) const;
    // Appends the entry here and sets its node field.
    void Hold(const CRefPtr<ISceneEntry>& entry);

    SAxisAlignedBox m_Box;
    SBoundingSphere m_Sphere;
    std::vector<CRefPtr<ISceneEntry>> m_Objects;
    std::unique_ptr<CSceneGraphNode[]> m_pChildren;
    CSceneGraphNode* m_pParent;
    CRefPtr<IRenderHook> m_pHook;
};
