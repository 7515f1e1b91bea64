#include "scenesdk/attributes/KScnCamera.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace scenesdk;

namespace
{

double Prop(KScnCamera& cam, const char* name)
{
    KProperty* p = cam.GetProperties()->FindProperty(name);
    EXPECT_NE(p, nullptr) << name;
    return p != nullptr ? p->GetDouble() : -12345.0;
}

int IntProp(KScnCamera& cam, const char* name)
{
    KProperty* p = cam.GetProperties()->FindProperty(name);
    EXPECT_NE(p, nullptr) << name;
    return p != nullptr ? p->GetInt() : -12345;
}

const double kPi = 3.14159265358979323846;

} // namespace

TEST(Camera, KindAndTypeNames)
{
    KScnFree<KScnCamera> cam;
    EXPECT_EQ(cam.GetAttributeKind(), 7);
    EXPECT_STREQ(cam.GetTypeName().Buffer(), "Camera");
    KStringList names = cam.GetTypeNameList();
    ASSERT_EQ(names.GetCount(), 1);
    EXPECT_STREQ(names.GetStringAt(0), "Camera");
    KScnCameraProperties* set = cam.GetProperties();
    EXPECT_STREQ(set->GetClassName(), "KScnCameraProperties");
    EXPECT_TRUE(set->IsA(KObject::ClassId));
}

TEST(Camera, PropertyListOrderInterleavesChannels)
{
    const char* const expected[] = {"Roll",
                                    "FieldOfView",
                                    "FieldOfViewX",
                                    "FieldOfViewY",
                                    "OpticalCenterX",
                                    "OpticalCenterY",
                                    "BackgroundColor",
                                    "TurnTable",
                                    "DisplayTurnTableIcon",
                                    "Motion Blur Intensity",
                                    "UseMotionBlur",
                                    "UseRealTimeMotionBlur",
                                    "FocalLength",
                                    "ResolutionMode",
                                    "ApertureMode",
                                    "CameraFormat",
                                    "AspectW",
                                    "AspectH",
                                    "PixelAspectRatio",
                                    "UseFrameColor",
                                    "FrameColor",
                                    "ShowName",
                                    "ShowGrid",
                                    "ShowOpticalCenter",
                                    "ShowAzimut",
                                    "ShowTimeCode",
                                    "NearPlane",
                                    "FarPlane",
                                    "FilmWidth",
                                    "FilmHeight",
                                    "FilmAspectRatio",
                                    "FilmSqueezeRatio",
                                    "FilmFormatIndex",
                                    "ViewFrustum",
                                    "ViewFrustumNearFarPlane",
                                    "ViewFrustumBackPlaneMode",
                                    "BackPlaneDistance",
                                    "BackPlaneDistanceMode",
                                    "ViewCameraToLookAt",
                                    "LockMode",
                                    "LockInterestNavigation",
                                    "FitImage",
                                    "Crop",
                                    "Center",
                                    "KeepRatio",
                                    "BackgroundMode",
                                    "BackgroundAlphaTreshold",
                                    "ForegroundTransparent",
                                    "DisplaySafeArea",
                                    "SafeAreaDisplayStyle",
                                    "SafeAreaAspectRatio",
                                    "Use2DMagnifierZoom",
                                    "2D Magnifier Zoom",
                                    "2D Magnifier X",
                                    "2D Magnifier Y",
                                    "CameraProjectionType",
                                    "UseRealTimeDOFAndAA",
                                    "UseDepthOfField",
                                    "FocusSource",
                                    "FocusAngle",
                                    "FocusDistance",
                                    "UseAntialiasing",
                                    "AntialiasingIntensity",
                                    "UseAccumulationBuffer",
                                    "FrameSamplingCount"};
    KScnFree<KScnCamera> cam;
    std::vector<KProperty*> props;
    cam.CollectHandlerProperties(props);
    ASSERT_EQ(props.size(), sizeof(expected) / sizeof(expected[0]));
    ASSERT_EQ(props.size(), 65u);
    for (size_t i = 0; i < props.size(); ++i)
    {
        EXPECT_STREQ(props[i]->GetName(), expected[i]) << i;
    }
}

