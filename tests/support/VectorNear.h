#pragma once

#include "app/CVector3.h"

#include <gtest/gtest.h>

namespace testsupport
{

// Expects each component of v within eps of the same component of w.
inline void ExpectVecNear(const CVector3& v, const CVector3& w, float eps = 1e-5f)
{
    EXPECT_NEAR(v.x, w.x, eps);
    EXPECT_NEAR(v.y, w.y, eps);
    EXPECT_NEAR(v.z, w.z, eps);
}

} // namespace testsupport
