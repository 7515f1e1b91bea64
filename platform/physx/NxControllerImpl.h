#pragma once

// Inside of a controller: the sweep shape, inflated by the skin width, and
// what the last move stood on.

#include "platform/physx/NxController.h"

#include <btBulletDynamicsCommon.h>

#include <memory>

namespace plat
{

struct NxController::Impl
{
    std::unique_ptr<btConvexShape> sweepShape;
    // The walkable surface the last move ended on, if any.
    bool grounded = false;
    btVector3 groundNormal{0, 1, 0};
};

} // namespace plat
