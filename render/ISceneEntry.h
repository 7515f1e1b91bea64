#pragma once

#include "app/CMatrix4.h"
#include "app/CRefCounted.h"
#include "render/BoundingVolumes.h"

#include <cstdint>

class CFrustum;
class CSceneGraphNode;

// Frame statistics of the scene graph: objects drawn, objects tested against
// the frustum, and objects whose sphere crossed a plane and whose box then
// passed. RenderCulled counts; the GUI shows and resets them.
struct SRenderCounters
{
    uint32_t drawn = 0;
    uint32_t tested = 0;
    uint32_t boxPassed = 0;

    void Reset() { drawn = tested = boxPassed = 0; }
};

// The process-wide counters (main thread only).
SRenderCounters& GetRenderCounters();

// What the scene graph needs of the things it holds: world bounds, a world
// matrix, a ray test, a draw, and the node field the graph keeps up to date.
// The game's representations implement it.
//
// The graph holds its entries through handles. An entry that moves calls
// OnMoved, which re-files it in the graph.
class ISceneEntry : public CRefCounted
{
public:
    ISceneEntry() : m_bPickable(true), m_pSceneNode(nullptr) {}
    ~ISceneEntry() override {}

    // World bounds (the implementation may cache them until OnMoved).
    virtual SBoundingSphere GetBoundingSphere() = 0;
    virtual SOrientedBox GetBoundingBox() = 0;
    virtual CMatrix4 GetWorldMatrix() = 0;
    // Ray test in world space: true with the hit point and its distance from
    // origin along direction (a unit vector) when the ray hits the entry.
    virtual bool RayIntersection(const CVector3& origin, const CVector3& direction, CVector3& hitPoint,
                                 float& distance) = 0;
    // Draws the entry in its own frame (the world matrix is already applied).
    virtual void Render(const CFrustum& frustum, bool cull) = 0;

    // With cull on: counts the test, then the world sphere against the
    // frustum: outside is not drawn; completely inside is drawn without more
    // tests (and with cull off); crossing tests the world box, which must
    // pass (counted). A drawn entry is counted and drawn through Render
    // between the renderer's SetMatrixMode(1), PushMatrix,
    // MultMatrix(GetWorldMatrix()) and PopMatrix. Not drawn without the
    // engine services' renderer.
    virtual void RenderCulled(const CFrustum& frustum, bool cull);

    // The entry moved: when a node holds it, that node re-files it.
    // Implementations that cache world bounds drop them first.
    virtual void OnMoved();

    bool IsPickable() const { return m_bPickable; }
    void SetPickable(bool pickable) { m_bPickable = pickable; }

    // The node that holds the entry, null when it is in no tree; set by the
    // graph only.
    CSceneGraphNode* GetSceneNode() const { return m_pSceneNode; }
    void SetSceneNode(CSceneGraphNode* node) { m_pSceneNode = node; }

protected:
    bool m_bPickable;
    CSceneGraphNode* m_pSceneNode;
};
