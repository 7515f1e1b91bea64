#pragma once

// KScnCameraProperties: the values of a camera (KScnCamera) as properties.
// Declared properties store their own values (the camera's logic lives in
// KScnCamera, which writes them); the twelve animated channels are dynamic,
// animatable properties with state bit 8.
//
// Property list order: the eight leading channels, "DisplayTurnTableIcon",
// "Motion Blur Intensity", the declared properties up to
// "Use2DMagnifierZoom", the three magnifier channels, then the rest.
//
// Lifetime: a plug; created by KScnCamera with new, released with Destroy().

#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KPropertyTemplate.h"
#include "scenesdk/kernel/KgeRGBVector.h"

namespace scenesdk
{

class KScnCameraProperties : public KObject
{
    KCLASSID_DECLARE(KScnCameraProperties)

public:
    KScnCameraProperties();

    // Names of the camera's enumerations; null past the last value (and for
    // the gaps, such as camera format 9).
    static const char* AspectRatioModeName(int value);
    static const char* ApertureModeName(int value);
    static const char* CameraFormatName(int value);
    static const char* ApertureFormatName(int value);
    static const char* BackgroundDisplayModeName(int value);
    static const char* BackgroundDistanceModeName(int value);
    static const char* BackgroundDrawingModeName(int value);
    static const char* SafeAreaStyleName(int value);
    static const char* ProjectionTypeName(int value);
    static const char* FocusDistanceSourceName(int value);

    // Declared properties, in declaration order.
    KPropertyTemplate<bool> DisplayTurnTableIcon;
    KPropertyTemplate<bool> UseMotionBlur;
    KPropertyTemplate<bool> UseRealTimeMotionBlur;
    KPropertyTemplate<double> FocalLength; // millimetres
    KPropertyTemplate<int> ResolutionMode;
    KPropertyTemplate<int> ApertureMode;
    KPropertyTemplate<int> CameraFormat;
    KPropertyTemplate<double> AspectW;
    KPropertyTemplate<double> AspectH;
    KPropertyTemplate<double> PixelAspectRatio;
    KPropertyTemplate<bool> UseFrameColor;
    KPropertyTemplate<KgeRGBVector> FrameColor;
    KPropertyTemplate<bool> ShowName;
    KPropertyTemplate<bool> ShowGrid;
    KPropertyTemplate<bool> ShowOpticalCenter;
    KPropertyTemplate<bool> ShowAzimut;
    KPropertyTemplate<bool> ShowTimeCode;
    KPropertyTemplate<double> NearPlane;
    KPropertyTemplate<double> FarPlane;
    KPropertyTemplate<double> FilmWidth;  // inches
    KPropertyTemplate<double> FilmHeight; // inches
    KPropertyTemplate<double> FilmAspectRatio;
    KPropertyTemplate<double> FilmSqueezeRatio;
    KPropertyTemplate<int> FilmFormatIndex;
    KPropertyTemplate<bool> ViewFrustum;
    KPropertyTemplate<bool> ViewFrustumNearFarPlane;
    KPropertyTemplate<int> ViewFrustumBackPlaneMode;
    KPropertyTemplate<double> BackPlaneDistance;
    KPropertyTemplate<int> BackPlaneDistanceMode;
    KPropertyTemplate<bool> ViewCameraToLookAt;
    KPropertyTemplate<bool> LockMode;
    KPropertyTemplate<bool> LockInterestNavigation;
    KPropertyTemplate<bool> FitImage;
    KPropertyTemplate<bool> Crop;
    KPropertyTemplate<bool> Center;
    KPropertyTemplate<bool> KeepRatio;
    KPropertyTemplate<int> BackgroundMode;
    KPropertyTemplate<double> BackgroundAlphaTreshold;
    KPropertyTemplate<bool> ForegroundTransparent;
    KPropertyTemplate<bool> DisplaySafeArea;
    KPropertyTemplate<int> SafeAreaDisplayStyle;
    KPropertyTemplate<double> SafeAreaAspectRatio;
    KPropertyTemplate<bool> Use2DMagnifierZoom;
    KPropertyTemplate<int> CameraProjectionType;
    KPropertyTemplate<bool> UseRealTimeDOFAndAA;
    KPropertyTemplate<bool> UseDepthOfField;
    KPropertyTemplate<int> FocusSource;
    KPropertyTemplate<double> FocusAngle;
    KPropertyTemplate<double> FocusDistance;
    KPropertyTemplate<bool> UseAntialiasing;
    KPropertyTemplate<double> AntialiasingIntensity;
    KPropertyTemplate<bool> UseAccumulationBuffer;
    KPropertyTemplate<int> FrameSamplingCount;

    // Animated channels (dynamic; null only when a data type is missing).
    KProperty* Roll = nullptr;
    KProperty* FieldOfView = nullptr;
    KProperty* FieldOfViewX = nullptr;
    KProperty* FieldOfViewY = nullptr;
    KProperty* OpticalCenterX = nullptr;
    KProperty* OpticalCenterY = nullptr;
    KProperty* BackgroundColor = nullptr;
    KProperty* TurnTable = nullptr;
    KProperty* MotionBlurIntensity = nullptr;
    KProperty* MagnifierZoom = nullptr;
    KProperty* MagnifierX = nullptr;
    KProperty* MagnifierY = nullptr;

    static constexpr int kDeclaredCount = 53;

protected:
    ~KScnCameraProperties() override = default;

private:
    // Looks the data type up by name, creates the property through KObject,
    // marks it animatable with state bit 8.
    KProperty* CreateAnimatedChannel(const char* name, const char* dataTypeName);
    template <class T> void Declare(KPropertyTemplate<T>& property, const char* name)
    {
        property.Initialize(name, this);
        AddProperty(&property);
    }
    void DeclareEnum(KPropertyTemplate<int>& property, const char* name, KEnumNameFunction names);
};

} // namespace scenesdk
