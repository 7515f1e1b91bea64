#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnSceneCameraSettings.h"
#include "scenesdk/attributes/KScnSceneLightSettings.h"
#include "scenesdk/attributes/KScnSceneTimeSettings.h"

#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scenesdk;

TEST(SceneTimeSettings, DefaultsAndGlobalFallbacks)
{
    KScnSceneTimeSettings s;
    EXPECT_EQ(s.GetTimeMode(), 6);
    EXPECT_EQ(s.GetTimeFormat(), 1);
    EXPECT_EQ(s.GetSnapOnFrames(), 0);
    EXPECT_EQ(s.GetTimeMarkerCount(), 0);
    EXPECT_EQ(s.GetCurrentTimeMarker(), -1);

    s.SetTimeMode(0);
    const int global = KScnSceneTimeSettings::GlobalTimeMode();
    EXPECT_EQ(s.GetTimeMode(), global != 0 ? global : 6);
    s.SetTimeMode(3);
    EXPECT_EQ(s.GetTimeMode(), 3);
    s.SetTimeFormat(2);
    const int format = KScnSceneTimeSettings::GlobalTimeFormat();
    EXPECT_EQ(s.GetTimeFormat(), format != 2 ? format : 1);
    s.SetTimeFormat(0);
    EXPECT_EQ(s.GetTimeFormat(), 0);
    s.SetSnapOnFrames(2);
    s.RestoreDefaults();
    EXPECT_EQ(s.GetTimeMode(), 6);
    EXPECT_EQ(s.GetTimeFormat(), 1);
    EXPECT_EQ(s.GetSnapOnFrames(), 0);
}

TEST(SceneTimeSettings, MarkersAndCurrentMarker)
{
    KScnSceneTimeSettings s;
    EXPECT_FALSE(s.SetCurrentTimeMarker(0));
    EXPECT_EQ(s.GetError().GetLastErrorID(), 0);
    EXPECT_STREQ(s.GetError().GetLastErrorString(), "Index out of range.");
    EXPECT_EQ(s.GetCurrentTimeMarker(), -1);

    KScnSceneTimeMarker start("Start", KTime(0), false);
    KScnSceneTimeMarker loop("Loop", KTime(KTime::kOneSecond), true);
    s.AddTimeMarker(start);
    s.AddTimeMarker(loop);
    loop.mName = "Changed"; // the settings hold copies
    ASSERT_EQ(s.GetTimeMarkerCount(), 2);
    EXPECT_STREQ(s.GetTimeMarker(1)->mName.Buffer(), "Loop");
    EXPECT_TRUE(s.GetTimeMarker(1)->mLoop);
    EXPECT_EQ(s.GetTimeMarker(1)->mTime, KTime(KTime::kOneSecond));
    EXPECT_EQ(s.GetTimeMarker(2), nullptr);
    EXPECT_EQ(s.GetTimeMarker(-1), nullptr);

    EXPECT_TRUE(s.SetCurrentTimeMarker(1));
    EXPECT_EQ(s.GetCurrentTimeMarker(), 1);
    EXPECT_FALSE(s.SetCurrentTimeMarker(2));
    EXPECT_FALSE(s.SetCurrentTimeMarker(-1));
    EXPECT_EQ(s.GetCurrentTimeMarker(), 1);
    s.RestoreDefaults();
    EXPECT_EQ(s.GetTimeMarkerCount(), 0);
    EXPECT_EQ(s.GetCurrentTimeMarker(), -1);
}

TEST(SceneLightSettings, Defaults)
{
    KScnSceneLightSettings s;
    EXPECT_EQ(s.GetAmbientColor(), KColorRGBA(0.4, 0.4, 0.4, 0.0));
    EXPECT_EQ(s.GetFogColor(), KColorRGBA(1.0, 1.0, 1.0, 0.0));
    EXPECT_FALSE(s.GetFogEnable());
    EXPECT_EQ(s.GetFogMode(), 0);
    EXPECT_DOUBLE_EQ(s.GetFogStart(), 0.3);
    EXPECT_DOUBLE_EQ(s.GetFogEnd(), 1000.0);
    EXPECT_DOUBLE_EQ(s.GetFogDensity(), 0.002);
    EXPECT_FALSE(s.GetShadowEnable());
    EXPECT_DOUBLE_EQ(s.GetShadowIntensity(), 0.0);
    EXPECT_EQ(s.GetShadowPlaneCount(), 0);
}

