#pragma once

#include "app/CMatrix4.h"
#include "app/CRefCounted.h"
#include "app/CVector3.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plat
{
class ControllerManager;
struct NxActorDesc;
struct NxBodyDesc;
class NxDebugRenderable;
class NxPhysicsSDK;
class NxScene;
class NxShapeDesc;
class NxTriangleMesh;
} // namespace plat

class CPhysXActor;
class CPhysXBody;
class CPhysXController;

// Holder of one cooked SDK triangle mesh. Forgetting the mesh is all its
// destructor does: the manager releases the SDK mesh when it goes.
class CPhysXTriangleMesh : public CRefCounted
{
public:
    explicit CPhysXTriangleMesh(plat::NxTriangleMesh* mesh) : m_pMesh(mesh) {}
    ~CPhysXTriangleMesh() override { m_pMesh = nullptr; }
    plat::NxTriangleMesh* GetMesh() const { return m_pMesh; }

private:
    plat::NxTriangleMesh* m_pMesh;
};

// Owns the physics world: the SDK, the one scene, the character-controller
// manager and every cooked mesh. Game objects get their bodies only from it
// and give them back through ReleaseActor / ReleaseController. Main thread
// only; contact and hit reports arrive inside Update.
class CPhysXMgr : public CRefCounted
{
public:
    // Draws the scene's debug geometry (points, lines, triangles with
    // 0xRRGGBB colours). The renderer installs it; without one RenderDebug
    // draws nothing.
    typedef void (*DebugDrawFunction)(const plat::NxDebugRenderable& renderable);
    static void SetDebugDrawFunction(DebugDrawFunction fn) { s_pfnDebugDraw = fn; }
    static DebugDrawFunction GetDebugDrawFunction() { return s_pfnDebugDraw; }

    CPhysXMgr();
    ~CPhysXMgr() override;
    CPhysXMgr(const CPhysXMgr&) = delete;
    CPhysXMgr& operator=(const CPhysXMgr&) = delete;

    // Makes the SDK, the scene (gravity (0, -9.8, 0), fixed 1/60 s steps, at
    // most 8 per update), the default material, contact reports for every
    // group pair, the controller manager and cooking. A second call only warns.
    bool Create();
    // Steps the scene by dt, delivers its contact reports, then the
    // controllers' hits.
    void Update(float dt);
    // Whether shapes of the two collision groups (0..31) collide.
    void SetGroupCollisionFlag(uint8_t group1, uint8_t group2, bool enable);

    // Building an actor: BeginActor, one or more shapes, FinishActorCreation.
    // Poses are world matrices; their scale is stripped. density applies to
    // dynamic actors only.
    void BeginActor(const CMatrix4& pose, uint8_t group, bool dynamic, float density);
    // size is the full box size (half extents = size / 2).
    void AddBoxShape(const CMatrix4& localPose, const CVector3& size);
    void AddTriangleMeshShape(const CMatrix4& localPose, const CRefPtr<CPhysXTriangleMesh>& mesh);
    // The new actor's wrapper, or null (logged). Either way the builder is
    // idle afterwards.
    CPhysXActor* FinishActorCreation();

    // position is the shape's centre; height the distance between the
    // hemisphere centres.
    CPhysXController* CreateCapsuleCharacter(const CVector3& position, float radius, float height,
                                             uint8_t group);
    // extents are handed to the controller as they are (its half extents).
    CPhysXController* CreateAABoxCharacter(const CVector3& position, const CVector3& extents, uint8_t group);
    // Remove the body from the scene (with every queued report naming it),
    // then delete the wrapper; inside Update (from a hit callback) the
    // wrapper lives on until Update ends, so that the pair of calls being
    // delivered can finish. Null is ignored.
    void ReleaseActor(CPhysXActor* actor);
    void ReleaseController(CPhysXController* controller);

    // Cooks the triangles through "cookedmesh.tmp" and keeps the mesh while
    // a handle or a shape uses it (meshes nothing uses any more, such as an
    // earlier game's terrain, are released first); an empty handle on
    // failure (logged). indexCount / 3 triangles are used. depth: how far
    // below the surface counts as inside.
    CRefPtr<CPhysXTriangleMesh> CookTerrain(uint32_t vertexCount, uint32_t indexCount, const float* points,
                                            const uint32_t* triangles, float depth);
    // True when a static or dynamic shape of a group in groupMask overlaps
    // the box (min x, y, z, max x, y, z) by more than a touch.
    bool CheckOverlapBox(const float bounds[6], uint32_t groupMask);
    void RenderDebug();

    plat::NxScene* GetScene() const { return m_pScene; }
    plat::NxPhysicsSDK* GetSDK() const { return m_pPhysicsSDK; }
    plat::ControllerManager* GetControllerMgr() const { return m_pControllerMgr; }

    CVector3 gravity;

private:
    // Frees the pending descriptors; the builder is idle after.
    void FreePending();
    void DeleteWrapper(CPhysXBody* body);
    void ReleaseUnusedMeshes();

    static DebugDrawFunction s_pfnDebugDraw;

    uint8_t m_Group;
    plat::NxActorDesc* m_pActorDesc;
    plat::NxBodyDesc* m_pBodyDesc;
    std::vector<plat::NxShapeDesc*> m_ShapeDescs;
    plat::NxPhysicsSDK* m_pPhysicsSDK;
    plat::NxScene* m_pScene;
    plat::ControllerManager* m_pControllerMgr;
    std::vector<CRefPtr<CPhysXTriangleMesh>> m_CookedMeshes;
    // The cooked-mesh file this manager wrote (absolute path), removed with
    // the manager; empty while none was written.
    std::string m_strCookedFile;
    bool m_bCooking;
    bool m_bUpdating;
    std::vector<CPhysXBody*> m_DeferredDeletes;
};
