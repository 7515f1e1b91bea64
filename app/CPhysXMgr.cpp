#include "app/CPhysXMgr.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/CPhysXBody.h"
#include "app/CPhysXContactReport.h"
#include "app/CPhysXControllerHitReport.h"
#include "app/CPhysXFileStream.h"
#include "app/CPhysXOutputStream.h"
#include "app/Log.h"
#include "platform/physx/NxController.h"
#include "platform/physx/NxCooking.h"
#include "platform/sys/PathResolver.h"
#include "platform/physx/NxPhysics.h"

#include <algorithm>
#include <new>

CPhysXMgr::DebugDrawFunction CPhysXMgr::s_pfnDebugDraw = nullptr;

namespace
{

const char* const kCookedMeshFile = "cookedmesh.tmp";
const float kSlopeLimit = 0.70710677f; // cos 45 degrees
const float kControllerSkin = 0.05f;
const float kStepOffset = 0.5f;

// A rigid pose from a world matrix: the axes are made orthonormal (the
// scale of T x R x S is dropped) and the translation kept.
plat::NxMat34 PoseOf(const CMatrix4& m)
{
    CVector3 x = m.GetColumn(0), y = m.GetColumn(1);
    if (x.Normalize() == 0.0f)
        x.Set(1, 0, 0);
    y -= x * x.Dot(y);
    if (y.Normalize() == 0.0f)
    {
        y = Cross(CVector3(0, 0, 1), x);
        if (y.Normalize() == 0.0f)
            y = Cross(x, CVector3(1, 0, 0)).Normalized();
    }
    CVector3 z = Cross(x, y);
    if (z.Dot(m.GetColumn(2)) < 0)
    {
        // A mirroring matrix: keep a proper rotation.
        z = -z;
        y = -y;
    }
    plat::NxMat34 pose;
    const CVector3 axes[3] = {x, y, z};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            pose.M.m[r][c] = axes[c][r];
    const CVector3 t = m.GetTranslation();
    pose.t.set(t.x, t.y, t.z);
    return pose;
}

void FillControllerDesc(plat::NxControllerDesc& desc, const CVector3& position)
{
    desc.position.set(position.x, position.y, position.z);
    desc.upDirection = plat::NX_Y;
    desc.slopeLimit = kSlopeLimit;
    desc.skinWidth = kControllerSkin;
    desc.stepOffset = kStepOffset;
    desc.callback = &CPhysXControllerHitReport::Instance();
    desc.userData = nullptr;
}

} // namespace

CPhysXMgr::CPhysXMgr()
    : m_Group(0), m_pActorDesc(nullptr), m_pBodyDesc(nullptr), m_pPhysicsSDK(nullptr), m_pScene(nullptr),
      m_pControllerMgr(nullptr), m_bCooking(false), m_bUpdating(false)
{
}

CPhysXMgr::~CPhysXMgr()
{
    // The cooked mesh only passes through its file: none stays behind.
    if (!m_strCookedFile.empty())
        std::remove(m_strCookedFile.c_str());
    FreePending();
    for (CPhysXBody* body : m_DeferredDeletes)
        delete body;
    m_DeferredDeletes.clear();
    if (m_pControllerMgr)
    {
        m_pControllerMgr->purgeControllers();
        delete m_pControllerMgr;
        m_pControllerMgr = nullptr;
    }
    if (m_pScene)
    {
        m_pScene->setUserContactReport(nullptr);
        m_pPhysicsSDK->releaseScene(*m_pScene);
        m_pScene = nullptr;
    }
    if (m_bCooking)
        plat::NxCloseCooking();
    if (m_pPhysicsSDK)
    {
        for (CRefPtr<CPhysXTriangleMesh>& mesh : m_CookedMeshes)
            if (mesh && mesh->GetMesh())
                m_pPhysicsSDK->releaseTriangleMesh(*mesh->GetMesh());
        m_CookedMeshes.clear();
        m_pPhysicsSDK->release();
        m_pPhysicsSDK = nullptr;
    }
}

