#include "render/BoundingVolumes.h"

#include "app/CMatrix4.h"
#include "tests/support/VectorNear.h"

#include <gtest/gtest.h>

namespace
{

using testsupport::ExpectVecNear;

TEST(BoundingVolumesTest, ScaleSphereUsesLargestComponent)
{
    SBoundingSphere s;
    s.centre = CVector3(1, 2, 3);
    s.radius = 2.0f;
    const SBoundingSphere out = ScaleSphere(s, CVector3(1, 3, 2));
    EXPECT_EQ(out.centre, CVector3(1, 2, 3));
    EXPECT_EQ(out.radius, 6.0f);
    EXPECT_EQ(ScaleSphere(s, CVector3(0.5f, 0.25f, 0.5f)).radius, 1.0f);
}

TEST(BoundingVolumesTest, RotateBoxWithoutRotationKeepsTheBox)
{
    const SAxisAlignedBox box{CVector3(-1, 0, 2), CVector3(3, 5, 4)};
    const SOrientedBox o = RotateBox(box, CVector3());
    EXPECT_EQ(o.origin, CVector3(-1, 0, 2));
    EXPECT_EQ(o.edges[0], CVector3(4, 0, 0));
    EXPECT_EQ(o.edges[1], CVector3(0, 5, 0));
    EXPECT_EQ(o.edges[2], CVector3(0, 0, 2));
    EXPECT_EQ(o.GetCorner(0), box.min);
    EXPECT_EQ(o.GetCorner(7), box.max);
    EXPECT_EQ(o.GetCorner(5), CVector3(3, 0, 4));
}

TEST(BoundingVolumesTest, RotatedBoxCornersAreTheRotatedCorners)
{
    const SAxisAlignedBox box{CVector3(-1, 0, 2), CVector3(3, 5, 4)};
    const CVector3 angles(0.3f, 1.1f, -0.6f);
    const SOrientedBox o = RotateBox(box, angles);
    CMatrix4 r;
    r.SetRotation(angles);
    for (int i = 0; i < 8; ++i)
    {
        const CVector3 local((i & 1) ? box.max.x : box.min.x, (i & 2) ? box.max.y : box.min.y,
                             (i & 4) ? box.max.z : box.min.z);
        CVector3 expect;
        r.TransformPoint(expect, local);
        ExpectVecNear(o.GetCorner(i), expect);
    }
    // A quarter turn of yaw maps the x edge onto +z (and -z, the forward
    // direction, onto +x).
    const SOrientedBox q = RotateBox(box, CVector3(0, 1.5707964f, 0));
    ExpectVecNear(q.edges[0], CVector3(0, 0, 4));
}

TEST(BoundingVolumesTest, TranslateBoxMovesOnlyTheOrigin)
{
    SOrientedBox o;
    o.origin = CVector3(1, 1, 1);
    o.edges[0] = CVector3(1, 2, 3);
    o.edges[2] = CVector3(0, 0, 9);
    const SOrientedBox t = TranslateBox(o, CVector3(10, -1, 0.5f));
    EXPECT_EQ(t.origin, CVector3(11, 0, 1.5f));
    EXPECT_EQ(t.edges[0], o.edges[0]);
    EXPECT_EQ(t.edges[1], o.edges[1]);
    EXPECT_EQ(t.edges[2], o.edges[2]);
}

} // namespace
