#include "game/CBuildingObj.h"

#include "app/CEngineServices.h"
#include "app/CPhysXMgr.h"
#include "game/CGameCtrl.h"
#include "game/CTerrain.h"

#include <algorithm>

// Placement of a candidate building: the overlap and slope checks and the
// step that makes it solid.

namespace
{
// Every group but the terrain's (0) and 8 blocks a candidate.
const uint32_t kPlacementMask = 0xFFFFFEFEu;
// The most the terrain may rise under a building's lower corners.
const float kMaxSlope = 1.0f;
} // namespace

bool CBuildingObj::GetGroundHeight(float x, float z, float& height) const
{
    if (!m_pOwner || !m_pOwner->GetTerrain())
        return false;
    height = m_pOwner->GetTerrain()->GetHeightAt(x, z);
    return true;
}

void CBuildingObj::CheckPlacement()
{
    SyncBounds();

    SAxisAlignedBox box;
    if (m_pRepresentation)
        box = m_pRepresentation->GetModelBox();
    const CVector3 position = GetPosition();
    const float bounds[6] = {position.x + box.min.x, position.y + box.min.y, position.z + box.min.z,
                             position.x + box.max.x, position.y + box.max.y, position.z + box.max.z};
    CEngineServices* services = CEngineServices::GetInstance();
    CPhysXMgr* physx = services ? services->GetPhysXMgr().Get() : nullptr;
    if (physx && physx->CheckOverlapBox(bounds, kPlacementMask))
    {
        m_iState = STATE_BLOCKED;
        return;
    }

    // The terrain under the corners of the lower half of the world box.
    SOrientedBox world;
    GetBoundingBox(world);
    const CVector3 centre = world.origin + (world.edges[0] + world.edges[1] + world.edges[2]) * 0.5f;
    bool sampled = false;
    float lowest = 0.0f, highest = 0.0f;
    for (int i = 0; i < 8; ++i)
    {
        const CVector3 corner = world.GetCorner(i);
        float height = 0.0f;
        if (corner.y >= centre.y || !GetGroundHeight(corner.x, corner.z, height))
            continue;
        lowest = sampled ? std::min(lowest, height) : height;
        highest = sampled ? std::max(highest, height) : height;
        sampled = true;
    }
    if (sampled && lowest < position.y)
        SetPosition(CVector3(position.x, lowest, position.z));
    m_iState = highest - lowest <= kMaxSlope ? STATE_STANDING : STATE_BLOCKED;
}

bool CBuildingObj::Place()
{
    if (m_iState != STATE_STANDING)
        return false;
    MakeSolid();
    return true;
}

void CBuildingObj::ForcePlace()
{
    m_iState = STATE_STANDING;
    MakeSolid();
}

void CBuildingObj::SyncBounds()
{
    // A candidate is moved and checked (or placed) within one frame: its
    // world bounds must follow the move now, not at the next update.
    if (m_bMoved && m_pRepresentation)
    {
        m_pRepresentation->OnMoved();
        m_bMoved = false;
    }
}

void CBuildingObj::MakeSolid()
{
    SyncBounds();
    if (m_pOwner && m_pOwner->GetTerrain())
        m_pOwner->GetTerrain()->RemoveTreesAt(this);
    SetActor(CreateBoxActor(static_cast<uint8_t>(m_uiGroup), false, 1.0f, "CBuildingObj"));
}