TEST(SceneLightSettings, FogRangeStaysOrdered)
{
    KScnSceneLightSettings s;
    s.SetFogStart(2000.0);
    EXPECT_DOUBLE_EQ(s.GetFogStart(), 1000.0);
    s.SetFogStart(-5.0);
    EXPECT_DOUBLE_EQ(s.GetFogStart(), 0.0);
    s.SetFogStart(0.3);
    s.SetFogEnd(0.1);
    EXPECT_DOUBLE_EQ(s.GetFogEnd(), 0.3);
    s.SetFogEnd(50.0);
    EXPECT_DOUBLE_EQ(s.GetFogEnd(), 50.0);
    s.SetFogStart(std::nan(""));
    EXPECT_DOUBLE_EQ(s.GetFogStart(), 0.0);
}

TEST(SceneLightSettings, ClampsColoursAndShadowIntensity)
{
    KScnSceneLightSettings s;
    s.SetShadowIntensity(500.0);
    EXPECT_DOUBLE_EQ(s.GetShadowIntensity(), 300.0);
    s.SetShadowIntensity(-1.0);
    EXPECT_DOUBLE_EQ(s.GetShadowIntensity(), 0.0);
    s.SetShadowIntensity(std::nan(""));
    EXPECT_DOUBLE_EQ(s.GetShadowIntensity(), 0.0);
    s.SetShadowIntensity(75.0);
    EXPECT_DOUBLE_EQ(s.GetShadowIntensity(), 75.0);
    s.SetAmbientColor(KColorRGBA(1.5, -0.5, 0.25, 2.0));
    EXPECT_EQ(s.GetAmbientColor(), KColorRGBA(1.0, 0.0, 0.25, 1.0));
    s.SetFogColor(KColorRGBA(-1.0, 0.5, 3.0, 0.5));
    EXPECT_EQ(s.GetFogColor(), KColorRGBA(0.0, 0.5, 1.0, 0.5));
    s.SetFogEnable(true);
    s.SetShadowEnable(true);
    s.SetFogMode(2);
    s.SetFogDensity(0.5);
    s.RestoreDefaults();
    EXPECT_FALSE(s.GetFogEnable());
    EXPECT_FALSE(s.GetShadowEnable());
    EXPECT_EQ(s.GetFogMode(), 0);
    EXPECT_DOUBLE_EQ(s.GetFogDensity(), 0.002);
    EXPECT_EQ(s.GetAmbientColor(), KColorRGBA(0.4, 0.4, 0.4, 0.0));
}

TEST(SceneLightSettings, ShadowPlanes)
{
    KScnShadowPlane plane;
    EXPECT_TRUE(plane.mEnable);
    EXPECT_EQ(plane.mOrigin, KgeTVector(0, 0, 0, 0));
    EXPECT_EQ(plane.mNormal, KgeTVector(0, 1, 0, 0));

    KScnSceneLightSettings s;
    EXPECT_EQ(s.AddShadowPlane(plane), 0);
    plane.mEnable = false;
    plane.mOrigin = KgeTVector(1, 2, 3, 0);
    EXPECT_EQ(s.AddShadowPlane(plane), 1);
    plane.mOrigin = KgeTVector(9, 9, 9, 0);
    ASSERT_EQ(s.GetShadowPlaneCount(), 2);
    EXPECT_TRUE(s.GetShadowPlane(0)->mEnable);
    EXPECT_FALSE(s.GetShadowPlane(1)->mEnable);
    EXPECT_EQ(s.GetShadowPlane(1)->mOrigin, KgeTVector(1, 2, 3, 0));
    EXPECT_EQ(s.GetShadowPlane(2), nullptr);
    s.RestoreDefaults();
    EXPECT_EQ(s.GetShadowPlaneCount(), 0);
}

class SceneCameraSettings : public ::testing::Test
{
protected:
    KScnSdkManager mManager;
};