bool CPhysXMgr::Create()
{
    if (m_pPhysicsSDK || m_pScene)
    {
        Log(0, "Warning: CPhysXMgr::Create called but the object has been created before");
        return true;
    }
    plat::NxPhysicsSDKDesc sdkDesc;
    sdkDesc.hwPageSize = 65536;
    sdkDesc.hwPageMax = 256;
    sdkDesc.hwConvexMax = 2048;
    m_pPhysicsSDK = plat::NxCreatePhysicsSDK(plat::NX_PHYSICS_SDK_VERSION, nullptr,
                                             &CPhysXOutputStream::Instance(), sdkDesc);
    if (!m_pPhysicsSDK)
    {
        Log(1, "Error: NxCreatePhysicsSDK failed in CPhysXMgr::Create");
        return false;
    }
    gravity.Set(0.0f, -9.8f, 0.0f);
    m_pPhysicsSDK->setParameter(plat::NX_SKIN_WIDTH, 0.01f);

    plat::NxSceneDesc sceneDesc;
    sceneDesc.gravity.set(gravity.x, gravity.y, gravity.z);
    sceneDesc.userContactReport = nullptr;
    sceneDesc.maxTimestep = 1.0f / 60.0f;
    sceneDesc.maxIter = 8;
    sceneDesc.timeStepMethod = plat::NX_TIMESTEP_FIXED;
    sceneDesc.userData = nullptr;
    m_pScene = m_pPhysicsSDK->createScene(sceneDesc);
    if (!m_pScene)
    {
        Log(1, "Error: m_pPhysicsSDK->createScene failed in CPhysXMgr::Create");
        return false;
    }
    plat::NxMaterial* material = m_pScene->getMaterialFromIndex(0);
    material->setRestitution(0.0f);
    material->setStaticFriction(0.7f);
    material->setDynamicFriction(0.7f);
    m_pScene->setUserContactReport(&CPhysXContactReport::Instance());
    const plat::NxU32 notify =
        plat::NX_NOTIFY_ON_START_TOUCH | plat::NX_NOTIFY_ON_END_TOUCH | plat::NX_NOTIFY_ON_TOUCH;
    for (plat::NxActorGroup g1 = 0; g1 < 32; ++g1)
        for (plat::NxActorGroup g2 = g1; g2 < 32; ++g2)
            m_pScene->setActorGroupPairFlags(g1, g2, notify);
    m_pControllerMgr = new plat::ControllerManager;
    if (!plat::NxInitCooking(nullptr, &CPhysXOutputStream::Instance()))
    {
        Log(1, "Error: NxInitCooking failed in CPhysXMgr::Create");
        return false;
    }
    m_bCooking = true;
    return true;
}

void CPhysXMgr::Update(float dt)
{
    if (!m_pScene)
        return;
    m_bUpdating = true;
    m_pScene->simulate(dt);
    m_pScene->flushStream();
    m_pScene->fetchResults(plat::NX_RIGID_BODY_FINISHED, true);
    if (m_pControllerMgr)
        m_pControllerMgr->updateControllers();
    m_bUpdating = false;
    for (CPhysXBody* body : m_DeferredDeletes)
        delete body;
    m_DeferredDeletes.clear();
}

void CPhysXMgr::DeleteWrapper(CPhysXBody* body)
{
    if (m_bUpdating)
        m_DeferredDeletes.push_back(body);
    else
        delete body;
}

void CPhysXMgr::SetGroupCollisionFlag(uint8_t group1, uint8_t group2, bool enable)
{
    if (m_pScene)
        m_pScene->setGroupCollisionFlag(group1, group2, enable);
}

// ------------------------------------------------------------ actor building

void CPhysXMgr::FreePending()
{
    delete m_pBodyDesc;
    m_pBodyDesc = nullptr;
    delete m_pActorDesc;
    m_pActorDesc = nullptr;
    for (plat::NxShapeDesc* shape : m_ShapeDescs)
        delete shape;
    m_ShapeDescs.clear();
}

