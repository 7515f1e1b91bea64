#pragma once

// The physics SDK layer: SDK object, scene, materials, actors and shapes,
// contact reports, queries and debug geometry. The scene runs on Bullet; no
// Bullet header is needed by users of this file.

#include "platform/physx/NxFoundation.h"

#include <memory>
#include <vector>

class btCollisionObject;
class btCollisionShape;
class btRigidBody;

namespace plat
{

class NxActor;
class NxScene;
class NxTriangleMesh;
struct NxSceneImpl;

enum NxParameter
{
    NX_PENALTY_FORCE = 0,
    // Metres: the collision margin of boxes (read when an actor is created)
    // and the gap within which two actors count as touching for reports.
    NX_SKIN_WIDTH = 1,
    // Above 0 the scene collects wireframe debug lines after every step.
    NX_VISUALIZATION_SCALE = 2,
    NX_PARAMS_NUM_VALUES
};

enum NxTimeStepMethod
{
    NX_TIMESTEP_FIXED = 0,
    NX_TIMESTEP_VARIABLE = 1
};

enum NxSimulationStatus
{
    NX_RIGID_BODY_FINISHED = 1,
    NX_ALL_FINISHED = 1
};

// Which shapes a query looks at. Controller bodies count as dynamic.
enum NxShapesType
{
    NX_STATIC_SHAPES = 1,
    NX_DYNAMIC_SHAPES = 2,
    NX_ALL_SHAPES = 3
};

// Contact-report flags of an actor-group pair.
enum NxContactPairFlag
{
    NX_IGNORE_PAIR = 1 << 0,
    NX_NOTIFY_ON_START_TOUCH = 1 << 1,
    NX_NOTIFY_ON_END_TOUCH = 1 << 2,
    NX_NOTIFY_ON_TOUCH = 1 << 3
};

// How addForce interprets its vector. A force acts for one fixed step of the
// scene; an acceleration likewise, scaled by the mass.
enum NxForceMode
{
    NX_FORCE = 0,
    NX_IMPULSE,
    NX_VELOCITY_CHANGE,
    NX_SMOOTH_IMPULSE,
    NX_SMOOTH_VELOCITY_CHANGE,
    NX_ACCELERATION
};

enum NxShapeType
{
    NX_SHAPE_SPHERE,
    NX_SHAPE_BOX,
    NX_SHAPE_CAPSULE,
    NX_SHAPE_MESH
};

enum NxBodyFlag
{
    NX_BF_KINEMATIC = 1 << 7
};

// ---------------------------------------------------------------- descriptors

class NxShapeDesc
{
public:
    virtual ~NxShapeDesc() {}
    NxShapeType getType() const { return m_Type; }
    virtual bool isValid() const { return group < NX_NUM_COLLISION_GROUPS; }

    NxMat34 localPose;      // pose relative to the actor
    NxCollisionGroup group; // 0..31
    NxU16 materialIndex;    // only material 0 exists
    void* userData;

protected:
    explicit NxShapeDesc(NxShapeType type) : group(0), materialIndex(0), userData(nullptr), m_Type(type)
    {
        localPose.id();
    }

private:
    NxShapeType m_Type;
};

class NxBoxShapeDesc : public NxShapeDesc
{
public:
    NxBoxShapeDesc() : NxShapeDesc(NX_SHAPE_BOX), dimensions(1, 1, 1) {}
    bool isValid() const override;
    NxVec3 dimensions; // half extents
};

class NxSphereShapeDesc : public NxShapeDesc
{
public:
    NxSphereShapeDesc() : NxShapeDesc(NX_SHAPE_SPHERE), radius(1) {}
    bool isValid() const override;
    NxReal radius;
};

// A capsule along the local y axis; height is the distance between the
// centres of its two hemispheres.
class NxCapsuleShapeDesc : public NxShapeDesc
{
public:
    NxCapsuleShapeDesc() : NxShapeDesc(NX_SHAPE_CAPSULE), radius(1), height(1) {}
    bool isValid() const override;
    NxReal radius;
    NxReal height;
};

// A cooked triangle mesh. Only static actors may carry one.
class NxTriangleMeshShapeDesc : public NxShapeDesc
{
public:
    NxTriangleMeshShapeDesc() : NxShapeDesc(NX_SHAPE_MESH), meshData(nullptr) {}
    bool isValid() const override;
    NxTriangleMesh* meshData;
};

struct NxBodyDesc
{
    NxBodyDesc() : mass(0), linearDamping(0), angularDamping(0.05f), flags(0) {}
    bool isValid() const;