TEST(Camera, PropertyTypesAndChannelFlags)
{
    KScnFree<KScnCamera> cam;
    KScnCameraProperties* set = cam.GetProperties();
    EXPECT_EQ(set->FindProperty("DisplayTurnTableIcon")->GetTypeCode(), 2);
    EXPECT_EQ(set->FindProperty("FocalLength")->GetTypeCode(), 4);
    EXPECT_EQ(set->FindProperty("FrameSamplingCount")->GetTypeCode(), 1);
    EXPECT_EQ(set->FindProperty("FrameColor")->GetTypeCode(), 14);
    for (const char* e : {"ResolutionMode", "ApertureMode", "CameraFormat", "FilmFormatIndex",
                          "ViewFrustumBackPlaneMode", "BackPlaneDistanceMode", "BackgroundMode",
                          "SafeAreaDisplayStyle", "CameraProjectionType", "FocusSource"})
    {
        EXPECT_EQ(set->FindProperty(e)->GetTypeCode(), 6) << e;
    }
    for (const char* c : {"Roll", "FieldOfView", "FieldOfViewX", "FieldOfViewY", "OpticalCenterX",
                          "OpticalCenterY", "BackgroundColor", "TurnTable", "Motion Blur Intensity",
                          "2D Magnifier Zoom", "2D Magnifier X", "2D Magnifier Y"})
    {
        KProperty* p = set->FindProperty(c);
        ASSERT_NE(p, nullptr) << c;
        EXPECT_TRUE(p->IsAnimatable()) << c;
        EXPECT_TRUE(p->TestStateFlags(8)) << c;
    }
    EXPECT_STREQ(set->FindProperty("Roll")->GetDataType()->GetName(), "Roll");
    EXPECT_STREQ(set->FindProperty("FieldOfViewY")->GetDataType()->GetName(), "FieldOfView");
    EXPECT_STREQ(set->FindProperty("BackgroundColor")->GetDataType()->GetName(), "Color");
    EXPECT_FALSE(set->FindProperty("FocalLength")->IsAnimatable());
}

TEST(Camera, EnumNames)
{
    EXPECT_STREQ(KScnCameraProperties::CameraFormatName(10), "Full Screen");
    EXPECT_EQ(KScnCameraProperties::CameraFormatName(9), nullptr);
    EXPECT_EQ(KScnCameraProperties::CameraFormatName(11), nullptr);
    EXPECT_EQ(KScnCameraProperties::CameraFormatName(-1), nullptr);
    EXPECT_STREQ(KScnCameraProperties::ApertureFormatName(11), "Imax");
    EXPECT_EQ(KScnCameraProperties::ApertureFormatName(12), nullptr);
    EXPECT_STREQ(KScnCameraProperties::ApertureModeName(0), "Horizontal & Vertical");
    EXPECT_STREQ(KScnCameraProperties::AspectRatioModeName(4), "Fixed Height Resolution");
    EXPECT_STREQ(KScnCameraProperties::BackgroundDrawingModeName(2), "Background & Forground");
    EXPECT_STREQ(KScnCameraProperties::BackgroundDisplayModeName(2), "When Media");
    EXPECT_STREQ(KScnCameraProperties::BackgroundDistanceModeName(1), "Relative to Camera");
    EXPECT_STREQ(KScnCameraProperties::SafeAreaStyleName(0), "Round Safe Area");
    EXPECT_STREQ(KScnCameraProperties::ProjectionTypeName(1), "Orthographic");
    EXPECT_STREQ(KScnCameraProperties::FocusDistanceSourceName(1), "Specific Distance");
    KScnFree<KScnCamera> cam;
    EXPECT_STREQ(cam.GetProperties()->FindProperty("FilmFormatIndex")->GetEnumName(4), "35mm TV Projection");
}

