#include "render/CCamera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

const float kBuildPitch = 1.1780972f;

void ExpectNear(const CVector3& a, const CVector3& b, float eps = 1e-5f)
{
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

// Where a world point lands in normalised device coordinates.
CVector3 Project(CCamera& camera, const CVector3& p)
{
    CMatrix4 clip;
    clip.Multiply(camera.GetProjection(), camera.GetView());
    const float* m = clip.m;
    const float x = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
    const float y = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
    const float z = m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14];
    const float w = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15];
    return CVector3(x / w, y / w, z / w);
}

// A cube frustum around the origin: |x|, |y|, |z| <= 10.
CFrustum Cube()
{
    CFrustum f;
    const float n[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int i = 0; i < 6; ++i)
    {
        SPlane p;
        p.a = n[i][0];
        p.b = n[i][1];
        p.c = n[i][2];
        p.d = 10;
        f.SetPlane(i, p);
    }
    return f;
}

SBoundingSphere Sphere(float x, float y, float z, float r)
{
    SBoundingSphere s;
    s.centre = CVector3(x, y, z);
    s.radius = r;
    return s;
}

} // namespace

TEST(Camera, PositionAndRotationAreStoredNegatedAndInvalidateLazily)
{
    CCamera camera;
    EXPECT_FALSE(camera.IsViewValid());
    EXPECT_FALSE(camera.AreAxesValid());
    camera.SetPosition(CVector3(1, 2, 3));
    EXPECT_EQ(camera.GetPosition(), CVector3(1, 2, 3));
    camera.Move(CVector3(1, 1, 1));
    EXPECT_EQ(camera.GetPosition(), CVector3(2, 3, 4));
    camera.SetRotation(CVector3(kBuildPitch, 0, 0));
    EXPECT_EQ(camera.GetViewAngles(), CVector3(-kBuildPitch, 0, 0));

    // Looking down at the build pitch: right stays x, up leans towards -z.
    ExpectNear(camera.GetRight(), CVector3(1, 0, 0));
    ExpectNear(camera.GetUp(), CVector3(0, std::cos(kBuildPitch), -std::sin(kBuildPitch)));
    ExpectNear(camera.GetForward(), CVector3(0, -std::sin(kBuildPitch), -std::cos(kBuildPitch)));
    EXPECT_TRUE(camera.IsViewValid() && camera.AreAxesValid());

    // A move invalidates the view only; the axes stay cached.
    camera.Move(CVector3(0, 0, -5));
    EXPECT_FALSE(camera.IsViewValid());
    EXPECT_TRUE(camera.AreAxesValid());
    // The view maps the camera position to the origin.
    CVector3 p;
    camera.GetView().TransformPoint(p, camera.GetPosition());
    ExpectNear(p, CVector3(0, 0, 0));
    camera.SetRotation(CVector3(0, 0, 0));
    EXPECT_FALSE(camera.AreAxesValid());
    ExpectNear(camera.GetForward(), CVector3(0, 0, -1));
}

TEST(Camera, PickRayThroughTheCentreIsTheForwardAxis)
{
    CCamera camera;
    camera.SetPerspective(1.0471976f, 1.3333334f, 0.01f, 5000.0f);
    camera.SetPosition(CVector3(450, 50, 400));
    camera.SetRotation(CVector3(kBuildPitch, 0, 0));
    CVector3 d;
    camera.GetPickRay(d, 0.5f, 0.5f);
    ExpectNear(d, camera.GetForward());
    EXPECT_NEAR(d.Length(), 1.0f, 1e-6f);

    // Turned about several axes: the centre ray is still the forward axis,
    // and every ray lands on the screen point it was cast through.
    camera.SetRotation(CVector3(0.4f, 1.1f, -0.3f));
    camera.GetPickRay(d, 0.5f, 0.5f);
    ExpectNear(d, camera.GetForward());
    const float uv[][2] = {{0, 0}, {1, 0}, {0.25f, 0.8f}, {1, 1}};
    for (const auto& c : uv)
    {
        camera.GetPickRay(d, c[0], c[1]);
        const CVector3 ndc = Project(camera, camera.GetPosition() + d * 10.0f);
        EXPECT_NEAR(ndc.x, 2 * c[0] - 1, 1e-3f);
        EXPECT_NEAR(ndc.y, -(2 * c[1] - 1), 1e-3f);
    }
}