void CPhysXMgr::BeginActor(const CMatrix4& pose, uint8_t group, bool dynamic, float density)
{
    // An actor begun and never finished is dropped.
    FreePending();
    m_Group = group;
    m_pActorDesc = new plat::NxActorDesc;
    m_pActorDesc->globalPose = PoseOf(pose);
    m_pActorDesc->group = group;
    if (dynamic)
    {
        m_pBodyDesc = new plat::NxBodyDesc;
        m_pActorDesc->body = m_pBodyDesc;
        m_pActorDesc->density = density;
    }
}

void CPhysXMgr::AddBoxShape(const CMatrix4& localPose, const CVector3& size)
{
    if (!m_pActorDesc)
    {
        Log(1, "Error: no actor begun in CPhysXMgr::AddBoxShape");
        return;
    }
    plat::NxBoxShapeDesc* box = new plat::NxBoxShapeDesc;
    box->dimensions.set(size.x * 0.5f, size.y * 0.5f, size.z * 0.5f);
    box->localPose = PoseOf(localPose);
    box->group = m_Group;
    m_ShapeDescs.push_back(box);
    m_pActorDesc->shapes.push_back(box);
}

void CPhysXMgr::AddTriangleMeshShape(const CMatrix4& localPose, const CRefPtr<CPhysXTriangleMesh>& mesh)
{
    if (!m_pActorDesc)
    {
        Log(1, "Error: no actor begun in CPhysXMgr::AddTriangleMeshShape");
        return;
    }
    plat::NxTriangleMeshShapeDesc* shape = new plat::NxTriangleMeshShapeDesc;
    shape->meshData = mesh ? mesh->GetMesh() : nullptr;
    shape->localPose = PoseOf(localPose);
    shape->group = m_Group;
    m_ShapeDescs.push_back(shape);
    m_pActorDesc->shapes.push_back(shape);
}

CPhysXActor* CPhysXMgr::FinishActorCreation()
{
    plat::NxActor* actor = (m_pScene && m_pActorDesc) ? m_pScene->createActor(*m_pActorDesc) : nullptr;
    if (!actor)
    {
        Log(1, "Error: m_pScene->createActor returned NULL in CPhysXMgr::FinishActorCreation");
        FreePending();
        return nullptr;
    }
    CPhysXActor* wrapper = new CPhysXActor(actor);
    FreePending();
    return wrapper;
}

// ---------------------------------------------------------------- characters

namespace
{

CPhysXController* WrapController(plat::NxController* controller, uint8_t group)
{
    CPhysXController* wrapper = new CPhysXController(controller);
    plat::NxActor* actor = controller->getActor();
    actor->userData = static_cast<CPhysXBody*>(wrapper);
    actor->setGroup(group);
    for (plat::NxU32 i = 0; i < actor->getNbShapes(); ++i)
        actor->getShapes()[i]->setGroup(group);
    return wrapper;
}

// desc carries the kind's own fields; the shared ones are filled here. Both
// kinds report a failure with the same text.
CPhysXController* CreateCharacter(plat::ControllerManager* manager, plat::NxScene* scene,
                                  plat::NxControllerDesc& desc, const CVector3& position, uint8_t group)
{
    FillControllerDesc(desc, position);
    plat::NxController* controller = manager ? manager->createController(scene, desc) : nullptr;
    if (!controller)
    {
        Log(1, "Error: m_pControllerMgr->createController failed in CPhysXMgr::CreateAABoxCharacter");
        return nullptr;
    }
    return WrapController(controller, group);
}

} // namespace

CPhysXController* CPhysXMgr::CreateCapsuleCharacter(const CVector3& position, float radius, float height,
                                                    uint8_t group)
{
    plat::NxCapsuleControllerDesc desc;
    desc.radius = radius;
    desc.height = height;
    return CreateCharacter(m_pControllerMgr, m_pScene, desc, position, group);
}

CPhysXController* CPhysXMgr::CreateAABoxCharacter(const CVector3& position, const CVector3& extents,
                                                  uint8_t group)
{
    plat::NxBoxControllerDesc desc;
    desc.extents.set(extents.x, extents.y, extents.z);
    return CreateCharacter(m_pControllerMgr, m_pScene, desc, position, group);
}

