#pragma once

#include "app/CMatrix4.h"
#include "game/ICollidableObj.h"
#include "game/IRepresentation.h"
#include "render/COGLGlobalRenderSettings.h"

#include <cstdint>
#include <string>

class CBuildingObj;

// The scene-graph entry of a building. It draws the model while the
// building stands, the shared ruin model (scaled down so that the ruins never
// exceed the building's box) once it is destroyed, and the model red and
// stippled while it is a candidate at a blocked spot.
class CBuildingRep : public CModelRep
{
public:
    CBuildingRep();
    ~CBuildingRep() override;

    // Gets the model and the ruin model from the model factory and files the
    // representation into the scene graph. False (logged) without the model.
    // Without the ruin model the building still works: the ruin scale is 1
    // and nothing is drawn for its ruins (logged here, once).
    bool Create(CSceneGraph* sceneGraph, const std::string& modelName, CBuildingObj* owner);
    // Draws by the owner's state (see above).
    void Render(const CFrustum& frustum, bool cull) override;

    const CRefPtr<COGLModel>& GetRuinModel() const { return m_pRuinModel; }
    // The uniform scale of the ruin model: at most 1.
    float GetRuinScale() const { return m_fRuinScale; }

private:
    CBuildingObj* m_pBuilding;
    CRefPtr<COGLModel> m_pRuinModel;
    CRefPtr<COGLGlobalRenderSettings> m_pRenderSettings;
    CMatrix4 m_RuinMatrix;
    float m_fRuinScale;
};

// A building of the town (house, market stall, church, toilet; the statue
// and the towers derive from it). It starts as a placement candidate that
// follows the mouse: CheckPlacement after each move says whether it may
// stand there, Place makes it solid (a static box in its collision group).
// A standing building takes damage from birds (30 a contact while the bird
// is alive) and droppings (10); at zero health it turns to ruins: the next
// update tells its observers and drops its physics body. At the level end a
// standing building pays value x health / maxHealth into score and gold, and
// ruins are removed.
class CBuildingObj : public ICollidableObj
{
public:
    enum
    {
        STATE_STANDING = 0, // also: a candidate at a free spot
        STATE_BLOCKED = 1,  // a candidate at a refused spot (after construction)
        STATE_DESTROYED = 2
    };

    // The model is a model-factory name; group is the physics collision
    // group of the placed body (3 for houses and the statue, 6 for towers).
    // A maximum health at or below 0 makes the building ruins at once.
    CBuildingObj(CGameCtrl* owner, const std::string& model, float maxHealth, float value, uint32_t group);

    // Damage by the other object's type (see above).
    void OnHit(IGameObj* other) override;
    // Pays back a standing building; kills ruins.
    void OnLevelEnd() override;
    // health = h; at or below 0 the building is destroyed (state 2) and its
    // observers are told at the next update.
    virtual void SetHealth(float health);
    // Recomputes a candidate's state at its position: blocked when a shape
    // of any group but the terrain's (and group 8) overlaps the unrotated
    // model box there, or when the terrain under the lower box corners
    // differs by more than 1.0; otherwise standing. The candidate is lowered
    // onto the lowest terrain sample.
    void CheckPlacement();
    // Makes a standing candidate solid: removes the trees under it and adds
    // its static body. False, and nothing done, in any other state.
    bool Place();
    // Makes the building solid whatever its state (the statue of the level
    // set-up, whose spot must never stay empty): state 0, then as Place.
    void ForcePlace();

    int GetState() const { return m_iState; }
    float GetHealth() const { return m_fHealth; }
    float GetMaxHealth() const { return m_fMaxHealth; }
    float GetValue() const { return m_fValue; }
    uint32_t GetGroup() const { return m_uiGroup; }

protected:
    // Tells the observers and drops the body once the building is destroyed.
    void OnUpdate(float dt) override;
    // The ground height at world (x, z) from the game's terrain; false when
    // there is no terrain.
    virtual bool GetGroundHeight(float x, float z, float& height) const;

    int m_iState;
    uint32_t m_uiGroup;
    float m_fMaxHealth;
    float m_fHealth;
    float m_fValue;
    bool m_bDestroyedPending;

private:
    void SyncBounds();
    void MakeSolid();
};