TEST(Camera, ResetDefaults)
{
    KScnFree<KScnCamera> cam;
    EXPECT_DOUBLE_EQ(Prop(cam, "FocalLength"), 35.0);
    EXPECT_EQ(IntProp(cam, "ApertureMode"), 2);
    EXPECT_EQ(IntProp(cam, "FilmFormatIndex"), 4);
    EXPECT_DOUBLE_EQ(Prop(cam, "FilmWidth"), 0.816);
    EXPECT_DOUBLE_EQ(Prop(cam, "FilmHeight"), 0.612);
    EXPECT_NEAR(Prop(cam, "FilmAspectRatio"), 1.3333333, 1e-6);
    EXPECT_DOUBLE_EQ(Prop(cam, "AspectW"), 320.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "AspectH"), 200.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "NearPlane"), 10.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "FarPlane"), 4000.0);
    EXPECT_EQ(IntProp(cam, "ViewFrustumBackPlaneMode"), 2);
    EXPECT_EQ(IntProp(cam, "SafeAreaDisplayStyle"), 1);
    EXPECT_DOUBLE_EQ(Prop(cam, "SafeAreaAspectRatio"), 1.33333333333333);
    EXPECT_DOUBLE_EQ(Prop(cam, "AntialiasingIntensity"), 0.77777);
    EXPECT_EQ(IntProp(cam, "FrameSamplingCount"), 7);
    EXPECT_DOUBLE_EQ(Prop(cam, "FieldOfView"), 40.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "FieldOfViewX"), 1.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "Motion Blur Intensity"), 1.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "2D Magnifier Zoom"), 100.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "2D Magnifier Y"), 50.0);
    KColorRGBA bg = cam.GetBackgroundColor();
    EXPECT_DOUBLE_EQ(bg.mRed, 0.63);
    EXPECT_DOUBLE_EQ(bg.mBlue, 0.63);
    EXPECT_DOUBLE_EQ(bg.mAlpha, 1.0);
    KgeRGBVector frame = cam.GetProperties()->FrameColor.GetValue();
    EXPECT_DOUBLE_EQ(frame[0], 0.3);
    EXPECT_DOUBLE_EQ(frame[2], 0.3);
    EXPECT_EQ(cam.GetUpVector(), KgeTVector(0, 1, 0, 1));
    EXPECT_EQ(cam.GetAudioColor(), KColorRGBA(0, 1, 0, 1));
    EXPECT_EQ(cam.GetFrameSamplingType(), 1);
    EXPECT_TRUE(cam.GetShowInfoOnMoving());
    EXPECT_EQ(cam.GetBackgroundMediaName(), nullptr);
    EXPECT_EQ(cam.GetBackgroundTextureName(), nullptr);
    cam.SetBackgroundTextureName("sky.tif");
    EXPECT_STREQ(cam.GetBackgroundTextureName(), "sky.tif");

    // The reset leaves "LockInterestNavigation" alone.
    cam.GetProperties()->LockInterestNavigation.SetValue(true);
    cam.SetNearPlane(77.0);
    cam.SetBackgroundTextureName("sky.tif");
    cam.Reset();
    EXPECT_TRUE(cam.GetProperties()->LockInterestNavigation.GetValue());
    EXPECT_DOUBLE_EQ(Prop(cam, "NearPlane"), 10.0);
    EXPECT_EQ(cam.GetBackgroundTextureName(), nullptr);
}

TEST(Camera, ClippingPlanesClampAndStayOrdered)
{
    KScnFree<KScnCamera> cam;
    cam.SetNearPlane(0.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "NearPlane"), 0.001);
    cam.SetFarPlane(1e9);
    EXPECT_DOUBLE_EQ(Prop(cam, "FarPlane"), 600000.0);

    KScnFree<KScnCamera> other;
    other.SetNearPlane(5000.0);
    EXPECT_DOUBLE_EQ(Prop(other, "NearPlane"), 5000.0);
    EXPECT_DOUBLE_EQ(Prop(other, "FarPlane"), 5000.0);
    other.SetFarPlane(1.0);
    EXPECT_DOUBLE_EQ(Prop(other, "NearPlane"), 1.0);
    EXPECT_DOUBLE_EQ(Prop(other, "FarPlane"), 1.0);
    other.SetNearPlane(std::nan(""));
    EXPECT_DOUBLE_EQ(Prop(other, "NearPlane"), 0.001);
}

TEST(Camera, PixelRatioClampsAndResetsFormat)
{
    KScnFree<KScnCamera> cam;
    cam.SetFormat(5);
    ASSERT_EQ(IntProp(cam, "CameraFormat"), 5);
    cam.SetPixelRatio(0.01);
    EXPECT_DOUBLE_EQ(Prop(cam, "PixelAspectRatio"), 0.05);
    EXPECT_EQ(IntProp(cam, "CameraFormat"), 0);
    // A repeat of the same (clamped) ratio touches nothing, not even the format.
    cam.GetProperties()->CameraFormat.SetValue(3);
    cam.SetPixelRatio(0.01);
    cam.SetPixelRatio(0.05);
    EXPECT_EQ(IntProp(cam, "CameraFormat"), 3);
    cam.SetPixelRatio(50.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "PixelAspectRatio"), 20.0);
    EXPECT_EQ(IntProp(cam, "CameraFormat"), 0);
}