void CPhysXMgr::ReleaseActor(CPhysXActor* actor)
{
    if (!actor)
        return;
    if (m_pScene && actor->GetActor())
        m_pScene->releaseActor(*actor->GetActor());
    actor->Forget();
    DeleteWrapper(actor);
}

void CPhysXMgr::ReleaseController(CPhysXController* controller)
{
    if (!controller)
        return;
    if (m_pControllerMgr && controller->GetController())
        m_pControllerMgr->releaseController(*controller->GetController());
    controller->Forget();
    DeleteWrapper(controller);
}

// ------------------------------------------------------- cooking and queries

CRefPtr<CPhysXTriangleMesh> CPhysXMgr::CookTerrain(uint32_t vertexCount, uint32_t indexCount,
                                                   const float* points, const uint32_t* triangles,
                                                   float depth)
{
    plat::NxTriangleMeshDesc desc;
    desc.numVertices = vertexCount;
    desc.numTriangles = indexCount / 3;
    desc.pointStrideBytes = 12;
    desc.triangleStrideBytes = 12;
    desc.points = points;
    desc.triangles = triangles;
    desc.flags = 0;
    desc.materialIndices = nullptr;
    desc.heightFieldVerticalAxis = plat::NX_Y;
    desc.heightFieldVerticalExtent = -depth;
    desc.convexEdgeThreshold = 0.001f;

    ReleaseUnusedMeshes();
    bool cooked;
    {
        // Written whole each time: a smaller mesh must not leave stale bytes.
        CPhysXFileStream out(kCookedMeshFile, true);
        cooked = plat::NxCookTriangleMesh(desc, out);
        std::error_code error;
        const std::filesystem::path written =
            std::filesystem::absolute(plat::ResolvePath(kCookedMeshFile), error);
        if (!error)
            m_strCookedFile = written.string();
    }
    if (!cooked)
    {
        Log(1, "Error: NxCookTriangleMesh failed in CPhysXMgr::CookTerrain");
        return CRefPtr<CPhysXTriangleMesh>();
    }
    plat::NxTriangleMesh* mesh = nullptr;
    {
        CPhysXFileStream in(kCookedMeshFile, false);
        if (m_pPhysicsSDK)
            mesh = m_pPhysicsSDK->createTriangleMesh(in);
    }
    if (!mesh)
    {
        Log(1, "Error: m_pPhysicsSDK->createTriangleMesh failed in CPhysXMgr::CookTerrain");
        return CRefPtr<CPhysXTriangleMesh>();
    }
    CRefPtr<CPhysXTriangleMesh> handle(new CPhysXTriangleMesh(mesh));
    m_CookedMeshes.push_back(handle);
    return handle;
}

void CPhysXMgr::ReleaseUnusedMeshes()
{
    if (!m_pPhysicsSDK)
        return;
    std::vector<CRefPtr<CPhysXTriangleMesh>> kept;
    for (CRefPtr<CPhysXTriangleMesh>& mesh : m_CookedMeshes)
    {
        // Unused: the manager holds the last handle and no shape (not even
        // one of a body whose deletion waits for the end of an update)
        // refers to it.
        if (mesh && mesh->GetRefCount() == 1 && mesh->GetMesh() && mesh->GetMesh()->getReferenceCount() == 0)
            m_pPhysicsSDK->releaseTriangleMesh(*mesh->GetMesh());
        else
            kept.push_back(mesh);
    }
    m_CookedMeshes.swap(kept);
}

bool CPhysXMgr::CheckOverlapBox(const float bounds[6], uint32_t groupMask)
{
    if (!m_pScene)
        return false;
    plat::NxBounds3 box;
    box.set(bounds[0], bounds[1], bounds[2], bounds[3], bounds[4], bounds[5]);
    return m_pScene->checkOverlapAABB(box, plat::NX_ALL_SHAPES, groupMask, nullptr);
}

void CPhysXMgr::RenderDebug()
{
    if (!m_pScene || !s_pfnDebugDraw)
        return;
    if (const plat::NxDebugRenderable* renderable = m_pScene->getDebugRenderable())
        s_pfnDebugDraw(*renderable);
}
