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
                                       int (KScnCameraProperties::*get)(),
                                       void (KScnCameraProperties::*set)(int), KEnumNameFunction names)
{
    Declare(property, name, get, set);
    property.SetTypeCode(eKPropEnum);
    property.SetEnumNameFunction(names);
}

// Each property is named after its member and bound to its own pair.
#define KSCN_DECLARE(Name)                                                                                   \
    Declare(Name, #Name, &KScnCameraProperties::Get##Name, &KScnCameraProperties::Set##Name)
#define KSCN_DECLARE_ENUM(Name, Names)                                                                       \
    DeclareEnum(Name, #Name, &KScnCameraProperties::Get##Name, &KScnCameraProperties::Set##Name, Names)

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
    KSCN_DECLARE(DisplayTurnTableIcon);
    MotionBlurIntensity = CreateAnimatedChannel("Motion Blur Intensity", "Real");
    KSCN_DECLARE(UseMotionBlur);
    KSCN_DECLARE(UseRealTimeMotionBlur);
    KSCN_DECLARE(FocalLength);
    KSCN_DECLARE_ENUM(ResolutionMode, &AspectRatioModeName);
    KSCN_DECLARE_ENUM(ApertureMode, &ApertureModeName);
    KSCN_DECLARE_ENUM(CameraFormat, &CameraFormatName);
    KSCN_DECLARE(AspectW);
    KSCN_DECLARE(AspectH);
    KSCN_DECLARE(PixelAspectRatio);
    KSCN_DECLARE(UseFrameColor);
    KSCN_DECLARE(FrameColor);
    KSCN_DECLARE(ShowName);
    KSCN_DECLARE(ShowGrid);
    KSCN_DECLARE(ShowOpticalCenter);
    KSCN_DECLARE(ShowAzimut);
    KSCN_DECLARE(ShowTimeCode);
    KSCN_DECLARE(NearPlane);
    KSCN_DECLARE(FarPlane);
    KSCN_DECLARE(FilmWidth);
    KSCN_DECLARE(FilmHeight);
    KSCN_DECLARE(FilmAspectRatio);
    KSCN_DECLARE(FilmSqueezeRatio);
    KSCN_DECLARE_ENUM(FilmFormatIndex, &ApertureFormatName);
    KSCN_DECLARE(ViewFrustum);
    KSCN_DECLARE(ViewFrustumNearFarPlane);
    KSCN_DECLARE_ENUM(ViewFrustumBackPlaneMode, &BackgroundDisplayModeName);
    KSCN_DECLARE(BackPlaneDistance);
    KSCN_DECLARE_ENUM(BackPlaneDistanceMode, &BackgroundDistanceModeName);
    KSCN_DECLARE(ViewCameraToLookAt);
    KSCN_DECLARE(LockMode);
    KSCN_DECLARE(LockInterestNavigation);
    KSCN_DECLARE(FitImage);
    KSCN_DECLARE(Crop);
    KSCN_DECLARE(Center);
    KSCN_DECLARE(KeepRatio);
    KSCN_DECLARE_ENUM(BackgroundMode, &BackgroundDrawingModeName);
    KSCN_DECLARE(BackgroundAlphaTreshold);
    KSCN_DECLARE(ForegroundTransparent);
    KSCN_DECLARE(DisplaySafeArea);
    KSCN_DECLARE_ENUM(SafeAreaDisplayStyle, &SafeAreaStyleName);
    KSCN_DECLARE(SafeAreaAspectRatio);
    KSCN_DECLARE(Use2DMagnifierZoom);
    MagnifierZoom = CreateAnimatedChannel("2D Magnifier Zoom", "Real");
    MagnifierX = CreateAnimatedChannel("2D Magnifier X", "Real");
    MagnifierY = CreateAnimatedChannel("2D Magnifier Y", "Real");
    KSCN_DECLARE_ENUM(CameraProjectionType, &ProjectionTypeName);
    KSCN_DECLARE(UseRealTimeDOFAndAA);
    KSCN_DECLARE(UseDepthOfField);
    KSCN_DECLARE_ENUM(FocusSource, &FocusDistanceSourceName);
    KSCN_DECLARE(FocusAngle);
    KSCN_DECLARE(FocusDistance);
    KSCN_DECLARE(UseAntialiasing);
    KSCN_DECLARE(AntialiasingIntensity);
    KSCN_DECLARE(UseAccumulationBuffer);
    KSCN_DECLARE(FrameSamplingCount);
}

#undef KSCN_DECLARE
#undef KSCN_DECLARE_ENUM

} // namespace scenesdk