TEST(Camera, AspectByMode)
{
    KScnFree<KScnCamera> cam;
    cam.SetAspect(1, 0.0, 5.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "AspectW"), 0.001);
    EXPECT_DOUBLE_EQ(Prop(cam, "AspectH"), 1.0);
    EXPECT_EQ(IntProp(cam, "ResolutionMode"), 1);
    cam.SetAspect(2, 0.5, -3.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "AspectW"), 1.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "AspectH"), 1.0);
    cam.SetAspect(3, 640.0, 0.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "AspectW"), 640.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "AspectH"), 0.001);
    cam.SetAspect(4, 0.0, 0.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "AspectW"), 0.001);
    EXPECT_DOUBLE_EQ(Prop(cam, "AspectH"), 1.0);
    cam.SetAspect(0, 99.0, 99.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "AspectW"), 0.001);
    EXPECT_EQ(IntProp(cam, "ResolutionMode"), 0);
    cam.SetFormat(2);
    cam.SetAspect(7, 10.0, 10.0); // no such mode: nothing changes
    EXPECT_EQ(IntProp(cam, "ResolutionMode"), 2);
    EXPECT_EQ(IntProp(cam, "CameraFormat"), 2);
    EXPECT_DOUBLE_EQ(Prop(cam, "AspectW"), 640.0);
}

TEST(Camera, FormatPresets)
{
    KScnFree<KScnCamera> hd;
    hd.SetFormat(5);
    EXPECT_DOUBLE_EQ(Prop(hd, "AspectW"), 1920.0);
    EXPECT_DOUBLE_EQ(Prop(hd, "AspectH"), 1080.0);
    EXPECT_NEAR(Prop(hd, "PixelAspectRatio"), 1.0, 1e-9);
    EXPECT_EQ(IntProp(hd, "CameraFormat"), 5);
    EXPECT_EQ(IntProp(hd, "ResolutionMode"), 2);

    KScnFree<KScnCamera> ratio;
    ratio.SetAspect(1, 1.5, 1.0);
    ratio.SetFormat(1);
    // 720 x 486 with pixels 4/3 * 486 / 720 = 0.9 wide.
    EXPECT_NEAR(Prop(ratio, "PixelAspectRatio"), 0.9, 1e-9);
    EXPECT_NEAR(Prop(ratio, "AspectW"), 720.0 / 486.0 * 0.9, 1e-9);
    EXPECT_NEAR(Prop(ratio, "AspectW"), 4.0 / 3.0, 1e-6);
    EXPECT_DOUBLE_EQ(Prop(ratio, "AspectH"), 1.0);
    EXPECT_EQ(IntProp(ratio, "ResolutionMode"), 1);
    EXPECT_EQ(IntProp(ratio, "CameraFormat"), 1);

    KScnFree<KScnCamera> width;
    width.SetAspect(3, 100.0, 100.0);
    width.SetFormat(4);
    EXPECT_DOUBLE_EQ(Prop(width, "AspectW"), 720.0);
    EXPECT_DOUBLE_EQ(Prop(width, "AspectH"), 0.8);
    EXPECT_EQ(IntProp(width, "ResolutionMode"), 3);
    EXPECT_NEAR(Prop(width, "PixelAspectRatio"), 4.0 / 3.0 * 576.0 / 720.0, 1e-9);

    KScnFree<KScnCamera> height;
    height.SetAspect(4, 100.0, 100.0);
    height.SetFormat(10);
    EXPECT_DOUBLE_EQ(Prop(height, "AspectW"), 1.25);
    EXPECT_DOUBLE_EQ(Prop(height, "AspectH"), 1024.0);
    EXPECT_EQ(IntProp(height, "ResolutionMode"), 4);

    KScnFree<KScnCamera> none;
    none.SetFormat(2);
    none.SetFormat(9);
    EXPECT_EQ(IntProp(none, "CameraFormat"), 0);
    EXPECT_DOUBLE_EQ(Prop(none, "AspectW"), 640.0);
    none.SetFormat(11);
    none.SetFormat(-3);
    EXPECT_EQ(IntProp(none, "CameraFormat"), 0);
    EXPECT_EQ(IntProp(none, "ResolutionMode"), 2);
}

