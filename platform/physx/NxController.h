#pragma once

// Character controllers: kinematic capsules and axis-aligned boxes moved by
// collide-and-slide sweeps, with stepping, a slope limit and a skin gap. Each
// controller owns a kinematic actor in the scene so that dynamic actors hit it
// and report contacts with it.

#include "platform/physx/NxPhysics.h"

#include <memory>
#include <vector>

namespace plat
{

class NxController;
class ControllerManager;

enum NxControllerType
{
    NX_CONTROLLER_BOX,
    NX_CONTROLLER_CAPSULE
};

// Bits of the flags returned by NxController::move.
enum NxControllerFlag
{
    NXCC_COLLISION_SIDES = 1 << 0,
    NXCC_COLLISION_UP = 1 << 1,
    NXCC_COLLISION_DOWN = 1 << 2
};

enum NxControllerAction
{
    NX_ACTION_NONE = 0,
    NX_ACTION_PUSH = 1
};

struct NxControllerShapeHit
{
    NxController* controller;
    NxShape* shape;
    NxExtendedVec3 worldPos;
    NxVec3 worldNormal;
    NxVec3 dir;   // direction of the sweep that touched the shape
    NxF32 length; // length of that sweep
};

struct NxControllersHit
{
    NxController* controller;
    NxController* other;
};

// Receives the hits of every move, queued and delivered by
// ControllerManager::updateControllers. The results are not acted on:
// controllers never push what they hit.
class NxUserControllerHitReport
{
public:
    virtual ~NxUserControllerHitReport() {}
    virtual NxControllerAction OnShapeHit(const NxControllerShapeHit& hit) = 0;
    virtual NxControllerAction OnControllerHit(const NxControllersHit& hit) = 0;
};

class NxControllerDesc
{
public:
    virtual ~NxControllerDesc() {}
    NxControllerType getType() const { return m_Type; }
    virtual bool isValid() const;

    NxExtendedVec3 position; // centre of the shape
    NxU32 upDirection;       // only NX_Y (1) is supported
    NxF32 slopeLimit;        // cosine of the steepest walkable slope; 0: any
    NxF32 skinWidth;         // gap kept off every surface
    NxF32 stepOffset;        // highest step climbed
    NxUserControllerHitReport* callback;
    void* userData;

protected:
    explicit NxControllerDesc(NxControllerType type)
        : upDirection(1), slopeLimit(0.707f), skinWidth(0.1f), stepOffset(0.5f), callback(nullptr),
          userData(nullptr), m_Type(type)
    {
    }

private:
    NxControllerType m_Type;
};

class NxBoxControllerDesc : public NxControllerDesc
{
public:
    NxBoxControllerDesc() : NxControllerDesc(NX_CONTROLLER_BOX), extents(0.5f, 1.0f, 0.5f) {}
    bool isValid() const override;
    NxVec3 extents; // half extents; the box never rotates
};

class NxCapsuleControllerDesc : public NxControllerDesc
{
public:
    NxCapsuleControllerDesc() : NxControllerDesc(NX_CONTROLLER_CAPSULE), radius(0.5f), height(1.0f) {}
    bool isValid() const override;
    NxF32 radius;
    NxF32 height; // distance between the hemisphere centres
};

class NxController
{
public:
    NxControllerType getType() const { return m_Type; }
    // Moves by disp against the shapes whose collision group bit is set in
    // activeGroups; returns the NxControllerFlag bits, also stored in
    // collisionFlags. Sharpness 1 means no smoothing (others are ignored).
    NxU32 move(const NxVec3& disp, NxU32 activeGroups, NxF32 minDist, NxU32& collisionFlags,
               NxF32 sharpness = 1.0f, const void* groupsMask = nullptr);
    // Teleports without sweeping; the next move first pushes out of overlaps.
    bool setPosition(const NxExtendedVec3& position);
    const NxExtendedVec3& getPosition() const { return m_Position; }
    NxActor* getActor() const { return m_pActor; }
    void setStepOffset(NxF32 offset) { m_StepOffset = offset; }
    NxF32 getStepOffset() const { return m_StepOffset; }
    NxF32 getSlopeLimit() const { return m_SlopeLimit; }
    NxF32 getSkinWidth() const { return m_SkinWidth; }
    NxVec3 getHalfExtents() const { return m_HalfExtents; }
    NxF32 getRadius() const { return m_Radius; }
    NxF32 getHeight() const { return m_Height; }
    ControllerManager& getManager() const { return *m_pManager; }

    void* userData;

    struct Impl;

private:
    friend class ControllerManager;
    NxController();
    ~NxController();

    ControllerManager* m_pManager;
    NxScene* m_pScene;
    NxActor* m_pActor;
    NxControllerType m_Type;
    NxExtendedVec3 m_Position;
    NxVec3 m_HalfExtents;
    NxF32 m_Radius;
    NxF32 m_Height;
    NxF32 m_SlopeLimit;
    NxF32 m_SkinWidth;
    NxF32 m_StepOffset;
    NxUserControllerHitReport* m_pCallback;
    bool m_bNeedsDepenetration;
    std::unique_ptr<Impl> m_pImpl;
};

// Owns the controllers. Hits found by moves are queued and delivered, in
// order, by updateControllers; releasing a controller or any actor of the
// scene drops the queued hits that name it.
class ControllerManager : private NxActorReleaseListener
{
public:
    ControllerManager();
    ~ControllerManager();
    ControllerManager(const ControllerManager&) = delete;
    ControllerManager& operator=(const ControllerManager&) = delete;

    // Null when the scene is null or the descriptor invalid.
    NxController* createController(NxScene* scene, const NxControllerDesc& desc);
    void releaseController(NxController& controller);
    void purgeControllers();
    // Delivers the queued hits to each controller's callback.
    void updateControllers();
    NxU32 getNbControllers() const { return static_cast<NxU32>(m_Controllers.size()); }
    NxController* getController(NxU32 index) const
    {
        return index < m_Controllers.size() ? m_Controllers[index] : nullptr;
    }
    NxU32 getNbQueuedHits() const;

private:
    friend class NxController;
    struct HitRecord
    {
        NxController* controller;
        NxShape* shape;      // null for a controller hit
        NxController* other; // the controller hit, or null
        NxControllerShapeHit shapeHit;
        bool dead;
    };

    void OnActorReleased(NxActor& actor) override;
    void OnSceneReleased(NxScene& scene) override;
    void QueueHit(const HitRecord& record) { m_Hits.push_back(record); }
    NxController* ControllerOfActor(const NxActor* actor) const;
    void Detach(NxScene* scene);

    std::vector<NxController*> m_Controllers;
    std::vector<NxScene*> m_Scenes; // scenes this manager listens to
    std::vector<HitRecord> m_Hits;
    bool m_bDelivering;
};

} // namespace plat
