#include "scenesdk/attributes/KScnCameraProperties.h"

#include "scenesdk/kernel/KDataType.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnCameraProperties, &KObject::ClassRecord);

namespace
{

template <size_t N> const char* NameAt(const char* const (&names)[N], int value)
{
    return value >= 0 && static_cast<size_t>(value) < N ? names[value] : nullptr;
}

} // namespace

const char* KScnCameraProperties::AspectRatioModeName(int value)
{
    static const char* const kNames[] = {"Window Size", "Fixed Ratio", "Fixed Resolution",
                                         "Fixed Width Resolution", "Fixed Height Resolution"};
    return NameAt(kNames, value);
}

const char* KScnCameraProperties::ApertureModeName(int value)
{
    static const char* const kNames[] = {"Horizontal & Vertical", "Horizontal", "Vertical"};
    return NameAt(kNames, value);
}

const char* KScnCameraProperties::CameraFormatName(int value)
{
    static const char* const kNames[] = {"Custom",  "D1 NTSC", "NTSC",    "PAL",   "D1 PAL",     "HD",
                                         "640x480", "320x200", "320x240", nullptr, "Full Screen"};
    return NameAt(kNames, value);
}

const char* KScnCameraProperties::ApertureFormatName(int value)
{
    static const char* const kNames[] = {"Custom",
                                         "16mm Theatrical",
                                         "Super 16mm",
                                         "35mm Academy",
                                         "35mm TV Projection",
                                         "35mm Full Aperture",
                                         "35mm 1.85 Projection",
                                         "35mm Anamorphic",
                                         "70mm Projection",
                                         "VistaVision",
                                         "Dynavision",
                                         "Imax"};
    return NameAt(kNames, value);
}

const char* KScnCameraProperties::BackgroundDisplayModeName(int value)
{
    static const char* const kNames[] = {"Disabled", "Always", "When Media"};
    return NameAt(kNames, value);
}

const char* KScnCameraProperties::BackgroundDistanceModeName(int value)
{
    static const char* const kNames[] = {"Relative to Interest", "Relative to Camera"};
    return NameAt(kNames, value);
}

const char* KScnCameraProperties::BackgroundDrawingModeName(int value)
{
    static const char* const kNames[] = {"Background", "Foreground", "Background & Forground"};
    return NameAt(kNames, value);
}

const char* KScnCameraProperties::SafeAreaStyleName(int value)
{
    static const char* const kNames[] = {"Round Safe Area", "Square Safe Area"};
    return NameAt(kNames, value);
}

const char* KScnCameraProperties::ProjectionTypeName(int value)
{
    static const char* const kNames[] = {"Perspective", "Orthographic"};
    return NameAt(kNames, value);
}

const char* KScnCameraProperties::FocusDistanceSourceName(int value)
{
    static const char* const kNames[] = {"Camera Interest", "Specific Distance"};
    return NameAt(kNames, value);
}

KProperty* KScnCameraProperties::CreateAnimatedChannel(const char* name, const char* dataTypeName)
{
    KDataType* type = KDataType::FindByName(dataTypeName);
    if (type == nullptr)
    {
        return nullptr;
    }
    KProperty* property = CreateProperty(name, KDataType::ToTypeCode(type), type, true);
    if (property != nullptr)
    {
        property->GetAttributes().SetFlag(KPropertyAttributes::kAnimatable, true);
        property->SetFlagNotify(8, true);
    }
    return property;
}

void KScnCameraProperties::DeclareEnum(KPropertyTemplate<int>& property, const char* name,
                                       KEnumNameFunction names)
{
    Declare(property, name);
    property.SetTypeCode(eKPropEnum);
    property.SetEnumNameFunction(names);
}