TEST(Camera, AperturePresetsAndFilmBack)
{
    KScnFree<KScnCamera> cam;
    cam.SetApertureFormat(7);
    EXPECT_EQ(IntProp(cam, "FilmFormatIndex"), 7);
    EXPECT_DOUBLE_EQ(Prop(cam, "FilmWidth"), 0.864);
    EXPECT_DOUBLE_EQ(Prop(cam, "FilmHeight"), 0.732);
    EXPECT_DOUBLE_EQ(Prop(cam, "FilmSqueezeRatio"), 2.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "FilmAspectRatio"), 0.864 / 0.732);

    cam.SetApertureFormat(12);
    EXPECT_EQ(IntProp(cam, "FilmFormatIndex"), 0);
    EXPECT_DOUBLE_EQ(Prop(cam, "FilmWidth"), 0.864);

    cam.SetApertureFormat(11);
    cam.SetApertureWidth(0.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "FilmWidth"), 0.0001);
    EXPECT_EQ(IntProp(cam, "FilmFormatIndex"), 0);
    EXPECT_DOUBLE_EQ(Prop(cam, "FilmAspectRatio"), 0.0001 / 2.072);

    cam.SetApertureFormat(3);
    cam.SetApertureHeight(0.630); // unchanged: the preset stays
    EXPECT_EQ(IntProp(cam, "FilmFormatIndex"), 3);
    cam.SetApertureHeight(0.5);
    EXPECT_EQ(IntProp(cam, "FilmFormatIndex"), 0);
    EXPECT_DOUBLE_EQ(Prop(cam, "FilmAspectRatio"), 0.864 / 0.5);
    cam.SetSqueezeRatio(-1.0);
    EXPECT_DOUBLE_EQ(Prop(cam, "FilmSqueezeRatio"), 0.0001);
}

TEST(Camera, ApertureAngleGivesFocalLength)
{
    KScnFree<KScnCamera> cam;
    cam.SetApertureAngle(40.0);
    // Vertical: 0.612 in = 15.5448 mm over 2 tan(20 deg).
    const double expected = 15.5448 / (2.0 * std::tan(20.0 * kPi / 180.0));
    EXPECT_NEAR(Prop(cam, "FocalLength"), expected, 1e-9);
    EXPECT_NEAR(Prop(cam, "FocalLength"), 21.3545, 1e-3);

    cam.SetApertureAngle(200.0);
    EXPECT_NEAR(Prop(cam, "FocalLength"), 15.5448 / (2.0 * std::tan(89.5 * kPi / 180.0)), 1e-9);
    cam.SetApertureAngle(0.0);
    EXPECT_NEAR(Prop(cam, "FocalLength"), 15.5448 / (2.0 * std::tan(0.5 * kPi / 180.0)), 1e-6);

    // Horizontal modes use the width times the squeeze.
    cam.SetApertureFormat(7);
    const double before = Prop(cam, "FocalLength");
    cam.SetApertureMode(1); // the mode alone recomputes nothing
    EXPECT_DOUBLE_EQ(Prop(cam, "FocalLength"), before);
    cam.SetApertureAngle(90.0);
    EXPECT_NEAR(Prop(cam, "FocalLength"), 0.864 * 25.4 * 2.0 / 2.0, 1e-9);
    cam.SetApertureMode(0);
    cam.SetApertureAngle(90.0);
    EXPECT_NEAR(Prop(cam, "FocalLength"), 21.9456, 1e-9);
}

TEST(Camera, PlacementAndOverSampling)
{
    KScnFree<KScnCamera> cam;
    cam.SetBackgroundPlacement(5);
    EXPECT_TRUE(cam.GetProperties()->FitImage.GetValue());
    EXPECT_TRUE(cam.GetProperties()->KeepRatio.GetValue());
    EXPECT_FALSE(cam.GetProperties()->Center.GetValue());
    EXPECT_FALSE(cam.GetProperties()->Crop.GetValue());
    cam.SetBackgroundPlacement(8);
    EXPECT_TRUE(cam.GetProperties()->Crop.GetValue());
    EXPECT_FALSE(cam.GetProperties()->FitImage.GetValue());

    cam.SetUseOverSamplingTime(0);
    EXPECT_TRUE(cam.GetProperties()->UseRealTimeDOFAndAA.GetValue());
    cam.SetUseOverSamplingTime(2);
    EXPECT_TRUE(cam.GetProperties()->UseRealTimeDOFAndAA.GetValue());
    cam.SetUseOverSamplingTime(1);
    EXPECT_FALSE(cam.GetProperties()->UseRealTimeDOFAndAA.GetValue());
    cam.SetUseOverSamplingTime(-1);
    EXPECT_FALSE(cam.GetProperties()->UseRealTimeDOFAndAA.GetValue());

    cam.SetAudioColor(KColorRGBA(2.0, -1.0, 0.5, 1.0));
    EXPECT_EQ(cam.GetAudioColor(), KColorRGBA(1.0, 0.0, 0.5, 1.0));
    cam.SetBackgroundColor(KColorRGBA(0.1, 0.2, 0.3, 0.0));
    EXPECT_EQ(cam.GetDefaultBackgroundColor(), KColorRGBA(0.1, 0.2, 0.3, 1.0));
}

