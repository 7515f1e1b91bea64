#include "game/CDroppingObj.h"

CDroppingObj::CDroppingObj(CGameCtrl* owner) : CProjectileObj(owner, TYPE_DROPPING, 5, "Data/models/shit.scn")
{
}
