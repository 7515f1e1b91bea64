#pragma once

#include "game/CForest.h"
#include "game/ICollidableObj.h"
#include "game/IRepresentation.h"
#include "render/CTerrainInfo.h"

#include <string>
#include <vector>

class CGameCtrl;
class CTerrainRep;

// One render segment of the terrain: the segment's model at the terrain's
// transform. Filed in the scene graph by Create; picking it hits the
// terrain (its owner).
class CTerrainPartRep : public CModelRep
{
public:
    CTerrainPartRep();

    // Stores owner, parent (not counted) and model, sets up the model's
    // bounds and files the part into the scene graph. False for an empty
    // model.
    bool Create(CTerrainRep* parent, const CRefPtr<COGLModel>& model, CSceneGraph* sceneGraph,
                IGameObj* owner);
    CTerrainRep* GetParent() const { return m_pParent; }
    // Leaves the scene graph; nothing when it is in no tree.
    void Detach() override;

private:
    CTerrainRep* m_pParent;
};

// The terrain's representation: the list of its segment parts (it has no
// model of its own). It is never drawn itself (its parts are); its bounds
// are the union of the parts' bounds and its ray test answers with the
// nearest part hit.
class CTerrainRep : public CModelRep
{
public:
    CTerrainRep();
    ~CTerrainRep() override;

    // Builds the terrain of the section through the model factory (which
    // fills info) and one filed part per segment model. False (logged) when
    // the factory fails or a part cannot be made; the parts made so far stay.
    bool Create(const std::string& section, CTerrainInfo* info, CSceneGraph* sceneGraph, IGameObj* owner);
    // One more part for the model, filed into the scene graph; the bounds
    // grow to cover it. False for an empty model (the part is kept).
    bool AddPart(const CRefPtr<COGLModel>& model, CSceneGraph* sceneGraph, IGameObj* owner);

    // The nearest hit in front of the origin over all parts; false when no
    // part is hit there.
    bool RayIntersection(const CVector3& origin, const CVector3& direction, CVector3& hitPoint,
                         float& distance) override;
    // Must not be reached: logs an error.
    void Render(const CFrustum& frustum, bool cull) override;
    // Takes every part out of the scene graph and drops it and forgets the
    // owner (the representation itself is never filed).
    void Detach() override;
    void ForgetOwner() override;

    uint32_t GetPartCount() const { return static_cast<uint32_t>(m_Parts.size()); }
    const CRefPtr<CTerrainPartRep>& GetPart(uint32_t i) const { return m_Parts[i]; }

private:
    // Model bounds := the union of the parts' bounds.
    void UniteBounds();
    void DetachParts();

    std::vector<CRefPtr<CTerrainPartRep>> m_Parts;
};

// The heightmap ground (type 1): its segments in the scene graph, a static
// physics actor of the cooked height mesh with four invisible boundary walls
// 1000 high around 0..X by 0..Z, and the forest planted on it.
class CTerrain : public ICollidableObj
{
public:
    explicit CTerrain(CGameCtrl* owner);
    // The forest goes first (its trees leave the scene graph).
    ~CTerrain() override;

    // Representation from the section's terrain keys, then the physics
    // actor (group 0). False (logged) when the representation fails.
    bool Create(const std::string& section);
    // Plants the forest from the section's plant-map keys; true at once when
    // there is a forest already. False (logged) when the forest fails (the
    // forest object stays held).
    bool CreateForest(const std::string& section);
    // Removes the trees under the object (through the forest, if any).
    void RemoveTreesAt(IGameObj* object);
    // Releases the forest only: the terrain keeps its representation and
    // actor until it is destroyed.
    void Kill() override;

    const CTerrainInfo& GetInfo() const { return m_Info; }
    CTerrainInfo& GetInfo() { return m_Info; }
    // Ground height at world (x, z); 0 outside the terrain.
    float GetHeightAt(float x, float z) const { return m_Info.GetHeightAt(x, z); }
    const CRefPtr<CForest>& GetForest() const { return m_pForest; }

protected:
    void OnUpdate(float /*dt*/) override {}

private:
    void CreateActor();

    CTerrainInfo m_Info;
    CRefPtr<CForest> m_pForest;
};
