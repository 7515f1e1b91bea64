#pragma once

// KScnCameraProperties: the values of a camera (KScnCamera) as properties.
// Each declared property is bound to a virtual setter and getter of the set
// (plain stores and reads; the camera's logic lives in KScnCamera, which
// writes them); the twelve animated channels are dynamic, animatable
// properties with state bit 8.
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

// One declared property: the embedded property, then its setter and getter
// (virtual, in declaration order; plain stores and reads of a field of the
// set), and the field. A derived set may override either operation; the
// property always reaches the most derived one.
#define KSCN_CAMERA_VALUE(T, Name)                                                                           \
public:                                                                                                      \
    KPropertyTemplate<T> Name;                                                                               \
    virtual void Set##Name(T value)                                                                          \
    {                                                                                                        \
        m##Name = value;                                                                                     \
    }                                                                                                        \
    virtual T Get##Name()                                                                                    \
    {                                                                                                        \
        return m##Name;                                                                                      \
    }                                                                                                        \
                                                                                                             \
private:                                                                                                     \
    T m##Name{};                                                                                             \
                                                                                                             \
public:

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
    KSCN_CAMERA_VALUE(bool, DisplayTurnTableIcon)
    KSCN_CAMERA_VALUE(bool, UseMotionBlur)
    KSCN_CAMERA_VALUE(bool, UseRealTimeMotionBlur)
    KSCN_CAMERA_VALUE(double, FocalLength) // millimetres
    KSCN_CAMERA_VALUE(int, ResolutionMode)
    KSCN_CAMERA_VALUE(int, ApertureMode)
    KSCN_CAMERA_VALUE(int, CameraFormat)
    KSCN_CAMERA_VALUE(double, AspectW)
    KSCN_CAMERA_VALUE(double, AspectH)
    KSCN_CAMERA_VALUE(double, PixelAspectRatio)
    KSCN_CAMERA_VALUE(bool, UseFrameColor)
    KSCN_CAMERA_VALUE(KgeRGBVector, FrameColor)
    KSCN_CAMERA_VALUE(bool, ShowName)
    KSCN_CAMERA_VALUE(bool, ShowGrid)
    KSCN_CAMERA_VALUE(bool, ShowOpticalCenter)
    KSCN_CAMERA_VALUE(bool, ShowAzimut)
    KSCN_CAMERA_VALUE(bool, ShowTimeCode)
    KSCN_CAMERA_VALUE(double, NearPlane)
    KSCN_CAMERA_VALUE(double, FarPlane)
    KSCN_CAMERA_VALUE(double, FilmWidth)  // inches
    KSCN_CAMERA_VALUE(double, FilmHeight) // inches
    KSCN_CAMERA_VALUE(double, FilmAspectRatio)
    KSCN_CAMERA_VALUE(double, FilmSqueezeRatio)
    KSCN_CAMERA_VALUE(int, FilmFormatIndex)
    KSCN_CAMERA_VALUE(bool, ViewFrustum)
    KSCN_CAMERA_VALUE(bool, ViewFrustumNearFarPlane)
    KSCN_CAMERA_VALUE(int, ViewFrustumBackPlaneMode)
    KSCN_CAMERA_VALUE(double, BackPlaneDistance)
    KSCN_CAMERA_VALUE(int, BackPlaneDistanceMode)
    KSCN_CAMERA_VALUE(bool, ViewCameraToLookAt)
    KSCN_CAMERA_VALUE(bool, LockMode)
    KSCN_CAMERA_VALUE(bool, LockInterestNavigation)
    KSCN_CAMERA_VALUE(bool, FitImage)
    KSCN_CAMERA_VALUE(bool, Crop)
    KSCN_CAMERA_VALUE(bool, Center)
    KSCN_CAMERA_VALUE(bool, KeepRatio)
    KSCN_CAMERA_VALUE(int, BackgroundMode)
    KSCN_CAMERA_VALUE(double, BackgroundAlphaTreshold)
    KSCN_CAMERA_VALUE(bool, ForegroundTransparent)
    KSCN_CAMERA_VALUE(bool, DisplaySafeArea)
    KSCN_CAMERA_VALUE(int, SafeAreaDisplayStyle)
    KSCN_CAMERA_VALUE(double, SafeAreaAspectRatio)
    KSCN_CAMERA_VALUE(bool, Use2DMagnifierZoom)
    KSCN_CAMERA_VALUE(int, CameraProjectionType)
    KSCN_CAMERA_VALUE(bool, UseRealTimeDOFAndAA)
    KSCN_CAMERA_VALUE(bool, UseDepthOfField)
    KSCN_CAMERA_VALUE(int, FocusSource)
    KSCN_CAMERA_VALUE(double, FocusAngle)
    KSCN_CAMERA_VALUE(double, FocusDistance)
    KSCN_CAMERA_VALUE(bool, UseAntialiasing)
    KSCN_CAMERA_VALUE(double, AntialiasingIntensity)
    KSCN_CAMERA_VALUE(bool, UseAccumulationBuffer)
    KSCN_CAMERA_VALUE(int, FrameSamplingCount)

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
    template <class T>
    void Declare(KPropertyTemplate<T>& property, const char* name, T (KScnCameraProperties::*get)(),
                 void (KScnCameraProperties::*set)(T))
    {
        property.Initialize(name, this, get, set);
        AddProperty(&property);
    }
    void DeclareEnum(KPropertyTemplate<int>& property, const char* name, int (KScnCameraProperties::*get)(),
                     void (KScnCameraProperties::*set)(int), KEnumNameFunction names);
};

#undef KSCN_CAMERA_VALUE

} // namespace scenesdk