    NxReal mass; // 0: computed from the actor's density
    NxVec3 linearVelocity;
    NxVec3 angularVelocity;
    NxReal linearDamping;
    NxReal angularDamping;
    NxU32 flags; // NxBodyFlag bits
};

// An actor: static without a body, dynamic with one. The descriptor does not
// own the shape descriptors or the body descriptor it points to.
struct NxActorDesc
{
    NxActorDesc() : body(nullptr), density(0), group(0), userData(nullptr) { globalPose.id(); }
    bool isValid() const;

    NxMat34 globalPose;
    const NxBodyDesc* body;
    NxReal density; // used when body->mass is 0
    NxActorGroup group;
    std::vector<NxShapeDesc*> shapes;
    void* userData;
};

struct NxSceneDesc
{
    NxSceneDesc();
    bool isValid() const;

    NxVec3 gravity;
    class NxUserContactReport* userContactReport;
    NxReal maxTimestep; // length of one fixed step
    NxU32 maxIter;      // at most this many steps per simulate
    NxTimeStepMethod timeStepMethod;
    void* userData;
};

struct NxPhysicsSDKDesc
{
    NxPhysicsSDKDesc() : hwPageSize(65536), hwPageMax(256), hwConvexMax(2048) {}
    // Kept for the callers' sake; nothing here uses them.
    NxU32 hwPageSize;
    NxU32 hwPageMax;
    NxU32 hwConvexMax;
};

// --------------------------------------------------------------- scene objects

// The scene's one material. Shapes take its coefficients when they are
// created (set it before making actors); two touching shapes use the average
// of their coefficients. Bullet has one friction coefficient: the dynamic one.
class NxMaterial
{
public:
    NxMaterial() : m_Restitution(0), m_StaticFriction(0.5f), m_DynamicFriction(0.5f) {}
    void setRestitution(NxReal r) { m_Restitution = r; }
    void setStaticFriction(NxReal f) { m_StaticFriction = f; }
    void setDynamicFriction(NxReal f) { m_DynamicFriction = f; }
    NxReal getRestitution() const { return m_Restitution; }
    NxReal getStaticFriction() const { return m_StaticFriction; }
    NxReal getDynamicFriction() const { return m_DynamicFriction; }

private:
    NxReal m_Restitution;
    NxReal m_StaticFriction;
    NxReal m_DynamicFriction;
};

// A cooked triangle mesh, made by NxPhysicsSDK::createTriangleMesh from a
// cooked stream. Shapes made from it share its data; it must outlive them.
class NxTriangleMesh
{
public:
    ~NxTriangleMesh();
    NxU32 getNbVertices() const;
    NxU32 getNbTriangles() const;
    const NxVec3* getVertices() const;
    const NxU32* getTriangles() const; // three indices per triangle
    NxReal getHeightFieldVerticalExtent() const;
    NxU32 getReferenceCount() const { return m_uiShapes; }

    struct Impl;
    Impl* impl() const { return m_pImpl.get(); }

    // Layer internals: made by NxPhysicsSDK::createTriangleMesh.
    NxTriangleMesh();
    std::unique_ptr<Impl> m_pImpl;
    NxU32 m_uiShapes; // shapes using the mesh
};

// One shape of an actor.
class NxShape
{
public:
    NxActor& getActor() const { return *m_pActor; }
    NxShapeType getType() const { return m_Type; }
    NxCollisionGroup getGroup() const { return m_Group; }
    // Changes the collision group; the actor's pairs are rebuilt.
    void setGroup(NxCollisionGroup group);
    NxMat34 getLocalPose() const { return m_LocalPose; }
    void* userData;

    // Layer internals, used only by the implementation files.
    NxShape()
        : userData(nullptr), m_pActor(nullptr), m_Type(NX_SHAPE_BOX), m_Group(0), m_pShape(nullptr),
          m_pObject(nullptr), m_pMesh(nullptr)
    {
    }
    ~NxShape();

    NxActor* m_pActor;
    NxShapeType m_Type;
    NxCollisionGroup m_Group;
    NxMat34 m_LocalPose;
    btCollisionShape* m_pShape;   // owned
    btCollisionObject* m_pObject; // static actors: this shape's own object (owned)
    NxTriangleMesh* m_pMesh;      // mesh shapes only
};

// A static or dynamic (possibly kinematic) actor of a scene.
class NxActor
{
public:
    NxScene& getScene() const { return *m_pScene; }
    bool isDynamic() const { return m_pBody != nullptr; }
    bool isKinematic() const;