TEST(Camera, FrustumFollowsTheCameraWithoutApply)
{
    CCamera camera;
    camera.SetPerspective(1.5707964f, 1.0f, 1.0f, 100.0f);
    CFrustum f = camera.GetFrustum();
    // Unit normals pointing inwards.
    for (int i = 0; i < CFrustum::PLANE_COUNT; ++i)
    {
        const SPlane& p = f.GetPlane(i);
        EXPECT_NEAR(std::sqrt(p.a * p.a + p.b * p.b + p.c * p.c), 1.0f, 1e-5f);
        EXPECT_GT(p.Distance(CVector3(0, 0, -50)), 0.0f) << i;
    }
    EXPECT_NEAR(f.GetPlane(CFrustum::PLANE_NEAR).Distance(CVector3(0, 0, -1)), 0.0f, 1e-5f);
    EXPECT_NEAR(f.GetPlane(CFrustum::PLANE_FAR).Distance(CVector3(0, 0, -100)), 0.0f, 1e-3f);
    EXPECT_EQ(f.TestSphere(Sphere(0, 0, -50, 1)), 1);
    EXPECT_EQ(f.TestSphere(Sphere(0, 0, 50, 1)), -1);
    EXPECT_EQ(f.TestSphere(Sphere(0, 0, -1, 2)), 0);

    // Moved and not applied: the planes are those of the new place.
    camera.SetPosition(CVector3(0, 0, 200));
    f = camera.GetFrustum();
    EXPECT_EQ(f.TestSphere(Sphere(0, 0, -50, 1)), -1);
    EXPECT_EQ(f.TestSphere(Sphere(0, 0, 150, 1)), 1);

    // Straddling the left plane and wholly behind the far plane: the sphere
    // test stops at the left plane; the box test then rejects it.
    camera.SetPosition(CVector3(0, 0, 0));
    f = camera.GetFrustum();
    EXPECT_EQ(f.TestSphere(Sphere(-150, 0, -150, 5)), 0);
    SAxisAlignedBox box;
    box.min = CVector3(-155, -5, -155);
    box.max = CVector3(-145, 5, -145);
    EXPECT_FALSE(f.TestBox(box));
}

TEST(Frustum, SphereAndBoxTests)
{
    const CFrustum f = Cube();
    EXPECT_EQ(f.TestSphere(Sphere(0, 0, 0, 5)), 1);
    EXPECT_EQ(f.TestSphere(Sphere(0, 0, 9, 2)), 0);
    EXPECT_EQ(f.TestSphere(Sphere(0, 0, 13, 2)), -1);
    // Touching a plane from outside is not "completely inside".
    EXPECT_EQ(f.TestSphere(Sphere(-12, 0, 0, 2)), 0);
    // Touching from inside is.
    EXPECT_EQ(f.TestSphere(Sphere(-8, 0, 0, 2)), 1);
    // A point on a plane is inside.
    EXPECT_EQ(f.TestSphere(Sphere(10, 0, 0, 0)), 1);

    SAxisAlignedBox box;
    box.min = CVector3(9, 9, 9);
    box.max = CVector3(20, 20, 20);
    EXPECT_TRUE(f.TestBox(box));
    box.min = CVector3(10, -1, -1); // every corner on or beyond x = 10
    EXPECT_FALSE(f.TestBox(box));
    // Conservative: outside, but not behind any single plane.
    box.min = CVector3(11, 11, -1);
    box.max = CVector3(12, 12, 1);
    EXPECT_FALSE(f.TestBox(box));
    box.min = CVector3(-30, -30, 11);
    box.max = CVector3(30, 30, 12);
    EXPECT_FALSE(f.TestBox(box));

    // An oriented box: a diagonal slab reaching into the cube from a corner.
    SOrientedBox obb;
    obb.origin = CVector3(15, 5, 0);
    obb.edges[0] = CVector3(-6, 6, 0);
    obb.edges[1] = CVector3(0, 0, 1);
    obb.edges[2] = CVector3(2, 2, 0);
    EXPECT_TRUE(f.TestOrientedBox(obb));
    obb.origin = CVector3(25, 5, 0);
    EXPECT_FALSE(f.TestOrientedBox(obb));

    // An empty frustum holds nothing.
    EXPECT_FALSE(CFrustum().TestBox(box));
}
