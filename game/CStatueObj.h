#pragma once

#include "game/CBuildingObj.h"
#include "game/CObjCallback.h"

// The town's statue next to the start platform (400 health, worth 100). Its
// fall loses the game: each hit reports the remaining health as a
// percentage through the damaged callback, and the step into ruins calls the
// destroyed callback, once.
class CStatueObj : public CBuildingObj
{
public:
    // Either callback may be empty.
    CStatueObj(CGameCtrl* owner, CRefPtr<CObjCallback> destroyed, CRefPtr<CObjCallback> damaged);

    // A negative health becomes 0; the damaged callback gets trunc(h / 4)
    // (the percentage of 400); the destroyed callback follows on the step
    // into ruins only.
    void SetHealth(float health) override;
    // The health as a whole percentage of 400 (truncated), as the damaged
    // callback reports it.
    uint32_t GetPercent() const;

private:
    CRefPtr<CObjCallback> m_pDestroyed;
    CRefPtr<CObjCallback> m_pDamaged;
};
