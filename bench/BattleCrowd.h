#pragma once

// The busy battle of the frame benchmarks: birds on bombing runs and dives
// over the town and arrows in flight, kept at their numbers.

#include "game/CAiBirdCtrl.h"
#include "game/CAiKamikazeCtrl.h"
#include "game/CBirdObj.h"
#include "game/CGameCtrl.h"
#include "game/CProjectileObj.h"
#include "game/GameRandom.h"

#include <cstddef>

namespace benchbattle
{

// A random offset within +-range (the game's random source).
inline float Random(float range)
{
    return static_cast<float>(gamerandom::Next() % 2001 - 1000) * 0.001f * range;
}

// Tops the live and pending objects up to `birds` flying birds (every third
// a kamikaze) above the town and `arrows` arrows in flight towards it;
// returns the birds added.
inline size_t TopUp(CGameCtrl& ctrl, const CVector3& town, size_t birds, size_t arrows)
{
    size_t flying = 0, inFlight = 0;
    for (const auto* list : {&ctrl.GetObjects(), &ctrl.GetPendingObjects()})
        for (const CRefPtr<IGameObj>& o : *list)
        {
            if (auto* bird = dynamic_cast<CBirdObj*>(o.Get()))
                flying += bird->GetPhase() == CBirdObj::PHASE_FLYING;
            else if (o->GetType() == IGameObj::TYPE_PROJECTILE)
                inFlight += !static_cast<CProjectileObj*>(o.Get())->GetTarget() && !o->IsDead();
        }
    const size_t added = flying < birds ? birds - flying : 0;
    for (; flying < birds; ++flying)
    {
        CRefPtr<CBirdObj> bird(new CBirdObj(&ctrl, CRefPtr<CObjCallback>()));
        bird->SetPosition(town + CVector3(Random(80), 40 + Random(10), Random(80)));
        if (flying % 3 == 0)
            bird->SetController(CRefPtr<IBirdCtrl>(new CAiKamikazeCtrl(&ctrl)));
        else
            bird->SetController(CRefPtr<IBirdCtrl>(new CAiBirdCtrl(&ctrl)));
        ctrl.AddObject(CRefPtr<IGameObj>(bird.Get()));
    }
    for (; inFlight < arrows; ++inFlight)
    {
        CRefPtr<CProjectileObj> arrow(
            new CProjectileObj(&ctrl, IGameObj::TYPE_PROJECTILE, 4, "Data/models/pfeil.scn"));
        arrow->SetPosition(town + CVector3(Random(10), 3, 50 + Random(10)));
        arrow->SetRotation(CVector3(0.3f + Random(0.2f), Random(0.5f), 0));
        arrow->Launch(arrow->GetForward() * 70.0f);
        ctrl.AddObject(CRefPtr<IGameObj>(arrow.Get()));
    }
    return added;
}

} // namespace benchbattle
