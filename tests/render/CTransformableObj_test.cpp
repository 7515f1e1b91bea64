#include "render/CTransformableObj.h"

#include "tests/support/TempDir.h"
#include "tests/support/VectorNear.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{

using testsupport::ExpectVecNear;

TEST(CTransformableObjTest, NewObjectIsIdentityLookingDownMinusZ)
{
    CTransformableObj o;
    EXPECT_EQ(o.GetScale(), CVector3(1, 1, 1));
    EXPECT_EQ(o.GetWorldMatrix(), CMatrix4());
    EXPECT_EQ(o.GetForward(), CVector3(0, 0, -1));
    EXPECT_EQ(o.GetRight(), CVector3(1, 0, 0));
    EXPECT_EQ(o.GetUp(), CVector3(0, 1, 0));
}

TEST(CTransformableObjTest, WorldIsTranslationRotationScaleAndAxesCarryScale)
{
    CTransformableObj o;
    const CVector3 pos(3, -1, 2), rot(0.2f, -0.7f, 0.4f), scale(2, 3, 0.5f);
    o.SetPosition(pos);
    o.SetRotation(rot);
    o.SetScale(scale);
    CMatrix4 t, r, s;
    t.SetTranslation(pos);
    r.SetRotation(rot);
    s.SetScale(scale);
    const CMatrix4 expect = t * r * s;
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(o.GetWorldMatrix().m[i], expect.m[i], 1e-6f) << i;
    ExpectVecNear(o.GetRight(), r.GetColumn(0) * 2.0f);
    ExpectVecNear(o.GetUp(), r.GetColumn(1) * 3.0f);
    ExpectVecNear(o.GetForward(), -r.GetColumn(2) * 0.5f);
    o.Translate(CVector3(1, 1, 1));
    EXPECT_EQ(o.GetPosition(), CVector3(4, 0, 3));
    EXPECT_EQ(o.GetWorldMatrix().GetTranslation(), CVector3(4, 0, 3));
}

TEST(CTransformableObjTest, ValidityFlags)
{
    CTransformableObj o;
    EXPECT_EQ(o.GetForward(), CVector3(0, 0, -1));
    // Scale invalidates only the matrix: the axes keep the old scale ...
    o.SetScale(CVector3(2, 2, 2));
    EXPECT_EQ(o.GetForward(), CVector3(0, 0, -1));
    // ... until a rebuild, which refreshes both.
    EXPECT_EQ(o.GetWorldMatrix().m[0], 2.0f);
    EXPECT_EQ(o.GetForward(), CVector3(0, 0, -2));
    // Rotation invalidates both.
    o.SetRotation(CVector3(0, 1.5707964f, 0));
    ExpectVecNear(o.GetRight(), CVector3(0, 0, 2));
    // Yaw by +90 degrees turns -z towards +x.
    ExpectVecNear(o.GetForward(), CVector3(2, 0, 0));
}

TEST(CTransformableObjTest, PitchClampsYawAndRollWrapOnce)
{
    CTransformableObj o;
    o.Pitch(2.0f);
    EXPECT_EQ(o.GetRotation().x, 1.5707964f);
    o.Pitch(-4.0f);
    EXPECT_EQ(o.GetRotation().x, -1.5707964f);
    o.Yaw(7.0f);
    EXPECT_FLOAT_EQ(o.GetRotation().y, 7.0f - 6.2831855f);
    o.SetRotation(CVector3());
    o.Yaw(13.0f);
    EXPECT_FLOAT_EQ(o.GetRotation().y, 13.0f - 6.2831855f);
    o.Roll(-7.0f);
    EXPECT_FLOAT_EQ(o.GetRotation().z, -7.0f + 6.2831855f);
    o.Roll(1.0f);
    EXPECT_FLOAT_EQ(o.GetRotation().z, -6.0f + 6.2831855f);
    // Each turn clears the axes.
    CTransformableObj p;
    EXPECT_EQ(p.GetForward(), CVector3(0, 0, -1));
    p.Yaw(1.5707964f);
    ExpectVecNear(p.GetForward(), CVector3(1, 0, 0));
}

