#pragma once

#include "app/CMatrix4.h"
#include "app/CRefCounted.h"
#include "app/CVector3.h"
#include "render/BoundingVolumes.h"
#include "render/COGLModel.h"
#include "render/ISceneEntry.h"

#include <string>

class CSceneGraph;
class IGameObj;

// The scene-graph entry of a game object: the model it shows, its model
// bounds, its cached world bounds and its ray test. The object owns it
// through m_pRepresentation; the scene graph holds it while it is filed.
class IRepresentation : public ISceneEntry
{
public:
    IRepresentation();
    ~IRepresentation() override {}

    // Stores the scene graph (not counted) and the model-space bounds.
    virtual void Setup(CSceneGraph* sceneGraph, const SBoundingSphere& sphere, const SAxisAlignedBox& box);
    virtual CVector3 GetPosition() const = 0;
    virtual CVector3 GetRotation() const = 0;
    virtual CVector3 GetScale() const = 0;
    virtual IGameObj* GetOwner() const = 0;
    // Drops the cached world bounds, then lets the holding node re-file the
    // representation.
    void OnMoved() override;
    // Takes the representation out of the scene graph (only while a handle
    // to it exists: a representation being destroyed is in no graph).
    virtual void Detach();
    // The owner was killed: a representation still held elsewhere (the sky
    // in the scene graph) must not reach it any more.
    virtual void ForgetOwner() {}

    // World bounds, cached until the next OnMoved. The sphere's centre and
    // radius both grow with the scale (the radius by the largest
    // component), so a scaled model stays inside its sphere.
    SBoundingSphere GetBoundingSphere() override;
    SOrientedBox GetBoundingBox() override;
    // Files the representation into the scene graph's root tree, or takes it
    // out of the graph. Inserting one that is already filed does nothing.
    void SetVisible(bool visible);

    CSceneGraph* GetSceneGraph() const { return m_pSceneGraph; }
    const SBoundingSphere& GetModelSphere() const { return m_ModelSphere; }
    const SAxisAlignedBox& GetModelBox() const { return m_ModelBox; }

protected:
    CSceneGraph* m_pSceneGraph;
    SBoundingSphere m_ModelSphere;
    SAxisAlignedBox m_ModelBox;
    SBoundingSphere m_WorldSphere;
    bool m_bWorldSphereValid;
    SOrientedBox m_WorldBox;
    bool m_bWorldBoxValid;
};

// A representation that shows one model of the model factory at its owner's
// transform. Each kind of object has its own subclass, which passes its
// class name for the "getModel failed" message.
class CModelRep : public IRepresentation
{
public:
    CModelRep();
    // Releases the model, then Detach.
    ~CModelRep() override;

    CVector3 GetPosition() const override;
    CVector3 GetRotation() const override;
    CVector3 GetScale() const override;
    CMatrix4 GetWorldMatrix() override;
    IGameObj* GetOwner() const override { return m_pOwner; }
    // The model's own ray test at the owner's position and rotation; false
    // without a model.
    bool RayIntersection(const CVector3& origin, const CVector3& direction, CVector3& hitPoint,
                         float& distance) override;
    // Draws the model (nothing without one).
    void Render(const CFrustum& frustum, bool cull) override;

    const CRefPtr<COGLModel>& GetModel() const { return m_pModel; }
    void ForgetOwner() override { m_pOwner = nullptr; }

protected:
    // Stores the owner, gets the model by name from the model factory (an
    // empty handle logs "Error: getModel failed in <kind>::Create" to
    // "Error.log" only and gives false), sets up the bounds and, when insert
    // is true, files the representation into the scene graph.
    bool CreateModel(CSceneGraph* sceneGraph, const std::string& modelName, IGameObj* owner, const char* kind,
                     bool insert = true);
    // The model's bounds as Setup takes them.
    static void ModelBounds(const COGLModel& model, SBoundingSphere& sphere, SAxisAlignedBox& box);

    IGameObj* m_pOwner;
    CRefPtr<COGLModel> m_pModel;
};
