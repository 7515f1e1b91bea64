#pragma once

#include "game/CProjectileObj.h"

// A bird's dropping: an arrow of another model (type 6, group 5) that
// damages the building it sticks in.
class CDroppingObj : public CProjectileObj
{
public:
    explicit CDroppingObj(CGameCtrl* owner);
};
