#pragma once

// Inside of a controller: the sweep shape, inflated by the skin width.

#include "platform/physx/NxController.h"

#include <btBulletDynamicsCommon.h>

#include <memory>

namespace plat
{

struct NxController::Impl
{
    std::unique_ptr<btConvexShape> sweepShape;
};

} // namespace plat
