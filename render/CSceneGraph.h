#pragma once

#include "app/CMatrix4.h"
#include "app/CRefCounted.h"
#include "app/CVector3.h"
#include "render/CCamera.h"
#include "render/CSceneGraphNode.h"
#include "render/IRenderHook.h"
#include "render/IRenderer.h"
#include "render/ISceneEntry.h"

#include <cstdint>
#include <memory>
#include <vector>

// The scene as the game sees it: entries go in and out, and the whole scene
// is drawn and picked.
class ISceneGraph : public CRefCounted
{
public:
    ~ISceneGraph() override {}
    virtual void Render(bool cull) = 0;
    virtual void Insert(CRefPtr<ISceneEntry> entry) = 0;
    virtual bool Remove(CRefPtr<ISceneEntry> entry) = 0;
    virtual bool RayIntersection(const CVector3& origin, const CVector3& direction,
                                 CRefPtr<ISceneEntry>& entry, CVector3& hitPoint) = 0;
    virtual void DestroyNodes() = 0;
};

// Every visible entry of the level in a fixed quadtree over the ground plane,
// drawn once per frame with frustum culling through the camera, plus further
// trees ("hook trees") drawn afterwards inside a render-state bracket each.
// The sky entry is drawn first, around the camera, without depth writes.
//
// Lifecycle: constructed empty, Create once per level, DestroyNodes at
// teardown (the destructor does it too). Main thread only.
class CSceneGraph : public ISceneGraph
{
public:
    // Deepest tree Create builds: 1 + 4 + ... + 4^(depth - 1) nodes.
    static const uint16_t MAX_DEPTH = 10;

    CSceneGraph();
    ~CSceneGraph() override;

    CSceneGraph(const CSceneGraph&) = delete;
    CSceneGraph& operator=(const CSceneGraph&) = delete;

    // Builds the root tree over 0..sizeX by 0..sizeZ and y1..y2 with depth
    // levels (the game uses 1000, 1000, -10, 100, 5: leaves of 62.5 x 62.5)
    // and keeps the parameters for hook trees. Trees of an earlier Create
    // are dropped first (their entries leave the graph). False, with an
    // error logged, for sizes or bounds that are not finite, a depth above
    // MAX_DEPTH or an allocation failure (the graph then has no root tree).
    bool Create(float sizeX, float sizeZ, float y1, float y2, uint16_t depth);
    // A further tree built with Create's parameters, drawn after the root
    // tree between hook->Begin() and hook->End(); entries go in with its
    // InsertObject. Owned by the graph; null when it could not be built.
    CSceneGraphNode* AddHookNode(CRefPtr<IRenderHook> hook);

    // Draws the frame: camera matrices, the sky, the physics debug geometry,
    // the root tree, then each hook tree in its bracket. Nothing without a
    // camera or without the engine services' renderer.
    void Render(bool cull) override;
    // Files the entry in the root tree (nothing without one, or when the
    // entry is already in a tree).
    void Insert(CRefPtr<ISceneEntry> entry) override;
    // Takes the entry out of the root tree or else the first hook tree that
    // has it; false when no tree had it.
    bool Remove(CRefPtr<ISceneEntry> entry) override;
    // The nearest pickable entry of the root tree that the ray (direction a
    // unit vector; others are normalised) hits, searching only the nodes in
    // the camera's frustum. True with entry and hitPoint set; false, both
    // untouched, when nothing is hit (or there is no camera or tree). Of
    // entries at the same distance the first met in node order wins.
    bool RayIntersection(const CVector3& origin, const CVector3& direction, CRefPtr<ISceneEntry>& entry,
                         CVector3& hitPoint) override;
    // Deletes the root tree and every hook tree (their entries leave the
    // graph) and releases the camera.
    void DestroyNodes() override;

    // Set by the game controller.
    void SetCamera(CRefPtr<CCamera> camera) { m_pCamera = camera; }
    const CRefPtr<CCamera>& GetCamera() const { return m_pCamera; }
    // The environment drawn around the camera (may be empty) and the sun
    // direction handed to the renderer after it.
    void SetSky(CRefPtr<ISceneEntry> sky) { m_pSky = sky; }
    const CRefPtr<ISceneEntry>& GetSky() const { return m_pSky; }
    void SetLightDirection(const CVector3& direction) { m_LightDirection = direction; }
    const CVector3& GetLightDirection() const { return m_LightDirection; }

    CSceneGraphNode* GetRoot() const { return m_pRoot.get(); }
    size_t GetHookNodeCount() const { return m_HookNodes.size(); }
    CSceneGraphNode* GetHookNode(size_t i) const { return m_HookNodes[i].get(); }
    // The camera's view rotation without translation, as last used for the sky.
    const CMatrix4& GetSkyMatrix() const { return m_SkyMatrix; }

private:
    // A new tree with the stored parameters; null when it failed.
    std::unique_ptr<CSceneGraphNode> BuildTree() const;
    void DropTrees();
    void RenderSky(IRenderer* renderer, ISceneEntry* sky, const CFrustum& frustum);

    CRefPtr<CCamera> m_pCamera;
    CRefPtr<ISceneEntry> m_pSky;
    CVector3 m_LightDirection;
    CMatrix4 m_SkyMatrix;
    std::unique_ptr<CSceneGraphNode> m_pRoot;
    std::vector<std::unique_ptr<CSceneGraphNode>> m_HookNodes;
    float m_fSizeX;
    float m_fSizeZ;
    float m_fY1;
    float m_fY2;
    uint16_t m_usDepth;
};