    void setGlobalPosition(const NxVec3& position);
    void setGlobalOrientation(const NxMat33& rotation);
    void setGlobalPose(const NxMat34& pose);
    NxVec3 getGlobalPosition() const;
    NxMat33 getGlobalOrientation() const;
    NxMat34 getGlobalPose() const;

    // Dynamic, non-kinematic actors only; others ignore these.
    void addForce(const NxVec3& force, NxForceMode mode = NX_FORCE, bool wakeup = true);
    void setLinearVelocity(const NxVec3& v);
    NxVec3 getLinearVelocity() const;
    NxReal getMass() const;
    // Kinematic actors: moves to the pose now (queries see it at once) and
    // gives the body the velocity that covers the move in one step.
    void moveGlobalPosition(const NxVec3& position);

    void setGroup(NxActorGroup group) { m_Group = group; }
    NxActorGroup getGroup() const { return m_Group; }
    NxU32 getNbShapes() const { return static_cast<NxU32>(m_Shapes.size()); }
    NxShape* const* getShapes() const { return m_Shapes.data(); }

    void* userData;

    // Layer internals, used only by the implementation files. Actors are
    // made by NxScene::createActor and deleted by NxScene::releaseActor.
    NxActor();
    ~NxActor();

    NxScene* m_pScene;
    NxU32 m_uiId; // creation order; orders contact pairs
    NxActorGroup m_Group;
    std::vector<NxShape*> m_Shapes; // owned
    btRigidBody* m_pBody;           // dynamic actors (owned)
    btCollisionShape* m_pCompound;  // dynamic actors of several shapes: the body's compound (owned)
    NxMat34 m_BodyOffset;           // body frame relative to the actor frame (centre of mass)
    NxMat34 m_StaticPose;           // static actors: the actor frame
};

// One reported contact between two actors.
struct NxContactPair
{
    NxActor* actors[2];
    bool isDeletedActor[2];
};

class NxUserContactReport
{
public:
    virtual ~NxUserContactReport() {}
    // events: one of NX_NOTIFY_ON_START_TOUCH, NX_NOTIFY_ON_TOUCH, NX_NOTIFY_ON_END_TOUCH.
    virtual void OnContactNotify(NxContactPair& pair, NxU32 events) = 0;
};

struct NxRaycastHit
{
    NxShape* shape;
    NxVec3 worldImpact;
    NxVec3 worldNormal;
    NxReal distance;
};

struct NxDebugPoint
{
    NxVec3 p;
    NxU32 color; // 0xRRGGBB
};
struct NxDebugLine
{
    NxVec3 p0, p1;
    NxU32 color;
};
struct NxDebugTriangle
{
    NxVec3 p0, p1, p2;
    NxU32 color;
};

// Debug geometry of the last step. Empty unless NX_VISUALIZATION_SCALE > 0.
class NxDebugRenderable
{
public:
    NxU32 getNbPoints() const { return static_cast<NxU32>(points.size()); }
    const NxDebugPoint* getPoints() const { return points.data(); }
    NxU32 getNbLines() const { return static_cast<NxU32>(lines.size()); }
    const NxDebugLine* getLines() const { return lines.data(); }
    NxU32 getNbTriangles() const { return static_cast<NxU32>(triangles.size()); }
    const NxDebugTriangle* getTriangles() const { return triangles.data(); }

    std::vector<NxDebugPoint> points;
    std::vector<NxDebugLine> lines;
    std::vector<NxDebugTriangle> triangles;
};

// Told when an actor of the scene goes away, so that queued records naming it
// can be dropped (the controller manager's hit queue).
class NxActorReleaseListener
{
public:
    virtual ~NxActorReleaseListener() {}
    virtual void OnActorReleased(NxActor& actor) = 0;
    // After the scene's last actor went, just before the scene goes.
    virtual void OnSceneReleased(NxScene& scene) = 0;
};

class NxPhysicsSDK;

// The simulated world. simulate() advances it in fixed steps; fetchResults()
// then delivers the contact reports of the steps taken.
class NxScene
{
public:
    NxPhysicsSDK& getPhysicsSDK() const { return *m_pSDK; }