class CameraOnNode : public ::testing::Test
{
protected:
    KScnSdkManager mManager;
};

TEST_F(CameraOnNode, AttachAddsChannelsToEveryTake)
{
    KScnNode* node = mManager.CreateNode("Cam");
    ASSERT_NE(node->AddTakeNode("Take 001"), nullptr);
    ASSERT_NE(node->AddTakeNode("Take 002"), nullptr);
    KScnFree<KScnCamera> cam(&mManager);
    node->SetNodeAttribute(&cam);
    ASSERT_EQ(cam.GetNode(), node);
    for (int t = 0; t < 3; ++t)
    {
        KScnTakeNodeEntry* take = node->GetTakeNode(t);
        ASSERT_NE(take->GetFieldOfViewCurve(), nullptr) << t;
        EXPECT_FLOAT_EQ(take->GetFieldOfViewCurve()->GetDefaultValue(), 25.115f);
        EXPECT_FLOAT_EQ(take->GetFieldOfViewXCurve()->GetDefaultValue(), 40.0f);
        EXPECT_FLOAT_EQ(take->GetFieldOfViewYCurve()->GetDefaultValue(), 40.0f);
        ASSERT_NE(take->GetTurnTableCurve(), nullptr);
        ASSERT_NE(take->GetRollCurve(), nullptr);
        ASSERT_NE(take->GetOpticalCenterYCurve(), nullptr);
        ASSERT_NE(take->GetBackgroundColorZCurve(), nullptr);
        EXPECT_FLOAT_EQ(take->GetBackgroundColorXCurve()->GetDefaultValue(), 0.63f);
        const float* color = take->GetFieldOfViewCurve()->GetColor();
        EXPECT_FLOAT_EQ(color[0], 0.55f);
        EXPECT_FLOAT_EQ(color[2], 0.81f);
        EXPECT_FLOAT_EQ(take->GetBackgroundColorYCurve()->GetColor()[1], 1.0f);
    }
    mManager.DestroyNode(node);
}

TEST_F(CameraOnNode, DefaultTakeCurvesAreLinkedToTheChannels)
{
    KScnNode* node = mManager.CreateNode("Cam");
    node->AddTakeNode("Take 001");
    KScnFree<KScnCamera> cam(&mManager);
    node->SetNodeAttribute(&cam);
    // Attaching writes the take defaults; the default take carries them into
    // the linked properties, the other takes do not.
    EXPECT_NEAR(Prop(cam, "FieldOfView"), 25.115, 1e-5);
    EXPECT_NEAR(Prop(cam, "FieldOfViewX"), 40.0, 1e-9);
    node->GetDefaultTakeNode()->GetOpticalCenterXCurve()->SetDefaultValue(2.5f);
    EXPECT_DOUBLE_EQ(Prop(cam, "OpticalCenterX"), 2.5);
    node->GetTakeNode(1)->GetOpticalCenterXCurve()->SetDefaultValue(7.0f);
    EXPECT_DOUBLE_EQ(Prop(cam, "OpticalCenterX"), 2.5);
    mManager.DestroyNode(node);
}

TEST_F(CameraOnNode, ChannelSettersReachTheDefaultTake)
{
    KScnNode* node = mManager.CreateNode("Cam");
    KScnFree<KScnCamera> cam(&mManager);
    cam.SetRoll(12.0); // detached: only the property
    EXPECT_DOUBLE_EQ(cam.GetDefaultRoll(), 12.0);
    node->SetNodeAttribute(&cam);
    KScnTakeNodeEntry* take = node->GetDefaultTakeNode();
    cam.SetFieldOfView(55.5);
    EXPECT_FLOAT_EQ(take->GetFieldOfViewCurve()->GetDefaultValue(), 55.5f);
    EXPECT_DOUBLE_EQ(Prop(cam, "FieldOfView"), 55.5);
    cam.SetDefaultTurnTable(3.0);
    EXPECT_FLOAT_EQ(take->GetTurnTableCurve()->GetDefaultValue(), 3.0f);
    EXPECT_DOUBLE_EQ(cam.GetDefaultTurnTable(), 3.0);
    cam.SetBackgroundColor(KColorRGBA(0.25, 0.5, 0.75, 0.0));
    EXPECT_FLOAT_EQ(take->GetBackgroundColorYCurve()->GetDefaultValue(), 0.5f);
    take->GetBackgroundColorZCurve()->SetDefaultValue(0.125f);
    EXPECT_DOUBLE_EQ(cam.GetBackgroundColor().mBlue, 0.125);
    EXPECT_DOUBLE_EQ(cam.GetBackgroundColor().mAlpha, 1.0);
    mManager.DestroyNode(node);
}