TEST(CTransformableObjTest, TurnToFacesTheTarget)
{
    CTransformableObj o;
    o.SetPosition(CVector3(1, 2, 3));
    const CVector3 target(4, 6, -9);
    o.TurnTo(target);
    const CVector3 dir = (target - o.GetPosition()).Normalized();
    ExpectVecNear(o.GetForward(), dir);
    ExpectVecNear(o.GetRight(), dir.Cross(CVector3(0, 1, 0)).Normalized());
    EXPECT_NEAR(o.GetUp().Dot(dir), 0.0f, 1e-6f);
    EXPECT_NEAR(o.GetRight().y, 0.0f, 1e-6f); // no roll

    // The Euler angles describe the same orientation: a rebuild keeps it.
    o.SetPosition(CVector3(1, 2, 3));
    ExpectVecNear(o.GetForward(), dir);
}

TEST(CTransformableObjTest, TurnToStraightUpUsesTheZAuxiliary)
{
    CTransformableObj o;
    o.TurnTo(CVector3(0, 10, 0));
    ExpectVecNear(o.GetForward(), CVector3(0, 1, 0));
    ExpectVecNear(o.GetRight(), CVector3(1, 0, 0));
    ExpectVecNear(o.GetUp(), CVector3(0, 0, 1));
    o.UpdateMatrix();
    ExpectVecNear(o.GetForward(), CVector3(0, 1, 0));
    ExpectVecNear(o.GetUp(), CVector3(0, 0, 1));

    o.TurnTo(CVector3(0, -10, 0));
    ExpectVecNear(o.GetForward(), CVector3(0, -1, 0));
    ExpectVecNear(o.GetRight(), CVector3(-1, 0, 0));
    ExpectVecNear(o.GetUp(), CVector3(0, 0, 1));
    // Rebuilt from the Euler angles: the same basis, no flip.
    o.UpdateMatrix();
    ExpectVecNear(o.GetForward(), CVector3(0, -1, 0));
    ExpectVecNear(o.GetRight(), CVector3(-1, 0, 0));
    ExpectVecNear(o.GetUp(), CVector3(0, 0, 1));
}

TEST(CTransformableObjTest, TurnToCloseTargetChangesNothing)
{
    CTransformableObj o;
    o.SetRotation(CVector3(0.1f, 0.2f, 0.3f));
    const CMatrix4 before = o.GetWorldMatrix();
    o.TurnTo(CVector3(0.0005f, 0, 0));
    EXPECT_EQ(o.GetRotation(), CVector3(0.1f, 0.2f, 0.3f));
    EXPECT_EQ(o.GetWorldMatrix(), before);
}

TEST(CTransformableObjTest, TurnToKeepsTheScaleInTheMatrix)
{
    CTransformableObj o;
    o.SetPosition(CVector3(5, 0, 0));
    o.SetScale(CVector3(2, 3, 4));
    o.TurnTo(CVector3(5, 0, 10)); // look along +z
    const CMatrix4 turned = o.GetWorldMatrix();
    // A point one unit in front in model space lands 4 units towards the target.
    CVector3 p;
    turned.TransformPoint(p, CVector3(0, 0, -1));
    ExpectVecNear(p, CVector3(5, 0, 4));
    ExpectVecNear(turned.GetColumn(1), CVector3(0, 3, 0));
    // The same matrix as a rebuild from the new angles.
    o.UpdateMatrix();
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(o.GetWorldMatrix().m[i], turned.m[i], 1e-5f) << i;
    // The axes after TurnTo are unit vectors.
    o.TurnTo(CVector3(5, 0, 10));
    EXPECT_NEAR(o.GetForward().Length(), 1.0f, 1e-6f);
}

TEST(CTransformableObjTest, LookAtOnlyLogs)
{
    testsupport::TempDir dir;
    CTransformableObj o;
    o.SetRotation(CVector3(0.5f, 0, 0));
    testing::internal::CaptureStderr();
    o.LookAt(CVector3(1, 1, 1));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: CTransformableObj::LookAt not implemented\n");
    EXPECT_EQ(o.GetRotation(), CVector3(0.5f, 0, 0));
}

} // namespace