KScnCameraProperties::KScnCameraProperties()
{
    Roll = CreateAnimatedChannel("Roll", "Roll");
    FieldOfView = CreateAnimatedChannel("FieldOfView", "FieldOfView");
    FieldOfViewX = CreateAnimatedChannel("FieldOfViewX", "FieldOfView");
    FieldOfViewY = CreateAnimatedChannel("FieldOfViewY", "FieldOfView");
    OpticalCenterX = CreateAnimatedChannel("OpticalCenterX", "Real");
    OpticalCenterY = CreateAnimatedChannel("OpticalCenterY", "Real");
    BackgroundColor = CreateAnimatedChannel("BackgroundColor", "Color");
    TurnTable = CreateAnimatedChannel("TurnTable", "Real");
    Declare(DisplayTurnTableIcon, "DisplayTurnTableIcon");
    MotionBlurIntensity = CreateAnimatedChannel("Motion Blur Intensity", "Real");
    Declare(UseMotionBlur, "UseMotionBlur");
    Declare(UseRealTimeMotionBlur, "UseRealTimeMotionBlur");
    Declare(FocalLength, "FocalLength");
    DeclareEnum(ResolutionMode, "ResolutionMode", &AspectRatioModeName);
    DeclareEnum(ApertureMode, "ApertureMode", &ApertureModeName);
    DeclareEnum(CameraFormat, "CameraFormat", &CameraFormatName);
    Declare(AspectW, "AspectW");
    Declare(AspectH, "AspectH");
    Declare(PixelAspectRatio, "PixelAspectRatio");
    Declare(UseFrameColor, "UseFrameColor");
    Declare(FrameColor, "FrameColor");
    Declare(ShowName, "ShowName");
    Declare(ShowGrid, "ShowGrid");
    Declare(ShowOpticalCenter, "ShowOpticalCenter");
    Declare(ShowAzimut, "ShowAzimut");
    Declare(ShowTimeCode, "ShowTimeCode");
    Declare(NearPlane, "NearPlane");
    Declare(FarPlane, "FarPlane");
    Declare(FilmWidth, "FilmWidth");
    Declare(FilmHeight, "FilmHeight");
    Declare(FilmAspectRatio, "FilmAspectRatio");
    Declare(FilmSqueezeRatio, "FilmSqueezeRatio");
    DeclareEnum(FilmFormatIndex, "FilmFormatIndex", &ApertureFormatName);
    Declare(ViewFrustum, "ViewFrustum");
    Declare(ViewFrustumNearFarPlane, "ViewFrustumNearFarPlane");
    DeclareEnum(ViewFrustumBackPlaneMode, "ViewFrustumBackPlaneMode", &BackgroundDisplayModeName);
    Declare(BackPlaneDistance, "BackPlaneDistance");
    DeclareEnum(BackPlaneDistanceMode, "BackPlaneDistanceMode", &BackgroundDistanceModeName);
    Declare(ViewCameraToLookAt, "ViewCameraToLookAt");
    Declare(LockMode, "LockMode");
    Declare(LockInterestNavigation, "LockInterestNavigation");
    Declare(FitImage, "FitImage");
    Declare(Crop, "Crop");
    Declare(Center, "Center");
    Declare(KeepRatio, "KeepRatio");
    DeclareEnum(BackgroundMode, "BackgroundMode", &BackgroundDrawingModeName);
    Declare(BackgroundAlphaTreshold, "BackgroundAlphaTreshold");
    Declare(ForegroundTransparent, "ForegroundTransparent");
    Declare(DisplaySafeArea, "DisplaySafeArea");
    DeclareEnum(SafeAreaDisplayStyle, "SafeAreaDisplayStyle", &SafeAreaStyleName);
    Declare(SafeAreaAspectRatio, "SafeAreaAspectRatio");
    Declare(Use2DMagnifierZoom, "Use2DMagnifierZoom");
    MagnifierZoom = CreateAnimatedChannel("2D Magnifier Zoom", "Real");
    MagnifierX = CreateAnimatedChannel("2D Magnifier X", "Real");
    MagnifierY = CreateAnimatedChannel("2D Magnifier Y", "Real");
    DeclareEnum(CameraProjectionType, "CameraProjectionType", &ProjectionTypeName);
    Declare(UseRealTimeDOFAndAA, "UseRealTimeDOFAndAA");
    Declare(UseDepthOfField, "UseDepthOfField");
    DeclareEnum(FocusSource, "FocusSource", &FocusDistanceSourceName);
    Declare(FocusAngle, "FocusAngle");
    Declare(FocusDistance, "FocusDistance");
    Declare(UseAntialiasing, "UseAntialiasing");
    Declare(AntialiasingIntensity, "AntialiasingIntensity");
    Declare(UseAccumulationBuffer, "UseAccumulationBuffer");
    Declare(FrameSamplingCount, "FrameSamplingCount");
}

} // namespace scenesdk