TEST_F(CameraOnNode, PositionIsTheNodeTranslation)
{
    KScnFree<KScnCamera> cam(&mManager);
    cam.SetPosition(KgeTVector(1, 2, 3, 1));
    EXPECT_EQ(cam.GetPosition(), KgeTVector(0, 0, 0, 0));
    KScnNode* node = mManager.CreateNode("Cam");
    node->SetNodeAttribute(&cam);
    cam.SetPosition(KgeTVector(1, 2, 3, 1));
    KgeTVector t;
    node->GetLocalTranslation(t);
    EXPECT_DOUBLE_EQ(t[0], 1.0);
    EXPECT_DOUBLE_EQ(t[2], 3.0);
    EXPECT_DOUBLE_EQ(cam.GetPosition()[1], 2.0);
    mManager.DestroyNode(node);
}

TEST_F(CameraOnNode, DetachKeepsOnlyBackgroundColor)
{
    KScnNode* node = mManager.CreateNode("Cam");
    node->AddTakeNode("Take 001");
    auto* cam = new KScnFree<KScnCamera>(&mManager);
    node->SetNodeAttribute(cam);
    cam->SetBackgroundColor(KColorRGBA(0.2, 0.4, 0.6, 1.0));
    node->SetNodeAttribute(nullptr);
    EXPECT_EQ(cam->GetNode(), nullptr);
    for (int t = 0; t < 2; ++t)
    {
        KScnTakeNodeEntry* take = node->GetTakeNode(t);
        EXPECT_EQ(take->GetFieldOfViewCurve(), nullptr);
        EXPECT_EQ(take->GetRollCurve(), nullptr);
        EXPECT_EQ(take->GetTurnTableCurve(), nullptr);
        EXPECT_NE(take->GetBackgroundColorXCurve(), nullptr);
    }
    // The kept curves are no longer tied to the camera: changing them leaves
    // the camera alone, and the camera can go before the node.
    node->GetDefaultTakeNode()->GetBackgroundColorXCurve()->SetDefaultValue(0.9f);
    EXPECT_NEAR(cam->GetBackgroundColor().mRed, 0.2, 1e-6);
    cam->SetBackgroundColor(KColorRGBA(0.7, 0.7, 0.7, 1.0));
    // Re-attaching takes the camera's colour, not the stale curve's.
    node->SetNodeAttribute(cam);
    EXPECT_FLOAT_EQ(node->GetDefaultTakeNode()->GetBackgroundColorXCurve()->GetDefaultValue(), 0.7f);
    EXPECT_NEAR(cam->GetBackgroundColor().mRed, 0.7, 1e-6);
    delete cam; // an attached camera detaches itself
    EXPECT_EQ(node->GetNodeAttribute(), nullptr);
    node->GetDefaultTakeNode()->GetBackgroundColorXCurve()->SetDefaultValue(0.1f);
    mManager.DestroyNode(node);
}

TEST_F(CameraOnNode, ConnectTargetLinksPropertySets)
{
    KScnNode* node = mManager.CreateNode("Cam");
    KScnNode* target = mManager.CreateNode("Interest");
    KScnFree<KScnCamera> cam(&mManager);
    cam.ConnectTarget(target); // detached: nothing
    EXPECT_FALSE(node->GetPropertyHandler()->IsSrcConnected(target->GetPropertyHandler()));
    node->SetNodeAttribute(&cam);
    cam.ConnectTarget(nullptr);
    cam.ConnectTarget(target);
    EXPECT_TRUE(node->GetPropertyHandler()->IsSrcConnected(target->GetPropertyHandler()));
    const int sources = node->GetPropertyHandler()->GetSrcCount();
    cam.ConnectTarget(target);
    EXPECT_EQ(node->GetPropertyHandler()->GetSrcCount(), sources);
    mManager.DestroyNode(node);
    mManager.DestroyNode(target);
}