TEST_F(SceneCameraSettings, ProducerCamerasArePlaced)
{
    KScnSceneContents contents(&mManager);
    KScnNode* root = contents.GetRootNode();
    KScnSceneCameraSettings s(&mManager, &contents);
    EXPECT_STREQ(s.GetDefaultCamera(), "Producer Perspective");
    EXPECT_EQ(s.GetDefaultViewingMode(), 0);
    struct Expected
    {
        KScnCamera* camera;
        int projection;
        double nearPlane, farPlane;
        KgeTVector position, up;
    } expected[] = {
        {s.GetProducerPerspective(), 0, 10.0, 4000.0, KgeTVector(0, 71.3, 287.5, 1), KgeTVector(0, 1, 0, 1)},
        {s.GetProducerTop(), 1, 1.0, 30000.0, KgeTVector(0, 4000, 0, 1), KgeTVector(0, 0, -1, 1)},
        {s.GetProducerBottom(), 1, 1.0, 30000.0, KgeTVector(0, -4000, 0, 1), KgeTVector(0, 0, -1, 1)},
        {s.GetProducerFront(), 1, 1.0, 30000.0, KgeTVector(0, 0, 4000, 1), KgeTVector(0, 1, 0, 1)},
        {s.GetProducerBack(), 1, 1.0, 30000.0, KgeTVector(0, 0, -4000, 1), KgeTVector(0, 1, 0, 1)},
        {s.GetProducerRight(), 1, 1.0, 30000.0, KgeTVector(4000, 0, 0, 1), KgeTVector(0, 1, 0, 1)},
        {s.GetProducerLeft(), 1, 1.0, 30000.0, KgeTVector(-4000, 0, 0, 1), KgeTVector(0, 1, 0, 1)},
    };
    const char* names[] = {"Producer Perspective", "Producer Top",   "Producer Bottom", "Producer Front",
                           "Producer Back",        "Producer Right", "Producer Left"};
    // 40 degrees over the vertical 0.612 in film back.
    const double focal = 0.612 * 25.4 / (2.0 * std::tan(20.0 * 3.14159265358979323846 / 180.0));
    for (int i = 0; i < 7; ++i)
    {
        const Expected& e = expected[i];
        ASSERT_NE(e.camera, nullptr);
        KScnNode* node = s.GetProducerNode(i);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->GetNodeAttribute(), e.camera);
        EXPECT_FALSE(node->GetVisibility());
        EXPECT_STREQ(KScnSceneCameraSettings::GetProducerName(i), names[i]);
        EXPECT_EQ(root->FindChild(names[i], true), nullptr); // not part of the scene's tree
        EXPECT_EQ(e.camera->GetProjectionType(), e.projection) << i;
        EXPECT_DOUBLE_EQ(e.camera->GetProperties()->NearPlane.GetValue(), e.nearPlane) << i;
        EXPECT_DOUBLE_EQ(e.camera->GetProperties()->FarPlane.GetValue(), e.farPlane) << i;
        EXPECT_NEAR(e.camera->GetFocalLength(), focal, 1e-9);
        KgeTVector t;
        node->GetLocalTranslation(t);
        for (int c = 0; c < 3; ++c)
        {
            EXPECT_DOUBLE_EQ(t[c], e.position[c]) << i;
        }
        EXPECT_EQ(e.camera->GetUpVector(), e.up) << i;
    }
    EXPECT_EQ(s.GetProducerNode(7), nullptr);
    EXPECT_EQ(KScnSceneCameraSettings::GetProducerName(-1), nullptr);
}

