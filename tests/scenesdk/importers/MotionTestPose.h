#pragma once

// Shared by the motion reader tests: the expected transforms are built here
// with column vectors (p' = M p) and textbook axis turns, apart from the
// SDK's own (row-vector) maths, and compared with what the scene's nodes
// evaluate once posed at a time of a take.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/animation/KTime.h"
#include "scenesdk/kernel/KScnNode.h"

#include <gtest/gtest.h>

#include <cmath>

namespace motiontest
{

struct M4
{
    double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

inline M4 operator*(const M4& a, const M4& b)
{
    M4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
        {
            r.m[i][j] = 0.0;
            for (int k = 0; k < 4; ++k)
                r.m[i][j] += a.m[i][k] * b.m[k][j];
        }
    return r;
}

inline M4 Translate(double x, double y, double z)
{
    M4 r;
    r.m[0][3] = x;
    r.m[1][3] = y;
    r.m[2][3] = z;
    return r;
}

// A right-handed turn about axis 0 (x), 1 (y) or 2 (z) by degrees.
inline M4 Turn(int axis, double degrees)
{
    const double a = degrees * 3.14159265358979323846 / 180.0;
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    M4 r;
    r.m[i][i] = std::cos(a);
    r.m[i][j] = -std::sin(a);
    r.m[j][i] = std::sin(a);
    r.m[j][j] = std::cos(a);
    return r;
}

// The node's global transform in column form (the SDK stores the transpose).
inline M4 GlobalOf(scenesdk::KScnNode* node)
{
    const double* g = node->ComputeGlobalTransform();
    M4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = g[4 * j + i];
    return r;
}

inline void ExpectNear(const M4& actual, const M4& expected, double eps)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(actual.m[i][j], expected.m[i][j], eps) << "element " << i << ", " << j;
}

// Makes the take current on the node and its subtree and sets every keyed
// transform curve's default value (what a node evaluates) to its value at time.
inline void PoseAt(scenesdk::KScnNode* node, const char* take, scenesdk::KTime time)
{
    node->SelectTakeNodeByName(take);
    if (scenesdk::KScnTakeNodeEntry* entry = node->GetCurrentTakeNode())
    {
        scenesdk::KFCurve* curves[] = {
            entry->GetTranslationXCurve(), entry->GetTranslationYCurve(), entry->GetTranslationZCurve(),
            entry->GetRotationXCurve(),    entry->GetRotationYCurve(),    entry->GetRotationZCurve(),
            entry->GetScalingXCurve(),     entry->GetScalingYCurve(),     entry->GetScalingZCurve()};
        for (scenesdk::KFCurve* curve : curves)
            if (curve != nullptr && curve->GetKeyCount() > 0)
                curve->SetDefaultValue(curve->Evaluate(time));
    }
    for (int i = 0; i < node->GetChildCount(); ++i)
        PoseAt(node->GetChild(i), take, time);
}

inline scenesdk::KTime Frame(int64_t frame, int mode)
{
    return scenesdk::KTime(frame * scenesdk::KTime::GetTicksPerFrame(mode));
}

} // namespace motiontest