TEST_F(CameraOnNode, CopyTakesStoredValuesButNotTheOtherChannels)
{
    KScnNode* a = mManager.CreateNode("A");
    KScnNode* b = mManager.CreateNode("B");
    KScnFree<KScnCamera> src(&mManager);
    KScnFree<KScnCamera> dst(&mManager);
    a->SetNodeAttribute(&src);
    b->SetNodeAttribute(&dst);
    src.SetPosition(KgeTVector(5, 6, 7, 1));
    src.SetUpVector(KgeTVector(0, 0, 1, 1));
    src.SetRoll(30.0);
    src.SetFieldOfView(70.0);
    src.SetFormat(5);
    src.SetApertureFormat(9);
    src.SetFarPlane(123.0);
    src.SetBackgroundMediaName("clip.avi");
    src.SetBackgroundColor(KColorRGBA(0.1, 0.2, 0.3, 1.0));
    src.SetFrameColor(KColorRGBA(0.9, 0.8, 0.7, 0.5));
    src.SetOrthoZoom(4.0);
    src.SetFrameSamplingType(3);
    src.SetFocusDistance(42.0);
    src.GetProperties()->FilmAspectRatio.SetValue(9.0); // not copied
    src.GetProperties()->ShowOpticalCenter.SetValue(true);
    // Stored values go over as they are, without the setters' clamps.
    src.GetProperties()->NearPlane.SetValue(-4.0);

    dst.Copy(src);
    EXPECT_DOUBLE_EQ(dst.GetPosition()[2], 7.0);
    EXPECT_EQ(dst.GetUpVector(), KgeTVector(0, 0, 1, 1));
    EXPECT_DOUBLE_EQ(dst.GetDefaultRoll(), 30.0);
    EXPECT_FLOAT_EQ(b->GetDefaultTakeNode()->GetRollCurve()->GetDefaultValue(), 30.0f);
    // Not copied: still what attaching wrote into the linked default take.
    EXPECT_NEAR(Prop(dst, "FieldOfView"), 25.115, 1e-5);
    EXPECT_EQ(IntProp(dst, "CameraFormat"), 5);
    EXPECT_DOUBLE_EQ(Prop(dst, "AspectW"), 1920.0);
    EXPECT_EQ(IntProp(dst, "FilmFormatIndex"), 9);
    EXPECT_DOUBLE_EQ(Prop(dst, "FilmWidth"), 1.485);
    EXPECT_DOUBLE_EQ(Prop(dst, "FarPlane"), 123.0);
    EXPECT_DOUBLE_EQ(Prop(dst, "NearPlane"), -4.0);
    EXPECT_STREQ(dst.GetBackgroundMediaName(), "clip.avi");
    EXPECT_NEAR(dst.GetBackgroundColor().mGreen, 0.2, 1e-6);
    KgeRGBVector frame = dst.GetProperties()->FrameColor.GetValue();
    EXPECT_DOUBLE_EQ(frame[0], 0.9);
    EXPECT_DOUBLE_EQ(frame[2], 0.7);
    EXPECT_DOUBLE_EQ(dst.GetOrthoZoom(), 4.0);
    EXPECT_EQ(dst.GetFrameSamplingType(), 3);
    EXPECT_DOUBLE_EQ(Prop(dst, "FocusDistance"), 42.0);
    EXPECT_NEAR(Prop(dst, "FilmAspectRatio"), 0.816 / 0.612, 1e-12);
    EXPECT_FALSE(dst.GetProperties()->ShowOpticalCenter.GetValue());
    mManager.DestroyNode(a);
    mManager.DestroyNode(b);
}

namespace
{

// A set that reports a fixed focal length: the bound property must follow.
class FixedFocalSet : public KScnCameraProperties
{
public:
    double GetFocalLength() override { return 85.0; }
    void SetFrameSamplingCount(int value) override { KScnCameraProperties::SetFrameSamplingCount(value * 2); }
};

} // namespace

TEST(Camera, PropertiesReachTheMostDerivedGetterAndSetter)
{
    auto* set = new FixedFocalSet;
    set->FocalLength.SetValue(35.0);
    EXPECT_DOUBLE_EQ(set->FindProperty("FocalLength")->GetDouble(), 85.0);
    set->FindProperty("FrameSamplingCount")->SetInt(4);
    EXPECT_EQ(set->GetFrameSamplingCount(), 8);
    EXPECT_EQ(set->FrameSamplingCount.GetValue(), 8);
    set->Destroy();
}