TEST_F(SceneCameraSettings, DefaultCameraNames)
{
    KScnSceneContents contents(&mManager);
    KScnNode* root = contents.GetRootNode();
    KScnNode* child = mManager.CreateNode("Group");
    KScnNode* shot = mManager.CreateNode("ShotCam");
    root->AddChild(child);
    child->AddChild(shot);
    KScnSceneCameraSettings s(&mManager, &contents);

    EXPECT_TRUE(s.SetDefaultCamera("Camera Switcher"));
    EXPECT_STREQ(s.GetDefaultCamera(), "Camera Switcher");
    EXPECT_TRUE(s.SetDefaultCamera("Producer Left"));
    EXPECT_TRUE(s.SetDefaultCamera("ShotCam"));
    EXPECT_STREQ(s.GetDefaultCamera(), "ShotCam");

    EXPECT_FALSE(s.SetDefaultCamera("Nowhere"));
    EXPECT_EQ(s.GetError().GetLastErrorID(), 1);
    EXPECT_STREQ(s.GetError().GetLastErrorString(), "Unknown camera name.");
    EXPECT_STREQ(s.GetDefaultCamera(), "ShotCam");
    EXPECT_FALSE(s.SetDefaultCamera("producer left")); // case matters
    EXPECT_FALSE(s.SetDefaultCamera(nullptr));
    EXPECT_EQ(s.GetError().GetLastErrorID(), 0);
    EXPECT_STREQ(s.GetError().GetLastErrorString(), "Null parameter.");
    EXPECT_STREQ(s.GetDefaultCamera(), "ShotCam");

    s.SetDefaultViewingMode(2);
    s.RestoreDefaults();
    EXPECT_STREQ(s.GetDefaultCamera(), "Producer Perspective");
    EXPECT_EQ(s.GetDefaultViewingMode(), 0);

    KScnSceneCameraSettings sceneless(&mManager, nullptr);
    EXPECT_FALSE(sceneless.SetDefaultCamera("ShotCam"));
    EXPECT_TRUE(sceneless.SetDefaultCamera("Producer Top"));
}

TEST_F(SceneCameraSettings, CopyProducerCameraByName)
{
    KScnSceneCameraSettings s(&mManager, nullptr);
    KScnFree<KScnCamera> source(&mManager);
    source.SetFocusDistance(321.0);
    source.SetFormat(5);
    s.CopyProducerCamera("Producer Bottom", &source);
    EXPECT_DOUBLE_EQ(s.GetProducerBottom()->GetProperties()->FocusDistance.GetValue(), 321.0);
    EXPECT_EQ(s.GetProducerBottom()->GetProperties()->CameraFormat.GetValue(), 5);
    // The source is detached: the producer's position becomes (0, 0, 0).
    KgeTVector t;
    s.GetProducerNode(KScnSceneCameraSettings::eBottom)->GetLocalTranslation(t);
    EXPECT_DOUBLE_EQ(t[1], 0.0);
    EXPECT_DOUBLE_EQ(s.GetProducerTop()->GetProperties()->FocusDistance.GetValue(), 200.0);

    source.SetFocusDistance(5.0);
    s.CopyProducerCamera("", &source);
    s.CopyProducerCamera(nullptr, &source);
    s.CopyProducerCamera("Producer Top", nullptr);
    s.CopyProducerCamera("Somebody", &source);
    for (KScnCamera* cam : {s.GetProducerPerspective(), s.GetProducerTop(), s.GetProducerFront(),
                            s.GetProducerBack(), s.GetProducerRight(), s.GetProducerLeft()})
    {
        EXPECT_DOUBLE_EQ(cam->GetProperties()->FocusDistance.GetValue(), 200.0);
    }
}

TEST_F(SceneCameraSettings, ManagerDestroyedFirstIsTolerated)
{
    auto manager = std::make_unique<KScnSdkManager>();
    auto settings = std::make_unique<KScnSceneCameraSettings>(manager.get(), nullptr);
    EXPECT_EQ(manager->GetNodeAttributeCount(), 7); // the cameras are the manager's
    manager->DestroyAllObjects();
    EXPECT_EQ(manager->GetNodeAttributeCount(), 0);
    settings.reset(); // touches nothing the manager destroyed
}

TEST(SceneCameraSettingsAlone, WorksWithoutAManager)
{
    KScnSceneCameraSettings s(nullptr, nullptr);
    KScnNode* node = s.GetProducerNode(KScnSceneCameraSettings::eRight);
    ASSERT_NE(node, nullptr);
    EXPECT_STREQ(node->GetName(), "Model::Producer Right");
    KgeTVector t;
    node->GetLocalTranslation(t);
    EXPECT_DOUBLE_EQ(t[0], 4000.0);
}