    void setGravity(const NxVec3& g);
    void getGravity(NxVec3& g) const;
    NxMaterial* getMaterialFromIndex(NxU16 index);
    void setUserContactReport(NxUserContactReport* report);
    NxUserContactReport* getUserContactReport() const;

    void setActorGroupPairFlags(NxActorGroup g1, NxActorGroup g2, NxU32 flags);
    NxU32 getActorGroupPairFlags(NxActorGroup g1, NxActorGroup g2) const;
    void setGroupCollisionFlag(NxCollisionGroup g1, NxCollisionGroup g2, bool enable);
    bool getGroupCollisionFlag(NxCollisionGroup g1, NxCollisionGroup g2) const;

    // Null (with an error report) when the descriptor is not valid.
    NxActor* createActor(const NxActorDesc& desc);
    void releaseActor(NxActor& actor);
    NxU32 getNbActors() const;

    void simulate(NxReal elapsedTime);
    bool flushStream() { return true; }
    bool fetchResults(NxSimulationStatus status, bool block = false, NxU32* errorState = nullptr);

    // True when a shape of the given kind, whose group bit is set in
    // activeGroups, overlaps the box by more than a touch.
    bool checkOverlapAABB(const NxBounds3& worldBounds, NxShapesType shapeType = NX_ALL_SHAPES,
                          NxU32 activeGroups = 0xffffffff, const void* groupsMask = nullptr);
    bool raycastAnyShape(const NxRay& worldRay, NxShapesType shapeType, NxU32 groups = 0xffffffff,
                         NxReal maxDist = NX_MAX_F32);
    NxShape* raycastClosestShape(const NxRay& worldRay, NxShapesType shapeType, NxRaycastHit& hit,
                                 NxU32 groups = 0xffffffff, NxReal maxDist = NX_MAX_F32);

    const NxDebugRenderable* getDebugRenderable();

    void addReleaseListener(NxActorReleaseListener* listener);
    void removeReleaseListener(NxActorReleaseListener* listener);

    NxSceneImpl& impl() const { return *m_pImpl; }

private:
    friend class NxPhysicsSDK;
    NxScene(NxPhysicsSDK& sdk, const NxSceneDesc& desc);
    ~NxScene();

    NxPhysicsSDK* m_pSDK;
    std::unique_ptr<NxSceneImpl> m_pImpl;
};

class NxPhysicsSDK
{
public:
    void release();
    bool setParameter(NxParameter param, NxReal value);
    NxReal getParameter(NxParameter param) const;

    // Null (with an error report) when the descriptor is not valid.
    NxScene* createScene(const NxSceneDesc& desc);
    void releaseScene(NxScene& scene);
    NxU32 getNbScenes() const { return static_cast<NxU32>(m_Scenes.size()); }

    // Reads a stream written by NxCookTriangleMesh; null (with an error
    // report) when the stream is broken, truncated or inconsistent.
    NxTriangleMesh* createTriangleMesh(NxStream& stream);
    // Refused (error report) while a shape still uses the mesh.
    void releaseTriangleMesh(NxTriangleMesh& mesh);
    NxU32 getNbTriangleMeshes() const { return static_cast<NxU32>(m_Meshes.size()); }

    NxUserOutputStream* getOutputStream() const { return m_pOutput; }
    // Sends an error to the output stream, when there is one.
    void reportError(NxErrorCode code, const char* message, const char* file, int line) const;

private:
    friend NxPhysicsSDK* NxCreatePhysicsSDK(NxU32, void*, NxUserOutputStream*, const NxPhysicsSDKDesc&,
                                            NxU32*);
    explicit NxPhysicsSDK(NxUserOutputStream* output);
    ~NxPhysicsSDK();

    NxUserOutputStream* m_pOutput;
    NxReal m_Params[NX_PARAMS_NUM_VALUES];
    std::vector<NxScene*> m_Scenes;
    std::vector<NxTriangleMesh*> m_Meshes;
};

// Creates the SDK object; null when the version does not match
// NX_PHYSICS_SDK_VERSION (the error goes to the output stream). No allocator
// is supported: pass null.
NxPhysicsSDK* NxCreatePhysicsSDK(NxU32 sdkVersion, void* allocator, NxUserOutputStream* outputStream,
                                 const NxPhysicsSDKDesc& desc = NxPhysicsSDKDesc(),
                                 NxU32* errorCode = nullptr);

} // namespace plat
